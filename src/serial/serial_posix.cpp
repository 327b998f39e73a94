// POSIX (termios) serial-port services behind the serial library.
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "serial/posix_baud_rate.h"
#include "serial/posix_termios.h"
#include "serial/serial_platform.h"

namespace serial_platform {
namespace {

static_assert(sizeof(termios) <= kNativeStateSize);

constexpr std::uint32_t kInitialReadTimeoutMs = 1000;

// Linux keeps no read time-outs with a device, so each open port carries its
// own here; a handle is its slot number plus one, leaving 0 for "no port".
struct OpenPort {
  int fd = -1;
  // Known at open: once a terminal hangs up, isatty() no longer says so.
  bool terminal = false;
  CommTimeouts timeouts;
  // Bytes read from the device but not yet asked for: a reply that arrived
  // whole costs one read() however small the requests that take it apart.
  std::array<unsigned char, 512> readAhead;
  std::uint32_t aheadFrom = 0;
  std::uint32_t aheadTo = 0;
};

std::mutex portTableMutex;
std::array<OpenPort, 64> portTable;

OpenPort* FindPort(SerialHandle handle) {
  if (handle == 0 || handle > portTable.size()) return nullptr;
  OpenPort& port = portTable[handle - 1];
  return port.fd >= 0 ? &port : nullptr;
}

int FdOf(SerialHandle handle) {
  const OpenPort* port = FindPort(handle);
  return port != nullptr ? port->fd : -1;
}

SerialHandle AddPort(int fd) {
  std::lock_guard<std::mutex> lock(portTableMutex);
  for (std::size_t slot = 0; slot < portTable.size(); ++slot) {
    if (portTable[slot].fd < 0) {
      portTable[slot].fd = fd;
      portTable[slot].terminal = isatty(fd) != 0;
      portTable[slot].timeouts = CommTimeouts{};
      portTable[slot].timeouts.readTotalConstant = kInitialReadTimeoutMs;
      portTable[slot].aheadFrom = portTable[slot].aheadTo = 0;
      return static_cast<SerialHandle>(slot + 1);
    }
  }
  return kSerialNoHandle;
}

std::string DevicePath(const char* portName) {
  if (std::strcmp(portName, "NUL") == 0) return "/dev/null";
  if (std::strchr(portName, '/') == nullptr) return std::string("/dev/") + portName;
  return portName;
}

// Opens the device and holds it exclusively: TIOCEXCL refuses later opens by
// other users, the advisory lock refuses them for root as well.
int OpenExclusive(const char* portName) {
  const bool isNull = std::strcmp(portName, "NUL") == 0;
  const int fd = open(DevicePath(portName).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 || isNull) return fd;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return -1;
  }
  ioctl(fd, TIOCEXCL);
  return fd;
}

std::int64_t NowMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The end of one read request's total time-out; a time-out of 0 has none.
class Deadline {
 public:
  explicit Deadline(std::uint32_t timeoutMs)
      : unbounded_(timeoutMs == 0), end_(NowMilliseconds() + timeoutMs) {}
  // Milliseconds left for poll(): -1 without a time-out, 0 once it passed.
  int RemainingMs() const {
    if (unbounded_) return -1;
    return static_cast<int>(std::clamp<std::int64_t>(end_ - NowMilliseconds(), 0, INT_MAX));
  }

