// Waiting on the steady clock for wire time: short waits end on time to a few
// microseconds, long ones give way to a stop request.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace sim {

// One byte on the wire: ten bit times (start, eight data bits, stop).
std::chrono::nanoseconds ByteTime(std::uint32_t baudRate);

// Waits until `deadline`; false when `stop` was set first.
bool WaitUntil(std::chrono::steady_clock::time_point deadline, const std::atomic<bool>& stop);

}  // namespace sim
