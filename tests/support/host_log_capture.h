// What the driver sent to the host's log, as the stand-in log library kept it.
#pragma once

#include <string>
#include <vector>

struct LoggedLine {
  int level;
  std::string text;
  bool operator==(const LoggedLine&) const = default;
};

// Lines logged since the last ClearLog(); echo is switched off by the first call.
std::vector<LoggedLine> LoggedLines();
void ClearLog();
std::vector<std::string> LoggedTexts();
