#include "bare_client.h"

#include <stdexcept>

namespace {

constexpr int kMachine = 1;
constexpr int kBlock = 13;  // registers 120 to 129
constexpr int kWaitForeverMs = -1;

sim::WireFrame BlockReadRequest() {
  sim::WireFrame frame{};
  frame[0] = sim::kStartByte;
  frame[1] = sim::kRequestMark;
  sim::PutWord(frame, sim::kMachineAt, kMachine);
  sim::PutCode(frame, sim::kCommandAt, "PD");
  sim::PutCode(frame, sim::kSecondCodeAt, "DR");
  sim::PutWord(frame, sim::kBlockAt, kBlock);
  frame[sim::kChecksumAt] = sim::WireChecksum(frame);
  return frame;
}

}  // namespace

// A raw device line: poll, then read what has arrived.
BareClient::BareClient(const std::string& deviceName)
    : device_(sim::OpenSerialDevice(deviceName, 19200)), request_(BlockReadRequest()) {
  if (!device_) throw std::runtime_error("cannot open " + deviceName);
}

bool BareClient::RoundTrip() {
  if (!device_->Write(request_.data(), request_.size())) return false;
  std::size_t gathered = 0;
  while (gathered < reply_.size()) {
    const int got = device_->Read(reply_.data() + gathered, reply_.size() - gathered, kWaitForeverMs);
    if (got < 0) return false;
    gathered += static_cast<std::size_t>(got);
  }
  return reply_[1] == sim::kReplyMark;
}
