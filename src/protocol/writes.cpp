// Writes: communication flags into the driver's table, and registers to the
// machines through the two-phase register list / values transaction.
#include "protocol/frame.h"
#include "protocol/machine_tables.h"

std::uint8_t blockWriteMode = 0;

namespace {

ResultCode WriteFlags(DriverContext& context, const TransferParams& params) {
  const std::int32_t first = params.spec.address;
  if (!IsFlagRun(first, params.count)) return kResultFailed;
  for (std::int32_t i = 0; i < params.count; ++i) {
    context.commDisabled[first + i] = static_cast<std::int16_t>(params.data[i]);
  }
  return kResultDone;
}

bool AllAcknowledged(const Frame& reply, int count) {
  for (int i = 0; i < count; ++i) {
    if (FrameDataWord(reply, i) != 1) return false;
  }
  return true;
}

// One phase: the exchange, the status word of an accepted reply, then the
// codes the caller compares afterwards (if any) and the acknowledgements.
ResultCode RunWritePhase(DriverContext& context, std::int32_t machine, const Frame& request,
                         const ExpectedCodes* perAttempt, const ExpectedCodes* afterwards,
                         int count) {
  Frame reply;
  const int exchanged = ExchangeFrame(request, reply, context.port, perAttempt);
  if (exchanged != kAttemptAccepted) return exchanged;
  StoreMachineStatus(context, machine, FrameWord(reply, kStatusOffset));
  if (afterwards != nullptr && (FrameCodeAt(reply, kCommandOffset) != afterwards->command ||
                                FrameCodeAt(reply, kSecondCodeOffset) != afterwards->second)) {
    return kResultRejected;
  }
  return AllAcknowledged(reply, count) ? kResultDone : kResultRejected;
}

ResultCode WriteRegisters(DriverContext& context, TransferParams& params) {
  const std::int32_t machine = params.spec.machine;
  if (!IsMachineNumber(machine)) return kResultRejected;
  if (blockWriteMode == 0) params.count = 1;
  const int count = params.count;
  if (count < 1 || count > kFrameDataWords) return kResultRejected;
  if (!IsRegisterRun(params.spec.address, count)) return kResultRejected;

  std::uint16_t registers[kFrameDataWords];
  for (int j = 0; j < count; ++j) registers[j] = static_cast<std::uint16_t>(params.spec.address + j);
  const auto target = static_cast<std::uint16_t>(machine);
  Frame request;
  BuildRequest(request, target, kCodeRegisterList, kCodeReadWrite, 0, registers, count);
  static constexpr ExpectedCodes kListReply{kCodeRegisterList, kCodeReply};
  const ResultCode listed = RunWritePhase(context, machine, request, &kListReply, nullptr, count);
  if (listed != kResultDone) return listed;

  const std::uint16_t* values = blockWriteMode == 0 ? params.data + 1 : params.data;
  BuildRequest(request, target, kCodeValues, kCodeReadWrite, 0, values, count);
  static constexpr ExpectedCodes kValuesReply{kCodeValues, kCodeReply};
  return RunWritePhase(context, machine, request, nullptr, &kValuesReply, count);
}

}  // namespace

ResultCode SingleWrite(HostRequest* request) {
  blockWriteMode = 0;
  DriverContext& context = *request->context;
  auto& params = *static_cast<TransferParams*>(request->params);
  if (!IsStarted(context) || params.data == nullptr) return kResultFailed;
  if (params.spec.kind == kKindComm) {
    if (!IsMachineNumber(params.spec.address)) return kResultRejected;
    context.commDisabled[params.spec.address] = static_cast<std::int16_t>(params.data[1] & 0xFF);
    return kResultDone;
  }
  // A status word is the driver's own and cannot be written to a machine.
  if (params.spec.kind != kKindRegister) return kResultRejected;
  return WriteRegisters(context, params);
}

ResultCode BlockWrite(HostRequest* request) {
  DriverContext& context = *request->context;
  auto& params = *static_cast<TransferParams*>(request->params);
  if (!IsStarted(context) || params.data == nullptr) return kResultFailed;
  if (params.spec.kind == kKindComm) return WriteFlags(context, params);
  if (params.spec.kind != kKindRegister) return kResultRejected;
  blockWriteMode = 1;
  return WriteRegisters(context, params);
}
