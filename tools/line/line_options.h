// How the tool reaches the line: the port and its settings as the options
// give them, and their spelling for people.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/torva.h"

namespace tool {

inline constexpr int kDefaultTimeoutMs = 500;
inline constexpr LineSettings kDefaultLine{19200, 8, 0, 0};

struct LineOptions {
  std::optional<std::string> port;     // none: the simulated line
  std::optional<std::string> simPort;  // serve the simulated line on this port
  LineSettings line = kDefaultLine;
  int timeoutMs = kDefaultTimeoutMs;
  bool trace = false;
  std::optional<std::string> traceFile;  // none: stderr
  std::string driverPath;                // empty: beside the tool
  bool verbose = false;
};

// The driver counts time-outs in units of 10 ms; a part unit counts whole.
std::int32_t TimeoutUnits(int milliseconds);

// Option values to line-setting codes; nullopt when the text names none.
std::optional<std::uint16_t> ParityCode(const std::string& name);
std::optional<std::uint16_t> StopBitsCode(const std::string& name);

std::string ParityName(std::uint16_t code);
std::string StopBitsName(std::uint16_t code);

// "19200 baud 8N1", "9600 baud 7E1.5".
std::string DescribeLine(const LineSettings& line);

}  // namespace tool
