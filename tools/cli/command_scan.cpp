// scan: which machine numbers answer. Every machine is enabled for its probe
// and every communication flag is put back afterwards, as it was.
#include <algorithm>
#include <array>
#include <cstdio>
#include <ostream>

#include "cli/readings.h"
#include "common/joined.h"
#include "common/tool_error.h"
#include "output/interrupt.h"
#include "output/live.h"
#include "output/terminal.h"

namespace tool {
namespace {

constexpr int kLastMachine = kMachineCount - 1;

Target MustResolve(Driver& driver, const std::string& text, std::optional<std::int32_t> blockCount) {
  Resolution resolution = ResolveAsGiven(driver, text, 0, blockCount);
  if (!resolution.target) throw ToolError(kExitFailed, "the driver refused " + text + ": " + resolution.refusal);
  return *resolution.target;
}

// Reads every flag now and writes them all back when it goes.
class FlagKeeper {
 public:
  explicit FlagKeeper(Driver& driver) : driver_(driver), allFlags_(MustResolve(driver, "00$COMM", kMachineCount)) {
    if (driver_.ReadBlock(allFlags_.spec, flags_) != kResultDone) {
      throw ToolError(kExitFailed, "cannot read the communication flags from the driver");
    }
  }
  ~FlagKeeper() { driver_.WriteBlock(allFlags_.spec, flags_); }
  FlagKeeper(const FlagKeeper&) = delete;
  FlagKeeper& operator=(const FlagKeeper&) = delete;

  std::uint16_t Before(int machine) const { return flags_[static_cast<std::size_t>(machine)]; }

 private:
  Driver& driver_;
  Target allFlags_;
  std::array<std::uint16_t, kMachineCount> flags_{};
};

struct Probe {
  int machine;
  TransferOutcome outcome;
  std::optional<std::uint16_t> status;
  std::uint16_t flagBefore;
};

Probe ProbeMachine(Driver& driver, const FlagKeeper& flags, int machine, const LineFacts& facts) {
  driver.WriteSingle(MustResolve(driver, MachineText(machine) + "$COMM", std::nullopt).spec, 0);
  Probe probe{machine, ReadTarget(driver, MustResolve(driver, RegisterAddressText(machine, 0), kBlockRegisters), facts),
              std::nullopt, flags.Before(machine)};
  if (probe.outcome.problem == Problem::kNone) {
    std::uint16_t status = 0;
    if (driver.ReadSingle(MustResolve(driver, MachineText(machine) + "$STAT", std::nullopt).spec, &status) ==
        kResultDone) {
      probe.status = status;
    }
  }
  return probe;
}

bool Answers(const Probe& probe) { return probe.outcome.problem == Problem::kNone; }

Record ProbeRecord(const Probe& probe) {
  const bool answers = Answers(probe);
  char status[8] = "";
  if (probe.status) std::snprintf(status, sizeof status, "0x%04X", *probe.status);
  return Record{
      NumberField("machine", probe.machine),
      BooleanField("answers", answers),
      TextField("result", ProblemName(probe.outcome.problem)),
      TextField("status", status),
      DecimalField("latency_ms", answers ? std::optional<double>(probe.outcome.latencyMs) : std::nullopt, 1),
      NumberField("flag_before", probe.flagBefore),
  };
}

std::string SummaryLine(const std::vector<Probe>& probes, int from, double seconds, bool interrupted) {
  std::vector<std::string> answering;
  for (const Probe& probe : probes) {
    if (Answers(probe)) answering.push_back(MachineText(probe.machine));
  }
  const int last = probes.empty() ? from : probes.back().machine;
  char tail[96];
  std::snprintf(tail, sizeof tail, " (scanned %s-%s in %.1f s%s)", MachineText(from).c_str(),
                MachineText(last).c_str(), seconds, interrupted ? ", interrupted" : "");
  return std::to_string(answering.size()) + " of " + std::to_string(probes.size()) + " machines answer" +
         (answering.empty() ? "" : ": " + Joined(answering, " ")) + tail;
}

void ShowResults(const CommandContext& context, const std::vector<Probe>& probes, const std::string& summary) {
  auto writer = context.Writer(TableLayout::kColumns);
  for (const Probe& probe : probes) {
    // People see the machines that answer (or garble); scripts see every probe.
    if (context.format != Format::kTable || probe.outcome.problem != Problem::kNoAnswer) writer->Write(ProbeRecord(probe));
  }
  writer->Finish();
  if (context.format == Format::kJson) {
    context.out << JsonLine(Record{TextField("record", "summary"), TextField("text", summary)}) << '\n';
  } else {
    (context.format == Format::kCsv ? context.err : context.out) << summary << '\n';
  }
}

}  // namespace

int RunScan(CommandContext& context) {
  if (!context.args.positionals.empty()) throw UsageError("scan takes no addresses, only --from and --to");
  const int from = static_cast<int>(context.args.Integer("--from", 0, kLastMachine).value_or(0));
  const int to = static_cast<int>(context.args.Integer("--to", 0, kLastMachine).value_or(kLastMachine));
  if (from > to) throw UsageError("--from must not be above --to");

  Session& session = context.workspace.session();
  Driver& driver = session.driver();
  const LineFacts facts = FactsOf(session);
  std::vector<Probe> probes;
  const auto start = std::chrono::steady_clock::now();
  {
    const FlagKeeper flags(driver);
    ProgressBar progress(context.err, to - from + 1, StderrIsTerminal());
    int answering = 0;
    for (int machine = from; machine <= to && !Interrupted(); ++machine) {
      progress.Update(machine - from, "machine " + MachineText(machine) + ", " + std::to_string(answering) + " answering");
      probes.push_back(ProbeMachine(driver, flags, machine, facts));
      answering += Answers(probes.back()) ? 1 : 0;
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const std::string summary = SummaryLine(probes, from, seconds, Interrupted());
  ShowResults(context, probes, summary);
  for (const Probe& probe : probes) {
    if (probe.outcome.problem == Problem::kBadReply) context.Complain(probe.outcome.message);
  }
  const bool anyAnswered = std::any_of(probes.begin(), probes.end(), Answers);
  if (!anyAnswered) context.Complain("no machine answered: check the port, the wiring and the line settings (" + facts.settings + ")");
  return anyAnswered ? kExitOk : kExitFailed;
}

}  // namespace tool
