#include <algorithm>
#include <fstream>
#include <map>
#include <system_error>

#include "ports/sysfs_ports.h"

namespace fs = std::filesystem;

namespace tool {
namespace {

constexpr int kUsbDeviceLevels = 4;    // tty, interface, device: the USB attributes are a few levels up
constexpr char kNoHardware[] = "0";    // port type of a serial-core port without a UART behind it
constexpr char kPortLayer[] = "serial-base";  // newer kernels put a port device between tty and controller

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string LinkedName(const fs::path& link) {
  std::error_code error;
  const fs::path target = fs::canonical(link, error);
  return error ? "" : target.filename().string();
}

// The controller behind the port-layer devices of newer kernels.
fs::path Controller(fs::path device) {
  while (LinkedName(device / "subsystem") == kPortLayer && device.has_parent_path()) device = device.parent_path();
  return device;
}

void AddUsbAttributes(SerialPortInfo& info, fs::path device) {
  for (int level = 0; level < kUsbDeviceLevels && !device.empty(); ++level, device = device.parent_path()) {
    if (!fs::exists(device / "idVendor")) continue;
    info.vendorId = FirstLine(device / "idVendor");
    info.productId = FirstLine(device / "idProduct");
    info.serialNumber = FirstLine(device / "serial");
    info.manufacturer = FirstLine(device / "manufacturer");
    info.product = FirstLine(device / "product");
    return;
  }
}

// Device file (canonical) to its by-id link.
std::map<fs::path, std::string> ByIdLinks(const fs::path& byId) {
  std::map<fs::path, std::string> links;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(byId, error)) {
    std::error_code resolving;
    const fs::path device = fs::canonical(entry.path(), resolving);
    if (!resolving) links[device] = entry.path().string();
  }
  return links;
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPortsIn(const fs::path& ttyClass, const fs::path& devices, const fs::path& byId) {
  const std::map<fs::path, std::string> links = ByIdLinks(byId);
  std::vector<SerialPortInfo> ports;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(ttyClass, error)) {
    const fs::path tty = entry.path();
    std::error_code resolving;
    const fs::path device = fs::canonical(tty / "device", resolving);
    if (resolving) continue;  // virtual terminals and pseudo-terminals have no device
    if (fs::exists(tty / "type") && FirstLine(tty / "type") == kNoHardware) continue;
    SerialPortInfo info;
    info.port = (devices / tty.filename()).string();
    const fs::path deviceFile = fs::weakly_canonical(devices / tty.filename(), resolving);
    if (const auto link = links.find(deviceFile); link != links.end()) info.byId = link->second;
    const fs::path controller = Controller(device);
    info.kernelDriver = LinkedName(controller / "driver");
    AddUsbAttributes(info, controller);
    ports.push_back(info);
  }
  std::sort(ports.begin(), ports.end(),
            [](const SerialPortInfo& a, const SerialPortInfo& b) { return a.port < b.port; });
  return ports;
}

std::vector<SerialPortInfo> ListSerialPorts() {
  return ListSerialPortsIn("/sys/class/tty", "/dev", "/dev/serial/by-id");
}

}  // namespace tool
