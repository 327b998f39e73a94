#include "common/tool_error.h"
#include "line/trace_relay.h"

namespace tool {

// Windows has no pseudo-terminals to put between the driver and a port.
std::unique_ptr<TraceRelay> StartTraceRelay(const std::string&, const LineSettings&, TraceLog&, std::string*) {
  throw UsageError("--trace of a real port needs Linux; on Windows it traces the simulated line of --sim-port");
}

}  // namespace tool
