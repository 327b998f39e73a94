#include "output/clock_text.h"

#include <cstdio>

namespace tool {

std::string IsoUtc(std::chrono::system_clock::time_point when, int fractionDigits) {
  using namespace std::chrono;
  const auto micros = floor<microseconds>(when);
  const auto day = floor<days>(micros);
  const year_month_day date{day};
  const hh_mm_ss time{micros - day};
  char text[48];
  int length = std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d",
                             static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                             static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                             static_cast<int>(time.minutes().count()),
                             static_cast<int>(time.seconds().count()));
  if (fractionDigits > 0) {
    long long fraction = time.subseconds().count();
    for (int digits = 6; digits > fractionDigits; --digits) fraction /= 10;
    length += std::snprintf(text + length, sizeof text - length, ".%0*lld", fractionDigits, fraction);
  }
  return std::string(text, static_cast<std::size_t>(length)) + 'Z';
}

std::chrono::system_clock::time_point WallClockOf(std::chrono::steady_clock::time_point when) {
  using namespace std::chrono;
  return system_clock::now() + duration_cast<system_clock::duration>(when - steady_clock::now());
}

}  // namespace tool
