// One driver instance on one line, as a host runs it: the driver library
// loaded, the line up (real, simulated or traced), the driver started on it,
// and ended when the session goes.
#pragma once

#include <fstream>
#include <iosfwd>
#include <memory>
#include <string>

#include "driver/driver.h"
#include "line/line_options.h"
#include "line/simulated_line.h"
#include "line/trace_log.h"
#include "line/trace_relay.h"

namespace tool {

// Loads the driver library (`path`, or the one beside the tool); ToolError
// with kExitNoLine when it cannot.
std::unique_ptr<DriverLibrary> LoadDriverLibrary(const std::string& path);

// Shows the driver's log lines on `out` as they come.
void EchoDriverLog(Driver& driver, std::ostream& out);

class Session {
 public:
  // ToolError: kExitUsage for contradicting options, kExitNoLine when the
  // line or the driver cannot be started.
  Session(const LineOptions& options, std::ostream& diagnostics);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Driver& driver() { return *driver_; }
  const LineOptions& options() const { return options_; }
  bool simulated() const { return simulatedLine_ != nullptr; }
  // "simulated line (machines 01-05) on /dev/pts/3, 19200 baud 8N1, time-out 500 ms"
  std::string Description() const;

 private:
  void StartTrace(std::ostream& diagnostics);
  std::string BringUpLine();
  void StartDriver(const std::string& driverSide);

  LineOptions options_;
  std::ofstream traceFile_;
  std::unique_ptr<TraceLog> trace_;
  std::unique_ptr<SimulatedLine> simulatedLine_;
  std::unique_ptr<TraceRelay> relay_;
  std::unique_ptr<DriverLibrary> library_;
  std::unique_ptr<Driver> driver_;
  std::string portShown_;
};

}  // namespace tool
