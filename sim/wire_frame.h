// The 36-byte frame as a machine sees it, written here on its own (not shared
// with the driver) so that a layout or checksum fault on either side shows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace sim {

inline constexpr std::size_t kFrameSize = 36;
using WireFrame = std::array<std::uint8_t, kFrameSize>;

inline constexpr std::uint8_t kStartByte = 0x02;
inline constexpr std::uint8_t kRequestMark = 0x2F;  // '/'
inline constexpr std::uint8_t kReplyMark = 0x4F;    // 'O'

inline constexpr int kMachineAt = 3;
inline constexpr int kCommandAt = 5;
inline constexpr int kSecondCodeAt = 7;
inline constexpr int kBlockAt = 11;
inline constexpr int kStatusAt = 13;
inline constexpr int kDataAt = 15;
inline constexpr int kChecksumAt = 35;
inline constexpr int kDataWords = 10;

// Sum modulo 256 of bytes 1 to 34.
std::uint8_t WireChecksum(const WireFrame& frame);
bool HasValidChecksum(const WireFrame& frame);

std::uint16_t GetWord(const WireFrame& frame, int offset);
void PutWord(WireFrame& frame, int offset, std::uint16_t value);
std::uint16_t GetDataWord(const WireFrame& frame, int index);
void PutDataWord(WireFrame& frame, int index, std::uint16_t value);

bool HasCode(const WireFrame& frame, int offset, const char (&code)[3]);
void PutCode(WireFrame& frame, int offset, const char (&code)[3]);

}  // namespace sim
