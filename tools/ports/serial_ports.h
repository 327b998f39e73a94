// The serial ports of this computer, with what the system knows about them.
#pragma once

#include <string>
#include <vector>

namespace tool {

struct SerialPortInfo {
  std::string port;          // what --port takes: /dev/ttyUSB0, COM3
  std::string byId;          // the stable /dev/serial/by-id name, where there is one
  std::string kernelDriver;  // ftdi_sio, cp210x; on Windows the device (\Device\Serial0)
  std::string vendorId;      // USB vendor and product, four hex digits each
  std::string productId;
  std::string serialNumber;
  std::string manufacturer;
  std::string product;
};

std::vector<SerialPortInfo> ListSerialPorts();

}  // namespace tool
