#include "hostlog/bramel.h"

#include <cstdarg>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>

namespace {

constexpr std::size_t kKeptLines = 4096;

struct LogLine {
  int level;
  std::string text;
};

struct Log {
  std::mutex mutex;
  std::deque<LogLine> lines;
  bool echo = true;
};

Log& TheLog() {
  static Log log;
  return log;
}

std::string Format(const char* format, va_list arguments) {
  va_list measuring;
  va_copy(measuring, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, measuring);
  va_end(measuring);
  if (length < 0) return format;
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, arguments);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

}  // namespace

extern "C" {

void TORVA_CDECL err(int level, const char* format, ...) {
  if (format == nullptr) return;
  va_list arguments;
  va_start(arguments, format);
  std::string text = Format(format, arguments);
  va_end(arguments);
  Log& log = TheLog();
  std::lock_guard<std::mutex> lock(log.mutex);
  if (log.echo) std::fprintf(stderr, "[%d] %s\n", level, text.c_str());
  if (log.lines.size() == kKeptLines) log.lines.pop_front();
  log.lines.push_back(LogLine{level, std::move(text)});
}

void TORVA_CDECL BramelSetEcho(int on) {
  std::lock_guard<std::mutex> lock(TheLog().mutex);
  TheLog().echo = on != 0;
}

int TORVA_CDECL BramelLineCount(void) {
  std::lock_guard<std::mutex> lock(TheLog().mutex);
  return static_cast<int>(TheLog().lines.size());
}

int TORVA_CDECL BramelCopyLine(int index, int* level, char* buffer, int size) {
  Log& log = TheLog();
  std::lock_guard<std::mutex> lock(log.mutex);
  if (index < 0 || static_cast<std::size_t>(index) >= log.lines.size()) return -1;
  const LogLine& line = log.lines[static_cast<std::size_t>(index)];
  if (level != nullptr) *level = line.level;
  if (buffer != nullptr && size > 0) {
    const std::size_t copied = std::min(line.text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, line.text.data(), copied);
    buffer[copied] = '\0';
  }
  return static_cast<int>(line.text.size());
}

void TORVA_CDECL BramelClear(void) {
  std::lock_guard<std::mutex> lock(TheLog().mutex);
  TheLog().lines.clear();
}
}
