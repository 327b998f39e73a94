#include <unistd.h>

#include <atomic>
#include <stdexcept>

#include "support/test_port.h"

namespace {

// Port names hold 11 characters: a longer slave path gets a short link.
std::string ShortName(const std::string& path) {
  if (path.size() <= 11) return path;
  static std::atomic<int> counter{0};
  const std::string link = "/tmp/tv" + std::to_string((getpid() * 16 + counter++) % 10000);
  unlink(link.c_str());
  if (symlink(path.c_str(), link.c_str()) != 0) throw std::runtime_error("cannot link " + path);
  return link;
}

}  // namespace

TestPort OpenTestPort(int) {
  std::string path;
  TestPort port;
  port.peer = sim::OpenPseudoTerminal(&path);
  if (!port.peer) throw std::runtime_error("no pseudo-terminal");
  port.driverName = ShortName(path);
  return port;
}

void DrainDriverEnd(const TestPort&) {}

bool PortsAreExclusive() { return true; }
