#include "pty_pair.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>

namespace {

constexpr std::size_t kLongestPortName = 11;

termios RawLine() {
  termios raw{};
  cfmakeraw(&raw);
  raw.c_cflag |= CLOCAL | CREAD;
  return raw;
}

std::string FreshLinkName() {
  static std::atomic<int> counter{0};
  return "/tmp/tb" + std::to_string((getpid() * 8 + counter++) % 10000);
}

}  // namespace

PortName::PortName(const std::string& devicePath) : name_(devicePath) {
  if (devicePath.size() <= kLongestPortName) return;
  name_ = FreshLinkName();
  unlink(name_.c_str());
  if (symlink(devicePath.c_str(), name_.c_str()) != 0) {
    throw std::runtime_error("cannot link " + devicePath);
  }
  linked_ = true;
}

PortName::~PortName() {
  if (linked_) unlink(name_.c_str());
}

PtyPair::PtyPair() {
  char path[256] = {};
  termios raw = RawLine();
  if (openpty(&master_, &slave_, path, &raw, nullptr) != 0) throw std::runtime_error("no pseudo-terminal");
  if (fcntl(master_, F_SETFL, O_NONBLOCK) != 0) throw std::runtime_error("cannot set up the pseudo-terminal");
  name_ = std::make_unique<PortName>(path);
}

PtyPair::~PtyPair() {
  close(master_);
  close(slave_);
}

SimulatedLine::SimulatedLine() {
  std::string path;
  std::unique_ptr<sim::Line> line = sim::OpenPseudoTerminal(&path);
  if (!line) throw std::runtime_error("no pseudo-terminal for the simulator");
  name_ = std::make_unique<PortName>(path);
  thread_ = std::make_unique<sim::SimulatorThread>(simulator_, std::move(line));
}

SimulatedLine::SimulatedLine(const std::string& devicePath) {
  std::unique_ptr<sim::Line> line = sim::OpenSerialDevice(devicePath, 19200);
  if (!line) throw std::runtime_error("the simulator cannot open " + devicePath);
  name_ = std::make_unique<PortName>(devicePath);
  thread_ = std::make_unique<sim::SimulatorThread>(simulator_, std::move(line));
}
