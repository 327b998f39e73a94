// What becomes of a test line whose other end has vanished.
#pragma once

// True where the port's name goes with the line (a pseudo-terminal), so that
// reopening it fails; a COM port of the Wine runner stays and opens again.
bool VanishedLinesCannotBeReopened();
