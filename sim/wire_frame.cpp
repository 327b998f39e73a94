#include "sim/wire_frame.h"

namespace sim {

std::uint8_t WireChecksum(const WireFrame& frame) {
  unsigned sum = 0;
  for (int i = 1; i < kChecksumAt; ++i) sum += frame[i];
  return static_cast<std::uint8_t>(sum % 256);
}

bool HasValidChecksum(const WireFrame& frame) { return WireChecksum(frame) == frame[kChecksumAt]; }

std::uint16_t GetWord(const WireFrame& frame, int offset) {
  return static_cast<std::uint16_t>(frame[offset] | (frame[offset + 1] << 8));
}

void PutWord(WireFrame& frame, int offset, std::uint16_t value) {
  frame[offset] = static_cast<std::uint8_t>(value & 0xFF);
  frame[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::uint16_t GetDataWord(const WireFrame& frame, int index) {
  return GetWord(frame, kDataAt + 2 * index);
}

void PutDataWord(WireFrame& frame, int index, std::uint16_t value) {
  PutWord(frame, kDataAt + 2 * index, value);
}

bool HasCode(const WireFrame& frame, int offset, const char (&code)[3]) {
  return frame[offset] == static_cast<std::uint8_t>(code[0]) &&
         frame[offset + 1] == static_cast<std::uint8_t>(code[1]);
}

void PutCode(WireFrame& frame, int offset, const char (&code)[3]) {
  frame[offset] = static_cast<std::uint8_t>(code[0]);
  frame[offset + 1] = static_cast<std::uint8_t>(code[1]);
}

}  // namespace sim
