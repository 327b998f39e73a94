// A host's view of one driver instance: its context block and the requests
// the benchmarks make, every one through KelMain.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/torva.h"

inline constexpr int kBlockWords = 10;
using RegisterBlock = std::uint16_t[kBlockWords];

class HostSession {
 public:
  HostSession();   // a context block of the size the driver states
  ~HostSession();  // ends the driver when it was started
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // Opens `portName` (at most 11 characters) at 19,200 baud, 8N1, with a reply
  // time-out in units of 10 ms. A pseudo-terminal ignores the rate: the far end
  // paces the bytes.
  bool Start(const std::string& portName, std::int32_t timeoutUnits);
  ResultCode ReadBlock(int machine, int firstRegister, RegisterBlock& values);
  ResultCode WriteRegister(int machine, int address, std::uint16_t value);
  ResultCode WriteBlock(int machine, int firstRegister, RegisterBlock& values);
  // Serves a machine again after the driver disabled it.
  ResultCode Enable(int machine);

 private:
  ResultCode Call(std::uint32_t operation, void* params);
  ResultCode Transfer(std::uint32_t operation, AddressSpec spec, std::int32_t count,
                      std::uint16_t* data);

  std::vector<unsigned char> context_;
  bool started_ = false;
};
