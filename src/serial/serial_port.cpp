// The serial port library's routines, written once over the platform calls.
#include "serial/serial_port.h"

#include <cstring>

#include "serial/serial_platform.h"

namespace sp = serial_platform;

namespace {

constexpr std::uint32_t kOpenReadTimeoutMs = 1000;
constexpr std::int32_t kDrainTimeoutUnits = 5;
constexpr std::uint32_t kDrainChunk = 512;
// A line that keeps every drain read full (a babbling line above about
// 100,000 baud) would hold the request in the purge for as long as it
// babbles; 16 chunks are far more than any input queue holds and bound the
// drain to 0.8 s. What comes after is skipped while waiting for the reply.
constexpr int kMostDrainReads = 16;
constexpr std::uint32_t kQueueSize = 1200;
constexpr std::uint32_t kMillisecondsPerUnit = 10;
constexpr std::int32_t kLargestReadCount = 65535;
// Keeps a huge time-out from wrapping round to a short one, or to 0 (none).
constexpr std::uint64_t kLongestTimeoutMs = 0xFFFFFFFEu;

bool IsNullDeviceName(const char* portName) { return std::strcmp(portName, "NUL") == 0; }

int ConfigureOpenDevice(SerialHandle handle, const LineSettings& line, std::uint16_t options) {
  DeviceState state;
  if (!sp::ReadState(handle, state)) return kSerialStateUnreadable;
  if (options == 0) return kSerialOk;
  CommTimeouts timeouts;
  timeouts.readTotalConstant = kOpenReadTimeoutMs;
  if (!sp::ApplyTimeouts(handle, timeouts)) return kSerialOpenFailed;
  ConfigureDeviceState(state, line, options);
  if (!sp::ApplyState(handle, state)) return kSerialStateRefused;
  sp::RequestQueueSizes(handle, kQueueSize, kQueueSize);
  return kSerialOk;
}

// Reads and discards until a read brings less than a full chunk, or the
// most chunks were read; true when the last read failed.
bool DrainInput(SerialHandle handle) {
  unsigned char scratch[kDrainChunk];
  for (int reads = 0; reads < kMostDrainReads; ++reads) {
    std::uint32_t delivered = 0;
    if (!sp::ReadSome(handle, scratch, kDrainChunk, delivered)) return true;
    if (delivered != kDrainChunk) return false;
  }
  return false;
}

}  // namespace

int SerialOpen(const char* portName, const LineSettings* line, std::uint16_t options,
               SerialHandle* handle) {
  *handle = sp::OpenDevice(portName);
  if (*handle == kSerialNoHandle) return kSerialOpenFailed;
  if (IsNullDeviceName(portName)) return kSerialOk;
  const int result = ConfigureOpenDevice(*handle, *line, options);
  if (result != kSerialOk) sp::CloseDevice(*handle);
  return result;
}

int SerialClose(SerialHandle handle) {
  return sp::CloseDevice(handle) ? kSerialOk : kSerialIoFailed;
}

std::int32_t SerialSetReadTimeout(SerialHandle handle, std::int32_t timeout) {
  CommTimeouts timeouts;
  if (!sp::ReadTimeouts(handle, timeouts)) return 0;
  const std::uint32_t previous = timeouts.readTotalConstant;
  if (timeout <= 0) return 0;
  std::uint64_t wanted = static_cast<std::uint64_t>(timeout) * kMillisecondsPerUnit;
  if (wanted > kLongestTimeoutMs) wanted = kLongestTimeoutMs;
  if (previous != wanted) {
    timeouts.readTotalConstant = static_cast<std::uint32_t>(wanted);
    if (!sp::ApplyTimeouts(handle, timeouts)) return 0;
  }
  return static_cast<std::int32_t>(previous / kMillisecondsPerUnit);
}

int SerialPurge(SerialHandle handle) {
  std::uint32_t pending = 0;
  if (sp::QueryPendingInput(handle, pending) && pending == 0) return kSerialOk;
  const std::int32_t previous = SerialSetReadTimeout(handle, kDrainTimeoutUnits);
  const bool lastReadFailed = DrainInput(handle);
  if (previous != 0) SerialSetReadTimeout(handle, previous);
  return lastReadFailed ? kSerialOpenFailed : kSerialOk;
}

int SerialSendBreak(std::uint32_t milliseconds, SerialHandle handle) {
  sp::SetBreak(handle, true);
  sp::SleepMilliseconds(milliseconds);
  sp::SetBreak(handle, false);
  return kSerialOk;
}

int SerialWrite(SerialHandle handle, const void* data, std::uint32_t count,
                std::uint32_t* written) {
  std::uint32_t accepted = 0;
  if (!sp::WriteAll(handle, data, count, accepted)) return kSerialIoFailed;
  if (written != nullptr) *written = accepted;
  return accepted == count ? kSerialOk : kSerialShortWrite;
}

int SerialRead(SerialHandle handle, void* buffer, std::int32_t count, std::int32_t* gathered) {
  if (gathered != nullptr) *gathered = 0;
  if (count < 0 || count > kLargestReadCount) return kSerialIoFailed;
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::int32_t total = 0;
  do {
    std::uint32_t delivered = 0;
    const auto request = static_cast<std::uint32_t>(count - total);
    if (!sp::ReadSome(handle, bytes + total, request, delivered)) return kSerialIoFailed;
    if (delivered == 0) return kSerialIoFailed;
    total += static_cast<std::int32_t>(delivered);
    if (gathered != nullptr) *gathered = total;
  } while (total < count);
  return kSerialOk;
}

int SerialDelay(std::uint32_t milliseconds) {
  sp::SleepMilliseconds(milliseconds);
  return kSerialOk;
}
