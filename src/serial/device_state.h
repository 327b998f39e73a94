// A platform-neutral view of a serial device's state, and the pure logic that
// configures it. The backends translate it to and from their own records.
#pragma once

#include <cstddef>
#include <cstdint>

#include "serial/line_settings.h"

enum DtrControl : std::uint8_t { kDtrDisable = 0, kDtrEnable = 1, kDtrHandshake = 2 };
enum RtsControl : std::uint8_t {
  kRtsDisable = 0,
  kRtsEnable = 1,
  kRtsHandshake = 2,
  kRtsToggle = 3,
};

struct DeviceModes {
  std::uint8_t dtrControl = kDtrDisable;
  std::uint8_t rtsControl = kRtsDisable;
  bool ctsOutputFlow = false;
  bool dsrOutputFlow = false;
  bool dsrSensitivity = false;
  bool operator==(const DeviceModes&) const = default;
};

inline constexpr std::size_t kNativeStateSize = 160;

struct DeviceState {
  std::uint32_t baudRate = 0;
  std::uint8_t dataBits = 8;
  std::uint8_t parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  std::uint8_t stopBits = 0;  // 0 one, 1 one and a half, 2 two
  bool parityCheck = false;
  char errorChar = 0;
  bool errorReplace = false;
  DeviceModes modes;
  // The platform's complete record as the device reported it, so that
  // members not named above go back to the device unchanged.
  alignas(8) unsigned char native[kNativeStateSize] = {};
};

struct CommTimeouts {
  std::uint32_t readInterval = 0;
  std::uint32_t readTotalMultiplier = 0;
  std::uint32_t readTotalConstant = 0;
  std::uint32_t writeTotalMultiplier = 0;
  std::uint32_t writeTotalConstant = 0;
};

// Option-flag bits of SerialOpen.
inline constexpr std::uint16_t kOptDtrEnable = 0x0001;
inline constexpr std::uint16_t kOptRtsEnable = 0x0002;
inline constexpr std::uint16_t kOptCtsFlow = 0x0010;
inline constexpr std::uint16_t kOptDsrFlow = 0x0020;
inline constexpr std::uint16_t kOptDtrEnableToo = 0x0100;
inline constexpr std::uint16_t kOptRtsEnableToo = 0x0200;
inline constexpr std::uint16_t kOptRtsHandshake = 0x1000;
inline constexpr std::uint16_t kOptRtsToggle = 0x2000;
inline constexpr std::uint16_t kOptDsrSensitivity = 0x4000;
inline constexpr std::uint16_t kOptDtrHandshake = 0x8000;
inline constexpr std::uint16_t kStartupOptions = 0x0303;

// The modes that `options` selects; groups without a selecting bit keep what
// the device had, and the flow group only ever switches one setting on.
DeviceModes MapOptionFlags(std::uint16_t options, DeviceModes modes);

// Writes the line settings, the error character (252, replacement off) and
// the selected modes into a state read from the device.
void ConfigureDeviceState(DeviceState& state, const LineSettings& line, std::uint16_t options);
