// ptylink: two pseudo-terminal pairs joined back to back, so that a Windows
// program under Wine can hold both ends of one "null-modem cable" as two COM
// ports. Each slave is published under a fixed link name; both slaves are held
// open here so the masters never see a hang-up when a test closes its port.
#include <pty.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace {

volatile sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

struct PtyEnd {
  int master = -1;
  int slave = -1;
};

bool OpenRawPty(PtyEnd& end, const std::string& link) {
  char path[256];
  if (openpty(&end.master, &end.slave, path, nullptr, nullptr) != 0) return false;
  termios attributes{};
  tcgetattr(end.slave, &attributes);
  cfmakeraw(&attributes);
  tcsetattr(end.slave, TCSANOW, &attributes);
  unlink(link.c_str());
  return symlink(path, link.c_str()) == 0;
}

// Copies what one master has to the other; false when the source is gone.
bool Forward(int from, int to) {
  char buffer[4096];
  const ssize_t got = read(from, buffer, sizeof buffer);
  if (got < 0) return errno == EAGAIN || errno == EINTR || errno == EIO;
  for (ssize_t sent = 0; sent < got;) {
    const ssize_t n = write(to, buffer + sent, static_cast<size_t>(got - sent));
    if (n < 0 && errno != EINTR && errno != EAGAIN) return false;
    if (n > 0) sent += n;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: ptylink LINK_A LINK_B\n");
    return 2;
  }
  PtyEnd a, b;
  if (!OpenRawPty(a, argv[1]) || !OpenRawPty(b, argv[2])) {
    std::perror("ptylink");
    return 1;
  }
  signal(SIGTERM, RequestStop);
  signal(SIGINT, RequestStop);
  std::printf("ready\n");
  std::fflush(stdout);
  pollfd fds[2] = {{a.master, POLLIN, 0}, {b.master, POLLIN, 0}};
  while (!stopRequested) {
    if (poll(fds, 2, 200) <= 0) continue;
    if ((fds[0].revents & POLLIN) && !Forward(a.master, b.master)) break;
    if ((fds[1].revents & POLLIN) && !Forward(b.master, a.master)) break;
  }
  unlink(argv[1]);
  unlink(argv[2]);
  return 0;
}
