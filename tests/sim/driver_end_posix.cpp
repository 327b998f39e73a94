#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include "driver_end.h"

namespace {

class PseudoTerminalEnd : public DriverEnd {
 public:
  explicit PseudoTerminalEnd(int fd) : fd_(fd) {}
  ~PseudoTerminalEnd() override { close(fd_); }

  bool Write(const std::vector<std::uint8_t>& bytes) override {
    return write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

  std::vector<std::uint8_t> Read(std::size_t count, int timeoutMs) override {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::uint8_t> bytes(count);
    std::size_t got = 0;
    while (got < count) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      pollfd waiting{fd_, POLLIN, 0};
      if (left <= 0 || poll(&waiting, 1, static_cast<int>(left)) <= 0) break;
      const ssize_t n = read(fd_, bytes.data() + got, count - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
  }

 private:
  int fd_;
};

}  // namespace

TestLine OpenTestLine(std::string* whyNot) {
  std::string path;
  TestLine line;
  line.simulatorEnd = sim::OpenPseudoTerminal(&path);
  if (!line.simulatorEnd) {
    *whyNot = "no pseudo-terminal";
    return {};
  }
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
  termios attributes{};
  if (fd < 0 || tcgetattr(fd, &attributes) != 0) {
    *whyNot = "cannot open " + path;
    return {};
  }
  cfmakeraw(&attributes);
  tcsetattr(fd, TCSANOW, &attributes);
  line.driverEnd = std::make_unique<PseudoTerminalEnd>(fd);
  return line;
}
