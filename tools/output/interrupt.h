// Ctrl-C: long-running commands (poll, scan) stop at the next step and still
// print what they have, the way ping does.
#pragma once

namespace tool {

void CatchInterrupt();
bool Interrupted();
void ClearInterrupt();

// Waits `milliseconds`, returning early (false) when interrupted.
bool SleepUnlessInterrupted(int milliseconds);

}  // namespace tool
