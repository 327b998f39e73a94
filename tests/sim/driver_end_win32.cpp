#include <windows.h>

#include <chrono>
#include <cstdlib>

#include "driver_end.h"

namespace {

constexpr std::uint32_t kBaudRate = 19200;

class ComPortEnd : public DriverEnd {
 public:
  explicit ComPortEnd(HANDLE handle) : handle_(handle) {}
  ~ComPortEnd() override { CloseHandle(handle_); }

  bool Write(const std::vector<std::uint8_t>& bytes) override {
    DWORD written = 0;
    return WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
  }

  std::vector<std::uint8_t> Read(std::size_t count, int timeoutMs) override {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::uint8_t> bytes(count);
    std::size_t got = 0;
    while (got < count && Clock::now() < deadline) {
      DWORD n = 0;
      if (!ReadFile(handle_, bytes.data() + got, static_cast<DWORD>(count - got), &n, nullptr)) break;
      got += n;
    }
    bytes.resize(got);
    return bytes;
  }

 private:
  HANDLE handle_;
};

// Reads return what has arrived, or wait a little for the first byte.
bool ConfigureDriverPort(HANDLE handle) {
  DCB settings{};
  settings.DCBlength = sizeof settings;
  if (!GetCommState(handle, &settings)) return false;
  settings.BaudRate = kBaudRate;
  settings.ByteSize = 8;
  settings.Parity = NOPARITY;
  settings.StopBits = ONESTOPBIT;
  settings.fBinary = TRUE;
  COMMTIMEOUTS timeouts{MAXDWORD, MAXDWORD, 50, 0, 0};
  return SetCommState(handle, &settings) && SetCommTimeouts(handle, &timeouts);
}

}  // namespace

TestLine OpenTestLine(std::string* whyNot) {
  if (std::getenv("TORVA_WINE_PORTS") == nullptr) {
    *whyNot = "no COM ports are mapped to a test line (TORVA_WINE_PORTS unset)";
    return {};
  }
  TestLine line;
  line.simulatorEnd = sim::OpenSerialDevice("COM2", kBaudRate);
  HANDLE handle = CreateFileA("\\\\.\\COM1", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (!line.simulatorEnd || handle == INVALID_HANDLE_VALUE) {
    *whyNot = "cannot open COM1 and COM2";
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    return {};
  }
  line.driverEnd = std::make_unique<ComPortEnd>(handle);
  if (!ConfigureDriverPort(handle)) {
    *whyNot = "cannot configure COM1";
    return {};
  }
  return line;
}
