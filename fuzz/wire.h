// The fuzz checks' own view of the 36-byte frame, written apart from the
// driver's so that a fault on either side shows.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace fuzz {

inline constexpr std::size_t kWireFrame = 36;
inline constexpr int kWireDataWords = 10;

using Bytes = std::vector<std::uint8_t>;

struct WireReply {
  std::uint16_t status;
  char command[2];
  char second[2];
  std::uint16_t words[kWireDataWords];
};

// Sum modulo 256 of bytes 1 to 34.
std::uint8_t WireChecksum(const std::uint8_t* frame);

// The request the driver must send, built from the layout of the protocol.
Bytes RequestFrame(std::int32_t machine, const char* command, const char* second,
                   std::uint16_t block, const std::uint16_t* words, int count);
bool IsWellFormedRequest(const Bytes& frame);

// The reply that ends `consumed`, when its last 36 bytes are one whose
// checksum holds.
std::optional<WireReply> ClosingReply(const Bytes& consumed);
// Whether some reply with a holding checksum in `consumed` carries `status`.
bool SomeReplyCarriesStatus(const Bytes& consumed, std::uint16_t status);

// Sets the checksum of every stretch that starts like a reply, so that
// inputs reach what lies behind the checksum test more often.
void SealReplies(Bytes& stream);

}  // namespace fuzz
