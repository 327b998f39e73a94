#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "ports/serial_ports.h"

namespace tool {
namespace {

constexpr char kSerialCommKey[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

int ComNumber(const std::string& port) {
  return port.size() > 3 ? std::atoi(port.c_str() + 3) : 0;
}

}  // namespace

// The system keeps every COM port it knows as a value of SERIALCOMM: the
// device's name, and the port name as its data.
std::vector<SerialPortInfo> ListSerialPorts() {
  std::vector<SerialPortInfo> ports;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return ports;
  for (DWORD index = 0;; ++index) {
    char device[256];
    DWORD deviceLength = sizeof device;
    BYTE port[256];
    DWORD portLength = sizeof port - 1;
    DWORD type = 0;
    if (RegEnumValueA(key, index, device, &deviceLength, nullptr, &type, port, &portLength) != ERROR_SUCCESS) break;
    if (type != REG_SZ) continue;
    port[portLength] = '\0';
    SerialPortInfo info;
    info.port = reinterpret_cast<const char*>(port);
    info.kernelDriver = device;
    ports.push_back(info);
  }
  RegCloseKey(key);
  std::sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
    return ComNumber(a.port) < ComNumber(b.port);
  });
  return ports;
}

}  // namespace tool
