// Tracing a real port: a pseudo-terminal between the driver and the port,
// with every byte forwarded both ways and recorded.
#pragma once

#include <memory>
#include <string>

#include "host/torva.h"
#include "line/trace_log.h"

namespace tool {

class TraceRelay {
 public:
  virtual ~TraceRelay() = default;
  // The pseudo-terminal the driver opens instead of the port.
  virtual const std::string& driverSide() const = 0;
};

// Opens `port` with `line` and starts relaying; null, with the reason in
// `*error`, when the port cannot be opened. UsageError where the platform
// has no pseudo-terminals (Windows).
std::unique_ptr<TraceRelay> StartTraceRelay(const std::string& port, const LineSettings& line,
                                            TraceLog& trace, std::string* error);

}  // namespace tool
