// The far end of the line that the port under test is joined to, played by
// the test: the master of a pseudo-terminal pair natively, COM2 under Wine
// (where the library opens COM1).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "serial/serial_port.h"

using Bytes = std::vector<std::uint8_t>;

// The framing in force on the port under test, in the library's codes.
struct ObservedLine {
  std::uint32_t baudRate = 0;
  int dataBits = 0;
  int parity = 0;
  int stopBits = 0;  // 0 one, 2 two (the only codes every platform reports back)
  bool operator==(const ObservedLine&) const = default;
};

class LinePeer {
 public:
  virtual ~LinePeer() = default;
  // The name that SerialOpen is given for the port under test.
  virtual const std::string& PortName() const = 0;
  virtual bool Send(const Bytes& bytes) = 0;
  // What arrives within `timeoutMs`, at most `count` bytes.
  virtual Bytes Receive(std::size_t count, int timeoutMs) = 0;
  // The framing of the port under test, read from the device.
  virtual ObservedLine LineOf(SerialHandle port) const = 0;
};

// The peer of a fresh, empty line, or null with the reason in `*whyNot`
// where this run has no line to test on.
std::unique_ptr<LinePeer> ConnectLinePeer(std::string* whyNot);

// What SerialOpen answers for "nul", a name that only differs in case from
// the null device's: it gets no special treatment, so each platform answers
// as for any device of that name.
extern const int kLowerCaseNulOpenResult;
