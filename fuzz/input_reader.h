// Takes a fuzzer's input apart field by field. Past the end every field
// reads as zero, so any input, however short, makes a complete run.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace fuzz {

class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return offset_ >= size_; }

  // Fills `count` bytes at `target`, with zeros where the input has ended.
  void Raw(void* target, std::size_t count) {
    const std::size_t available = Empty() ? 0 : std::min(count, size_ - offset_);
    std::memcpy(target, data_ + offset_, available);
    std::memset(static_cast<std::uint8_t*>(target) + available, 0, count - available);
    offset_ += available;
  }

  template <class T>
  T Take() {
    T value;
    Raw(&value, sizeof value);
    return value;
  }

  std::uint8_t Byte() { return Take<std::uint8_t>(); }
  std::uint16_t Word() { return Take<std::uint16_t>(); }
  std::int32_t Int32() { return Take<std::int32_t>(); }

  // Up to `count` bytes: fewer when the input ends first.
  std::vector<std::uint8_t> Bytes(std::size_t count) {
    const std::size_t available = Empty() ? 0 : std::min(count, size_ - offset_);
    std::vector<std::uint8_t> bytes(data_ + offset_, data_ + offset_ + available);
    offset_ += available;
    return bytes;
  }

  std::vector<std::uint8_t> Rest() { return Bytes(size_ - std::min(offset_, size_)); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t offset_ = 0;
};

}  // namespace fuzz
