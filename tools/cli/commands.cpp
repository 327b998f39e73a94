// The command table, the options every command shares, help, and running a
// command with its errors turned into exit statuses.
#include <optional>
#include <ostream>

#include "cli/command.h"
#include "common/tool_error.h"
#include "output/interrupt.h"

namespace tool {
namespace {

constexpr int kScanTimeoutMs = 100;
constexpr long long kLongestTimeoutMs = 60000;

const std::vector<OptionInfo> kDriverGroup = {
    {"--driver", "FILE", "the driver library to load (default: the one beside torva)"},
    {"--verbose", nullptr, "show the driver's log lines on stderr (-v)"},
};

const std::vector<OptionInfo> kLineGroup = {
    {"--port", "NAME", "serial port of the line (/dev/ttyUSB0, COM3); without it, a simulated line"},
    {"--baud", "N", "baud rate, 1 to 65535 (default 19200)"},
    {"--data-bits", "N", "data bits, 5 to 8 (default 8)"},
    {"--parity", "NAME", "none, odd, even, mark or space (default none)"},
    {"--stop-bits", "N", "1, 1.5 or 2 (default 1)"},
    {"--timeout", "MS", "reply time-out in milliseconds, 10 to 60000, kept in 10 ms steps (default 500; scan 100)"},
    {"--sim-port", "NAME", "serve the simulated line on NAME, the other end of a null-modem pair with --port"},
    {"--trace", "FILE",
     "every byte on the line, time-stamped in hex, TX sent and RX received, to stderr or to FILE "
     "(--trace=FILE, or --trace FILE when the name holds a '.' or '/'); a real port is traced on Linux only",
     true},
};

const std::vector<OptionInfo> kOutputGroup = {
    {"--json", nullptr, "one JSON object a line, for scripts"},
    {"--csv", nullptr, "comma-separated values with a heading line, for scripts"},
};

const OptionInfo kHelpOption{"--help", nullptr, "this help (-h)"};

const char kAddressHelp[] =
    "Addresses: MMRRRR is register RRRR (0000-9999) of machine MM (00-99); MMRRRRBB is bit BB\n"
    "(00-15) of it; MM$STAT is the status word the machine sent last, kept by the driver;\n"
    "MM$COMM is the driver's communication flag of the machine: 0 while the driver talks to it,\n"
    "set when the machine stopped answering. Machines answer for blocks of ten registers.";

const std::vector<Command> kCommands = {
    {"info", "info [options]", "the driver's description",
     "Shows what the driver tells a host about itself: its banner, vendor, the size of the\n"
     "context a host allocates for it, and its default line settings.",
     {}, kDriverOptions | kOutputOptions, RunInfo},
    {"parse", "parse ADDRESS [--type N] [--block N] [options]", "check an address as the driver parses it",
     "Hands ADDRESS to the driver's address parser, as a host does when a user enters a tag, and\n"
     "shows the address record it fills, or why the address is refused.\n\n"
     "--type N is the host's data type of the tag: 6 is a bit and needs MMRRRRBB; $STAT and\n"
     "$COMM take 0 or 1. --block N parses the address as a block of N values, as the block\n"
     "parser does: ten registers from a multiple of 10, or N flags from MM$COMM on.\n\n"
     "Exit status 1 when the address is refused.",
     {{"--type", "N", "the tag's data type (default 0)"}, {"--block", "N", "parse as a block of N values"}},
     kDriverOptions | kOutputOptions, RunParse},
    {"read", "read ADDRESS... [options]", "read registers, status words and flags",
     "Reads each ADDRESS and shows its values in decimal and hexadecimal, and signed where that\n"
     "differs. MMRRRR with RRRR a multiple of 10 reads the block of ten registers RRRR to RRRR+9;\n"
     "any other register (or bit) is read through its block and shown alone.\n\n"
     "A machine that does not answer is disabled by the driver; later reads of it in the same\n"
     "session fail at once until its flag is written 0 (torva write MM$COMM 0, in torva shell).\n"
     "Exit status 1 when any read failed.",
     {}, kDriverOptions | kLineOptions | kOutputOptions, RunRead},
    {"write", "write ADDRESS VALUE... [options]", "write registers or communication flags",
     "Writes one register (MMRRRR VALUE), a block of ten registers (MMRRRR with RRRR a multiple\n"
     "of 10, and ten values), or communication flags (MM$COMM 0 enables machine MM, 1 to 255\n"
     "disables it; several values set the flags of MM and the machines after it).\n"
     "Values are decimal (-32768 to 65535) or hexadecimal (0x0000 to 0xFFFF).\n\n"
     "Each run starts the driver afresh with every machine enabled, so flags matter within one\n"
     "session: use torva shell to write a flag and go on with the same driver.\n"
     "Exit status 1 when the write failed.",
     {}, kDriverOptions | kLineOptions | kOutputOptions, RunWrite},
    {"poll", "poll ADDRESS... [--interval MS] [--count N] [options]", "read repeatedly, with statistics",
     "Reads the addresses again and again and keeps statistics per machine: exchanges, failures,\n"
     "reads refused while disabled, last and mean latency. On a terminal the table updates in\n"
     "place; otherwise each round is printed. Ctrl-C (or --count) ends it with a summary.\n"
     "Exit status 1 when any read failed.",
     {{"--interval", "MS", "pause between rounds (default 1000)"},
      {"--count", "N", "stop after N rounds (default: until Ctrl-C)"}},
     kDriverOptions | kLineOptions | kOutputOptions, RunPoll},
    {"scan", "scan [--from M] [--to N] [options]", "find the machines that answer",
     "Asks each machine number from M to N (default 00 to 99) for its registers 0000-0009 and\n"
     "lists those that answer. A silent machine costs three time-outs, so scan's time-out is\n"
     "100 ms unless --timeout says otherwise. The communication flags are read first and put\n"
     "back afterwards, so every machine keeps the flag it had.\n"
     "Exit status 1 when no machine answered.",
     {{"--from", "M", "first machine number (default 0)"}, {"--to", "N", "last machine number (default 99)"}},
     kDriverOptions | kLineOptions | kOutputOptions, RunScan, kScanTimeoutMs},
    {"list-ports", "list-ports [options]", "the serial ports of this computer",
     "Lists the serial ports: on Linux with their driver, USB vendor and product, serial number\n"
     "and the stable /dev/serial/by-id name; on Windows the COM ports the system knows.",
     {}, kOutputOptions, RunListPorts},
    {"sim", "sim [SIMULATOR OPTIONS]", "run a simulated line of machines in the foreground",
     "Runs the simulator of a line of machines until it is stopped; torva sim --help lists its\n"
     "options.",
     {}, 0, RunSim, kDefaultTimeoutMs, true},
    {"demo", "demo [options]", "the whole job on a simulated line",
     "Shows the driver's description, polls a simulated line of five machines for a few rounds,\n"
     "writes a register and reads it back. On Windows give --port COM1 --sim-port COM2 (a\n"
     "null-modem pair); a real line is never written by the demo.",
     {}, kDriverOptions | kLineOptions, RunDemo},
    {"shell", "shell [options]", "one driver session, commands typed or piped",
     "Starts the driver once and runs the commands read from standard input, one a line\n"
     "(read, write, poll, scan, parse, info, help; exit or end of input to stop), all on the\n"
     "same driver, so that communication flags and status words carry from one to the next.\n"
     "Exit status: the worst of the commands'.",
     {}, kDriverOptions | kLineOptions | kOutputOptions, RunShell},
};

void Append(std::vector<OptionInfo>& to, const std::vector<OptionInfo>& group) {
  to.insert(to.end(), group.begin(), group.end());
}

bool Shows(const Command& command, unsigned group, bool inShell) {
  const bool sessionGroup = group == kDriverOptions || group == kLineOptions;
  return (command.groups & group) != 0 && !(inShell && sessionGroup);
}

// Works out its driver or session on first use, from the command's options.
class OwnWorkspace : public Workspace {
 public:
  OwnWorkspace(LineOptions options, std::ostream& err) : options_(std::move(options)), err_(err) {}

