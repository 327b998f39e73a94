// Start, check and end of a driver instance, and its port.
#pragma once

#include <cstdint>

#include "host/host_request.h"
#include "lifecycle/driver_context.h"

// True when the machine number indexes the per-machine tables.
constexpr bool IsMachineNumber(std::int32_t machine) {
  return machine >= 0 && machine < kMachineSlots;
}

// Opens the port the settings name; the handle, or 0 when it cannot be opened.
std::uint32_t OpenCom(PortSettings* settings);

ResultCode GetKelInfo(HostRequest* request);
ResultCode ColdStart(HostRequest* request);
ResultCode WarmStart(HostRequest* request);
ResultCode CloseCom(HostRequest* request);
ResultCode EndKel(HostRequest* request);
ResultCode ReOpenCom(HostRequest* request);
ResultCode ChangeKelParams(HostRequest* request);
