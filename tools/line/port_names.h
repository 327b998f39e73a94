// Port names between the user and the driver, whose port-name field holds
// at most 11 characters.
#pragma once

#include <optional>
#include <string>

namespace tool {

inline constexpr std::size_t kDriverPortNameLength = 11;

// The name under which the driver can open `port`, shortened where the
// platform has a shorter name for the same device; nullopt when it has none.
std::optional<std::string> DriverPortName(const std::string& port);

// What to check when `port` cannot be opened, for the error line.
std::string PortOpenHint(const std::string& port);

}  // namespace tool
