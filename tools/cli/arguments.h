// Command-line words to options and positional arguments, in the manner of
// common tools: --name VALUE, --name=VALUE, flags, and "--" to end options.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tool {

struct OptionInfo {
  const char* name;       // "--port"
  const char* valueName;  // "NAME"; nullptr for a flag
  const char* help;
  // The value may be left out; it is taken from the next word only when
  // that looks like a file name (holds '.' or '/'), else only with '='.
  bool valueOptional = false;
};

class Arguments {
 public:
  std::vector<std::string> positionals;
  std::map<std::string, std::string, std::less<>> options;  // a flag maps to ""

  bool Has(std::string_view name) const { return options.find(name) != options.end(); }
  std::optional<std::string> Value(std::string_view name) const;
  // The option's value as an integer in [min, max]; UsageError otherwise.
  std::optional<long long> Integer(std::string_view name, long long min, long long max) const;
};

// UsageError for an unknown option or a missing value.
Arguments ParseArguments(const std::vector<std::string>& words, const std::vector<OptionInfo>& known);

// Decimal, or hexadecimal with 0x; UsageError naming `what` when it is not
// a number in [min, max].
long long ParseInteger(const std::string& text, long long min, long long max, const std::string& what);

}  // namespace tool
