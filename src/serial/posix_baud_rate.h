// Exact baud rates on Linux through termios2, so that any rate the device
// accepts can be set, not only those of the classic table.
#pragma once

#include <cstdint>

namespace serial_platform {

bool ReadBaudRate(int fd, std::uint32_t& rate);
bool WriteBaudRate(int fd, std::uint32_t rate);

}  // namespace serial_platform
