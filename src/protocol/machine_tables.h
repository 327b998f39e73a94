// Checked access to a context's per-machine tables on behalf of the read
// and write operations.
#pragma once

#include <cstdint>

#include "lifecycle/lifecycle.h"
#include "protocol/transfer_operations.h"

// True when the run of flags `first` .. `first + count - 1` lies inside the
// table; an empty or negative run lies nowhere and is accepted.
inline bool IsFlagRun(std::int32_t first, std::int32_t count) {
  if (!IsMachineNumber(first)) return false;
  return count <= 0 || static_cast<std::int64_t>(first) + count <= kMachineSlots;
}

// True when registers `first` .. `first + count - 1` are all register
// numbers a machine has (0 to 9999). Anything else would be cut to 16 bits on
// the wire and name some other register.
inline bool IsRegisterRun(std::int32_t first, std::int32_t count) {
  constexpr std::int64_t kRegisters = 10000;
  return first >= 0 && static_cast<std::int64_t>(first) + count <= kRegisters;
}

// A started context: the status table exists.
inline bool IsStarted(const DriverContext& context) { return context.machineStatus != nullptr; }

inline void StoreMachineStatus(DriverContext& context, std::int32_t machine, std::uint16_t status) {
  std::int16_t* table = context.machineStatus;
  table[machine] = static_cast<std::int16_t>(status);
}
