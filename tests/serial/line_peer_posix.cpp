// The native line: a pseudo-terminal pair, opened afresh for every test.
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "serial/posix_baud_rate.h"
#include "serial/posix_termios.h"
#include "serial/pty_peer.h"

const int kLowerCaseNulOpenResult = kSerialOpenFailed;  // there is no /dev/nul

std::unique_ptr<LinePeer> ConnectLinePeer(std::string* whyNot) { return PtyPeer::Open(whyNot); }

std::unique_ptr<PtyPeer> PtyPeer::Open(std::string* whyNot) {
  int master = -1;
  int slave = -1;
  char path[256];
  if (openpty(&master, &slave, path, nullptr, nullptr) != 0) {
    *whyNot = "no pseudo-terminal: errno " + std::to_string(errno);
    return nullptr;
  }
  std::unique_ptr<PtyPeer> peer(new PtyPeer(master, slave, path));
  termios raw = peer->Attributes();
  cfmakeraw(&raw);
  peer->SetAttributes(raw);
  return peer;
}

PtyPeer::PtyPeer(int master, int slave, std::string slavePath)
    : master_(master), slave_(slave), slavePath_(std::move(slavePath)) {}

PtyPeer::~PtyPeer() {
  HangUp();
  close(slave_);
}

bool PtyPeer::Send(const Bytes& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = write(master_, bytes.data() + sent, bytes.size() - sent);
    if (n < 0 && errno != EINTR) return false;
    if (n > 0) sent += static_cast<std::size_t>(n);
  }
  return true;
}

Bytes PtyPeer::Receive(std::size_t count, int timeoutMs) {
  Bytes received(count);
  std::size_t got = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (got < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd entry{master_, POLLIN, 0};
    if (left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) <= 0) break;
    const ssize_t n = read(master_, received.data() + got, count - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  received.resize(got);
  return received;
}

ObservedLine PtyPeer::LineOf(SerialHandle) const {
  const termios attributes = Attributes();
  ObservedLine line;
  serial_platform::ReadBaudRate(slave_, line.baudRate);
  line.dataBits = serial_platform::DataBitsOf(attributes.c_cflag);
  line.parity = serial_platform::ParityOf(attributes.c_cflag);
  line.stopBits = serial_platform::StopBitsOf(attributes.c_cflag);
  return line;
}

termios PtyPeer::Attributes() const {
  termios attributes{};
  tcgetattr(slave_, &attributes);
  return attributes;
}

void PtyPeer::SetAttributes(const termios& attributes) { tcsetattr(slave_, TCSANOW, &attributes); }

bool PtyPeer::WaitUntilPending(int count, int timeoutMs) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int pending = 0;
  while (ioctl(slave_, FIONREAD, &pending) == 0 && pending < count) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return pending >= count;
}

void PtyPeer::HangUp() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}
