// Pseudo-terminal lines for the benchmarks (never a real serial device).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sim/simulator.h"

// The driver takes port names of at most 11 characters: a longer device path
// gets a short symbolic link in /tmp, removed again on destruction.
class PortName {
 public:
  explicit PortName(const std::string& devicePath);
  ~PortName();
  PortName(const PortName&) = delete;
  PortName& operator=(const PortName&) = delete;
  const std::string& get() const { return name_; }

 private:
  std::string name_;
  bool linked_ = false;
};

// A raw pseudo-terminal pair: the bench keeps the master, a program under test
// opens the slave by name. The slave is held open so that the line stays up
// while nobody else has it.
class PtyPair {
 public:
  PtyPair();  // throws std::runtime_error when no pair can be had
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;
  int master() const { return master_; }
  const std::string& slaveName() const { return name_->get(); }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::unique_ptr<PortName> name_;
};

// The simulator answering on a pseudo-terminal of its own, in its own thread,
// unpaced unless told otherwise.
class SimulatedLine {
 public:
  SimulatedLine();
  // The simulator answering on an existing device instead (the far end of a relay).
  explicit SimulatedLine(const std::string& devicePath);
  sim::Simulator& simulator() { return simulator_; }
  // The name the driver opens the other end by (of the pseudo-terminal made here).
  const std::string& portName() const { return name_->get(); }

 private:
  sim::Simulator simulator_;
  std::unique_ptr<PortName> name_;
  std::unique_ptr<sim::SimulatorThread> thread_;
};
