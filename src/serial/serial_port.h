// The serial port library: eight small routines over the operating system's
// serial-port services. The library keeps no state of its own beyond what a
// platform needs to stand for a device; results are small integer codes.
//
// On Linux (termios) the device-state members map as follows:
//   baud rate         any rate the device accepts (termios2 for rates off the table)
//   data bits         CSIZE; parity none/odd/even/mark/space: PARENB, PARODD, CMSPAR
//   stop bits         0 one, 1 and 2 two (CSTOPB; 1.5 exists only for 5-bit characters)
//   parity checking   INPCK
//   DTR/RTS enable    the modem-control lines, raised or lowered while the port is open
//   RTS handshake     hardware flow control (CRTSCTS)
//   RTS toggle        the kernel's RS485 mode (RTS raised while sending), where supported
//   CTS output flow   hardware flow control (CRTSCTS); Linux couples it with RTS input flow
//   DTR handshake, DSR output flow control and DSR sensitivity have no Linux
//   counterpart: DTR is then simply raised, the DSR settings are not applied.
//   Error-character replacement does not exist either; the device is put in
//   raw (binary) mode whenever it is configured.
// A device without modem lines, such as a pseudo-terminal, is not an error.
// The framing is read back after it is applied: a device that drops part of
// it (a pseudo-terminal carries only 8 data bits without parity) refuses it,
// SerialOpen answers 5 and the device keeps its previous termios.
// A hang-up of the line fails reads and writes at once with 7.
// A port name without a '/' is looked up under /dev/; only "NUL", in exactly
// that case, is the null device ("nul" is /dev/nul, which does not exist).
// Ports are held exclusively (TIOCEXCL and an advisory lock, which also stops
// a second open by root). A port opened with option flags 0 keeps its termios
// state and starts with the read time-out of 1000 ms, since Linux keeps no
// read time-out with the device.
#pragma once

#include <cstdint>

#include "serial/line_settings.h"

// 0 is never a valid handle: callers use it for "no port".
using SerialHandle = std::uint32_t;
inline constexpr SerialHandle kSerialNoHandle = 0xFFFFFFFFu;

// Result codes of the library.
inline constexpr int kSerialOk = 0;
inline constexpr int kSerialOpenFailed = 1;  // also: time-outs refused; purge: last read failed
inline constexpr int kSerialShortWrite = 2;
inline constexpr int kSerialStateUnreadable = 4;
inline constexpr int kSerialStateRefused = 5;
inline constexpr int kSerialIoFailed = 7;

// Opens `portName` exclusively and, unless `options` is 0, configures it from
// `line` and the option flags. `*handle` receives the handle at once, the
// no-handle value when the open fails; it is valid only when 0 is returned.
int SerialOpen(const char* portName, const LineSettings* line, std::uint16_t options,
               SerialHandle* handle);
int SerialClose(SerialHandle handle);
// Sets the read total time-out to `timeout` x 10 ms and returns the previous
// one in 10 ms units, or 0 on failure. A time-out of 0 or below is refused
// (0 returned, nothing changed): it would let a read wait for ever.
std::int32_t SerialSetReadTimeout(SerialHandle handle, std::int32_t timeout);
// Discards received bytes that are not read yet: 512 at a time under a 50 ms
// read time-out while reads come back full, at most 8,192 bytes.
int SerialPurge(SerialHandle handle);
int SerialSendBreak(std::uint32_t milliseconds, SerialHandle handle);
int SerialWrite(SerialHandle handle, const void* data, std::uint32_t count,
                std::uint32_t* written);
// Reads exactly `count` bytes (0 to 65,535; other counts fail at once with 7),
// each request waiting at most the read time-out.
int SerialRead(SerialHandle handle, void* buffer, std::int32_t count, std::int32_t* gathered);
int SerialDelay(std::uint32_t milliseconds);
