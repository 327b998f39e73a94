// The host's side of the driver: one driver instance, called through KelMain
// with the records a host keeps, and the log lines each call left.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "driver/driver_library.h"

namespace tool {

struct LogLine {
  int level;
  std::string text;
};

struct StartSettings {
  std::string portName;  // as the driver opens it: at most 11 characters
  std::int32_t timeoutUnits;  // reply time-out in units of 10 ms
  LineSettings line;
};

class Driver {
 public:
  // Asks for the description and allocates the context it asks for.
  explicit Driver(KelMainFunction kelMain);
  // Ends a started driver (closing its port).
  ~Driver();
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  const DriverInfo& info() const { return info_; }

  ResultCode Start(const StartSettings& settings);
  ResultCode End();
  // `blockCount` selects the block parser.
  ResultCode Parse(const std::string& text, std::int32_t dataType,
                   std::optional<std::int32_t> blockCount, AddressSpec* spec);
  ResultCode ReadSingle(const AddressSpec& spec, std::uint16_t* value);
  ResultCode ReadBlock(const AddressSpec& spec, std::span<std::uint16_t> values);
  ResultCode WriteSingle(const AddressSpec& spec, std::uint16_t value);
  ResultCode WriteBlock(const AddressSpec& spec, std::span<const std::uint16_t> values);

  // The lines the driver logged during the last call.
  const std::vector<LogLine>& lastLog() const { return lastLog_; }
  bool Logged(std::string_view fragment) const;
  // Called with every logged line as it is collected (for --verbose).
  void EchoLog(std::function<void(const LogLine&)> echo) { echo_ = std::move(echo); }

 private:
  ResultCode Call(std::uint32_t operation, void* params);
  ResultCode Transfer(std::uint32_t operation, const AddressSpec& spec, std::int32_t count,
                      std::uint16_t* data);
  void CollectLog();

  KelMainFunction kelMain_;
  DriverInfo info_{};
  std::vector<std::max_align_t> context_;
  bool started_ = false;
  std::vector<LogLine> lastLog_;
  std::function<void(const LogLine&)> echo_;
};

}  // namespace tool
