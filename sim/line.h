// The simulator's end of a serial line: a pseudo-terminal master it creates,
// or a named serial device (a COM port on Windows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace sim {

// How long a write waits for room before the line counts as gone: a line
// nobody reads must not hold the simulator for ever.
inline constexpr int kWriteStallMs = 2000;

class Line {
 public:
  virtual ~Line() = default;
  // Waits up to `timeoutMs` for bytes and reads what has arrived, at most
  // `capacity`. Returns the count read (> 0), 0 when the time ran out, -1 when
  // the line is gone.
  virtual int Read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) = 0;
  // Writes all bytes; false when the line is gone or stalls kWriteStallMs.
  virtual bool Write(const std::uint8_t* bytes, std::size_t count) = 0;
  // Hangs up: the other end sees the line vanish.
  virtual void Close() = 0;
};

// A pseudo-terminal pair in raw mode (POSIX only): the simulator keeps the
// master; `*devicePath` receives the slave's path, which the driver opens.
// Returns null on platforms without pseudo-terminals or on failure.
std::unique_ptr<Line> OpenPseudoTerminal(std::string* devicePath);

// A serial device by name ("COM2", "/dev/ttyUSB0"), raw, 8 data bits, no
// parity, one stop bit at `baudRate`. Null when it cannot be opened.
std::unique_ptr<Line> OpenSerialDevice(const std::string& name, std::uint32_t baudRate);

}  // namespace sim
