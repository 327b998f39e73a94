#include "support/driver_instance.h"

#include <algorithm>
#include <cstring>

namespace {

template <std::size_t N>
void PutName(char (&field)[N], const std::string& name) {
  std::memset(field, 0, N);
  std::memcpy(field, name.data(), std::min(name.size(), N));
}

std::size_t StatedContextSize() {
  DriverInfo info{};
  CallDriver(kOpGetKelInfo, nullptr, &info);
  return static_cast<std::size_t>(info.contextSize);
}

}  // namespace

DriverInstance::DriverInstance() : block_(StatedContextSize(), 0xCD) {
  context().machineStatus = nullptr;
}

DriverInstance::~DriverInstance() {
  if (context().port != 0 && context().port != 0xCDCDCDCDu) EndKel();
}

ResultCode DriverInstance::Call(std::uint32_t operation, void* params) {
  return CallDriver(operation, &context(), params);
}

ResultCode DriverInstance::ColdStart(const std::string& portName, std::int32_t timeout,
                                     bool openPort, LineSettings line) {
  ColdStartParams params{};
  PutName(params.portName, portName);
  params.openPort = openPort ? 1 : 0;
  params.timeout = timeout;
  params.line = line;
  return Call(kOpColdStart, &params);
}

ResultCode DriverInstance::WarmStart(std::int32_t machine) {
  WarmStartParams params{machine};
  return Call(kOpWarmStart, &params);
}

ResultCode DriverInstance::CloseCom() { return Call(kOpCloseCom, nullptr); }
ResultCode DriverInstance::EndKel() { return Call(kOpEndKel, nullptr); }
ResultCode DriverInstance::ReOpenCom() { return Call(kOpReOpenCom, nullptr); }

ResultCode DriverInstance::ChangeKelParams(const std::string& portName, std::int32_t timeout,
                                           LineSettings line) {
  ChangeParams params{};
  PutName(params.portName, portName);
  params.timeout = timeout;
  params.line = line;
  return Call(kOpChangeKelParams, &params);
}

ResultCode DriverInstance::Transfer(std::uint32_t operation, const AddressSpec& spec,
                                    std::int32_t count, std::uint16_t* data,
                                    std::int32_t* countAfter) {
  TransferParams params{};
  params.spec = spec;
  params.count = count;
  params.data = data;
  const ResultCode result = Call(operation, &params);
  if (countAfter != nullptr) *countAfter = params.count;
  return result;
}

AddressSpec RegisterSpec(std::int32_t machine, std::int32_t address) {
  return AddressSpec{machine, kKindRegister, address, kWholeWord, 16};
}

AddressSpec StatusSpec(std::int32_t machine) {
  return AddressSpec{machine, kKindStatus, 0, kWholeWord, 16};
}

AddressSpec CommSpec(std::int32_t machine) {
  return AddressSpec{kCommFlagMachine, kKindComm, machine, kWholeWord, 16};
}
