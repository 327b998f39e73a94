#include "line/trace_relay.h"

namespace tool {

std::unique_ptr<TraceRelay> StartTraceRelay(const std::string&, const LineSettings&, TraceLog&,
                                            std::string* error) {
  *error = "--trace of a real port needs Linux (pseudo-terminals); on Windows it traces the simulated "
           "line of --sim-port";
  return nullptr;
}

}  // namespace tool
