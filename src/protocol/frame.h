// The 36-byte message exchanged with a machine, and the exchange itself.
#pragma once

#include <array>
#include <cstdint>

#include "serial/serial_port.h"

inline constexpr std::uint16_t kFrameLength = 36;
inline constexpr int kFrameDataWords = 10;

// Byte offsets within a frame. 16-bit fields are little-endian.
inline constexpr int kStartOffset = 0;
inline constexpr int kMarkOffset = 1;
inline constexpr int kMachineOffset = 3;
inline constexpr int kCommandOffset = 5;
inline constexpr int kSecondCodeOffset = 7;
inline constexpr int kBlockOffset = 11;
inline constexpr int kStatusOffset = 13;
inline constexpr int kDataOffset = 15;
inline constexpr int kChecksumOffset = 35;

inline constexpr std::uint8_t kFrameStart = 0x02;
inline constexpr std::uint8_t kRequestMark = 0x2F;  // '/'
inline constexpr std::uint8_t kReplyMark = 0x4F;    // 'O'

// A two-letter code as it stands on the wire, first letter first.
struct FrameCode {
  char first;
  char second;
  bool operator==(const FrameCode&) const = default;
};

inline constexpr FrameCode kCodeBlockRead{'P', 'D'};
inline constexpr FrameCode kCodeRegisterList{'L', 'S'};
inline constexpr FrameCode kCodeValues{'P', 'S'};
inline constexpr FrameCode kCodeReadWrite{'R', 'W'};
inline constexpr FrameCode kCodeReply{'D', 'R'};

struct ExpectedCodes {
  FrameCode command;
  FrameCode second;
};

using Frame = std::array<std::uint8_t, kFrameLength>;

// Sum modulo 256 of bytes 1 to length - 2; 0 for a length below 3.
std::uint8_t FrameChecksum(const std::uint8_t* bytes, std::uint16_t length);

std::uint16_t FrameWord(const Frame& frame, int offset);
std::uint16_t FrameDataWord(const Frame& frame, int index);
FrameCode FrameCodeAt(const Frame& frame, int offset);

// Builds a request: data words beyond `wordCount` are 0, the checksum is set.
void BuildRequest(Frame& frame, std::uint16_t machine, FrameCode command, FrameCode second,
                  std::uint16_t block, const std::uint16_t* words, int wordCount);

// Attempt and exchange results, coded like the host's result codes.
inline constexpr int kAttemptAccepted = 0;
inline constexpr int kAttemptWrongReply = 1;
inline constexpr int kAttemptNoReply = 2;

// The most bytes skipped while waiting for a reply to start: a line that
// never stops sending other bytes cannot hold an exchange for ever, while
// ordinary noise in front of a reply is far shorter.
inline constexpr int kMaxSkippedBytes = 4096;

void SendFrame(const std::uint8_t* frame, std::uint16_t length, SerialHandle port);
int AwaitReplyStart(SerialHandle port);
int ReceiveBytes(std::uint8_t* buffer, std::uint16_t length, SerialHandle port);
// Up to three attempts; the result of the last one run. With expected codes,
// a reply whose bytes 5 to 8 differ counts as a wrong reply.
int ExchangeFrame(const Frame& request, Frame& reply, SerialHandle port,
                  const ExpectedCodes* expected);
