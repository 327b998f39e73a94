// shell: one driver session for many commands, typed or piped.
#include <algorithm>
#include <iostream>
#include <sstream>

#include "cli/command.h"
#include "common/tool_error.h"
#include "output/terminal.h"

namespace tool {
namespace {

constexpr char kPrompt[] = "torva> ";

bool RunsInShell(const Command& command) {
  const std::string name = command.name;
  return name != "shell" && name != "demo" && name != "sim";
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// The shell's --json or --csv holds for every command that names no format.
void AddShellFormat(std::vector<std::string>& words, Format format) {
  const bool named = std::any_of(words.begin(), words.end(), [](const std::string& w) { return w == "--json" || w == "--csv"; });
  if (named || format == Format::kTable) return;
  words.push_back(format == Format::kJson ? "--json" : "--csv");
}

void PrintShellHelp(std::ostream& out) {
  out << "commands (each takes --help):\n";
  for (const Command& command : Commands()) {
    if (RunsInShell(command)) out << "  " << command.usage << '\n';
  }
  out << "  exit\n";
}

}  // namespace

int RunShell(CommandContext& context) {
  if (!context.args.positionals.empty()) throw UsageError("shell takes no arguments; it reads commands from standard input");
  // Every command of the shell runs on this one session.
  Session& session = context.workspace.session();
  const bool interactive = StdinIsTerminal();
  if (interactive) context.err << "torva shell on " << session.Description() << "; help lists the commands, exit ends\n";
  int worst = kExitOk;
  std::string line;
  for (;;) {
    if (interactive) context.err << kPrompt << std::flush;
    if (!std::getline(std::cin, line)) break;
    std::vector<std::string> words = Words(line);
    if (words.empty() || words.front()[0] == '#') continue;
    const std::string name = words.front();
    if (name == "exit" || name == "quit") break;
    if (name == "help" && words.size() == 1) {
      PrintShellHelp(context.out);
      continue;
    }
    const Command* command = FindCommand(name == "help" ? words[1] : name);
    if (command == nullptr || !RunsInShell(*command)) {
      context.Complain("\"" + (name == "help" ? words[1] : name) + "\" is not a shell command; help lists them");
      worst = std::max<int>(worst, kExitUsage);
      continue;
    }
    words.erase(words.begin());
    if (name == "help") words = {"--help"};
    AddShellFormat(words, context.format);
    worst = std::max(worst, RunCommand(*command, words, context.out, context.err, &context.workspace));
  }
  return worst;
}

}  // namespace tool
