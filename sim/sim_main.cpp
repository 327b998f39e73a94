#include "sim/sim_main.h"

#include <atomic>
#include <csignal>
#include <iostream>

#include "sim/sim_config.h"

namespace sim {
namespace {

std::atomic<bool> stopRequested{false};

void RequestStop(int) { stopRequested = true; }

std::unique_ptr<Line> OpenLine(const SimOptions& options, std::string* where) {
  *where = options.port;
  return options.port.empty() ? OpenPseudoTerminal(where)
                              : OpenSerialDevice(options.port, options.baudRate);
}

}  // namespace

int RunSimulatorMain(int argc, char** argv) {
  Simulator simulator;
  SimOptions options;
  std::string error;
  if (!ParseSimArguments(argc, argv, simulator, &options, &error)) {
    std::cerr << "torva-sim: " << error << "\nSee torva-sim --help.\n";
    return 2;
  }
  if (options.help) {
    std::cout << SimUsage();
    return 0;
  }
  std::string where;
  const std::unique_ptr<Line> line = OpenLine(options, &where);
  if (!line) {
    std::cerr << "torva-sim: "
              << (options.port.empty() ? "no pseudo-terminal here; give --port" : "cannot open " + options.port)
              << "\n";
    return 1;
  }
  if (options.trace) {
    simulator.SetTraceObserver([](const TraceEntry& entry) { std::cerr << FormatTraceEntry(entry) << std::endl; });
  }
  stopRequested = false;
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  std::cout << "torva-sim: serving on " << where << std::endl;
  simulator.Serve(*line, stopRequested);
  if (stopRequested) return 0;
  std::cerr << "torva-sim: the line went away\n";
  return 1;
}

}  // namespace sim
