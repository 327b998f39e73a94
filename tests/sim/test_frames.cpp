#include "test_frames.h"

#include <cstdio>

namespace {

constexpr std::size_t kFrameSize = 36;

void Put(Bytes& frame, int offset, std::uint16_t value) {
  frame[offset] = static_cast<std::uint8_t>(value & 0xFF);
  frame[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

Bytes Frame(std::uint8_t mark, int machine, const char* command, const char* second,
            std::uint16_t block, std::uint16_t status, const std::vector<std::uint16_t>& words) {
  Bytes frame(kFrameSize, 0);
  frame[0] = 0x02;
  frame[1] = mark;
  Put(frame, 3, static_cast<std::uint16_t>(machine));
  frame[5] = static_cast<std::uint8_t>(command[0]);
  frame[6] = static_cast<std::uint8_t>(command[1]);
  frame[7] = static_cast<std::uint8_t>(second[0]);
  frame[8] = static_cast<std::uint8_t>(second[1]);
  Put(frame, 11, block);
  Put(frame, 13, status);
  for (std::size_t i = 0; i < words.size() && i < 10; ++i) Put(frame, 15 + 2 * static_cast<int>(i), words[i]);
  Reseal(frame);
  return frame;
}

}  // namespace

Bytes Request(int machine, const char* command, const char* second, std::uint16_t block,
              const std::vector<std::uint16_t>& words) {
  return Frame(0x2F, machine, command, second, block, 0, words);
}

Bytes BlockReadRequest(int machine, int address) {
  return Request(machine, "PD", "DR", static_cast<std::uint16_t>(address / 10 + 1), {});
}

Bytes RegisterListRequest(int machine, int address, int count) {
  std::vector<std::uint16_t> registers;
  for (int j = 0; j < count; ++j) registers.push_back(static_cast<std::uint16_t>(address + j));
  return Request(machine, "LS", "RW", 0, registers);
}

Bytes ValuesRequest(int machine, const std::vector<std::uint16_t>& values) {
  return Request(machine, "PS", "RW", 0, values);
}

Bytes Reply(int machine, const char* command, std::uint16_t block, std::uint16_t status,
            const std::vector<std::uint16_t>& words) {
  return Frame(0x4F, machine, command, "DR", block, status, words);
}

std::uint8_t Checksum(const Bytes& frame) {
  std::uint8_t sum = 0;
  for (std::size_t i = 1; i + 1 < kFrameSize; ++i) sum = static_cast<std::uint8_t>(sum + frame[i]);
  return sum;
}

void Reseal(Bytes& frame) { frame[kFrameSize - 1] = Checksum(frame); }

std::uint16_t DataWord(const Bytes& frame, int index) {
  return static_cast<std::uint16_t>(frame[15 + 2 * index] | (frame[16 + 2 * index] << 8));
}

std::string Hex(const Bytes& bytes) {
  std::string text;
  char digits[4];
  for (std::uint8_t byte : bytes) {
    std::snprintf(digits, sizeof digits, "%02X ", byte);
    text += digits;
  }
  return text;
}
