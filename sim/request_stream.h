// Incoming bytes from the driver, cut into request frames: everything before
// a 0x02 0x2F pair is skipped, then 36 bytes make one request.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "sim/wire_frame.h"

namespace sim {

class RequestStream {
 public:
  using Clock = std::chrono::steady_clock;

  std::uint8_t* Space() { return buffer_.data() + size_; }
  std::size_t SpaceLeft() const { return buffer_.size() - size_; }
  // `count` bytes were read into Space() at `when`.
  void Appended(std::size_t count, Clock::time_point when);
  // Takes the next 36 bytes that start with 0x02 0x2F; `firstByteSeen` is when
  // the start byte was read. A frame with a wrong checksum may have been a
  // false start, so the search goes on from its second byte. False while no
  // whole frame has arrived.
  bool Take(WireFrame& frame, Clock::time_point& firstByteSeen);

 private:
  void Drop(std::size_t count);
  std::size_t RequestStart() const;

  std::array<std::uint8_t, 8 * kFrameSize> buffer_{};
  std::size_t size_ = 0;
  std::size_t bytesBeforeLastRead_ = 0;
  Clock::time_point frontSeen_{};
  Clock::time_point lastRead_{};
};

}  // namespace sim
