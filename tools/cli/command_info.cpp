// info: the driver's description, as GetKelInfo gives it to a host.
#include <ostream>

#include "cli/command.h"
#include "common/tool_error.h"
#include "output/terminal.h"

namespace tool {

int RunInfo(CommandContext& context) {
  if (!context.args.positionals.empty()) throw UsageError("info takes no arguments");
  const DriverInfo& info = context.workspace.driver().info();
  const bool forPeople = context.format == Format::kTable;
  std::string banner = TranslateCodePage437(info.banner, forPeople ? StdoutBoxStyle() : BoxStyle::kUtf8);
  banner.erase(0, banner.find_first_not_of('\n'));
  if (forPeople) context.out << banner << '\n';
  const Record record{
      ForScriptsOnly(TextField("banner", banner)),
      TextField("vendor", info.vendor),
      NumberField("context_size", info.contextSize),
      ForPeopleOnly(TextField("default_line", DescribeLine(info.line))),
      ForScriptsOnly(NumberField("baud", info.line.baudRate)),
      ForScriptsOnly(NumberField("data_bits", info.line.dataBits)),
      ForScriptsOnly(TextField("stop_bits", StopBitsName(info.line.stopBits))),
      ForScriptsOnly(TextField("parity", ParityName(info.line.parity))),
      NumberField("host_code_a", info.hostCodeA),
      NumberField("host_code_b", info.hostCodeB),
      NumberField("host_code_c", info.hostCodeC),
  };
  auto writer = context.Writer(TableLayout::kVertical);
  writer->Write(record);
  writer->Finish();
  return kExitOk;
}

}  // namespace tool
