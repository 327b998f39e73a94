// write: registers of a machine, or the driver's communication flags.
#include "cli/readings.h"
#include "common/joined.h"
#include "common/tool_error.h"

namespace tool {
namespace {

constexpr long long kLowestWord = -32768;  // written as its 16-bit pattern
constexpr long long kHighestWord = 65535;
constexpr std::uint16_t kHighestFlag = 255;  // the driver keeps the low byte of a single flag write

std::vector<std::uint16_t> WordValues(const std::vector<std::string>& texts) {
  std::vector<std::uint16_t> values;
  for (const std::string& text : texts) {
    values.push_back(static_cast<std::uint16_t>(ParseInteger(text, kLowestWord, kHighestWord, "a value")));
  }
  return values;
}

void CheckValueCount(const std::string& address, std::size_t count) {
  if (IsPseudoAddress(address) || count == 1 || count == kBlockRegisters) return;
  throw UsageError("a register takes one value and a block of ten registers ten values, not " +
                   std::to_string(count));
}

void CheckFlagValues(const std::vector<std::uint16_t>& values) {
  for (std::uint16_t value : values) {
    if (value > kHighestFlag) {
      throw UsageError("a communication flag is 0 (enabled) or 1 to 255 (disabled), not " + std::to_string(value));
    }
  }
}

std::string ValuesText(const std::vector<std::uint16_t>& values) {
  std::vector<std::string> words;
  for (std::uint16_t value : values) words.push_back(std::to_string(value));
  return Joined(words, " ");
}

std::string FlagNote(const Target& target, const std::vector<std::uint16_t>& values) {
  if (target.kind != TargetKind::kCommFlag || values.size() != 1) return "";
  return "machine " + MachineText(target.machine()) + (values[0] == 0 ? " enabled" : " disabled");
}

}  // namespace

int RunWrite(CommandContext& context) {
  const std::vector<std::string>& words = context.args.positionals;
  if (words.size() < 2) throw UsageError("write needs an address and at least one value");
  const std::string& address = words.front();
  const std::vector<std::uint16_t> values = WordValues({words.begin() + 1, words.end()});
  CheckValueCount(address, values.size());

  Session& session = context.workspace.session();
  const Resolution resolution = ResolveForWrite(session.driver(), address, values.size());
  if (!resolution.target) {
    context.Complain("address \"" + address + "\" refused: " + resolution.refusal);
    return kExitFailed;
  }
  const Target& target = *resolution.target;
  if (target.kind == TargetKind::kCommFlag) CheckFlagValues(values);

  const TransferOutcome outcome = WriteTarget(session.driver(), target, values, FactsOf(session));
  auto writer = context.Writer(TableLayout::kColumns);
  writer->Write(Record{
      TextField("address", address),
      NumberField("machine", target.machine()),
      NumberField("register", target.kind == TargetKind::kCommFlag ? std::nullopt
                                                                    : std::optional<long long>(target.spec.address)),
      NumberField("count", static_cast<long long>(values.size())),
      TextField("values", ValuesText(values)),
      TextField("result", ProblemName(outcome.problem)),
      TextField("note", outcome.problem == Problem::kNone ? FlagNote(target, values) : ""),
  });
  writer->Finish();
  if (outcome.problem == Problem::kNone) return kExitOk;
  context.Complain(address + ": " + outcome.message);
  return kExitFailed;
}

}  // namespace tool
