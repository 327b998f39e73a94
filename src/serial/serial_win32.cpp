// Win32 serial-port services behind the serial library.
#include <windows.h>

#include <cstring>

#include "serial/serial_platform.h"

namespace serial_platform {
namespace {

static_assert(sizeof(DCB) <= kNativeStateSize);

// Kernel handles fit 32 bits; widening sign-extends, so the no-handle value
// comes back as INVALID_HANDLE_VALUE.
SerialHandle FromWin32(HANDLE handle) {
  return static_cast<SerialHandle>(reinterpret_cast<std::uintptr_t>(handle));
}

HANDLE ToWin32(SerialHandle handle) {
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(static_cast<std::int32_t>(handle)));
}

COMMTIMEOUTS ToWin32(const CommTimeouts& timeouts) {
  return COMMTIMEOUTS{timeouts.readInterval, timeouts.readTotalMultiplier,
                      timeouts.readTotalConstant, timeouts.writeTotalMultiplier,
                      timeouts.writeTotalConstant};
}

}  // namespace

SerialHandle OpenDevice(const char* portName) {
  return FromWin32(CreateFileA(portName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               0, nullptr));
}

bool CloseDevice(SerialHandle handle) { return CloseHandle(ToWin32(handle)) != 0; }

bool ReadState(SerialHandle handle, DeviceState& state) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(ToWin32(handle), &dcb)) return false;
  state.baudRate = dcb.BaudRate;
  state.dataBits = dcb.ByteSize;
  state.parity = dcb.Parity;
  state.stopBits = dcb.StopBits;
  state.parityCheck = dcb.fParity != 0;
  state.errorChar = dcb.ErrorChar;
  state.errorReplace = dcb.fErrorChar != 0;
  state.modes.dtrControl = static_cast<std::uint8_t>(dcb.fDtrControl);
  state.modes.rtsControl = static_cast<std::uint8_t>(dcb.fRtsControl);
  state.modes.ctsOutputFlow = dcb.fOutxCtsFlow != 0;
  state.modes.dsrOutputFlow = dcb.fOutxDsrFlow != 0;
  state.modes.dsrSensitivity = dcb.fDsrSensitivity != 0;
  std::memcpy(state.native, &dcb, sizeof dcb);
  return true;
}

bool ApplyState(SerialHandle handle, const DeviceState& state) {
  DCB dcb;
  std::memcpy(&dcb, state.native, sizeof dcb);
  dcb.BaudRate = state.baudRate;
  dcb.ByteSize = state.dataBits;
  dcb.Parity = state.parity;
  dcb.StopBits = state.stopBits;
  dcb.fParity = state.parityCheck;
  dcb.ErrorChar = state.errorChar;
  dcb.fErrorChar = state.errorReplace;
  dcb.fDtrControl = state.modes.dtrControl;
  dcb.fRtsControl = state.modes.rtsControl;
  dcb.fOutxCtsFlow = state.modes.ctsOutputFlow;
  dcb.fOutxDsrFlow = state.modes.dsrOutputFlow;
  dcb.fDsrSensitivity = state.modes.dsrSensitivity;
  return SetCommState(ToWin32(handle), &dcb) != 0;
}

bool ReadTimeouts(SerialHandle handle, CommTimeouts& timeouts) {
  COMMTIMEOUTS native{};
  if (!GetCommTimeouts(ToWin32(handle), &native)) return false;
  timeouts = CommTimeouts{native.ReadIntervalTimeout, native.ReadTotalTimeoutMultiplier,
                          native.ReadTotalTimeoutConstant, native.WriteTotalTimeoutMultiplier,
                          native.WriteTotalTimeoutConstant};
  return true;
}

bool ApplyTimeouts(SerialHandle handle, const CommTimeouts& timeouts) {
  COMMTIMEOUTS native = ToWin32(timeouts);
  return SetCommTimeouts(ToWin32(handle), &native) != 0;
}

void RequestQueueSizes(SerialHandle handle, std::uint32_t input, std::uint32_t output) {
  SetupComm(ToWin32(handle), input, output);
}

bool QueryPendingInput(SerialHandle handle, std::uint32_t& pending) {
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(ToWin32(handle), &errors, &status)) return false;
  pending = status.cbInQue;
  return true;
}

bool ReadSome(SerialHandle handle, void* buffer, std::uint32_t count, std::uint32_t& delivered) {
  DWORD got = 0;
  const bool ok = ReadFile(ToWin32(handle), buffer, count, &got, nullptr) != 0;
  delivered = got;
  return ok;
}

bool WriteAll(SerialHandle handle, const void* data, std::uint32_t count,
              std::uint32_t& accepted) {
  DWORD put = 0;
  const bool ok = WriteFile(ToWin32(handle), data, count, &put, nullptr) != 0;
  accepted = put;
  return ok;
}

bool SetBreak(SerialHandle handle, bool on) {
  return (on ? SetCommBreak(ToWin32(handle)) : ClearCommBreak(ToWin32(handle))) != 0;
}

void SleepMilliseconds(std::uint32_t milliseconds) { Sleep(milliseconds); }

}  // namespace serial_platform
