#include "sim/request_stream.h"

#include <algorithm>
#include <cstring>

namespace sim {

void RequestStream::Appended(std::size_t count, Clock::time_point when) {
  bytesBeforeLastRead_ = size_;
  lastRead_ = when;
  size_ += count;
}

// Index of the first 0x02 that is followed by 0x2F or by nothing yet.
std::size_t RequestStream::RequestStart() const {
  for (std::size_t i = 0; i < size_; ++i) {
    if (buffer_[i] != kStartByte) continue;
    if (i + 1 == size_ || buffer_[i + 1] == kRequestMark) return i;
  }
  return size_;
}

void RequestStream::Drop(std::size_t count) {
  std::memmove(buffer_.data(), buffer_.data() + count, size_ - count);
  size_ -= count;
  if (count >= bytesBeforeLastRead_) {
    frontSeen_ = lastRead_;
    bytesBeforeLastRead_ = 0;
  } else {
    bytesBeforeLastRead_ -= count;
  }
}

bool RequestStream::Take(WireFrame& frame, Clock::time_point& firstByteSeen) {
  Drop(RequestStart());
  if (size_ < kFrameSize) return false;
  std::copy_n(buffer_.begin(), kFrameSize, frame.begin());
  firstByteSeen = frontSeen_;
  Drop(HasValidChecksum(frame) ? kFrameSize : 1);
  return true;
}

}  // namespace sim
