// The driver's interface for hosts: KelMain and the records it exchanges.
//
// Every record is packed, little-endian and without gaps. In the 32-bit
// Windows product the offsets are those hosts were built against; in 64-bit
// builds each pointer field (context, params, machineStatus, vendor, banner,
// text, data) is 8 bytes wide in place, so later offsets move by 4 for each
// widened pointer before them. Both layouts are checked at compile time.
#pragma once

#include "address/address_spec.h"
#include "host/host_request.h"
#include "host/platform.h"
#include "lifecycle/driver_context.h"
#include "protocol/transfer_params.h"
#include "serial/line_settings.h"

extern "C" TORVA_EXPORT ResultCode TORVA_STDCALL KelMain(HostRequest* request);
