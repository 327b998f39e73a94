#include "host_session.h"

#include <algorithm>
#include <cstring>

#include "hostlog/bramel.h"

namespace {

AddressSpec RegisterAddress(int machine, int address) {
  return AddressSpec{machine, kKindRegister, address, kWholeWord, 16};
}

std::size_t StatedContextSize() {
  DriverInfo info{};
  HostRequest request{};
  request.operation = kOpGetKelInfo;
  request.params = &info;
  KelMain(&request);
  return static_cast<std::size_t>(info.contextSize);
}

}  // namespace

HostSession::HostSession() : context_(StatedContextSize(), 0) {
  BramelSetEcho(0);  // the driver's log lines would only clutter the figures
}

HostSession::~HostSession() {
  if (started_) Call(kOpEndKel, nullptr);
}

ResultCode HostSession::Call(std::uint32_t operation, void* params) {
  HostRequest request{};
  request.context = reinterpret_cast<DriverContext*>(context_.data());
  request.operation = operation;
  request.params = params;
  return KelMain(&request);
}

bool HostSession::Start(const std::string& portName, std::int32_t timeoutUnits) {
  ColdStartParams params{};
  std::memcpy(params.portName, portName.data(), std::min(portName.size(), kPortNameSize - 1));
  params.openPort = 1;
  params.timeout = timeoutUnits;
  params.line = LineSettings{19200, 8, 0, 0};
  started_ = Call(kOpColdStart, &params) == kResultDone;
  return started_;
}

ResultCode HostSession::Transfer(std::uint32_t operation, AddressSpec spec, std::int32_t count,
                                 std::uint16_t* data) {
  TransferParams params{};
  params.spec = spec;
  params.count = count;
  params.data = data;
  return Call(operation, &params);
}

ResultCode HostSession::ReadBlock(int machine, int firstRegister, RegisterBlock& values) {
  return Transfer(kOpBlockRead, RegisterAddress(machine, firstRegister), kBlockWords, values);
}

ResultCode HostSession::WriteRegister(int machine, int address, std::uint16_t value) {
  std::uint16_t single[2] = {0, value};  // word 1 carries a single value
  return Transfer(kOpSingleWrite, RegisterAddress(machine, address), 1, single);
}

ResultCode HostSession::WriteBlock(int machine, int firstRegister, RegisterBlock& values) {
  return Transfer(kOpBlockWrite, RegisterAddress(machine, firstRegister), kBlockWords, values);
}

ResultCode HostSession::Enable(int machine) {
  std::uint16_t flag[2] = {0, 0};
  return Transfer(kOpSingleWrite, AddressSpec{kCommFlagMachine, kKindComm, machine, kWholeWord, 16},
                  1, flag);
}
