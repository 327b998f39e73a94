// The read and write operations.
#pragma once

#include <cstdint>

#include "host/host_request.h"
#include "protocol/transfer_params.h"

// 0 for a single register write, 1 for a block write; shared by all instances.
extern std::uint8_t blockWriteMode;

ResultCode SingleRead(HostRequest* request);
ResultCode BlockRead(HostRequest* request);
ResultCode SingleWrite(HostRequest* request);
ResultCode BlockWrite(HostRequest* request);
