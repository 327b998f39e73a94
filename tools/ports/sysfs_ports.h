// Linux: serial ports as sysfs describes them.
#pragma once

#include <filesystem>

#include "ports/serial_ports.h"

namespace tool {

// The ports of the tty class folder `ttyClass` (/sys/class/tty) that stand
// for hardware, their device files under `devices` (/dev) and the links to
// them in `byId` (/dev/serial/by-id).
std::vector<SerialPortInfo> ListSerialPortsIn(const std::filesystem::path& ttyClass,
                                              const std::filesystem::path& devices,
                                              const std::filesystem::path& byId);

}  // namespace tool
