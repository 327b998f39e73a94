#include "line/session.h"

#include <ostream>

#include "common/tool_error.h"
#include "driver/addresses.h"
#include "line/port_names.h"

namespace tool {

std::unique_ptr<DriverLibrary> LoadDriverLibrary(const std::string& path) {
  const std::string file = path.empty() ? DriverLibrary::DefaultPath() : path;
  std::string error;
  std::unique_ptr<DriverLibrary> library = DriverLibrary::Load(file, &error);
  if (!library) {
    throw ToolError(kExitNoLine, "cannot load the driver library " + file + ": " + error +
                                     "; give its file with --driver");
  }
  return library;
}

void EchoDriverLog(Driver& driver, std::ostream& out) {
  driver.EchoLog([&out](const LogLine& line) { out << "driver [" << line.level << "] " << line.text << '\n' << std::flush; });
}

Session::Session(const LineOptions& options, std::ostream& diagnostics) : options_(options) {
  if (options_.simPort && !options_.port) {
    throw UsageError("--sim-port needs --port: the driver talks on --port to the simulated line on --sim-port");
  }
  StartTrace(diagnostics);
  const std::string driverSide = BringUpLine();
  library_ = LoadDriverLibrary(options_.driverPath);
  driver_ = std::make_unique<Driver>(library_->kelMain());
  if (options_.verbose) EchoDriverLog(*driver_, diagnostics);
  StartDriver(driverSide);
}

Session::~Session() {
  // The driver closes its port before the line behind it goes.
  driver_.reset();
  relay_.reset();
  simulatedLine_.reset();
}

void Session::StartTrace(std::ostream& diagnostics) {
  if (!options_.trace) return;
  if (!options_.traceFile) {
    trace_ = std::make_unique<TraceLog>(diagnostics);
    return;
  }
  traceFile_.open(*options_.traceFile, std::ios::out | std::ios::trunc);
  if (!traceFile_) throw UsageError("cannot write the trace file " + *options_.traceFile);
  trace_ = std::make_unique<TraceLog>(traceFile_);
}

// The port the driver opens: the given one, the pseudo-terminal of the
// simulated line, or the pseudo-terminal of a trace relay.
std::string Session::BringUpLine() {
  std::string error;
  if (!options_.port || options_.simPort) {
    simulatedLine_ = SimulatedLine::Start(options_.simPort, options_.line.baudRate, trace_.get(), &error);
    // Without pseudo-terminals (Windows) the simulated line needs a port pair named.
    if (!simulatedLine_ && !options_.simPort) throw UsageError("--port is needed: " + error);
    if (!simulatedLine_) throw ToolError(kExitNoLine, "cannot start the simulated line: " + error);
    portShown_ = options_.port.value_or(simulatedLine_->driverSide());
    return portShown_;
  }
  portShown_ = *options_.port;
  if (!trace_) return portShown_;
  relay_ = StartTraceRelay(*options_.port, options_.line, *trace_, &error);
  if (!relay_) {
    throw ToolError(kExitNoLine, "cannot trace " + *options_.port + ": " + error);
  }
  return relay_->driverSide();
}

void Session::StartDriver(const std::string& driverSide) {
  const std::optional<std::string> name = DriverPortName(driverSide);
  if (!name) {
    throw ToolError(kExitNoLine, "cannot open port " + driverSide + ": the driver takes port names of at most " +
                                     std::to_string(kDriverPortNameLength) + " characters and it has no shorter one; " +
                                     PortOpenHint(driverSide));
  }
  const StartSettings settings{*name, TimeoutUnits(options_.timeoutMs), options_.line};
  if (driver_->Start(settings) != kResultDone) {
    const std::string said = driver_->lastLog().empty() ? "" : " (driver: " + driver_->lastLog().back().text + ")";
    throw ToolError(kExitNoLine, "cannot open port " + portShown_ + said + ": " + PortOpenHint(*name));
  }
}

std::string Session::Description() const {
  std::string text = simulated() ? "simulated line (machines " + MachineText(kDemoFirstMachine) + "-" +
                                       MachineText(kDemoLastMachine) + ") on " + portShown_
                                 : portShown_;
  return text + ", " + DescribeLine(options_.line) + ", time-out " + std::to_string(options_.timeoutMs) + " ms";
}

}  // namespace tool
