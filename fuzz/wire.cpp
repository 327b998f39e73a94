#include "wire.h"

#include <cstring>

namespace fuzz {
namespace {

constexpr std::uint8_t kStart = 0x02;
constexpr std::uint8_t kRequestMark = 0x2F;
constexpr std::uint8_t kReplyMark = 0x4F;
constexpr int kMachineAt = 3;
constexpr int kCommandAt = 5;
constexpr int kSecondAt = 7;
constexpr int kBlockAt = 11;
constexpr int kStatusAt = 13;
constexpr int kDataAt = 15;
constexpr int kChecksumAt = 35;
constexpr int kMachines = 100;

std::uint16_t WordAt(const std::uint8_t* frame, int offset) {
  return static_cast<std::uint16_t>(frame[offset] | frame[offset + 1] << 8);
}

void PutWordAt(Bytes& frame, int offset, std::uint16_t value) {
  frame[offset] = static_cast<std::uint8_t>(value);
  frame[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

bool CodeIs(const Bytes& frame, int offset, const char* code) {
  return frame[offset] == static_cast<std::uint8_t>(code[0]) &&
         frame[offset + 1] == static_cast<std::uint8_t>(code[1]);
}

bool StartsReply(const std::uint8_t* bytes) { return bytes[0] == kStart && bytes[1] == kReplyMark; }

bool IsReplyAt(const Bytes& stream, std::size_t at) {
  return at + kWireFrame <= stream.size() && StartsReply(&stream[at]) &&
         WireChecksum(&stream[at]) == stream[at + kChecksumAt];
}

}  // namespace

std::uint8_t WireChecksum(const std::uint8_t* frame) {
  unsigned sum = 0;
  for (int i = 1; i < kChecksumAt; ++i) sum += frame[i];
  return static_cast<std::uint8_t>(sum);
}

Bytes RequestFrame(std::int32_t machine, const char* command, const char* second,
                   std::uint16_t block, const std::uint16_t* words, int count) {
  Bytes frame(kWireFrame, 0);
  frame[0] = kStart;
  frame[1] = kRequestMark;
  PutWordAt(frame, kMachineAt, static_cast<std::uint16_t>(machine));
  std::memcpy(&frame[kCommandAt], command, 2);
  std::memcpy(&frame[kSecondAt], second, 2);
  PutWordAt(frame, kBlockAt, block);
  for (int i = 0; i < count; ++i) PutWordAt(frame, kDataAt + 2 * i, words[i]);
  frame[kChecksumAt] = WireChecksum(frame.data());
  return frame;
}

bool IsWellFormedRequest(const Bytes& frame) {
  if (frame.size() != kWireFrame || frame[0] != kStart || frame[1] != kRequestMark || frame[2] != 0) {
    return false;
  }
  if (WordAt(frame.data(), kMachineAt) >= kMachines) return false;
  const bool knownCodes = (CodeIs(frame, kCommandAt, "PD") && CodeIs(frame, kSecondAt, "DR")) ||
                          (CodeIs(frame, kCommandAt, "LS") && CodeIs(frame, kSecondAt, "RW")) ||
                          (CodeIs(frame, kCommandAt, "PS") && CodeIs(frame, kSecondAt, "RW"));
  return knownCodes && WireChecksum(frame.data()) == frame[kChecksumAt];
}

std::optional<WireReply> ClosingReply(const Bytes& consumed) {
  if (consumed.size() < kWireFrame) return std::nullopt;
  const std::size_t at = consumed.size() - kWireFrame;
  if (!IsReplyAt(consumed, at)) return std::nullopt;
  const std::uint8_t* frame = &consumed[at];
  WireReply reply{};
  reply.status = WordAt(frame, kStatusAt);
  std::memcpy(reply.command, frame + kCommandAt, 2);
  std::memcpy(reply.second, frame + kSecondAt, 2);
  for (int i = 0; i < kWireDataWords; ++i) reply.words[i] = WordAt(frame, kDataAt + 2 * i);
  return reply;
}

bool SomeReplyCarriesStatus(const Bytes& consumed, std::uint16_t status) {
  for (std::size_t at = 0; at + kWireFrame <= consumed.size(); ++at) {
    if (IsReplyAt(consumed, at) && WordAt(&consumed[at], kStatusAt) == status) return true;
  }
  return false;
}

void SealReplies(Bytes& stream) {
  for (std::size_t at = 0; at + kWireFrame <= stream.size(); ++at) {
    if (StartsReply(&stream[at])) stream[at + kChecksumAt] = WireChecksum(&stream[at]);
  }
}

}  // namespace fuzz
