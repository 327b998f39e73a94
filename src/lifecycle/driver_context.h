// The per-instance state the host allocates, and the records of the
// lifecycle operations.
#pragma once

#include <cstdint>

#include "host/host_request.h"
#include "host/record_layout.h"
#include "serial/line_settings.h"

inline constexpr std::size_t kPortNameSize = 12;  // 11 characters and the NUL
inline constexpr int kMachineSlots = 100;

#pragma pack(push, 1)
struct PortSettings {
  char portName[kPortNameSize];
  LineSettings line;
  std::uint16_t options;  // option flags of SerialOpen
};

struct DriverContext {
  std::int32_t timeout;  // reply time-out in units of 10 ms
  std::uint32_t port;    // open serial port, 0 when none
  PortSettings portSettings;
  std::int16_t* machineStatus;  // last status word per machine, -1 before any
  std::int16_t commDisabled[kMachineSlots];  // non-zero: machine not served
};

struct DriverInfo {
  std::int32_t hostCodeA;
  const char* vendor;
  const char* banner;
  std::int32_t contextSize;
  std::int32_t hostCodeB;
  LineSettings line;
  std::int32_t hostCodeC;
};

struct ColdStartParams {
  char portName[kPortNameSize];
  std::int32_t openPort;  // 0: start without a port
  std::int32_t timeout;   // units of 10 ms
  LineSettings line;
};

struct WarmStartParams {
  std::int32_t machine;
};

struct ChangeParams {
  char portName[kPortNameSize];
  std::int32_t timeout;  // 0 and -1 keep the current one
  LineSettings line;     // taken over only when baudRate is not 0
};
#pragma pack(pop)

TORVA_CHECK_FIELD(PortSettings, portName, 0, 0);
TORVA_CHECK_FIELD(PortSettings, line, 12, 0);
TORVA_CHECK_FIELD(PortSettings, options, 20, 0);
TORVA_CHECK_SIZE(PortSettings, 22, 0);

TORVA_CHECK_FIELD(DriverContext, timeout, 0, 0);
TORVA_CHECK_FIELD(DriverContext, port, 4, 0);
TORVA_CHECK_FIELD(DriverContext, portSettings, 8, 0);
TORVA_CHECK_FIELD(DriverContext, machineStatus, 30, 0);
TORVA_CHECK_FIELD(DriverContext, commDisabled, 34, 1);
TORVA_CHECK_SIZE(DriverContext, 234, 1);

TORVA_CHECK_FIELD(DriverInfo, hostCodeA, 0, 0);
TORVA_CHECK_FIELD(DriverInfo, vendor, 4, 0);
TORVA_CHECK_FIELD(DriverInfo, banner, 8, 1);
TORVA_CHECK_FIELD(DriverInfo, contextSize, 12, 2);
TORVA_CHECK_FIELD(DriverInfo, hostCodeB, 16, 2);
TORVA_CHECK_FIELD(DriverInfo, line, 20, 2);
TORVA_CHECK_FIELD(DriverInfo, hostCodeC, 28, 2);
TORVA_CHECK_SIZE(DriverInfo, 32, 2);

TORVA_CHECK_FIELD(ColdStartParams, portName, 0, 0);
TORVA_CHECK_FIELD(ColdStartParams, openPort, 12, 0);
TORVA_CHECK_FIELD(ColdStartParams, timeout, 16, 0);
TORVA_CHECK_FIELD(ColdStartParams, line, 20, 0);
TORVA_CHECK_SIZE(ColdStartParams, 28, 0);

TORVA_CHECK_FIELD(WarmStartParams, machine, 0, 0);
TORVA_CHECK_SIZE(WarmStartParams, 4, 0);

TORVA_CHECK_FIELD(ChangeParams, portName, 0, 0);
TORVA_CHECK_FIELD(ChangeParams, timeout, 12, 0);
TORVA_CHECK_FIELD(ChangeParams, line, 16, 0);
TORVA_CHECK_SIZE(ChangeParams, 24, 0);
