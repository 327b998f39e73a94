#include "line/port_names.h"

namespace tool {
namespace {

constexpr char kDevicePrefix[] = "\\\\.\\";

bool IsComPortAboveNine(const std::string& port) {
  if (port.size() < 5 || (port.compare(0, 3, "COM") != 0 && port.compare(0, 3, "com") != 0)) return false;
  return port.find_first_not_of("0123456789", 3) == std::string::npos;
}

}  // namespace

// COM10 and above are opened through the device namespace, \\.\COM10.
std::optional<std::string> DriverPortName(const std::string& port) {
  const std::string name = IsComPortAboveNine(port) ? kDevicePrefix + port : port;
  if (name.size() <= kDriverPortNameLength) return name;
  return std::nullopt;
}

std::string PortOpenHint(const std::string&) {
  return "check that it exists (torva list-ports) and that no other program holds it";
}

}  // namespace tool
