#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "output/terminal.h"

namespace tool {
namespace {

// The character set of the locale, as the C library would choose it.
std::string LocaleName() {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return "";
}

bool NamesUtf8(std::string name) {
  for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return name.find("UTF-8") != std::string::npos || name.find("UTF8") != std::string::npos;
}

}  // namespace

bool StdinIsTerminal() { return isatty(STDIN_FILENO) == 1; }

bool StdoutIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

int StdoutColumns() {
  winsize size{};
  return ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

BoxStyle StdoutBoxStyle() { return NamesUtf8(LocaleName()) ? BoxStyle::kUtf8 : BoxStyle::kAscii; }

std::string ShellWord(const std::string& word) {
  return word.find_first_of("$ \"*?") == std::string::npos ? word : "'" + word + "'";
}

void PrepareOutput() {}

}  // namespace tool
