// list-ports: the serial ports of this computer.
#include "cli/command.h"
#include "common/tool_error.h"
#include "ports/serial_ports.h"

namespace tool {

int RunListPorts(CommandContext& context) {
  if (!context.args.positionals.empty()) throw UsageError("list-ports takes no arguments");
  const std::vector<SerialPortInfo> ports = ListSerialPorts();
  auto writer = context.Writer(TableLayout::kColumns);
  for (const SerialPortInfo& port : ports) {
    writer->Write(Record{
        TextField("port", port.port),
        TextField("driver", port.kernelDriver),
        TextField("vid", port.vendorId),
        TextField("pid", port.productId),
        TextField("serial", port.serialNumber),
        TextField("manufacturer", port.manufacturer),
        TextField("product", port.product),
        TextField("by_id", port.byId),
    });
  }
  writer->Finish();
  if (ports.empty() && context.format == Format::kTable) context.out << "no serial ports found\n";
  return kExitOk;
}

}  // namespace tool
