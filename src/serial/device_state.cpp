#include "serial/device_state.h"

namespace {

constexpr char kErrorReplacementChar = static_cast<char>(0xFC);

std::uint8_t LowByte(std::uint16_t word) { return static_cast<std::uint8_t>(word & 0xFF); }

}  // namespace

DeviceModes MapOptionFlags(std::uint16_t options, DeviceModes modes) {
  if (options & (kOptDtrEnable | kOptDtrEnableToo)) {
    modes.dtrControl = kDtrEnable;
  } else if (options & kOptDtrHandshake) {
    modes.dtrControl = kDtrHandshake;
  }
  if (options & (kOptRtsEnable | kOptRtsEnableToo)) {
    modes.rtsControl = kRtsEnable;
  } else if (options & kOptRtsHandshake) {
    modes.rtsControl = kRtsHandshake;
  } else if (options & kOptRtsToggle) {
    modes.rtsControl = kRtsToggle;
  }
  if (options & kOptCtsFlow) {
    modes.ctsOutputFlow = true;
  } else if (options & kOptDsrFlow) {
    modes.dsrOutputFlow = true;
  } else if (options & kOptDsrSensitivity) {
    modes.dsrSensitivity = true;
  }
  return modes;
}

void ConfigureDeviceState(DeviceState& state, const LineSettings& line, std::uint16_t options) {
  state.baudRate = line.baudRate;
  state.dataBits = LowByte(line.dataBits);
  state.parity = LowByte(line.parity);
  if (state.parity != 0) state.parityCheck = true;
  state.stopBits = LowByte(line.stopBits);
  state.errorChar = kErrorReplacementChar;
  state.errorReplace = false;
  state.modes = MapOptionFlags(options, state.modes);
}
