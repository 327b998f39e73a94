// The host's log for fuzzing: `err` formats each line, as the host would,
// and keeps the lines of the current operation for the checks.
#pragma once

#include <string>
#include <vector>

namespace fake_log {

void Clear();
const std::vector<std::string>& Lines();

}  // namespace fake_log
