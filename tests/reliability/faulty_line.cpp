#include "faulty_line.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::size_t kFrameSize = 36;
constexpr std::uint8_t kStart = 0x02;
constexpr std::uint8_t kReplyMark = 0x4F;
constexpr std::size_t kRecentReplies = 64;

}  // namespace

void FaultyLine::CloseAfter(std::size_t count) {
  std::lock_guard lock(mutex_);
  bytesBeforeClosing_ = count;
}

void FaultyLine::SetTrailingNoise(std::vector<std::uint8_t> noise) {
  std::lock_guard lock(mutex_);
  trailingNoise_ = std::move(noise);
}

void FaultyLine::CorruptNextReply(const ReplyCorruption& corruption) {
  std::lock_guard lock(mutex_);
  corruption_ = corruption;
}

int FaultyLine::CorruptionsUsed() const {
  std::lock_guard lock(mutex_);
  return used_;
}

int FaultyLine::CorruptedReplies() const {
  std::lock_guard lock(mutex_);
  return corrupted_;
}

int FaultyLine::Read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) {
  return inner_->Read(buffer, capacity, timeoutMs);
}

std::vector<FaultyLine::Frame> FaultyLine::RecentReplies() const {
  std::lock_guard lock(mutex_);
  return {recentReplies_.begin(), recentReplies_.end()};
}

// A reply goes out in one write, noise first: its frame is the last 36 bytes.
std::uint8_t* FaultyLine::ReplyAtEnd(std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < kFrameSize) return nullptr;
  std::uint8_t* frame = bytes.data() + bytes.size() - kFrameSize;
  return frame[0] == kStart && frame[1] == kReplyMark ? frame : nullptr;
}

void FaultyLine::Corrupt(std::uint8_t* frame) {
  if (!corruption_) return;
  const ReplyCorruption c = *std::exchange(corruption_, std::nullopt);
  ++used_;
  const std::uint8_t before[2] = {frame[c.first], frame[c.second]};
  if (c.swap) {
    std::swap(frame[c.first], frame[c.second]);
  } else {
    frame[c.first] = c.firstValue;
    frame[c.second] = c.secondValue;
  }
  if (frame[c.first] != before[0] || frame[c.second] != before[1]) ++corrupted_;
}

void FaultyLine::Remember(const std::uint8_t* frame) {
  Frame reply;
  std::copy_n(frame, kFrameSize, reply.begin());
  recentReplies_.push_back(reply);
  if (recentReplies_.size() > kRecentReplies) recentReplies_.pop_front();
}

bool FaultyLine::Write(const std::uint8_t* bytes, std::size_t count) {
  std::vector<std::uint8_t> sent(bytes, bytes + count);
  bool goesDead = false;
  {
    std::lock_guard lock(mutex_);
    if (std::uint8_t* reply = ReplyAtEnd(sent)) {
      Corrupt(reply);
      Remember(reply);
    }
    sent.insert(sent.end(), trailingNoise_.begin(), trailingNoise_.end());
    if (bytesBeforeClosing_) {
      goesDead = sent.size() >= *bytesBeforeClosing_;
      sent.resize(std::min(sent.size(), *bytesBeforeClosing_));
      *bytesBeforeClosing_ -= sent.size();
    }
  }
  const bool written = sent.empty() || inner_->Write(sent.data(), sent.size());
  if (!goesDead) return written;
  inner_->Close();
  return false;
}

void FaultyLine::Close() { inner_->Close(); }
