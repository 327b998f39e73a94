// Serial lines for tests: the driver opens `driverName`, the test (or a
// simulator) holds `peer`, the other end of the same line.
//   Linux: a pseudo-terminal pair made for the test.
//   Windows under Wine: COM1<->COM2 (pair 0) or COM3<->COM4 (pair 1), which
//   the test runner joins back to back.
#pragma once

#include <memory>
#include <string>

#include "sim/line.h"

struct TestPort {
  std::string driverName;  // at most 11 characters
  std::unique_ptr<sim::Line> peer;
};

TestPort OpenTestPort(int pair = 0);
// A test port whose peer holds nothing from before: a port that outlives a
// test (the Wine runner's COM ports) may still hold an earlier test's
// requests, which are not this test's to answer.
TestPort OpenDrainedTestPort(int pair = 0);
// Reads and drops what a line holds until it stays quiet.
void DrainLine(sim::Line& line);
// Drops what the driver's end of `port` holds from an earlier test (nothing
// for a pseudo-terminal made for this test).
void DrainDriverEnd(const TestPort& port);

// A name no device answers to, on every platform.
inline constexpr char kMissingPortName[] = "NO_SUCH_99";

// Whether a port that is open refuses a second open (Wine's ports do not).
bool PortsAreExclusive();
