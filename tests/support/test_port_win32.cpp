#include <stdexcept>

#include "support/test_port.h"

TestPort OpenTestPort(int pair) {
  const int first = 1 + 2 * pair;
  TestPort port;
  port.driverName = "COM" + std::to_string(first);
  port.peer = sim::OpenSerialDevice("COM" + std::to_string(first + 1), 19200);
  if (!port.peer) throw std::runtime_error("the test runner's COM ports are not there");
  return port;
}

// The runner's ports outlive a test; what an earlier test's line left for
// the driver would meet this test's first requests.
void DrainDriverEnd(const TestPort& port) {
  if (auto driverEnd = sim::OpenSerialDevice(port.driverName, 19200)) DrainLine(*driverEnd);
}

bool PortsAreExclusive() { return false; }
