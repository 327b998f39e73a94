#include "line/trace_log.h"

#include <ostream>
#include <string>

#include "output/clock_text.h"

namespace tool {
namespace {

constexpr int kMicrosecondDigits = 6;

}  // namespace

void TraceLog::Record(Direction direction, std::chrono::system_clock::time_point when,
                      const std::uint8_t* bytes, std::size_t count) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string line = IsoUtc(when, kMicrosecondDigits) + (direction == Direction::kSent ? " TX" : " RX");
  for (std::size_t i = 0; i < count; ++i) {
    line += ' ';
    line += kDigits[bytes[i] >> 4];
    line += kDigits[bytes[i] & 0xF];
  }
  std::lock_guard lock(mutex_);
  out_ << line << '\n' << std::flush;
}

}  // namespace tool
