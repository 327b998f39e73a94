// Compile-time checks of the records shared with the host.
//
// The records are packed, little-endian and gap-free. In the 32-bit product
// every offset is the one hosts were built against. In 64-bit builds each
// pointer field is 8 bytes wide in place, so every later offset moves by 4 for
// each widened pointer before it; all other fields keep their widths.
#pragma once

#include <cstddef>

namespace torva {

inline constexpr std::size_t kPointerGrowth = sizeof(void*) - 4;

// Offset of a field in this build, given its 32-bit offset and the number of
// pointer fields that stand before it.
constexpr std::size_t HostOffset(std::size_t offset32, std::size_t pointersBefore) {
  return offset32 + kPointerGrowth * pointersBefore;
}

}  // namespace torva

#define TORVA_CHECK_FIELD(Record, field, offset32, pointersBefore)                    \
  static_assert(offsetof(Record, field) == ::torva::HostOffset(offset32, pointersBefore), \
                #Record "." #field " is not where the host expects it")

#define TORVA_CHECK_SIZE(Record, size32, pointers)                    \
  static_assert(sizeof(Record) == ::torva::HostOffset(size32, pointers), \
                #Record " does not have the size the host expects")
