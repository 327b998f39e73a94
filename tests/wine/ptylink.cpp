// ptylink: two pseudo-terminal pairs joined back to back, so that a Windows
// program under Wine can hold both ends of one "null-modem cable" as two COM
// ports. Each slave is published under a fixed link name; both slaves are held
// open here so the masters never see a hang-up when a test closes its port.
// Each direction is relayed by its own thread: a port nobody reads fills up
// and blocks its direction only, never the requests going the other way.
#include <pty.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <thread>

namespace {

std::atomic<bool> stopRequested{false};

void RequestStop(int) { stopRequested = true; }

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
bool ForwardOnce(int from, int to) {
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

void Relay(int from, int to) {
  pollfd source{from, POLLIN, 0};
  while (!stopRequested) {
    if (poll(&source, 1, 200) <= 0) continue;
    if ((source.revents & POLLIN) && !ForwardOnce(from, to)) break;
  }
  stopRequested = true;
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
  // A relay blocked on a full port must not keep the process from ending.
  std::thread(Relay, a.master, b.master).detach();
  std::thread(Relay, b.master, a.master).detach();
  while (!stopRequested) usleep(100'000);
  unlink(argv[1]);
  unlink(argv[2]);
  return 0;
}
