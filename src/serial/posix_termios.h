// The termios encoding of the line settings: pure translations between the
// platform's codes of the device state and the character-size, parity and
// stop-bit flags of c_cflag. The encoders leave `cflag` untouched and return
// false for a code that termios cannot express.
#pragma once

#include <termios.h>

#include <cstdint>

namespace serial_platform {

inline bool EncodeDataBits(std::uint8_t bits, tcflag_t& cflag) {
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  if (bits < 5 || bits > 8) return false;
  cflag = (cflag & ~CSIZE) | kSizes[bits - 5];
  return true;
}

// 0 none, 1 odd, 2 even, 3 mark, 4 space (mark and space through CMSPAR).
inline bool EncodeParity(std::uint8_t parity, tcflag_t& cflag) {
  static constexpr tcflag_t kParity[] = {0, PARENB | PARODD, PARENB, PARENB | CMSPAR | PARODD,
                                         PARENB | CMSPAR};
  if (parity > 4) return false;
  cflag = (cflag & ~(PARENB | PARODD | CMSPAR)) | kParity[parity];
  return true;
}

// 0 one, 1 one and a half, 2 two. Termios has one flag for "more than one":
// with 5-bit characters the hardware sends one and a half, otherwise two.
inline bool EncodeStopBits(std::uint8_t stopBits, tcflag_t& cflag) {
  if (stopBits > 2) return false;
  cflag = stopBits == 0 ? (cflag & ~CSTOPB) : (cflag | CSTOPB);
  return true;
}

inline std::uint8_t DataBitsOf(tcflag_t cflag) {
  switch (cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
  }
}

inline std::uint8_t ParityOf(tcflag_t cflag) {
  if ((cflag & PARENB) == 0) return 0;
  const bool odd = (cflag & PARODD) != 0;
  if (cflag & CMSPAR) return odd ? 3 : 4;
  return odd ? 1 : 2;
}

inline std::uint8_t StopBitsOf(tcflag_t cflag) { return (cflag & CSTOPB) ? 2 : 0; }

}  // namespace serial_platform
