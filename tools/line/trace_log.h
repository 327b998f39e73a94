// The bytes that cross the line, as a time-stamped hex dump: one line a
// frame or burst, "2026-12-11T08:32:26.123456Z TX 02 2F 00 ...", where TX is
// what the driver sends and RX what comes back. Safe to use from any thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <mutex>

namespace tool {

enum class Direction { kSent, kReceived };

class TraceLog {
 public:
  explicit TraceLog(std::ostream& out) : out_(out) {}
  void Record(Direction direction, std::chrono::system_clock::time_point when, const std::uint8_t* bytes,
              std::size_t count);

 private:
  std::mutex mutex_;
  std::ostream& out_;
};

}  // namespace tool
