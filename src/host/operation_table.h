// The operations behind KelMain, indexed by operation code.
#pragma once

#include <array>

#include "host/host_request.h"

using Operation = ResultCode (*)(HostRequest*);

struct OperationEntry {
  Operation run = nullptr;  // empty slots answer 2
  bool needsContext = false;
  bool needsParams = false;
};

extern const std::array<OperationEntry, kOperationSlots> OperationTable;
