#include "reliability/vanished_line.h"

bool VanishedLinesCannotBeReopened() { return false; }

// The runner's COM1 stays; the line comes back as its peer COM2 opened again.
TestPort OpenPluggableTestPort() { return OpenDrainedTestPort(0); }

std::unique_ptr<sim::Line> PlugLineBackIn(const std::string&) { return OpenDrainedTestPort(0).peer; }
