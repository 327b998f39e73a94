// A scripted stand-in for the platform calls under the serial library: each
// test says what the device answers and reads back what the library asked,
// including the failures no real line can be made to produce on demand.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "serial/device_state.h"
#include "serial/serial_port.h"

struct ScriptedRead {
  bool ok = true;
  std::uint32_t delivered = 0;  // capped at the size requested
};

struct ScriptedDevice {
  // What the device answers.
  bool openFails = false;
  bool stateUnreadable = false;
  bool stateRefused = false;
  bool timeoutsUnreadable = false;
  bool timeoutsRefused = false;
  bool statusFails = false;
  bool closeFails = false;
  bool writeFails = false;
  std::uint32_t writeAccepts = UINT32_MAX;  // at most this many bytes per write
  std::uint32_t pending = 0;
  std::deque<ScriptedRead> reads;  // once used up, reads deliver nothing
  DeviceState reported;

  // What the library did to it.
  std::vector<std::string> calls;
  bool open = false;
  CommTimeouts timeouts;
  DeviceState applied;
  std::vector<std::uint32_t> readSizes;
  std::vector<std::uint32_t> readTimeoutsMs;  // the read total time-out at each read
  std::uint32_t sleptMs = 0;
};

// The one device behind every handle; reset before each test.
ScriptedDevice& Device();
void ResetDevice();

inline constexpr SerialHandle kScriptedHandle = 42;
