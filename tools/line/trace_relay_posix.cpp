#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "line/port_names.h"
#include "line/trace_relay.h"
#include "serial/serial_port.h"

namespace tool {
namespace {

// The port's bytes are read one at a time with this time-out (in 10 ms
// units); a pause that long ends a burst in the trace.
constexpr std::int32_t kBurstGapUnits = 1;
constexpr int kPollSliceMs = 50;
// Options as the driver opens a port: DTR and RTS raised.
constexpr std::uint16_t kPortOptions = 0x0303;

bool WriteAll(int fd, const std::uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t written = write(fd, bytes, count);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    count -= static_cast<std::size_t>(written);
  }
  return true;
}

class PtyRelay : public TraceRelay {
 public:
  PtyRelay(int master, int slave, SerialHandle port, std::string path, TraceLog& trace)
      : master_(master), slave_(slave), port_(port), path_(std::move(path)), trace_(trace) {
    SerialSetReadTimeout(port_, kBurstGapUnits);
    toPort_ = std::thread([this] { ForwardToPort(); });
    fromPort_ = std::thread([this] { ForwardFromPort(); });
  }

  ~PtyRelay() override {
    stop_ = true;
    toPort_.join();
    fromPort_.join();
    SerialClose(port_);
    close(slave_);
    close(master_);
  }

  const std::string& driverSide() const override { return path_; }

 private:
  void ForwardToPort() {
    std::uint8_t buffer[512];
    while (!stop_) {
      pollfd waiting{master_, POLLIN, 0};
      if (poll(&waiting, 1, kPollSliceMs) <= 0 || (waiting.revents & POLLIN) == 0) continue;
      const ssize_t got = read(master_, buffer, sizeof buffer);
      if (got <= 0) continue;
      trace_.Record(Direction::kSent, std::chrono::system_clock::now(), buffer, static_cast<std::size_t>(got));
      SerialWrite(port_, buffer, static_cast<std::uint32_t>(got), nullptr);
    }
  }

  // A burst of received bytes is one trace line, written when the line falls quiet.
  void ForwardFromPort() {
    std::vector<std::uint8_t> burst;
    std::chrono::system_clock::time_point burstStart;
    while (!stop_) {
      std::uint8_t byte = 0;
      const auto asked = std::chrono::steady_clock::now();
      if (SerialRead(port_, &byte, 1, nullptr) == kSerialOk) {
        if (burst.empty()) burstStart = std::chrono::system_clock::now();
        burst.push_back(byte);
        WriteAll(master_, &byte, 1);
        continue;
      }
      if (!burst.empty()) trace_.Record(Direction::kReceived, burstStart, burst.data(), burst.size());
      burst.clear();
      // A port that fails at once (unplugged) is not asked again at full speed.
      if (std::chrono::steady_clock::now() - asked < std::chrono::milliseconds(1)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollSliceMs));
      }
    }
  }

  int master_;
  int slave_;
  SerialHandle port_;
  std::string path_;
  TraceLog& trace_;
  std::atomic<bool> stop_{false};
  std::thread toPort_;
  std::thread fromPort_;
};

}  // namespace

std::unique_ptr<TraceRelay> StartTraceRelay(const std::string& port, const LineSettings& line,
                                            TraceLog& trace, std::string* error) {
  SerialHandle handle = kSerialNoHandle;
  if (SerialOpen(port.c_str(), &line, kPortOptions, &handle) != kSerialOk) {
    *error = "cannot open it: " + PortOpenHint(port);
    return nullptr;
  }
  int master = -1;
  int slave = -1;
  char path[256] = {};
  if (openpty(&master, &slave, path, nullptr, nullptr) != 0) {
    SerialClose(handle);
    *error = "no pseudo-terminal to trace through";
    return nullptr;
  }
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  return std::make_unique<PtyRelay>(master, slave, handle, path, trace);
}

}  // namespace tool
