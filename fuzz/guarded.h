// Records and buffers fenced by guard bytes: anything the driver writes
// outside the record it was given shows as a changed guard.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace fuzz {

inline constexpr std::size_t kGuardBytes = 64;
inline constexpr std::uint8_t kGuardByte = 0xA5;

inline bool AllGuard(const std::uint8_t* bytes, std::size_t count) {
  return std::all_of(bytes, bytes + count, [](std::uint8_t b) { return b == kGuardByte; });
}

template <class Record>
struct Guarded {
  std::uint8_t before[kGuardBytes];
  Record value;
  std::uint8_t after[kGuardBytes];

  explicit Guarded(const Record& initial = Record{}) : value(initial) {
    std::memset(before, kGuardByte, kGuardBytes);
    std::memset(after, kGuardByte, kGuardBytes);
  }
  bool Intact() const { return AllGuard(before, kGuardBytes) && AllGuard(after, kGuardBytes); }
};

// A host's buffer of 16-bit words with guard words on either side.
class GuardedWords {
 public:
  static constexpr std::size_t kGuardWords = kGuardBytes / 2;

  explicit GuardedWords(std::size_t words)
      : storage_(words + 2 * kGuardWords, kGuardByte * 0x101), words_(words) {}

  std::uint16_t* data() { return storage_.data() + kGuardWords; }
  const std::uint16_t* data() const { return storage_.data() + kGuardWords; }
  std::size_t size() const { return words_; }
  std::vector<std::uint16_t> Words() const { return {data(), data() + words_}; }

  bool Intact() const {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(storage_.data());
    return AllGuard(bytes, kGuardBytes) && AllGuard(bytes + kGuardBytes + 2 * words_, kGuardBytes);
  }

 private:
  std::vector<std::uint16_t> storage_;
  std::size_t words_;
};

}  // namespace fuzz
