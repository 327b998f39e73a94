// The subcommands: what each takes, its help, and what it runs on.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "line/session.h"
#include "output/records.h"

namespace tool {

// Option groups a command takes besides its own.
enum OptionGroup : unsigned {
  kDriverOptions = 1,  // --driver, --verbose
  kLineOptions = 2,    // --port and the line settings, --sim-port, --timeout, --trace
  kOutputOptions = 4,  // --json, --csv
};

// What a command works on: a driver alone (info, parse) or a driver on a
// line. A shell hands its one session to every command it runs.
class Workspace {
 public:
  virtual ~Workspace() = default;
  virtual Driver& driver() = 0;
  virtual Session& session() = 0;
};

struct CommandContext {
  Arguments args;
  Format format;
  std::ostream& out;
  std::ostream& err;
  Workspace& workspace;
  bool inShell;

  std::unique_ptr<RecordWriter> Writer(TableLayout layout) const { return MakeRecordWriter(format, layout, out); }
  // "torva: <message>" on stderr.
  void Complain(const std::string& message) const;
};

struct Command {
  const char* name;
  const char* usage;        // "read ADDRESS... [options]"
  const char* summary;      // one line for the command list
  const char* description;  // the body of --help
  std::vector<OptionInfo> options;
  unsigned groups;
  int (*run)(CommandContext& context);
  int defaultTimeoutMs = kDefaultTimeoutMs;
  bool takesRawArguments = false;  // handed on unparsed (sim)
};

const std::vector<Command>& Commands();
const Command* FindCommand(const std::string& name);

// The options of `command` with its groups; the line and driver groups are
// left out inside a shell, whose session is fixed.
std::vector<OptionInfo> OptionsOf(const Command& command, bool inShell);
LineOptions LineOptionsFrom(const Arguments& args, int defaultTimeoutMs);
Format FormatFrom(const Arguments& args);

void PrintCommandHelp(const Command& command, bool inShell, std::ostream& out);
void PrintToolHelp(std::ostream& out);

// Runs `command` on `words` (its arguments): help, parsing, the run; errors
// become their exit status with one line on `err`.
int RunCommand(const Command& command, const std::vector<std::string>& words, std::ostream& out,
               std::ostream& err, Workspace* shellWorkspace);

// The subcommands' runs.
int RunInfo(CommandContext& context);
int RunParse(CommandContext& context);
int RunRead(CommandContext& context);
int RunWrite(CommandContext& context);
int RunPoll(CommandContext& context);
int RunScan(CommandContext& context);
int RunListPorts(CommandContext& context);
int RunSim(CommandContext& context);
int RunDemo(CommandContext& context);
int RunShell(CommandContext& context);

}  // namespace tool