  Driver& driver() override {
    if (session_) return session_->driver();
    if (!driver_) {
      library_ = LoadDriverLibrary(options_.driverPath);
      driver_ = std::make_unique<Driver>(library_->kelMain());
      if (options_.verbose) EchoDriverLog(*driver_, err_);
    }
    return *driver_;
  }

  Session& session() override {
    if (!session_) session_ = std::make_unique<Session>(options_, err_);
    return *session_;
  }

 private:
  LineOptions options_;
  std::ostream& err_;
  std::unique_ptr<DriverLibrary> library_;
  std::unique_ptr<Driver> driver_;
  std::unique_ptr<Session> session_;
};

void PrintOptions(const std::vector<OptionInfo>& options, std::ostream& out) {
  for (const OptionInfo& option : options) {
    std::string left = option.name;
    if (option.valueName != nullptr) left += option.valueOptional ? std::string(" [") + option.valueName + "]" : std::string(" ") + option.valueName;
    out << "  " << left << std::string(left.size() < 22 ? 22 - left.size() : 1, ' ') << option.help << '\n';
  }
}

}  // namespace

void CommandContext::Complain(const std::string& message) const { err << "torva: " << message << '\n' << std::flush; }

const std::vector<Command>& Commands() { return kCommands; }

const Command* FindCommand(const std::string& name) {
  for (const Command& command : kCommands) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

std::vector<OptionInfo> OptionsOf(const Command& command, bool inShell) {
  std::vector<OptionInfo> options = command.options;
  if (Shows(command, kLineOptions, inShell)) Append(options, kLineGroup);
  if (Shows(command, kDriverOptions, inShell)) Append(options, kDriverGroup);
  if (Shows(command, kOutputOptions, inShell)) Append(options, kOutputGroup);
  options.push_back(kHelpOption);
  return options;
}

LineOptions LineOptionsFrom(const Arguments& args, int defaultTimeoutMs) {
  LineOptions options;
  options.port = args.Value("--port");
  options.simPort = args.Value("--sim-port");
  options.line.baudRate = static_cast<std::uint16_t>(args.Integer("--baud", 1, 65535).value_or(kDefaultLine.baudRate));
  options.line.dataBits = static_cast<std::uint16_t>(args.Integer("--data-bits", 5, 8).value_or(kDefaultLine.dataBits));
  if (const std::optional<std::string> parity = args.Value("--parity")) {
    const std::optional<std::uint16_t> code = ParityCode(*parity);
    if (!code) throw UsageError("--parity is none, odd, even, mark or space, not \"" + *parity + "\"");
    options.line.parity = *code;
  }
  if (const std::optional<std::string> stopBits = args.Value("--stop-bits")) {
    const std::optional<std::uint16_t> code = StopBitsCode(*stopBits);
    if (!code) throw UsageError("--stop-bits is 1, 1.5 or 2, not \"" + *stopBits + "\"");
    options.line.stopBits = *code;
  }
  options.timeoutMs = static_cast<int>(args.Integer("--timeout", 10, kLongestTimeoutMs).value_or(defaultTimeoutMs));
  if (const std::optional<std::string> trace = args.Value("--trace")) {
    options.trace = true;
    if (!trace->empty()) options.traceFile = *trace;
  }
  options.driverPath = args.Value("--driver").value_or("");
  options.verbose = args.Has("--verbose");
  return options;
}

Format FormatFrom(const Arguments& args) {
  if (args.Has("--json") && args.Has("--csv")) throw UsageError("--json and --csv exclude each other");
  if (args.Has("--json")) return Format::kJson;
  return args.Has("--csv") ? Format::kCsv : Format::kTable;
}

void PrintCommandHelp(const Command& command, bool inShell, std::ostream& out) {
  out << "usage: " << (inShell ? "" : "torva ") << command.usage << "\n\n" << command.description << "\n";
  const bool takesAddresses = std::string(command.usage).find("ADDRESS") != std::string::npos;
  if (takesAddresses) out << '\n' << kAddressHelp << '\n';
  out << "\noptions:\n";
  PrintOptions(OptionsOf(command, inShell), out);
}

void PrintToolHelp(std::ostream& out) {
  out << "usage: torva COMMAND [ARGUMENTS] [options]\n\n"
         "A host for the torva driver: it loads the driver library, starts it on a serial line and\n"
         "reads and writes the registers of the machines on it. Without --port it works on a\n"
         "simulated line of five machines, so torva demo shows the whole job with no hardware.\n\n"
         "commands:\n";
  for (const Command& command : kCommands) {
    const std::string name = command.name;
    out << "  " << name << std::string(12 - name.size(), ' ') << command.summary << '\n';
  }
  out << "\ntorva COMMAND --help tells more about each.\n"
         "Exit status: 0 all succeeded, 1 an exchange or an address failed, 2 the command line is\n"
         "wrong, 3 the port cannot be opened (or the driver library cannot be loaded).\n";
}

int RunCommand(const Command& command, const std::vector<std::string>& words, std::ostream& out,
               std::ostream& err, Workspace* shellWorkspace) {
  const bool inShell = shellWorkspace != nullptr;
  try {
    Arguments args;
    if (command.takesRawArguments) {
      if (inShell) throw UsageError(std::string(command.name) + " does not run inside a shell");
      args.positionals = words;
    } else {
      args = ParseArguments(words, OptionsOf(command, inShell));
    }
    if (args.Has("--help")) {
      PrintCommandHelp(command, inShell, out);
      return kExitOk;
    }
    std::optional<OwnWorkspace> own;
    Workspace& workspace =
        inShell ? *shellWorkspace : own.emplace(LineOptionsFrom(args, command.defaultTimeoutMs), err);
    CommandContext context{args, FormatFrom(args), out, err, workspace, inShell};
    ClearInterrupt();
    return command.run(context);
  } catch (const UsageError& error) {
    err << "torva: " << error.what() << "\nusage: " << (inShell ? "" : "torva ") << command.usage << "  (see "
        << (inShell ? "" : "torva ") << command.name << " --help)\n";
    return kExitUsage;
  } catch (const ToolError& error) {
    err << "torva: " << error.what() << '\n';
    return error.status();
  }
}

}  // namespace tool
