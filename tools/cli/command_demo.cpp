// demo: the whole job on the simulated line, step by step, each step shown
// with the command that does it on its own.
#include <ostream>

#include "cli/command.h"
#include "common/joined.h"
#include "common/tool_error.h"
#include "output/terminal.h"

namespace tool {
namespace {

struct Step {
  const char* title;  // empty: the step goes on with the one before
  const char* command;
  std::vector<std::string> positionals;
  std::map<std::string, std::string, std::less<>> options;
  int expectedStatus = kExitOk;
};

const std::vector<Step> kSteps{
    {"1. The driver describes itself to its host.", "info", {}, {}},
    {"2. Register 0005 of machines 01 to 03 and the status word of machine 01, polled three times.", "poll",
     {"010005", "020005", "030005", "01$STAT"}, {{"--count", "3"}, {"--interval", "300"}}},
    {"3. Register 0005 of machine 02 written, then read back.", "write", {"020005", "4660"}, {}},
    {"", "read", {"020005"}, {}},
    {"4. Machine 07 is not on the line: the driver gives up on it and disables it, and the tool\n"
     "   says why and how to bring it back.",
     "read", {"070000"}, {}, kExitFailed},
};

// The step as a command of its own.
std::string CommandLine(const Step& step) {
  std::vector<std::string> words{"torva", step.command};
  for (const std::string& word : step.positionals) words.push_back(ShellWord(word));
  for (const auto& [name, value] : step.options) words.insert(words.end(), {name, value});
  return Joined(words, " ");
}

bool RunStep(const CommandContext& demo, const Step& step) {
  if (step.title[0] != '\0') demo.out << '\n' << step.title << '\n';
  demo.out << "\n   $ " << CommandLine(step) << "\n\n" << std::flush;
  Arguments args;
  args.positionals = step.positionals;
  args.options = step.options;
  CommandContext context{args, Format::kTable, demo.out, demo.err, demo.workspace, false};
  return FindCommand(step.command)->run(context) == step.expectedStatus;
}

}  // namespace

int RunDemo(CommandContext& context) {
  if (!context.args.positionals.empty()) throw UsageError("demo takes no arguments");
  if (context.args.Has("--port") && !context.args.Has("--sim-port")) {
    throw UsageError("the demo writes registers, so it runs only on the simulated line: leave out --port "
                     "(on Windows give --port COM1 --sim-port COM2)");
  }
  Session& session = context.workspace.session();
  context.out << "torva demo on a " << session.Description() << '\n';
  bool asExpected = true;
  for (const Step& step : kSteps) asExpected = RunStep(context, step) && asExpected;
  context.out << "\nNext: torva --help; on a real line, torva scan --port /dev/ttyUSB0 finds the machines.\n";
  return asExpected ? kExitOk : kExitFailed;
}

}  // namespace tool
