// Exit statuses of the tool, and the errors that end a command with one.
#pragma once

#include <stdexcept>
#include <string>

namespace tool {

enum ExitStatus : int {
  kExitOk = 0,
  kExitFailed = 1,  // an exchange with a machine or an address failed
  kExitUsage = 2,   // the command line is wrong
  kExitNoLine = 3,  // the port cannot be opened (or the driver cannot be loaded)
};

// Ends the command: `what()` is the one line shown on stderr.
class ToolError : public std::runtime_error {
 public:
  ToolError(ExitStatus status, const std::string& message) : std::runtime_error(message), status_(status) {}
  ExitStatus status() const { return status_; }

 private:
  ExitStatus status_;
};

class UsageError : public ToolError {
 public:
  explicit UsageError(const std::string& message) : ToolError(kExitUsage, message) {}
};

}  // namespace tool
