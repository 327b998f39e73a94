// Kept apart from the termios code: the kernel's termios2 header cannot be
// included beside the C library's <termios.h>.
#include "serial/posix_baud_rate.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace serial_platform {

bool ReadBaudRate(int fd, std::uint32_t& rate) {
  termios2 attributes{};
  if (ioctl(fd, TCGETS2, &attributes) != 0) return false;
  rate = attributes.c_ospeed;
  return true;
}

bool WriteBaudRate(int fd, std::uint32_t rate) {
  termios2 attributes{};
  if (rate == 0 || ioctl(fd, TCGETS2, &attributes) != 0) return false;
  attributes.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  attributes.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  attributes.c_ospeed = rate;
  attributes.c_ispeed = rate;
  return ioctl(fd, TCSETS2, &attributes) == 0;
}

}  // namespace serial_platform
