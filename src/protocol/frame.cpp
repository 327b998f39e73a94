#include "protocol/frame.h"

#include <algorithm>

namespace {

constexpr int kAttempts = 3;
constexpr std::uint16_t kReplyRest = kFrameLength - 2;  // after start and mark

void PutWord(Frame& frame, int offset, std::uint16_t value) {
  frame[offset] = static_cast<std::uint8_t>(value & 0xFF);
  frame[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutCode(Frame& frame, int offset, FrameCode code) {
  frame[offset] = static_cast<std::uint8_t>(code.first);
  frame[offset + 1] = static_cast<std::uint8_t>(code.second);
}

bool HasCodes(const Frame& reply, const ExpectedCodes& expected) {
  return FrameCodeAt(reply, kCommandOffset) == expected.command &&
         FrameCodeAt(reply, kSecondCodeOffset) == expected.second;
}

int RunAttempt(const Frame& request, Frame& reply, SerialHandle port,
               const ExpectedCodes* expected) {
  SendFrame(request.data(), kFrameLength, port);
  if (AwaitReplyStart(port) != 0) return kAttemptNoReply;
  if (ReceiveBytes(reply.data() + 2, kReplyRest, port) != 0) return kAttemptNoReply;
  reply[kMarkOffset] = kReplyMark;
  if (FrameChecksum(reply.data(), kFrameLength) != reply[kChecksumOffset]) {
    return kAttemptWrongReply;
  }
  if (expected != nullptr && !HasCodes(reply, *expected)) return kAttemptWrongReply;
  return kAttemptAccepted;
}

}  // namespace

std::uint8_t FrameChecksum(const std::uint8_t* bytes, std::uint16_t length) {
  std::uint8_t sum = 0;
  for (int i = 1; i + 1 < length; ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
  return sum;
}

std::uint16_t FrameWord(const Frame& frame, int offset) {
  return static_cast<std::uint16_t>(frame[offset] | (frame[offset + 1] << 8));
}

std::uint16_t FrameDataWord(const Frame& frame, int index) {
  return FrameWord(frame, kDataOffset + 2 * index);
}

FrameCode FrameCodeAt(const Frame& frame, int offset) {
  return FrameCode{static_cast<char>(frame[offset]), static_cast<char>(frame[offset + 1])};
}

void BuildRequest(Frame& frame, std::uint16_t machine, FrameCode command, FrameCode second,
                  std::uint16_t block, const std::uint16_t* words, int wordCount) {
  frame.fill(0);
  frame[kStartOffset] = kFrameStart;
  frame[kMarkOffset] = kRequestMark;
  PutWord(frame, kMachineOffset, machine);
  PutCode(frame, kCommandOffset, command);
  PutCode(frame, kSecondCodeOffset, second);
  PutWord(frame, kBlockOffset, block);
  const int count = std::clamp(wordCount, 0, kFrameDataWords);
  for (int i = 0; i < count; ++i) PutWord(frame, kDataOffset + 2 * i, words[i]);
  frame[kChecksumOffset] = FrameChecksum(frame.data(), kFrameLength);
}

void SendFrame(const std::uint8_t* frame, std::uint16_t length, SerialHandle port) {
  SerialPurge(port);
  SerialWrite(port, frame, length, nullptr);
}

int AwaitReplyStart(SerialHandle port) {
  std::uint8_t byte = 0;
  for (int skipped = 0; skipped < kMaxSkippedBytes; ++skipped) {
    if (ReceiveBytes(&byte, 1, port) != 0) return 1;
    if (byte != kFrameStart) continue;
    if (ReceiveBytes(&byte, 1, port) != 0) return 1;
    if (byte == kReplyMark) return 0;
  }
  return 1;
}

int ReceiveBytes(std::uint8_t* buffer, std::uint16_t length, SerialHandle port) {
  std::int32_t gathered = 0;
  const int result = SerialRead(port, buffer, length, &gathered);
  return result == kSerialOk && gathered == length ? 0 : 1;
}

int ExchangeFrame(const Frame& request, Frame& reply, SerialHandle port,
                  const ExpectedCodes* expected) {
  int result = kAttemptNoReply;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    result = RunAttempt(request, reply, port, expected);
    if (result == kAttemptAccepted) break;
  }
  return result;
}
