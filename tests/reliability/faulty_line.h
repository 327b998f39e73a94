// A line that misbehaves on purpose between the simulator and the driver: it
// goes dead after a number of bytes, sends noise after every reply, or
// corrupts a reply on its way. Everything else passes through unchanged.
#pragma once

#include <cstddef>
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "sim/line.h"
#include "support/test_port.h"

// Changes two bytes of a reply: swapped (the additive checksum cannot see
// it) or replaced by other values.
struct ReplyCorruption {
  int first;  // offsets within the 36-byte frame
  int second;
  bool swap;
  std::uint8_t firstValue = 0;  // when not swapped
  std::uint8_t secondValue = 0;
};

class FaultyLine : public sim::Line {
 public:
  explicit FaultyLine(std::unique_ptr<sim::Line> inner) : inner_(std::move(inner)) {}

  // The line goes dead, as a pulled cable, once `count` more bytes were sent.
  void CloseAfter(std::size_t count);
  // Bytes sent behind every reply.
  void SetTrailingNoise(std::vector<std::uint8_t> noise);
  // The next whole reply is changed so.
  void CorruptNextReply(const ReplyCorruption& corruption);
  // Corruptions that met a reply, so far, and the replies they changed
  // (one that swaps equal bytes changes nothing).
  int CorruptionsUsed() const;
  int CorruptedReplies() const;
  // The last whole replies that went out, as they went.
  using Frame = std::array<std::uint8_t, 36>;
  std::vector<Frame> RecentReplies() const;

  int Read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) override;
  bool Write(const std::uint8_t* bytes, std::size_t count) override;
  void Close() override;

 private:
  // The reply frame that ends `bytes`, if they end in one.
  static std::uint8_t* ReplyAtEnd(std::vector<std::uint8_t>& bytes);
  void Corrupt(std::uint8_t* frame);
  void Remember(const std::uint8_t* frame);

  std::unique_ptr<sim::Line> inner_;
  mutable std::mutex mutex_;
  std::optional<std::size_t> bytesBeforeClosing_;
  std::vector<std::uint8_t> trailingNoise_;
  std::optional<ReplyCorruption> corruption_;
  std::deque<Frame> recentReplies_;
  int used_ = 0;
  int corrupted_ = 0;
};
