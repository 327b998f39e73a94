#include "support/test_port.h"

namespace {

constexpr int kQuietMs = 50;

}  // namespace

void DrainLine(sim::Line& line) {
  std::uint8_t scratch[256];
  while (line.Read(scratch, sizeof scratch, kQuietMs) > 0) {
  }
}

TestPort OpenDrainedTestPort(int pair) {
  TestPort port = OpenTestPort(pair);
  DrainLine(*port.peer);
  DrainDriverEnd(port);
  return port;
}
