#include "sim/sim_config.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace sim {
namespace {

using Tokens = std::vector<std::string>;

constexpr long kMaxWord = 0xFFFF;
constexpr long kMaxDelayMs = 600'000;
constexpr long kMaxBaud = 4'000'000;

Tokens Split(const std::string& line) {
  std::istringstream words(line.substr(0, line.find('#')));
  return {std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
}

bool Fail(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

// Decimal, or hexadecimal after 0x (or always, with `hex`).
bool ParseNumber(const std::string& text, long low, long high, const char* what, long* value,
                 std::string* error, bool hex = false) {
  const bool prefixed = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = prefixed ? text.substr(2) : text;
  const int base = hex || prefixed ? 16 : 10;
  bool valid = !digits.empty() && digits.size() <= 9;
  for (char c : digits) valid = valid && (base == 16 ? std::isxdigit(c) : std::isdigit(c)) != 0;
  if (valid) *value = std::stol(digits, nullptr, base);
  if (!valid || *value < low || *value > high) {
    return Fail(error, std::string(what) + " '" + text + "' is not a number from " +
                           std::to_string(low) + " to " + std::to_string(high));
  }
  return true;
}

// "0-9,20" into 0, 1, ..., 9, 20.
bool ParseList(const std::string& text, long low, long high, const char* what,
               std::vector<int>* items, std::string* error) {
  std::istringstream parts(text);
  for (std::string part; std::getline(parts, part, ',');) {
    const std::size_t dash = part.find('-', 1);
    long first = 0;
    long last = 0;
    if (!ParseNumber(part.substr(0, dash), low, high, what, &first, error)) return false;
    last = first;
    if (dash != std::string::npos &&
        !ParseNumber(part.substr(dash + 1), first, high, what, &last, error)) {
      return false;
    }
    for (long item = first; item <= last; ++item) items->push_back(static_cast<int>(item));
  }
  return !items->empty() || Fail(error, std::string("no ") + what + " in '" + text + "'");
}

bool ParseMachines(const std::string& text, std::vector<int>* machines, std::string* error) {
  return ParseList(text, 0, kMachines - 1, "machine", machines, error);
}

bool ExpectCount(const Tokens& tokens, std::size_t low, std::size_t high, const char* form,
                 std::string* error) {
  if (tokens.size() >= low && tokens.size() <= high) return true;
  return Fail(error, std::string("'") + tokens[0] + "' is written '" + form + "'");
}

bool ApplyMachineList(Simulator& simulator, const Tokens& tokens, std::string* error) {
  std::vector<int> machines;
  if (!ExpectCount(tokens, 2, 2, "machines LIST", error) ||
      !ParseMachines(tokens[1], &machines, error)) {
    return false;
  }
  for (int m = 0; m < kMachines; ++m) simulator.SetPresent(m, false);
  for (int m : machines) simulator.SetPresent(m, true);
  return true;
}

bool ApplyStatus(Simulator& simulator, const Tokens& tokens, std::string* error) {
  std::vector<int> machines;
  long status = 0;
  if (!ExpectCount(tokens, 4, 4, "machine M status V", error)) return false;
  if (tokens[2] != "status") return Fail(error, "'machine' is written 'machine M status V'");
  if (!ParseMachines(tokens[1], &machines, error) ||
      !ParseNumber(tokens[3], 0, kMaxWord, "status", &status, error)) {
    return false;
  }
  for (int m : machines) simulator.SetStatus(m, static_cast<std::uint16_t>(status));
  return true;
}

bool ApplyRegisters(Simulator& simulator, const Tokens& tokens, std::string* error) {
  std::vector<int> machines;
  long address = 0;
  if (!ExpectCount(tokens, 4, 3 + kRegisters, "register M ADDR V...", error) ||
      !ParseMachines(tokens[1], &machines, error) ||
      !ParseNumber(tokens[2], 0, kRegisters - 1, "register", &address, error)) {
    return false;
  }
  if (address + static_cast<long>(tokens.size()) - 3 > kRegisters) {
    return Fail(error, "the values run past register " + std::to_string(kRegisters - 1));
  }
  std::vector<std::uint16_t> values;
  for (std::size_t i = 3; i < tokens.size(); ++i) {
    long value = 0;
    if (!ParseNumber(tokens[i], 0, kMaxWord, "value", &value, error)) return false;
    values.push_back(static_cast<std::uint16_t>(value));
  }
  for (int m : machines) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      simulator.SetRegister(m, static_cast<int>(address + i), values[i]);
    }
  }
  return true;
}

bool ApplyReadOnly(Simulator& simulator, const Tokens& tokens, std::string* error) {
  std::vector<int> machines;
  std::vector<int> addresses;
  if (!ExpectCount(tokens, 3, 3, "readonly M LIST", error) ||
      !ParseMachines(tokens[1], &machines, error) ||
      !ParseList(tokens[2], 0, kRegisters - 1, "register", &addresses, error)) {
    return false;
  }
  for (int m : machines) {
    for (int address : addresses) simulator.SetReadOnly(m, address, true);
  }
  return true;
}

// A fault's arguments, after the kind.
struct FaultKind {
  const char* name;
  const char* form;
  bool (*apply)(MachineFaults& faults, const Tokens& args, std::string* error);
};

bool SetCount(int* field, const Tokens& args, long high, const char* what, std::string* error) {
  long value = 0;
  if (args.size() != 1 || !ParseNumber(args[0], 0, high, what, &value, error)) return false;
  *field = static_cast<int>(value);
  return true;
}

const FaultKind kFaultKinds[] = {
    {"silent", "silent",
     [](MachineFaults& f, const Tokens& args, std::string*) {
       f.silent = true;
       return args.empty();
     }},
    {"silent-after", "silent-after N",
     [](MachineFaults& f, const Tokens& args, std::string* error) {
       return SetCount(&f.silentAfterReplies, args, 1'000'000'000, "reply count", error);
     }},
    {"bad-checksum", "bad-checksum N",
     [](MachineFaults& f, const Tokens& args, std::string* error) {
       return SetCount(&f.badChecksumReplies, args, 1'000'000'000, "reply count", error);
     }},
    {"wrong-codes", "wrong-codes N",
     [](MachineFaults& f, const Tokens& args, std::string* error) {
       return SetCount(&f.wrongCodeReplies, args, 1'000'000'000, "reply count", error);
     }},
    {"nack", "nack I (0 to 9)",
     [](MachineFaults& f, const Tokens& args, std::string* error) {
       return SetCount(&f.nackIndex, args, kDataWords - 1, "position", error);
     }},
    {"cut", "cut K (0 to 35)",
     [](MachineFaults& f, const Tokens& args, std::string* error) {
       return SetCount(&f.cutAfterBytes, args, kFrameSize - 1, "byte count", error);
     }},
    {"delay", "delay MS",
     [](MachineFaults& f, const Tokens& args, std::string* error) {
       return SetCount(&f.replyDelayMs, args, kMaxDelayMs, "delay", error);
     }},
    {"noise", "noise HH... (hexadecimal bytes)",
     [](MachineFaults& f, const Tokens& args, std::string* error) {
       f.noiseBeforeReply.clear();
       for (const std::string& arg : args) {
         long byte = 0;
         if (!ParseNumber(arg, 0, 0xFF, "byte", &byte, error, true)) return false;
         f.noiseBeforeReply.push_back(static_cast<std::uint8_t>(byte));
       }
       return !args.empty();
     }},
    {"none", "none",
     [](MachineFaults& f, const Tokens& args, std::string*) {
       f = MachineFaults{};
       return args.empty();
     }},
};

std::string FaultNames() {
  std::string names;
  for (const FaultKind& kind : kFaultKinds) names += std::string(names.empty() ? "" : ", ") + kind.name;
  return names;
}

bool ApplyFault(Simulator& simulator, const Tokens& tokens, std::string* error) {
  std::vector<int> machines;
  if (!ExpectCount(tokens, 3, 3 + 64, "fault M KIND [ARG...]", error) ||
      !ParseMachines(tokens[1], &machines, error)) {
    return false;
  }
  for (const FaultKind& kind : kFaultKinds) {
    if (tokens[2] != kind.name) continue;
    const Tokens args(tokens.begin() + 3, tokens.end());
    for (int m : machines) {
      MachineFaults faults = simulator.Faults(m);
      error->clear();
      if (!kind.apply(faults, args, error)) {
        return Fail(error, (error->empty() ? "" : *error + "; ") + "the fault is written 'fault M " +
                               kind.form + "'");
      }
      simulator.SetFaults(m, faults);
    }
    return true;
  }
  return Fail(error, "unknown fault '" + tokens[2] + "' (one of " + FaultNames() + ")");
}

bool ParseScripted(const std::string& entry, ScriptedReply* reply, std::string* error) {
  struct Named {
    const char* name;
    ReplyFault fault;
  };
  static constexpr Named kEntries[] = {{"ok", ReplyFault::kNone},
                                       {"silent", ReplyFault::kSilent},
                                       {"bad-checksum", ReplyFault::kBadChecksum},
                                       {"wrong-codes", ReplyFault::kWrongCodes}};
  for (const Named& named : kEntries) {
    if (entry == named.name) {
      *reply = ScriptedReply{named.fault, 0};
      return true;
    }
  }
  long bytes = 0;
  if (entry.rfind("cut:", 0) != 0) {
    return Fail(error, "unknown scripted reply '" + entry +
                           "' (one of ok, silent, bad-checksum, wrong-codes, cut:K)");
  }
  if (!ParseNumber(entry.substr(4), 0, kFrameSize - 1, "byte count", &bytes, error)) return false;
  *reply = ScriptedReply{ReplyFault::kCut, static_cast<int>(bytes)};
  return true;
}

bool ApplyScript(Simulator& simulator, const Tokens& tokens, std::string* error) {
  std::vector<int> machines;
  if (!ExpectCount(tokens, 3, 10'000, "script M ENTRY...", error) ||
      !ParseMachines(tokens[1], &machines, error)) {
    return false;
  }
  std::vector<ScriptedReply> replies(tokens.size() - 2);
  for (std::size_t i = 2; i < tokens.size(); ++i) {
    if (!ParseScripted(tokens[i], &replies[i - 2], error)) return false;
  }
  for (int m : machines) simulator.Script(m, replies);
  return true;
}

bool ApplyPace(Simulator& simulator, const Tokens& tokens, std::string* error) {
  long baud = 0;
  if (!ExpectCount(tokens, 2, 2, "pace BAUD", error) ||
      !ParseNumber(tokens[1], 0, kMaxBaud, "baud rate", &baud, error)) {
    return false;
  }
  simulator.SetPacing(static_cast<std::uint32_t>(baud));
  return true;
}

struct Setting {
  const char* keyword;
  bool (*apply)(Simulator& simulator, const Tokens& tokens, std::string* error);
};

constexpr Setting kSettings[] = {
    {"machines", ApplyMachineList}, {"machine", ApplyStatus}, {"register", ApplyRegisters},
    {"readonly", ApplyReadOnly},    {"fault", ApplyFault},    {"script", ApplyScript},
    {"pace", ApplyPace},
};

}  // namespace

bool ApplyConfigLine(Simulator& simulator, const std::string& line, std::string* error) {
  const Tokens tokens = Split(line);
  if (tokens.empty()) return true;
  for (const Setting& setting : kSettings) {
    if (tokens[0] == setting.keyword) return setting.apply(simulator, tokens, error);
  }
  return Fail(error, "unknown setting '" + tokens[0] +
                         "' (machines, machine, register, readonly, fault, script, pace)");
}

bool ApplyConfigText(Simulator& simulator, const std::string& text, std::string* error) {
  std::istringstream lines(text);
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    if (!ApplyConfigLine(simulator, line, error)) {
      *error = "line " + std::to_string(number) + ": " + *error;
      return false;
    }
  }
  return true;
}

}  // namespace sim
