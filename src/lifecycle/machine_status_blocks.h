// The MachineStatus blocks the driver obtains at start. A block stays with
// the driver until the library is unloaded; a context started again gets its
// own block back instead of a new one.
#pragma once

#include <cstdint>

// The block for a context whose `machineStatus` holds `current`: `current`
// itself when the driver handed it out before, else a new block; null when
// there is no memory.
std::int16_t* ObtainMachineStatusBlock(std::int16_t* current);
