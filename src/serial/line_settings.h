// Line settings as the host stores them: four 16-bit words.
#pragma once

#include <cstdint>

#include "host/record_layout.h"

#pragma pack(push, 1)
struct LineSettings {
  std::uint16_t baudRate;  // bits per second
  std::uint16_t dataBits;  // low byte: bits per character
  std::uint16_t stopBits;  // low byte: 0 one, 1 one and a half, 2 two
  std::uint16_t parity;    // low byte: 0 none, 1 odd, 2 even, 3 mark, 4 space
};
#pragma pack(pop)

TORVA_CHECK_FIELD(LineSettings, baudRate, 0, 0);
TORVA_CHECK_FIELD(LineSettings, dataBits, 2, 0);
TORVA_CHECK_FIELD(LineSettings, stopBits, 4, 0);
TORVA_CHECK_FIELD(LineSettings, parity, 6, 0);
TORVA_CHECK_SIZE(LineSettings, 8, 0);
