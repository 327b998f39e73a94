// parse: an address as the driver's parsers see it.
#include <climits>

#include "cli/command.h"
#include "common/tool_error.h"
#include "driver/addresses.h"

namespace tool {
namespace {

std::optional<long long> SpecValue(const Resolution& resolution, std::int32_t AddressSpec::*field) {
  if (!resolution.target) return std::nullopt;
  return resolution.target->spec.*field;
}

}  // namespace

int RunParse(CommandContext& context) {
  if (context.args.positionals.size() != 1) throw UsageError("parse takes one address");
  const std::string& text = context.args.positionals.front();
  const auto dataType = static_cast<std::int32_t>(context.args.Integer("--type", INT32_MIN, INT32_MAX).value_or(0));
  const std::optional<long long> block = context.args.Integer("--block", INT32_MIN, INT32_MAX);
  const std::optional<std::int32_t> blockCount =
      block ? std::optional<std::int32_t>(static_cast<std::int32_t>(*block)) : std::nullopt;

  const Resolution resolution = ResolveAsGiven(context.workspace.driver(), text, dataType, blockCount);
  const bool accepted = resolution.target.has_value();
  const Record record{
      TextField("text", text),
      TextField("parser", blockCount ? "block" : "single"),
      NumberField("data_type", dataType),
      NumberField("block_count", block),
      BooleanField("accepted", accepted),
      NumberField("result", resolution.result),
      NumberField("machine", SpecValue(resolution, &AddressSpec::machine)),
      TextField("kind", accepted ? KindName(resolution.target->spec.kind) : ""),
      ForScriptsOnly(NumberField("kind_code", SpecValue(resolution, &AddressSpec::kind))),
      NumberField("address", resolution.target && resolution.target->kind != TargetKind::kStatus
                                 ? SpecValue(resolution, &AddressSpec::address)
                                 : std::nullopt),
      NumberField("bit", SpecValue(resolution, &AddressSpec::bit)),
      NumberField("width", SpecValue(resolution, &AddressSpec::width)),
      TextField("meaning", accepted ? DescribeSpec(resolution.target->spec, blockCount) : ""),
      TextField("reason", resolution.refusal),
      TextField("driver_log", resolution.driverLine),
  };
  auto writer = context.Writer(TableLayout::kVertical);
  writer->Write(record);
  writer->Finish();
  if (accepted) return kExitOk;
  context.Complain("address \"" + text + "\" refused: " + resolution.refusal);
  return kExitFailed;
}

}  // namespace tool