 private:
  bool unbounded_;
  std::int64_t end_;
};

// Waits for `events`; 0 when the time ran out, -1 on a hang-up or error.
int WaitFor(int fd, short events, int timeoutMs) {
  pollfd entry{fd, events, 0};
  const int ready = poll(&entry, 1, timeoutMs);
  if (ready < 0) return errno == EINTR ? 1 : -1;
  if (ready == 0) return 0;
  if ((entry.revents & events) == 0) return -1;
  return 1;
}

// A terminal whose line is gone (its carrier dropped, or the master side of a
// pseudo-terminal closed) reads as end of file for ever; so does a terminal
// without VMIN and VTIME while nothing waits, which is no hang-up.
bool HungUp(int fd) {
  pollfd entry{fd, POLLIN, 0};
  return poll(&entry, 1, 0) == 1 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

bool Rs485Enabled(int fd) {
  serial_rs485 rs485{};
  return ioctl(fd, TIOCGRS485, &rs485) == 0 && (rs485.flags & SER_RS485_ENABLED) != 0;
}

// Devices without modem lines or RS485 support (pseudo-terminals among them)
// refuse these requests; that is not an error of the configuration.
void ApplyModemLines(int fd, const DeviceModes& modes) {
  int dtr = TIOCM_DTR;
  int rts = TIOCM_RTS;
  ioctl(fd, modes.dtrControl == kDtrDisable ? TIOCMBIC : TIOCMBIS, &dtr);
  if (modes.rtsControl == kRtsEnable) ioctl(fd, TIOCMBIS, &rts);
  if (modes.rtsControl == kRtsDisable) ioctl(fd, TIOCMBIC, &rts);
  const bool toggle = modes.rtsControl == kRtsToggle;
  if (toggle || Rs485Enabled(fd)) {
    serial_rs485 rs485{};
    if (toggle) rs485.flags = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    ioctl(fd, TIOCSRS485, &rs485);
  }
}

DeviceModes ReadModes(int fd, tcflag_t cflag) {
  DeviceModes modes;
  int lines = 0;
  const bool haveLines = ioctl(fd, TIOCMGET, &lines) == 0;
  modes.dtrControl = haveLines && (lines & TIOCM_DTR) ? kDtrEnable : kDtrDisable;
  if (Rs485Enabled(fd)) {
    modes.rtsControl = kRtsToggle;
  } else if (cflag & CRTSCTS) {
    modes.rtsControl = kRtsHandshake;
  } else {
    modes.rtsControl = haveLines && (lines & TIOCM_RTS) ? kRtsEnable : kRtsDisable;
  }
  modes.ctsOutputFlow = (cflag & CRTSCTS) != 0;
  return modes;
}

// Raw (binary) input and output with the state's framing, parity checking
// and hardware flow control; false for a framing termios cannot express.
bool EncodeState(const DeviceState& state, termios& attributes) {
  cfmakeraw(&attributes);
  attributes.c_cflag |= CLOCAL | CREAD;
  if (!EncodeDataBits(state.dataBits, attributes.c_cflag) ||
      !EncodeParity(state.parity, attributes.c_cflag) ||
      !EncodeStopBits(state.stopBits, attributes.c_cflag)) {
    return false;
  }
  attributes.c_iflag = state.parityCheck ? (attributes.c_iflag | INPCK) : (attributes.c_iflag & ~INPCK);
  const bool hardwareFlow = state.modes.rtsControl == kRtsHandshake || state.modes.ctsOutputFlow;
  attributes.c_cflag = hardwareFlow ? (attributes.c_cflag | CRTSCTS) : (attributes.c_cflag & ~CRTSCTS);
  attributes.c_cc[VMIN] = 1;
  attributes.c_cc[VTIME] = 0;
  return true;
}

// tcsetattr() succeeds when any part of a request took, and drivers drop what
// their device cannot do (a pseudo-terminal keeps 8 bits without parity), so
// the framing is read back. The baud rate is not: drivers round it to what
// their clock can make, as they do on Windows.
bool FramingTook(int fd, tcflag_t wanted) {
  constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
  termios applied{};
  return tcgetattr(fd, &applied) == 0 && (applied.c_cflag & kFraming) == (wanted & kFraming);
}

}  // namespace

SerialHandle OpenDevice(const char* portName) {
  const int fd = OpenExclusive(portName);
  if (fd < 0) return kSerialNoHandle;
  const SerialHandle handle = AddPort(fd);
  if (handle == kSerialNoHandle) close(fd);
  return handle;
}

bool CloseDevice(SerialHandle handle) {
  std::lock_guard<std::mutex> lock(portTableMutex);
  OpenPort* port = FindPort(handle);
  if (port == nullptr) return false;
  const int fd = port->fd;
  port->fd = -1;
  return close(fd) == 0;
}

bool ReadState(SerialHandle handle, DeviceState& state) {
  const int fd = FdOf(handle);
  termios attributes{};
  if (fd < 0 || tcgetattr(fd, &attributes) != 0) return false;
  if (!ReadBaudRate(fd, state.baudRate)) state.baudRate = 0;
  state.dataBits = DataBitsOf(attributes.c_cflag);
  state.parity = ParityOf(attributes.c_cflag);
  state.stopBits = StopBitsOf(attributes.c_cflag);
  state.parityCheck = (attributes.c_iflag & INPCK) != 0;
  state.modes = ReadModes(fd, attributes.c_cflag);
  std::memcpy(state.native, &attributes, sizeof attributes);
  return true;
}

bool ApplyState(SerialHandle handle, const DeviceState& state) {
  const int fd = FdOf(handle);
  termios reported;
  std::memcpy(&reported, state.native, sizeof reported);
  termios attributes = reported;
  if (fd < 0 || !EncodeState(state, attributes)) return false;
  if (tcsetattr(fd, TCSANOW, &attributes) != 0) return false;
  if (!FramingTook(fd, attributes.c_cflag)) {
    tcsetattr(fd, TCSANOW, &reported);
    return false;
  }
  if (!WriteBaudRate(fd, state.baudRate)) return false;
  ApplyModemLines(fd, state.modes);
  return true;
}

bool ReadTimeouts(SerialHandle handle, CommTimeouts& timeouts) {
  const OpenPort* port = FindPort(handle);
  if (port == nullptr) return false;
  timeouts = port->timeouts;
  return true;
}

bool ApplyTimeouts(SerialHandle handle, const CommTimeouts& timeouts) {
  OpenPort* port = FindPort(handle);
  if (port == nullptr) return false;
  port->timeouts = timeouts;
  return true;
}

void RequestQueueSizes(SerialHandle, std::uint32_t, std::uint32_t) {
  // The kernel sizes tty buffers itself.
}

bool QueryPendingInput(SerialHandle handle, std::uint32_t& pending) {
  const OpenPort* port = FindPort(handle);
  int count = 0;
  if (port == nullptr || ioctl(port->fd, FIONREAD, &count) != 0) return false;
  pending = static_cast<std::uint32_t>(count) + (port->aheadTo - port->aheadFrom);
  return true;
}

std::uint32_t TakeReadAhead(OpenPort& port, unsigned char* bytes, std::uint32_t count) {
  const std::uint32_t taken = std::min(count, port.aheadTo - port.aheadFrom);
  std::memcpy(bytes, port.readAhead.data() + port.aheadFrom, taken);
  port.aheadFrom += taken;
  return taken;
}

// A request that fails after some bytes came reports them; the failure shows
// again, at once, on the next request. The wait comes before the read: once
// the read-ahead is empty, the next byte is mostly still on its way.
bool ReadSome(SerialHandle handle, void* buffer, std::uint32_t count, std::uint32_t& delivered) {
  OpenPort* port = FindPort(handle);
  if (port == nullptr) return false;
  auto* bytes = static_cast<unsigned char*>(buffer);
  delivered = TakeReadAhead(*port, bytes, count);
  const Deadline deadline(port->timeouts.readTotalConstant);
  while (delivered < count) {
    const int ready = WaitFor(port->fd, POLLIN, deadline.RemainingMs());
    if (ready < 0) return delivered > 0;
    if (ready == 0) break;
    const ssize_t got = read(port->fd, port->readAhead.data(), port->readAhead.size());
    if (got > 0) {
      port->aheadFrom = 0;
      port->aheadTo = static_cast<std::uint32_t>(got);
      delivered += TakeReadAhead(*port, bytes + delivered, count - delivered);
      continue;
    }
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got == 0 && !port->terminal) break;  // end of file: the null device
    if (got < 0 || HungUp(port->fd)) return delivered > 0;
  }
  return true;
}

bool WriteAll(SerialHandle handle, const void* data, std::uint32_t count,
              std::uint32_t& accepted) {
  accepted = 0;
  const int fd = FdOf(handle);
  if (fd < 0) return false;
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (accepted < count) {
    const ssize_t put = write(fd, bytes + accepted, count - accepted);
    if (put > 0) {
      accepted += static_cast<std::uint32_t>(put);
      continue;
    }
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && errno != EAGAIN) return false;
    if (WaitFor(fd, POLLOUT, -1) < 0) return false;
  }
  return true;
}

bool SetBreak(SerialHandle handle, bool on) {
  return ioctl(FdOf(handle), on ? TIOCSBRK : TIOCCBRK) == 0;
}

void SleepMilliseconds(std::uint32_t milliseconds) {
  timespec duration{static_cast<time_t>(milliseconds / 1000),
                    static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&duration, &duration) != 0 && errno == EINTR) {
  }
}

}  // namespace serial_platform
