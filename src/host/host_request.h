// The request record the host passes to KelMain, and the result convention.
#pragma once

#include <cstdint>

#include "host/record_layout.h"

// 0: done; 1: the request or a reply is not acceptable; 2: the request cannot
// be served (no such operation, port or memory failure, machine not answering).
using ResultCode = std::int32_t;
inline constexpr ResultCode kResultDone = 0;
inline constexpr ResultCode kResultRejected = 1;
inline constexpr ResultCode kResultFailed = 2;

struct DriverContext;

#pragma pack(push, 1)
struct HostRequest {
  DriverContext* context;
  std::uint32_t operation;
  std::uint8_t hostOwned[8];  // the host's; never read or written here
  void* params;
};
#pragma pack(pop)

TORVA_CHECK_FIELD(HostRequest, context, 0, 0);
TORVA_CHECK_FIELD(HostRequest, operation, 4, 1);
TORVA_CHECK_FIELD(HostRequest, hostOwned, 8, 1);
TORVA_CHECK_FIELD(HostRequest, params, 16, 1);
TORVA_CHECK_SIZE(HostRequest, 20, 2);

// Operation codes, the index into OperationTable.
enum OperationCode : std::uint32_t {
  kOpColdStart = 1,
  kOpWarmStart = 2,
  kOpSingleAddressParser = 3,
  kOpBlockAddressParser = 4,
  kOpSingleRead = 5,
  kOpBlockRead = 6,
  kOpSingleWrite = 7,
  kOpBlockWrite = 10,
  kOpEndKel = 11,
  kOpCloseCom = 12,
  kOpReOpenCom = 13,
  kOpGetKelInfo = 14,
  kOpChangeKelParams = 15,
  kOperationSlots = 17,
};
