#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "line/port_names.h"

namespace tool {
namespace {

constexpr char kDeviceDirectory[] = "/dev/";

}  // namespace

// The driver looks a name without '/' up under /dev/, so "/dev/ttyUSB0" can
// travel as "ttyUSB0"; links such as /dev/serial/by-id/... are resolved first.
std::optional<std::string> DriverPortName(const std::string& port) {
  if (port.size() <= kDriverPortNameLength) return port;
  std::error_code error;
  std::string device = std::filesystem::canonical(port, error).string();
  if (error) device = port;
  if (device.size() <= kDriverPortNameLength) return device;
  if (device.rfind(kDeviceDirectory, 0) == 0) {
    std::string shortName = device.substr(sizeof kDeviceDirectory - 1);
    if (shortName.size() <= kDriverPortNameLength) return shortName;
  }
  return std::nullopt;
}

std::string PortOpenHint(const std::string& port) {
  const std::string path = port.find('/') == std::string::npos ? kDeviceDirectory + port : port;
  if (access(path.c_str(), F_OK) != 0) return path + " does not exist; see torva list-ports";
  if (access(path.c_str(), R_OK | W_OK) != 0) {
    return "no permission to use " + path + "; add yourself to its group (usually dialout)";
  }
  return "another program may hold it (ports are opened exclusively), or it is not a serial port";
}

}  // namespace tool
