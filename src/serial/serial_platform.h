// The operating-system calls the serial library is built on: one
// implementation per platform, chosen by the build. Each call reports success
// or failure only; the library's algorithms and result codes live above them.
#pragma once

#include <cstdint>

#include "serial/device_state.h"
#include "serial/serial_port.h"

namespace serial_platform {

// Opens the named device for reading and writing, exclusively, only if it
// exists, for synchronous I/O. Yields kSerialNoHandle on failure.
SerialHandle OpenDevice(const char* portName);
bool CloseDevice(SerialHandle handle);
bool ReadState(SerialHandle handle, DeviceState& state);
bool ApplyState(SerialHandle handle, const DeviceState& state);
bool ReadTimeouts(SerialHandle handle, CommTimeouts& timeouts);
bool ApplyTimeouts(SerialHandle handle, const CommTimeouts& timeouts);
void RequestQueueSizes(SerialHandle handle, std::uint32_t input, std::uint32_t output);
// Clears a pending line-error condition and reports the received bytes not yet read.
bool QueryPendingInput(SerialHandle handle, std::uint32_t& pending);
// One read request: returns when `count` bytes arrived or the read total
// time-out passed since the request began, with what arrived by then.
bool ReadSome(SerialHandle handle, void* buffer, std::uint32_t count, std::uint32_t& delivered);
bool WriteAll(SerialHandle handle, const void* data, std::uint32_t count, std::uint32_t& accepted);
bool SetBreak(SerialHandle handle, bool on);
void SleepMilliseconds(std::uint32_t milliseconds);

}  // namespace serial_platform
