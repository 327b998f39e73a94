#include "support/host_log_capture.h"

#include "hostlog/bramel.h"

namespace {

void Quiet() {
  static const bool quiet = [] {
    BramelSetEcho(0);
    return true;
  }();
  (void)quiet;
}

}  // namespace

std::vector<LoggedLine> LoggedLines() {
  Quiet();
  std::vector<LoggedLine> lines;
  const int count = BramelLineCount();
  for (int i = 0; i < count; ++i) {
    int level = 0;
    const int length = BramelCopyLine(i, &level, nullptr, 0);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    BramelCopyLine(i, &level, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    lines.push_back(LoggedLine{level, text});
  }
  return lines;
}

std::vector<std::string> LoggedTexts() {
  std::vector<std::string> texts;
  for (const LoggedLine& line : LoggedLines()) texts.push_back(line.text);
  return texts;
}

void ClearLog() {
  Quiet();
  BramelClear();
}
