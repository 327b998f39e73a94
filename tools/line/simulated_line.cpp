#include "line/simulated_line.h"

#include "output/clock_text.h"

namespace tool {

std::uint16_t DemoRegisterValue(int machine, int registerNumber) {
  if (registerNumber % 10 == 9) return static_cast<std::uint16_t>(-(machine * 100 + registerNumber));
  return static_cast<std::uint16_t>(machine * 1000 + registerNumber);
}

std::uint16_t DemoStatusWord(int machine) { return static_cast<std::uint16_t>(0x0100 | machine); }

void LoadDemoMachines(sim::Simulator& simulator) {
  for (int machine = 0; machine < sim::kMachines; ++machine) {
    const bool present = machine >= kDemoFirstMachine && machine <= kDemoLastMachine;
    simulator.SetPresent(machine, present);
    if (!present) continue;
    simulator.SetStatus(machine, DemoStatusWord(machine));
    for (int r = 0; r < kDemoRegisters; ++r) simulator.SetRegister(machine, r, DemoRegisterValue(machine, r));
  }
}

std::unique_ptr<SimulatedLine> SimulatedLine::Start(const std::optional<std::string>& simPort,
                                                    std::uint32_t baudRate, TraceLog* trace,
                                                    std::string* error) {
  std::unique_ptr<SimulatedLine> line(new SimulatedLine());
  std::unique_ptr<sim::Line> end;
  if (simPort) {
    end = sim::OpenSerialDevice(*simPort, baudRate);
    if (!end) *error = "cannot open " + *simPort + " to serve the simulated line on";
  } else {
    end = sim::OpenPseudoTerminal(&line->driverSide_);
    if (!end) {
      *error = "there is no pseudo-terminal for a simulated line here; give the port of the machines, or "
               "--port COM1 --sim-port COM2 to serve the simulated line on a null-modem pair";
    }
  }
  if (!end) return nullptr;
  LoadDemoMachines(line->simulator_);
  line->simulator_.SetPacing(baudRate);
  if (trace != nullptr) {
    line->simulator_.SetTraceObserver([trace](const sim::TraceEntry& entry) {
      // The simulator receives what the driver sends.
      trace->Record(entry.received ? Direction::kSent : Direction::kReceived, WallClockOf(entry.when),
                    entry.bytes.data(), entry.bytes.size());
    });
  }
  line->thread_ = std::make_unique<sim::SimulatorThread>(line->simulator_, std::move(end));
  return line;
}

}  // namespace tool
