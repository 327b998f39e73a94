// The line under Wine: the test runner joins COM1 and COM2 back to back; the
// library opens COM1 and the peer plays COM2 with plain Win32 calls.
#include <windows.h>

#include <cstdlib>

#include "serial/line_peer.h"

// The null device under any letter case has no serial state to read.
const int kLowerCaseNulOpenResult = kSerialStateUnreadable;

namespace {

HANDLE OpenCom(const char* name) {
  return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// Drops what an earlier test left on one end of the line.
void Discard(HANDLE port) { PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR); }

class ComPeer final : public LinePeer {
 public:
  explicit ComPeer(HANDLE port) : port_(port) {}
  ~ComPeer() override { CloseHandle(port_); }

  const std::string& PortName() const override { return portName_; }

  bool Send(const Bytes& bytes) override {
    DWORD sent = 0;
    return WriteFile(port_, bytes.data(), static_cast<DWORD>(bytes.size()), &sent, nullptr) &&
           sent == bytes.size();
  }

  Bytes Receive(std::size_t count, int timeoutMs) override {
    COMMTIMEOUTS timeouts{0, 0, static_cast<DWORD>(timeoutMs), 0, 0};
    Bytes received(count);
    DWORD got = 0;
    if (!SetCommTimeouts(port_, &timeouts) ||
        !ReadFile(port_, received.data(), static_cast<DWORD>(count), &got, nullptr)) {
      got = 0;
    }
    received.resize(got);
    return received;
  }

  ObservedLine LineOf(SerialHandle port) const override {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    // The library's handles are kernel handles cut to 32 bits.
    const auto handle = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(static_cast<std::int32_t>(port)));
    if (!GetCommState(handle, &dcb)) return ObservedLine{};
    return ObservedLine{dcb.BaudRate, dcb.ByteSize, dcb.Parity, dcb.StopBits};
  }

 private:
  HANDLE port_;
  std::string portName_ = "COM1";
};

}  // namespace

std::unique_ptr<LinePeer> ConnectLinePeer(std::string* whyNot) {
  if (std::getenv("TORVA_WINE_PORTS") == nullptr) {
    *whyNot = "TORVA_WINE_PORTS is not set: no COM port of this run leads to a pseudo-terminal";
    return nullptr;
  }
  const HANDLE portUnderTest = OpenCom("COM1");
  const HANDLE peer = OpenCom("COM2");
  if (portUnderTest == INVALID_HANDLE_VALUE || peer == INVALID_HANDLE_VALUE) {
    *whyNot = "COM1 or COM2 cannot be opened: Win32 error " + std::to_string(GetLastError());
    if (peer != INVALID_HANDLE_VALUE) CloseHandle(peer);
    if (portUnderTest != INVALID_HANDLE_VALUE) CloseHandle(portUnderTest);
    return nullptr;
  }
  Discard(portUnderTest);
  Discard(peer);
  CloseHandle(portUnderTest);
  return std::make_unique<ComPeer>(peer);
}
