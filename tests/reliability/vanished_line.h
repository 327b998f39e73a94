// A test line that can vanish and come back under the same name, as a USB
// adapter pulled out and plugged in again.
#pragma once

#include <memory>
#include <string>

#include "sim/line.h"
#include "support/test_port.h"

// True where the port's name goes with the line (a pseudo-terminal), so that
// reopening it fails; a COM port of the Wine runner stays and opens again.
bool VanishedLinesCannotBeReopened();

// A line whose name can be given to another line later.
TestPort OpenPluggableTestPort();
// A fresh line under `driverName` of a pluggable port whose line vanished;
// returns its other end.
std::unique_ptr<sim::Line> PlugLineBackIn(const std::string& driverName);
