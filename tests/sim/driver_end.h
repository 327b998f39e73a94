// The driver's side of a test line to the simulator, opened with the
// platform's own calls (not the simulator's line code): natively the slave of
// a pseudo-terminal, under Wine COM1 facing the simulator on COM2.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/line.h"

class DriverEnd {
 public:
  virtual ~DriverEnd() = default;
  virtual bool Write(const std::vector<std::uint8_t>& bytes) = 0;
  // What arrives until `count` bytes are in or `timeoutMs` passed without them.
  virtual std::vector<std::uint8_t> Read(std::size_t count, int timeoutMs) = 0;
};

struct TestLine {
  std::unique_ptr<sim::Line> simulatorEnd;
  std::unique_ptr<DriverEnd> driverEnd;
};

// Both ends of a fresh line; on failure null ends and `*whyNot` says why.
TestLine OpenTestLine(std::string* whyNot);
