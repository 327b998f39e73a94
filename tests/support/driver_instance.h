// One driver instance as a host holds it: a context block of the size the
// driver states, and the requests a host sends, all through KelMain.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/driver_calls.h"

inline constexpr LineSettings kDefaultLine{19200, 8, 0, 0};

class DriverInstance {
 public:
  DriverInstance();  // the context starts out as garbage, as a host's fresh block may
  ~DriverInstance();  // ends the driver if a port is still open
  DriverInstance(const DriverInstance&) = delete;
  DriverInstance& operator=(const DriverInstance&) = delete;

  DriverContext& context() { return *reinterpret_cast<DriverContext*>(block_.data()); }

  ResultCode ColdStart(const std::string& portName, std::int32_t timeout, bool openPort = true,
                       LineSettings line = kDefaultLine);
  ResultCode WarmStart(std::int32_t machine);
  ResultCode CloseCom();
  ResultCode EndKel();
  ResultCode ReOpenCom();
  ResultCode ChangeKelParams(const std::string& portName, std::int32_t timeout,
                             LineSettings line = kDefaultLine);
  ResultCode Call(std::uint32_t operation, void* params);

  // Reads and writes of an address as the host parsed it.
  ResultCode Transfer(std::uint32_t operation, const AddressSpec& spec, std::int32_t count,
                      std::uint16_t* data, std::int32_t* countAfter = nullptr);
  // The status table's address, read out of its unaligned field.
  std::int16_t* StatusTable() {
    std::int16_t* table = context().machineStatus;
    return table;
  }
  std::int16_t Status(int machine) { return StatusTable()[machine]; }

 private:
  std::vector<unsigned char> block_;
};

AddressSpec RegisterSpec(std::int32_t machine, std::int32_t address);
AddressSpec StatusSpec(std::int32_t machine);
AddressSpec CommSpec(std::int32_t machine);
