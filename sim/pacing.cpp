#include "sim/pacing.h"

#include <algorithm>
#include <thread>

namespace sim {
namespace {

using Clock = std::chrono::steady_clock;
// The scheduler may wake a sleeper late; the last stretch is spun instead.
constexpr auto kSpin = std::chrono::microseconds(100);
// Longest sleep between looks at the stop flag.
constexpr auto kStopCheck = std::chrono::milliseconds(20);

}  // namespace

std::chrono::nanoseconds ByteTime(std::uint32_t baudRate) {
  return std::chrono::nanoseconds(10'000'000'000LL / baudRate);
}

bool WaitUntil(Clock::time_point deadline, const std::atomic<bool>& stop) {
  for (auto now = Clock::now(); deadline - now > kSpin; now = Clock::now()) {
    if (stop) return false;
    std::this_thread::sleep_until(std::min(deadline - kSpin, now + kStopCheck));
  }
  while (Clock::now() < deadline) {
  }
  return !stop;
}

}  // namespace sim
