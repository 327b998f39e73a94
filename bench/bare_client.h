// The least a serial program can do for a block read: write the 36-byte
// request, then wait and read until 36 bytes are back. The yardstick the
// driver is held against.
#pragma once

#include <memory>
#include <string>

#include "sim/line.h"
#include "sim/wire_frame.h"

class BareClient {
 public:
  explicit BareClient(const std::string& deviceName);  // throws when it cannot open it
  // One block read of registers 120 to 129 of machine 1; false on a failure.
  bool RoundTrip();

 private:
  std::unique_ptr<sim::Line> device_;
  sim::WireFrame request_{};
  sim::WireFrame reply_{};
};
