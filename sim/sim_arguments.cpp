// torva-sim's command line: options of the program itself, and setting flags
// that are spelt-out configuration lines.
#include <fstream>
#include <sstream>

#include "sim/sim_config.h"

namespace sim {
namespace {

std::string CommasToSpaces(std::string text) {
  for (char& c : text) c = c == ',' ? ' ' : c;
  return text;
}

// "M<separator>REST" into its two halves.
bool SplitAt(const std::string& value, char separator, std::string* left, std::string* right) {
  const std::size_t at = value.find(separator);
  if (at == std::string::npos || at == 0 || at + 1 == value.size()) return false;
  *left = value.substr(0, at);
  *right = value.substr(at + 1);
  return true;
}

// Each returns the configuration line a flag's value stands for, or "" when
// the value is not in the flag's form.
std::string MachinesLine(const std::string& value) { return "machines " + value; }
std::string PaceLine(const std::string& value) { return "pace " + value; }

std::string StatusLine(const std::string& value) {
  std::string machine, status;
  return SplitAt(value, '=', &machine, &status) ? "machine " + machine + " status " + status : "";
}

std::string RegisterLine(const std::string& value) {
  std::string machine, rest, address, values;
  if (!SplitAt(value, ':', &machine, &rest) || !SplitAt(rest, '=', &address, &values)) return "";
  return "register " + machine + " " + address + " " + CommasToSpaces(values);
}

std::string ReadOnlyLine(const std::string& value) {
  std::string machine, addresses;
  return SplitAt(value, ':', &machine, &addresses) ? "readonly " + machine + " " + addresses : "";
}

std::string FaultLine(const std::string& value) {
  std::string machine, fault, kind, argument;
  if (!SplitAt(value, ':', &machine, &fault)) return "";
  if (!SplitAt(fault, '=', &kind, &argument)) return "fault " + machine + " " + fault;
  return "fault " + machine + " " + kind + " " + CommasToSpaces(argument);
}

std::string ScriptLine(const std::string& value) {
  std::string machine, entries;
  return SplitAt(value, ':', &machine, &entries) ? "script " + machine + " " + CommasToSpaces(entries) : "";
}

struct SettingFlag {
  const char* flag;
  const char* form;
  std::string (*toLine)(const std::string& value);
};

constexpr SettingFlag kSettingFlags[] = {
    {"--machines", "LIST", MachinesLine},     {"--status", "M=V", StatusLine},
    {"--register", "M:ADDR=V[,V...]", RegisterLine}, {"--readonly", "M:LIST", ReadOnlyLine},
    {"--fault", "M:KIND[=ARG[,ARG...]]", FaultLine},  {"--script", "M:ENTRY[,ENTRY...]", ScriptLine},
    {"--pace", "BAUD", PaceLine},
};

bool ApplyConfigFile(Simulator& simulator, const std::string& path, std::string* error) {
  std::ifstream file(path);
  if (!file) {
    *error = "cannot read " + path;
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  if (ApplyConfigText(simulator, text.str(), error)) return true;
  *error = path + ": " + *error;
  return false;
}

bool ApplySettingFlag(Simulator& simulator, const SettingFlag& flag, const std::string& value,
                      std::string* error) {
  const std::string line = flag.toLine(value);
  if (!line.empty() && ApplyConfigLine(simulator, line, error)) return true;
  if (line.empty()) *error = "is written " + std::string(flag.flag) + " " + flag.form;
  *error = std::string(flag.flag) + " " + value + ": " + *error;
  return false;
}

const SettingFlag* FindSettingFlag(const std::string& name) {
  for (const SettingFlag& flag : kSettingFlags) {
    if (name == flag.flag) return &flag;
  }
  return nullptr;
}

bool ParseBaud(const std::string& value, std::uint32_t* baud, std::string* error) {
  constexpr std::size_t kMaxDigits = 7;
  const bool digits = !value.empty() && value.size() <= kMaxDigits &&
                      value.find_first_not_of("0123456789") == std::string::npos;
  if (digits && std::stoul(value) > 0) {
    *baud = static_cast<std::uint32_t>(std::stoul(value));
    return true;
  }
  *error = "--baud " + value + ": a baud rate is a positive decimal number";
  return false;
}

// An option that takes a value (one TakesValue() knows); false with `*error`
// when the value is wrong.
bool ApplyOption(const std::string& name, const std::string& value, Simulator& simulator,
                 SimOptions* options, std::string* error) {
  if (const SettingFlag* setting = FindSettingFlag(name)) {
    return ApplySettingFlag(simulator, *setting, value, error);
  }
  if (name == "--config") return ApplyConfigFile(simulator, value, error);
  if (name == "--baud") return ParseBaud(value, &options->baudRate, error);
  options->port = value;
  return true;
}

bool TakesValue(const std::string& name) {
  return FindSettingFlag(name) != nullptr || name == "--config" || name == "--baud" || name == "--port";
}

}  // namespace

bool ParseSimArguments(int argc, char** argv, Simulator& simulator, SimOptions* options,
                       std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--help" || name == "-h") {
      options->help = true;
    } else if (name == "--trace") {
      options->trace = true;
    } else if (!TakesValue(name)) {
      *error = "unknown argument " + name;
      return false;
    } else if (i + 1 == argc) {
      *error = name + " wants a value";
      return false;
    } else if (!ApplyOption(name, argv[++i], simulator, options, error)) {
      return false;
    }
  }
  return true;
}

}  // namespace sim
