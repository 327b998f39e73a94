// Time stamps for scripts and traces: ISO-8601 in UTC.
#pragma once

#include <chrono>
#include <string>

namespace tool {

// "2026-12-11T08:32:26.123Z" with `fractionDigits` digits of the second (0 to 6).
std::string IsoUtc(std::chrono::system_clock::time_point when, int fractionDigits = 3);

// The wall-clock time of a steady-clock instant, for stamping recorded events.
std::chrono::system_clock::time_point WallClockOf(std::chrono::steady_clock::time_point when);

}  // namespace tool
