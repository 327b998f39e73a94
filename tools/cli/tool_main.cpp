#include "cli/tool_main.h"

#include <ostream>

#include "cli/command.h"
#include "common/tool_error.h"
#include "output/interrupt.h"
#include "output/terminal.h"

namespace tool {

int RunTool(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  PrepareOutput();
  CatchInterrupt();
  if (words.empty()) {
    PrintToolHelp(err);
    err << "\nNew here? torva demo shows the whole job on a simulated line.\n";
    return kExitUsage;
  }
  const std::string& first = words.front();
  if (first == "help" || first == "--help" || first == "-h") {
    const Command* command = words.size() > 1 ? FindCommand(words[1]) : nullptr;
    if (command != nullptr) {
      PrintCommandHelp(*command, false, out);
    } else {
      PrintToolHelp(out);
    }
    return kExitOk;
  }
  const Command* command = FindCommand(first);
  if (command == nullptr) {
    err << "torva: unknown command \"" << first << "\"; torva --help lists the commands\n";
    return kExitUsage;
  }
  return RunCommand(*command, std::vector<std::string>(words.begin() + 1, words.end()), out, err, nullptr);
}

}  // namespace tool
