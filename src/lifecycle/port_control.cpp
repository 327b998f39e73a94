// Reopening and reconfiguring the port while the driver runs.
#include <cstring>

#include "host/host_log.h"
#include "host/messages.h"
#include "lifecycle/lifecycle.h"
#include "lifecycle/port_name.h"
#include "serial/serial_port.h"

using namespace torva;

namespace {

constexpr std::int32_t kKeepTimeout = 0;
constexpr std::int32_t kKeepTimeoutToo = -1;

bool SameName(const char (&a)[kPortNameSize], const char (&b)[kPortNameSize]) {
  return std::strncmp(a, b, kPortNameSize) == 0;
}

}  // namespace

ResultCode ReOpenCom(HostRequest* request) {
  DriverContext& context = *request->context;
  const std::uint32_t handle = OpenCom(&context.portSettings);
  if (handle == 0) {
    err(kLevelDetail, kMsgReOpenComFailed);
    return kResultFailed;
  }
  context.port = handle;
  err(kLevelDetail, kMsgReOpenComOk);
  return kResultDone;
}

ResultCode ChangeKelParams(HostRequest* request) {
  DriverContext& context = *request->context;
  const auto& params = *static_cast<const ChangeParams*>(request->params);
  // A name that overruns its field names no port: refused before anything changes.
  if (!IsTerminatedPortName(params.portName)) {
    err(kLevelDetail, kMsgChangeFailed);
    return kResultFailed;
  }
  if (params.timeout != kKeepTimeout && params.timeout != kKeepTimeoutToo) {
    context.timeout = params.timeout;
  }
  PortSettings& settings = context.portSettings;
  if (!SameName(params.portName, settings.portName) && context.port != 0) CloseCom(request);
  CopyPortName(settings.portName, params.portName);
  if (params.line.baudRate != 0) std::memcpy(&settings.line, &params.line, sizeof settings.line);
  const std::uint32_t handle = OpenCom(&settings);
  if (handle == 0) {
    err(kLevelDetail, kMsgChangeFailed);
    return kResultFailed;
  }
  context.port = handle;
  SerialSetReadTimeout(context.port, context.timeout);
  err(kLevelDetail, kMsgChangeOk);
  return kResultDone;
}
