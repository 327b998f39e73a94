// The simulated line the tool talks to when no port is given: machines 01 to
// 05 with register contents, served in the background on a pseudo-terminal
// (Linux) or on the second port of a null-modem pair (--sim-port).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "line/trace_log.h"
#include "sim/simulator.h"

namespace tool {

inline constexpr int kDemoFirstMachine = 1;
inline constexpr int kDemoLastMachine = 5;
inline constexpr int kDemoRegisters = 1000;  // registers 0000 to 0999 hold values

// Register r of demo machine m holds m*1000 + r, except the last register of
// each block of ten, which holds -(m*100 + r) so that signed values show too.
std::uint16_t DemoRegisterValue(int machine, int registerNumber);
std::uint16_t DemoStatusWord(int machine);
void LoadDemoMachines(sim::Simulator& simulator);

class SimulatedLine {
 public:
  // Serves on `simPort` when given, else on a new pseudo-terminal; null,
  // with the reason in `*error`, when neither can be had. Every frame is
  // recorded in `trace` when it is given.
  static std::unique_ptr<SimulatedLine> Start(const std::optional<std::string>& simPort,
                                              std::uint32_t baudRate, TraceLog* trace, std::string* error);

  // The pseudo-terminal the driver opens; empty when serving on a named port.
  const std::string& driverSide() const { return driverSide_; }

 private:
  SimulatedLine() = default;

  sim::Simulator simulator_;
  std::unique_ptr<sim::SimulatorThread> thread_;
  std::string driverSide_;
};

}  // namespace tool
