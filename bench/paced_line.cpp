#include "paced_line.h"

const char* PacerName(Pacer pacer) {
  return pacer == Pacer::kSimulator ? "paced by the simulator" : "paced by the relay";
}

PacedLine::PacedLine(Pacer pacer, std::uint32_t baudRate) {
  if (pacer == Pacer::kSimulator) {
    machines_ = std::make_unique<SimulatedLine>();
    machines_->simulator().SetPacing(baudRate);
    return;
  }
  near_ = std::make_unique<PtyPair>();
  far_ = std::make_unique<PtyPair>();
  machines_ = std::make_unique<SimulatedLine>(far_->slaveName());
  relay_ = std::make_unique<PacingRelay>(near_->master(), far_->master(), baudRate);
}
