// The two address parsers.
#pragma once

#include <cstdint>

#include "address/address_spec.h"
#include "host/host_request.h"

// Set only while BlockAddressParser runs the common parser.
extern std::uint8_t blockMode;

ResultCode SingleAddressParser(HostRequest* request);
ResultCode BlockAddressParser(HostRequest* request);
