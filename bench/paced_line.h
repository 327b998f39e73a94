// A simulated line of machines paced at a baud rate, by one of two pacers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pacing_relay.h"
#include "pty_pair.h"

enum class Pacer {
  kSimulator,  // the simulator paces its replies itself
  kRelay,      // the pacing relay carries both directions to an unpaced simulator
};

const char* PacerName(Pacer pacer);

class PacedLine {
 public:
  PacedLine(Pacer pacer, std::uint32_t baudRate);
  // The name the driver opens.
  const std::string& portName() const { return near_ ? near_->slaveName() : machines_->portName(); }
  sim::Simulator& simulator() { return machines_->simulator(); }

 private:
  std::unique_ptr<PtyPair> near_;
  std::unique_ptr<PtyPair> far_;
  std::unique_ptr<SimulatedLine> machines_;
  std::unique_ptr<PacingRelay> relay_;  // stops first, before its pairs close
};
