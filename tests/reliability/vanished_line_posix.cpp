#include <unistd.h>

#include <stdexcept>

#include "reliability/vanished_line.h"

namespace {

// Points the link `name` at a new pseudo-terminal; returns its other end.
std::unique_ptr<sim::Line> LinkNewTerminal(const std::string& name) {
  std::string path;
  auto peer = sim::OpenPseudoTerminal(&path);
  if (!peer) throw std::runtime_error("no pseudo-terminal");
  unlink(name.c_str());
  if (symlink(path.c_str(), name.c_str()) != 0) throw std::runtime_error("cannot link " + name);
  return peer;
}

}  // namespace

bool VanishedLinesCannotBeReopened() { return true; }

TestPort OpenPluggableTestPort() {
  TestPort port;
  port.driverName = "/tmp/tvp" + std::to_string(getpid() % 1000);  // 11 characters at most
  port.peer = LinkNewTerminal(port.driverName);
  return port;
}

std::unique_ptr<sim::Line> PlugLineBackIn(const std::string& driverName) {
  return LinkNewTerminal(driverName);
}
