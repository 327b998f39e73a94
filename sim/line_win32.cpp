// Lines on Windows: a COM port (there are no pseudo-terminals).
#include <windows.h>

#include "sim/line.h"

namespace sim {
namespace {

constexpr int kFirstReadTimeoutMs = 100;

class ComLine : public Line {
 public:
  // The write time-out holds from the start, also for a line only written to.
  explicit ComLine(HANDLE handle) : handle_(handle) { SetTimeouts(kFirstReadTimeoutMs); }
  ~ComLine() override { Close(); }

  int Read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) override {
    if (handle_ == INVALID_HANDLE_VALUE || !SetTimeouts(timeoutMs)) return -1;
    DWORD got = 0;
    if (!ReadFile(handle_, buffer, static_cast<DWORD>(capacity), &got, nullptr)) return -1;
    return static_cast<int>(got);
  }

  bool Write(const std::uint8_t* bytes, std::size_t count) override {
    while (count > 0) {
      DWORD written = 0;
      if (handle_ == INVALID_HANDLE_VALUE ||
          !WriteFile(handle_, bytes, static_cast<DWORD>(count), &written, nullptr) || written == 0) {
        return false;
      }
      bytes += written;
      count -= written;
    }
    return true;
  }

  void Close() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  // A read returns at once with what has arrived, else waits up to the
  // time-out for the first byte; a write gives up after kWriteStallMs.
  bool SetTimeouts(int readTimeoutMs) {
    if (readTimeoutMs == currentTimeoutMs_) return true;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(readTimeoutMs);
    timeouts.WriteTotalTimeoutConstant = kWriteStallMs;
    if (!SetCommTimeouts(handle_, &timeouts)) return false;
    currentTimeoutMs_ = readTimeoutMs;
    return true;
  }

  HANDLE handle_;
  int currentTimeoutMs_ = -1;
};

bool Configure(HANDLE handle, std::uint32_t baudRate) {
  DCB settings{};
  settings.DCBlength = sizeof settings;
  if (!GetCommState(handle, &settings)) return false;
  settings.BaudRate = baudRate;
  settings.ByteSize = 8;
  settings.Parity = NOPARITY;
  settings.StopBits = ONESTOPBIT;
  settings.fBinary = TRUE;
  settings.fParity = FALSE;
  settings.fOutxCtsFlow = FALSE;
  settings.fOutxDsrFlow = FALSE;
  settings.fOutX = FALSE;
  settings.fInX = FALSE;
  return SetCommState(handle, &settings) != 0;
}

}  // namespace

std::unique_ptr<Line> OpenPseudoTerminal(std::string*) { return nullptr; }

std::unique_ptr<Line> OpenSerialDevice(const std::string& name, std::uint32_t baudRate) {
  const std::string path = name.rfind("\\\\.\\", 0) == 0 ? name : "\\\\.\\" + name;
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  auto line = std::make_unique<ComLine>(handle);
  if (!Configure(handle, baudRate)) return nullptr;
  return line;
}

}  // namespace sim
