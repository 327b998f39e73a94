#include "fake_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "check.h"
#include "host/host_log.h"

namespace {

constexpr int kLifecycleLevel = 8;
constexpr int kDetailLevel = 32;
constexpr std::size_t kPrefixLength = 7;  // "TORVA> " or "MELUD> "

std::vector<std::string>& TheLines() {
  static std::vector<std::string> lines;
  return lines;
}

}  // namespace

namespace fake_log {

void Clear() { TheLines().clear(); }
const std::vector<std::string>& Lines() { return TheLines(); }

}  // namespace fake_log

extern "C" void err(int level, const char* format, ...) {
  FUZZ_CHECK(level == kLifecycleLevel || level == kDetailLevel);
  FUZZ_CHECK(format != nullptr);
  FUZZ_CHECK(std::strncmp(format, "TORVA> ", kPrefixLength) == 0 ||
             std::strncmp(format, "MELUD> ", kPrefixLength) == 0);
  char line[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  TheLines().emplace_back(line);
}
