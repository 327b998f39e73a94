// Lines on POSIX: a pseudo-terminal master, or a serial device.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "sim/line.h"

namespace sim {
namespace {

class FileLine : public Line {
 public:
  // `heldOpen`: a descriptor kept open only so that the line stays up.
  FileLine(int fd, int heldOpen) : fd_(fd), heldOpen_(heldOpen) {}
  ~FileLine() override { Close(); }

  int Read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) override {
    if (fd_ < 0) return -1;
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = poll(&waiting, 1, timeoutMs);
    if (ready < 0) return errno == EINTR ? 0 : -1;
    if (ready == 0) return 0;
    if ((waiting.revents & POLLIN) == 0) return -1;
    const ssize_t got = read(fd_, buffer, capacity);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    return got > 0 ? static_cast<int>(got) : -1;
  }

  bool Write(const std::uint8_t* bytes, std::size_t count) override {
    while (count > 0 && fd_ >= 0) {
      const ssize_t written = write(fd_, bytes, count);
      if (written > 0) {
        bytes += written;
        count -= static_cast<std::size_t>(written);
      } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
        return false;
      } else if (!AwaitRoom()) {
        return false;
      }
    }
    return count == 0;
  }

  void Close() override {
    CloseDescriptor(fd_);
    CloseDescriptor(heldOpen_);
  }

 private:
  bool AwaitRoom() {
    pollfd waiting{fd_, POLLOUT, 0};
    return poll(&waiting, 1, kWriteStallMs) > 0 && (waiting.revents & POLLOUT) != 0;
  }

  static void CloseDescriptor(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
  }

  int fd_;
  int heldOpen_;
};

bool MakeRaw(int fd, speed_t speed) {
  termios attributes{};
  if (tcgetattr(fd, &attributes) != 0) return false;
  cfmakeraw(&attributes);
  attributes.c_cflag |= CLOCAL | CREAD;
  attributes.c_cc[VMIN] = 0;
  attributes.c_cc[VTIME] = 0;
  if (speed != B0 && cfsetspeed(&attributes, speed) != 0) return false;
  return tcsetattr(fd, TCSANOW, &attributes) == 0;
}

speed_t SpeedFor(std::uint32_t baudRate) {
  struct Rate {
    std::uint32_t baud;
    speed_t speed;
  };
  static constexpr Rate kRates[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},
                                    {9600, B9600},     {19200, B19200},   {38400, B38400},
                                    {57600, B57600},   {115200, B115200}, {230400, B230400}};
  for (const Rate& rate : kRates) {
    if (rate.baud == baudRate) return rate.speed;
  }
  return B0;
}

}  // namespace

std::unique_ptr<Line> OpenPseudoTerminal(std::string* devicePath) {
  int master = -1;
  int slave = -1;
  char path[256] = {};
  if (openpty(&master, &slave, path, nullptr, nullptr) != 0) return nullptr;
  auto line = std::make_unique<FileLine>(master, slave);
  if (!MakeRaw(slave, B0) || fcntl(master, F_SETFL, O_NONBLOCK) != 0) return nullptr;
  if (devicePath != nullptr) *devicePath = path;
  return line;
}

std::unique_ptr<Line> OpenSerialDevice(const std::string& name, std::uint32_t baudRate) {
  const speed_t speed = SpeedFor(baudRate);
  if (speed == B0) return nullptr;
  const int fd = open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return nullptr;
  auto line = std::make_unique<FileLine>(fd, -1);
  if (!MakeRaw(fd, speed)) return nullptr;
  return line;
}

}  // namespace sim
