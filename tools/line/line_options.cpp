#include "line/line_options.h"

#include <array>

namespace tool {
namespace {

struct Named {
  const char* name;
  const char* letter;  // as in "8N1"
};

// Indexed by the driver's codes.
constexpr std::array<Named, 5> kParities{{{"none", "N"}, {"odd", "O"}, {"even", "E"}, {"mark", "M"}, {"space", "S"}}};
constexpr std::array<Named, 3> kStopBits{{{"1", "1"}, {"1.5", "1.5"}, {"2", "2"}}};

template <std::size_t N>
std::optional<std::uint16_t> CodeOf(const std::array<Named, N>& table, const std::string& name) {
  for (std::size_t code = 0; code < N; ++code) {
    if (name == table[code].name) return static_cast<std::uint16_t>(code);
  }
  return std::nullopt;
}

template <std::size_t N>
const char* LetterOf(const std::array<Named, N>& table, std::uint16_t code) {
  return code < N ? table[code].letter : "?";
}

template <std::size_t N>
std::string NameOf(const std::array<Named, N>& table, std::uint16_t code) {
  return code < N ? table[code].name : "code " + std::to_string(code);
}

}  // namespace

std::int32_t TimeoutUnits(int milliseconds) { return (milliseconds + 9) / 10; }

std::optional<std::uint16_t> ParityCode(const std::string& name) { return CodeOf(kParities, name); }

std::optional<std::uint16_t> StopBitsCode(const std::string& name) { return CodeOf(kStopBits, name); }

std::string ParityName(std::uint16_t code) { return NameOf(kParities, code & 0xFF); }

std::string StopBitsName(std::uint16_t code) { return NameOf(kStopBits, code & 0xFF); }

std::string DescribeLine(const LineSettings& line) {
  return std::to_string(line.baudRate) + " baud " + std::to_string(line.dataBits & 0xFF) +
         LetterOf(kParities, line.parity & 0xFF) + LetterOf(kStopBits, line.stopBits & 0xFF);
}

}  // namespace tool
