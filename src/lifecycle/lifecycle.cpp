// Start, check and end of a driver instance, and the port it holds.
#include <cstring>

#include "host/host_log.h"
#include "host/messages.h"
#include "lifecycle/lifecycle.h"
#include "lifecycle/machine_status_blocks.h"
#include "lifecycle/port_name.h"
#include "serial/device_state.h"
#include "serial/serial_port.h"

using namespace torva;

namespace {

void LogVersion() { err(kLevelLifecycle, kMsgVersion, __DATE__, __TIME__); }

// Takes over the host's settings for the port to open; an unterminated name
// is cut to fit so that it can still be logged, and reported as unusable.
bool TakePortSettings(PortSettings& settings, const ColdStartParams& params) {
  const bool usable = CopyPortName(settings.portName, params.portName);
  std::memcpy(&settings.line, &params.line, sizeof settings.line);
  settings.options = kStartupOptions;
  return usable;
}

ResultCode OpenStartPort(DriverContext& context, const ColdStartParams& params) {
  const bool nameUsable = TakePortSettings(context.portSettings, params);
  const std::uint32_t handle = nameUsable ? OpenCom(&context.portSettings) : 0;
  if (handle == 0) {
    err(kLevelDetail, kMsgComportOpenFailed, context.portSettings.portName);
    return kResultFailed;
  }
  context.port = handle;
  SerialSetReadTimeout(context.port, params.timeout);
  err(kLevelDetail, kMsgComportOpened, context.portSettings.portName);
  return kResultDone;
}

}  // namespace

std::uint32_t OpenCom(PortSettings* settings) {
  SerialHandle handle = 0;
  // A name that overruns its field (a host block never started) names no port.
  if (!IsTerminatedPortName(settings->portName) ||
      SerialOpen(settings->portName, &settings->line, settings->options, &handle) != kSerialOk) {
    err(kLevelDetail, kMsgOpenComFailed);
    return 0;
  }
  err(kLevelDetail, kMsgOpenComSucceeded);
  SerialPurge(handle);
  return handle;
}

ResultCode ColdStart(HostRequest* request) {
  LogVersion();
  DriverContext& context = *request->context;
  const auto& params = *static_cast<const ColdStartParams*>(request->params);
  context.timeout = params.timeout;
  context.port = 0;
  if (params.openPort != 0) {
    const ResultCode opened = OpenStartPort(context, params);
    if (opened != kResultDone) return opened;
  }
  err(kLevelDetail, kMsgTimeoutSet, params.timeout);
  std::int16_t* status = ObtainMachineStatusBlock(context.machineStatus);
  context.machineStatus = status;
  if (status == nullptr) {
    err(kLevelDetail, kMsgNoMemory);
    return kResultFailed;
  }
  for (int machine = 0; machine < kMachineSlots; ++machine) status[machine] = -1;
  std::memset(context.commDisabled, 0, sizeof context.commDisabled);
  return kResultDone;
}

ResultCode WarmStart(HostRequest* request) {
  const DriverContext& context = *request->context;
  const auto& params = *static_cast<const WarmStartParams*>(request->params);
  if (context.port != 0) SerialPurge(context.port);
  if (!IsMachineNumber(params.machine)) return kResultFailed;
  return context.commDisabled[params.machine] != 0 ? kResultFailed : kResultDone;
}

ResultCode CloseCom(HostRequest* request) {
  DriverContext& context = *request->context;
  if (context.port != 0) {
    if (SerialClose(context.port) != kSerialOk) {
      err(kLevelDetail, kMsgCloseComFailed);
      return kResultFailed;
    }
    context.port = 0;
  }
  err(kLevelDetail, kMsgCloseComOk);
  return kResultDone;
}

ResultCode EndKel(HostRequest* request) {
  const ResultCode closed = CloseCom(request);
  err(kLevelLifecycle, kMsgEndKel);
  return closed;
}
