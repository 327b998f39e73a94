// poll: the same reads again and again, with per-machine statistics and a
// summary at the end in the manner of ping.
#include <algorithm>
#include <cstdio>
#include <map>
#include <ostream>

#include "cli/readings.h"
#include "common/tool_error.h"
#include "output/interrupt.h"
#include "output/live.h"
#include "output/terminal.h"

namespace tool {
namespace {

constexpr int kDefaultIntervalMs = 1000;
constexpr long long kLongestIntervalMs = 3'600'000;

struct MachineStatistics {
  int exchanges = 0;  // reads that went to the machine
  int failures = 0;   // of those, the ones without an accepted reply
  int refused = 0;    // reads the driver refused at once: machine disabled
  double lastMs = 0;
  double totalMs = 0;  // over answered exchanges
  double minMs = 0;
  double maxMs = 0;
  Problem last = Problem::kNone;
  std::string troubleMessage;  // what went wrong first when the trouble began

  int answered() const { return exchanges - failures; }
  std::optional<double> meanMs() const { return answered() > 0 ? std::optional<double>(totalMs / answered()) : std::nullopt; }
};

std::string StateName(const MachineStatistics& machine) {
  switch (machine.last) {
    case Problem::kNone: return "answering";
    case Problem::kNoAnswer: return "stopped answering";
    case Problem::kDisabled: return "disabled";
    case Problem::kBadReply: return "bad replies";
    case Problem::kNotAcknowledged: break;
  }
  return ProblemName(machine.last);
}

std::string Milliseconds(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

class PollStatistics {
 public:
  // True when the machine's state changed with this read.
  bool Count(const Target& target, const TransferOutcome& outcome) {
    if (target.kind == TargetKind::kCommFlag) return false;  // the driver's own table
    if (!outcome.usedLine && outcome.problem == Problem::kNone) return false;
    MachineStatistics& machine = machines_[target.machine()];
    const bool changed = machine.last != outcome.problem;
    if (machine.last == Problem::kNone) machine.troubleMessage = outcome.message;
    machine.last = outcome.problem;
    if (!outcome.usedLine) {
      ++machine.refused;
      return changed;
    }
    ++machine.exchanges;
    if (outcome.problem != Problem::kNone) {
      ++machine.failures;
      return changed;
    }
    machine.lastMs = outcome.latencyMs;
    machine.minMs = machine.answered() == 1 ? outcome.latencyMs : std::min(machine.minMs, outcome.latencyMs);
    machine.maxMs = std::max(machine.maxMs, outcome.latencyMs);
    machine.totalMs += outcome.latencyMs;
    return changed;
  }

  std::vector<Record> Records() const {
    std::vector<Record> records;
    for (const auto& [number, machine] : machines_) {
      records.push_back(Record{
          ForScriptsOnly(TextField("record", "machine")),
          NumberField("machine", number),
          NumberField("exchanges", machine.exchanges),
          NumberField("failures", machine.failures),
          NumberField("disabled", machine.refused),
          DecimalField("last_ms", machine.answered() > 0 ? std::optional<double>(machine.lastMs) : std::nullopt, 1),
          DecimalField("mean_ms", machine.meanMs(), 1),
          TextField("state", StateName(machine)),
      });
    }
    return records;
  }

  // The explanation of every machine that is still in trouble.
  std::vector<std::string> Troubles() const {
    std::vector<std::string> messages;
    for (const auto& [number, machine] : machines_) {
      if (machine.last != Problem::kNone) messages.push_back(machine.troubleMessage);
    }
    return messages;
  }

  MachineStatistics Total() const {
    MachineStatistics total;
    bool first = true;
    for (const auto& [number, machine] : machines_) {
      total.exchanges += machine.exchanges;
      total.failures += machine.failures;
      total.refused += machine.refused;
      total.totalMs += machine.totalMs;
      if (machine.answered() == 0) continue;
      total.minMs = first ? machine.minMs : std::min(total.minMs, machine.minMs);
      total.maxMs = std::max(total.maxMs, machine.maxMs);
      first = false;
    }
    return total;
  }

 private:
  std::map<int, MachineStatistics> machines_;
};

struct PollPlan {
  std::vector<Target> targets;
  int intervalMs;
  std::optional<long long> rounds;  // none: until interrupted
  bool live;                        // a table updated in place
};

std::vector<std::string> Heading(const CommandContext& context, Session& session, const PollPlan& plan, int round) {
  std::string addresses;
  for (const std::string& text : context.args.positionals) addresses += " " + text;
  return {"poll" + addresses + ": round " + std::to_string(round) + ", every " + std::to_string(plan.intervalMs) +
              " ms" + (plan.live ? " (Ctrl-C stops)" : ""),
          "on " + session.Description(), ""};
}

std::string SummaryLine(const MachineStatistics& total, int rounds, double seconds) {
  const double failedShare = total.exchanges > 0 ? 100.0 * total.failures / total.exchanges : 0;
  char text[320];
  std::snprintf(text, sizeof text, "%d rounds in %.1f s: %d exchanges, %d answered, %d failed (%.1f%%), %d refused while disabled",
                rounds, seconds, total.exchanges, total.answered(), total.failures, failedShare, total.refused);
  std::string line = text;
  if (const std::optional<double> mean = total.meanMs()) {
    line += ", latency min/mean/max " + Milliseconds(total.minMs) + "/" + Milliseconds(*mean) + "/" +
            Milliseconds(total.maxMs) + " ms";
  }
  return line;
}

Record SummaryRecord(const MachineStatistics& total, int rounds, double seconds) {
  return Record{
      TextField("record", "summary"),
      NumberField("rounds", rounds),
      DecimalField("seconds", seconds, 3),
      NumberField("exchanges", total.exchanges),
      NumberField("answered", total.answered()),
      NumberField("failures", total.failures),
      NumberField("disabled", total.refused),
      DecimalField("min_ms", total.answered() > 0 ? std::optional<double>(total.minMs) : std::nullopt, 1),
      DecimalField("mean_ms", total.meanMs(), 1),
      DecimalField("max_ms", total.answered() > 0 ? std::optional<double>(total.maxMs) : std::nullopt, 1),
  };
}

// The values of one round; a failure goes to stderr when it is new for its
// machine (a live table shows them at the end).
std::vector<Record> PollRound(const CommandContext& context, Session& session, const PollPlan& plan,
                              PollStatistics& statistics, bool* allRead) {
  std::vector<Record> values;
  for (const Target& target : plan.targets) {
    const TransferOutcome outcome = ReadTarget(session.driver(), target, FactsOf(session));
    const bool changed = statistics.Count(target, outcome);
    if (outcome.problem != Problem::kNone) {
      *allRead = false;
      if (!plan.live && changed) context.Complain(target.text + ": " + outcome.message);
    }
    const auto now = std::chrono::system_clock::now();
    for (const Reading& reading : outcome.readings) {
      values.push_back(ReadingRecord(reading, outcome.problem, now, !plan.live));
    }
  }
  return values;
}

void AppendLines(std::vector<std::string>& to, const std::vector<Record>& records) {
  if (records.empty()) return;
  const std::vector<std::string> lines = TableLines(records);
  to.insert(to.end(), lines.begin(), lines.end());
}

void ShowRound(const CommandContext& context, Session& session, const PollPlan& plan, int round,
               const std::vector<Record>& values, const PollStatistics& statistics, InPlaceDisplay& display,
               RecordWriter& writer) {
  if (context.format != Format::kTable) {
    for (const Record& record : values) writer.Write(record);
    return;
  }
  std::vector<std::string> lines = Heading(context, session, plan, round);
  AppendLines(lines, values);
  if (plan.live) {
    lines.push_back("");
    AppendLines(lines, statistics.Records());
    display.Show(lines);
    return;
  }
  if (round > 1) context.out << '\n';
  for (const std::string& line : lines) context.out << line << '\n';
  context.out << std::flush;
}

// At the end: the statistics and the summary line; for CSV they go to
// stderr, so that standard output stays one table.
void ShowEnd(const CommandContext& context, const PollPlan& plan, const PollStatistics& statistics, int rounds,
             double seconds) {
  const MachineStatistics total = statistics.Total();
  if (plan.live) {
    for (const std::string& message : statistics.Troubles()) context.Complain(message);
  }
  if (context.format == Format::kJson) {
    for (const Record& record : statistics.Records()) context.out << JsonLine(record) << '\n';
    context.out << JsonLine(SummaryRecord(total, rounds, seconds)) << '\n' << std::flush;
    return;
  }
  std::ostream& out = context.format == Format::kCsv ? context.err : context.out;
  if (!plan.live && !statistics.Records().empty()) {
    out << '\n';
    for (const std::string& line : TableLines(statistics.Records())) out << line << '\n';
  }
  out << "--- " << SummaryLine(total, rounds, seconds) << '\n' << std::flush;
}

}  // namespace

int RunPoll(CommandContext& context) {
  if (context.args.positionals.empty()) throw UsageError("poll needs at least one address");
  PollPlan plan{{},
                static_cast<int>(context.args.Integer("--interval", 0, kLongestIntervalMs).value_or(kDefaultIntervalMs)),
                context.args.Integer("--count", 1, INT32_MAX),
                context.format == Format::kTable && StdoutIsTerminal()};
  Session& session = context.workspace.session();
  bool allAccepted = true;
  plan.targets = ResolveAllForRead(context, session.driver(), context.args.positionals, &allAccepted);
  if (plan.targets.empty()) return kExitFailed;

  PollStatistics statistics;
  InPlaceDisplay display(context.out, StdoutColumns());
  auto writer = context.Writer(TableLayout::kColumns);
  bool allRead = true;
  int rounds = 0;
  const auto start = std::chrono::steady_clock::now();
  while (!Interrupted() && (!plan.rounds || rounds < *plan.rounds)) {
    if (rounds > 0 && !SleepUnlessInterrupted(plan.intervalMs)) break;
    ++rounds;
    const std::vector<Record> values = PollRound(context, session, plan, statistics, &allRead);
    ShowRound(context, session, plan, rounds, values, statistics, display, *writer);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ShowEnd(context, plan, statistics, rounds, seconds);
  return allAccepted && allRead ? kExitOk : kExitFailed;
}

}  // namespace tool
