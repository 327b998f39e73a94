#include "cli/arguments.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "common/tool_error.h"

namespace tool {
namespace {

const OptionInfo* FindOption(const std::vector<OptionInfo>& known, std::string_view name) {
  for (const OptionInfo& option : known) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

std::string LongName(const std::string& word) {
  if (word == "-h") return "--help";
  if (word == "-v") return "--verbose";
  return word;
}

// "-5" is a value (a negative number), not an option.
bool IsOptionWord(const std::string& word) {
  return word.size() > 1 && word[0] == '-' && !(word[1] >= '0' && word[1] <= '9');
}

bool LooksLikeFileName(const std::string& word) {
  return !IsOptionWord(word) && word.find_first_of("./\\") != std::string::npos;
}

}  // namespace

std::optional<std::string> Arguments::Value(std::string_view name) const {
  const auto found = options.find(name);
  if (found == options.end()) return std::nullopt;
  return found->second;
}

std::optional<long long> Arguments::Integer(std::string_view name, long long min, long long max) const {
  const std::optional<std::string> text = Value(name);
  if (!text) return std::nullopt;
  return ParseInteger(*text, min, max, std::string(name));
}

Arguments ParseArguments(const std::vector<std::string>& words, const std::vector<OptionInfo>& known) {
  Arguments arguments;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word == "--") {
      arguments.positionals.insert(arguments.positionals.end(), words.begin() + static_cast<long>(i) + 1, words.end());
      break;
    }
    if (!IsOptionWord(word)) {
      arguments.positionals.push_back(word);
      continue;
    }
    const std::size_t equals = word.find('=');
    const std::string name = LongName(word.substr(0, equals));
    const OptionInfo* option = FindOption(known, name);
    if (option == nullptr) throw UsageError("unknown option " + name);
    if (equals != std::string::npos) {
      if (option->valueName == nullptr) throw UsageError(name + " takes no value");
      arguments.options[name] = word.substr(equals + 1);
    } else if (option->valueName == nullptr) {
      arguments.options[name] = "";
    } else if (option->valueOptional) {
      const bool takeNext = i + 1 < words.size() && LooksLikeFileName(words[i + 1]);
      arguments.options[name] = takeNext ? words[++i] : "";
    } else {
      if (i + 1 >= words.size()) throw UsageError(name + " needs a value (" + option->valueName + ")");
      arguments.options[name] = words[++i];
    }
  }
  return arguments;
}

long long ParseInteger(const std::string& text, long long min, long long max, const std::string& what) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* digits = hex ? text.c_str() + 2 : text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(digits, &end, hex ? 16 : 10);
  // strtoll would also take leading blanks and a plus sign.
  const unsigned char first = static_cast<unsigned char>(*digits);
  const bool startsWell = (hex ? std::isxdigit(first) : std::isdigit(first)) || (!hex && first == '-');
  const bool whole = startsWell && end != digits && *end == '\0' && errno == 0;
  if (!whole || value < min || value > max) {
    throw UsageError(what + " must be a number from " + std::to_string(min) + " to " + std::to_string(max) +
                     ", not \"" + text + "\"");
  }
  return value;
}

}  // namespace tool
