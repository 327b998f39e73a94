// Reads: the status word and communication flag of a machine from the
// driver's own tables, and blocks of ten registers from the machines.
#include "host/host_log.h"
#include "host/messages.h"
#include "protocol/frame.h"
#include "protocol/machine_tables.h"

namespace {

constexpr std::int32_t kRegistersPerBlock = 10;

ResultCode ReadStatus(const DriverContext& context, std::int32_t machine, std::uint16_t* data) {
  if (!IsMachineNumber(machine)) return kResultRejected;
  if (context.commDisabled[machine] != 0) return kResultFailed;
  data[0] = 0;
  data[1] = static_cast<std::uint16_t>(context.machineStatus[machine]);
  return kResultDone;
}

ResultCode ReadFlags(const DriverContext& context, const TransferParams& params) {
  const std::int32_t first = params.spec.address;
  if (!IsFlagRun(first, params.count)) return kResultFailed;
  for (std::int32_t i = 0; i < params.count; ++i) {
    params.data[i] = static_cast<std::uint16_t>(context.commDisabled[first + i]);
  }
  return kResultDone;
}

ResultCode ReadRegisterBlock(DriverContext& context, const TransferParams& params) {
  const std::int32_t machine = params.spec.machine;
  if (!IsMachineNumber(machine) || params.count < 0 || params.count > kFrameDataWords ||
      !IsRegisterRun(params.spec.address, 1)) {
    return kResultRejected;
  }
  if (context.commDisabled[machine] != 0) return kResultFailed;
  Frame request;
  Frame reply;
  const auto block = static_cast<std::uint16_t>(params.spec.address / kRegistersPerBlock + 1);
  BuildRequest(request, static_cast<std::uint16_t>(machine), kCodeBlockRead, kCodeReply, block,
               nullptr, 0);
  const int exchanged = ExchangeFrame(request, reply, context.port, nullptr);
  if (exchanged == kAttemptNoReply) {
    context.commDisabled[machine] = 1;
    err(torva::kLevelDetail, torva::kMsgMachineDisabled, machine);
    return kResultFailed;
  }
  if (exchanged != kAttemptAccepted) return kResultRejected;
  StoreMachineStatus(context, machine, FrameWord(reply, kStatusOffset));
  for (std::int32_t i = 0; i < params.count; ++i) params.data[i] = FrameDataWord(reply, i);
  return kResultDone;
}

}  // namespace

ResultCode SingleRead(HostRequest* request) {
  const DriverContext& context = *request->context;
  const auto& params = *static_cast<const TransferParams*>(request->params);
  if (!IsStarted(context) || params.data == nullptr) return kResultFailed;
  if (params.spec.kind == kKindComm) {
    if (!IsMachineNumber(params.spec.address)) return kResultRejected;
    params.data[0] = 0;
    params.data[1] = static_cast<std::uint16_t>(context.commDisabled[params.spec.address]);
    return kResultDone;
  }
  if (params.spec.kind != kKindStatus) return kResultRejected;
  return ReadStatus(context, params.spec.machine, params.data);
}

ResultCode BlockRead(HostRequest* request) {
  DriverContext& context = *request->context;
  const auto& params = *static_cast<const TransferParams*>(request->params);
  if (!IsStarted(context) || params.data == nullptr) return kResultFailed;
  if (params.spec.kind == kKindComm) return ReadFlags(context, params);
  return ReadRegisterBlock(context, params);
}
