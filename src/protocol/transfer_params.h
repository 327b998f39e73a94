// The parameter block of the read and write operations.
#pragma once

#include <cstdint>

#include "address/address_spec.h"
#include "host/host_request.h"
#include "host/record_layout.h"

#pragma pack(push, 1)
struct TransferParams {
  std::uint8_t hostOwned[8];
  AddressSpec spec;
  std::uint32_t hostOwned2;
  std::int32_t count;  // values in a block; a single register write sets 1
  std::uint32_t hostOwned3;
  std::uint16_t* data;  // single: word 0 is 0 on a read, word 1 the value
};
#pragma pack(pop)

TORVA_CHECK_FIELD(TransferParams, spec, 8, 0);
TORVA_CHECK_FIELD(TransferParams, count, 32, 0);
TORVA_CHECK_FIELD(TransferParams, data, 40, 0);
TORVA_CHECK_SIZE(TransferParams, 44, 1);
