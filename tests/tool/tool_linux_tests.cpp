// torva on Linux: on a port that the test serves a simulator on (what the
// machines then hold, a traced real port, long port names), the port list
// from sysfs, the live table on a terminal and the banner in a plain locale.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ports/sysfs_ports.h"
#include "sim/simulator.h"
#include "tool/script_output.h"
#include "tool/tool_process.h"

namespace fs = std::filesystem;

namespace {

// A simulated line of the test's own on a pseudo-terminal, whose machines
// the test can look into.
class ServedLine : public ::testing::Test {
 protected:
  void SetUp() override {
    std::unique_ptr<sim::Line> line = sim::OpenPseudoTerminal(&port_);
    ASSERT_TRUE(line);
    for (int machine = 0; machine < sim::kMachines; ++machine) simulator_.SetPresent(machine, machine == 3);
    simulator_.SetRegister(3, 105, 0xBEEF);
    thread_ = std::make_unique<sim::SimulatorThread>(simulator_, std::move(line));
  }

  ToolResult Run(std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"--port", port_, "--timeout", "100"});
    return RunTool(arguments);
  }

  sim::Simulator simulator_;
  std::string port_;
  std::unique_ptr<sim::SimulatorThread> thread_;
};

TEST_F(ServedLine, WritesReachTheMachineAndAreReadBackByTheNextRun) {
  ASSERT_EQ(Run({"write", "030305", "500"}).exitCode, 0);
  EXPECT_EQ(simulator_.Register(3, 305), 500);
  const std::vector<std::string> block{"write", "030200", "0", "1", "2", "3", "4", "5", "6", "7", "8", "-1"};
  ASSERT_EQ(Run(block).exitCode, 0);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(simulator_.Register(3, 200 + i), i);
  EXPECT_EQ(simulator_.Register(3, 209), 0xFFFF);

  const ToolResult read = Run({"read", "030305", "030105", "--csv"});
  ASSERT_EQ(read.exitCode, 0) << read.err;
  const std::vector<CsvRow> rows = ParseCsv(read.out);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].at("value"), "500");
  EXPECT_EQ(rows[1].at("hex"), "0xBEEF");
  EXPECT_EQ(rows[1].at("signed"), "-16657");
}

TEST_F(ServedLine, AReadOnlyRegisterIsNotAcknowledged) {
  simulator_.SetReadOnly(3, 400, true);
  const ToolResult result = Run({"write", "030400", "1"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("machine 03 did not accept the write of register 0400"), std::string::npos) << result.err;
}

TEST_F(ServedLine, CorruptRepliesAreToldApartFromSilence) {
  sim::MachineFaults faults;
  faults.badChecksumReplies = 3;
  simulator_.SetFaults(3, faults);
  const ToolResult result = Run({"read", "030000", "--json"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(ParseJsonLines(result.out).at(0).at("result"), JsonText("bad-reply"));
  EXPECT_NE(result.err.find("machine 03 answered, but its replies were corrupt"), std::string::npos) << result.err;
}

TEST_F(ServedLine, ATracedPortRelaysAndRecordsBothWays) {
  const ToolResult result = Run({"read", "030100", "--trace"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("0xBEEF"), std::string::npos) << result.out;
  const std::vector<std::string> lines = Lines(result.err);
  ASSERT_EQ(lines.size(), 2u) << result.err;
  EXPECT_NE(lines[0].find(" TX 02 2F 00 03 00 50 44 44 52 00 00 0B 00"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find(" RX 02 4F 00 03 00"), std::string::npos) << lines[1];
  EXPECT_EQ(simulator_.ReceivedFrames().size(), 1u);
}

TEST_F(ServedLine, ALongNameForThePortIsShortenedForTheDriver) {
  const fs::path directory = fs::temp_directory_path() / "torva-tool-tests-by-id";
  fs::create_directories(directory);
  const fs::path link = directory / "usb-Maker_Adapter_A1B2C3-if00-port0";
  fs::remove(link);
  fs::create_symlink(port_, link);
  const ToolResult result = RunTool({"read", "030100", "--port", link.string()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("0xBEEF"), std::string::npos);
  fs::remove_all(directory);
}

TEST(ToolLive, APollOnATerminalRedrawsItsTableInPlace) {
  ToolRun run;
  run.outputOnTerminal = true;
  const ToolResult result = RunTool({"poll", "010005", "--count", "3", "--interval", "10"}, run);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  // Round 1 draws the table; rounds 2 and 3 each move up over it first.
  std::size_t moves = 0;
  for (std::size_t at = result.out.find("\x1b["); at != std::string::npos; at = result.out.find("\x1b[", at + 1)) {
    const std::size_t end = result.out.find_first_not_of("0123456789", at + 2);
    if (end != std::string::npos && result.out[end] == 'A') ++moves;
  }
  EXPECT_EQ(moves, 2u) << result.out;
  EXPECT_NE(result.out.find("round 3"), std::string::npos);
  EXPECT_NE(result.out.find("--- 3 rounds in"), std::string::npos);
}

TEST(ToolInterrupt, CtrlCEndsAPollWithItsSummary) {
  ToolRun run;
  run.interruptAfterMs = 1000;
  const ToolResult result = RunTool({"poll", "010005", "--interval", "100"}, run);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("machine  exchanges"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("0 failed (0.0%)"), std::string::npos) << result.out;
}

TEST(ToolInterrupt, AnInterruptedScanStillPutsEveryFlagBack) {
  ToolRun run;
  run.input = "write 02$COMM 1\nwrite 60$COMM 4\nscan\nread 00$COMM 02$COMM 60$COMM\n";
  run.interruptAfterMs = 1500;  // while machine 06 or a later one is silent
  const ToolResult result = RunTool({"shell", "--json", "--timeout", "300"}, run);
  const std::vector<JsonRecord> records = ParseJsonLines(result.out);
  std::string summary;
  std::vector<std::string> flags;
  for (const JsonRecord& record : records) {
    if (record.count("text") != 0) summary = record.at("text").text;
    if (record.count("hex") != 0) flags.push_back(record.at("value").text);
  }
  EXPECT_NE(summary.find("interrupted"), std::string::npos) << summary;
  EXPECT_EQ(flags, (std::vector<std::string>{"0", "1", "4"})) << result.err;
}

TEST(ToolInfo, ThePlainLocaleGetsAnAsciiBox) {
  struct Case {
    const char* locale;
    const char* corner;
  };
  for (const Case& c : {Case{"C", "+-"}, Case{"C.UTF-8", "\u250C\u2500"}, Case{"en_US.utf8", "\u250C\u2500"}}) {
    ToolRun run;
    run.environment = {{"LC_ALL", c.locale}};
    const ToolResult result = RunTool({"info"}, run);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.rfind(c.corner, 0), 0u) << c.locale << ":\n" << result.out;
    EXPECT_EQ(result.out.find('\r'), std::string::npos);
  }
}

// A sysfs tree as the kernel lays it out for a USB adapter, an on-board UART,
// a placeholder UART without hardware and a virtual terminal.
class FakeSysfs : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("torva-tool-sysfs-" + std::to_string(getpid()));
    fs::remove_all(root_);
    const fs::path usbDevice = root_ / "devices/pci0000:00/usb1/1-2";
    const fs::path usbTty = usbDevice / "1-2:1.0/ttyUSB0";
    Write(usbDevice / "idVendor", "0403");
    Write(usbDevice / "idProduct", "6001");
    Write(usbDevice / "serial", "A1B2C3");
    Write(usbDevice / "manufacturer", "Adapter Maker");
    Write(usbDevice / "product", "USB RS485 Cable");
    fs::create_directories(usbTty);
    fs::create_directories(root_ / "bus/usb-serial/drivers/ftdi_sio");
    fs::create_directory_symlink(root_ / "bus/usb-serial/drivers/ftdi_sio", usbTty / "driver");

    const fs::path uartController = root_ / "devices/pnp0/00:01";
    const fs::path uartPort = uartController / "00:01:0/00:01:0.0";
    fs::create_directories(uartPort);
    fs::create_directories(root_ / "bus/serial-base");
    fs::create_directories(root_ / "bus/pnp/drivers/serial");
    fs::create_directory_symlink(root_ / "bus/serial-base", uartPort / "subsystem");
    fs::create_directory_symlink(root_ / "bus/serial-base", uartPort.parent_path() / "subsystem");
    fs::create_directory_symlink(root_ / "bus/pnp/drivers/serial", uartController / "driver");

    const fs::path placeholder = root_ / "devices/platform/serial8250/tty/ttyS1";
    fs::create_directories(placeholder);

    AddTty("ttyUSB0", usbTty, "");
    AddTty("ttyS0", uartPort, "4");
    AddTty("ttyS1", placeholder, "0");
    fs::create_directories(root_ / "class/tty/tty1");  // no device

    fs::create_directories(root_ / "dev/serial/by-id");
    for (const char* name : {"ttyUSB0", "ttyS0", "ttyS1", "tty1"}) Write(root_ / "dev" / name, "");
    fs::create_symlink("../../ttyUSB0", root_ / "dev/serial/by-id/usb-Adapter_Maker_A1B2C3-if00-port0");
  }

  void TearDown() override { fs::remove_all(root_); }

  static void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << '\n';
  }

  void AddTty(const std::string& name, const fs::path& device, const std::string& type) {
    const fs::path tty = root_ / "class/tty" / name;
    fs::create_directories(tty);
    fs::create_directory_symlink(device, tty / "device");
    if (!type.empty()) Write(tty / "type", type);
  }

  fs::path root_;
};

TEST_F(FakeSysfs, PortsWithHardwareAreListedWithTheirUsbDetails) {
  const std::vector<tool::SerialPortInfo> ports =
      tool::ListSerialPortsIn(root_ / "class/tty", root_ / "dev", root_ / "dev/serial/by-id");
  ASSERT_EQ(ports.size(), 2u);
  const tool::SerialPortInfo& uart = ports[0];
  EXPECT_EQ(uart.port, (root_ / "dev/ttyS0").string());
  EXPECT_EQ(uart.kernelDriver, "serial") << "the controller's driver, behind the port layer";
  EXPECT_EQ(uart.vendorId, "");
  EXPECT_EQ(uart.byId, "");
  const tool::SerialPortInfo& usb = ports[1];
  EXPECT_EQ(usb.port, (root_ / "dev/ttyUSB0").string());
  EXPECT_EQ(usb.kernelDriver, "ftdi_sio");
  EXPECT_EQ(usb.vendorId, "0403");
  EXPECT_EQ(usb.productId, "6001");
  EXPECT_EQ(usb.serialNumber, "A1B2C3");
  EXPECT_EQ(usb.manufacturer, "Adapter Maker");
  EXPECT_EQ(usb.product, "USB RS485 Cable");
  EXPECT_EQ(usb.byId, (root_ / "dev/serial/by-id/usb-Adapter_Maker_A1B2C3-if00-port0").string());
}

TEST(ToolListPorts, ListsThisComputersPortsForScripts) {
  const ToolResult result = RunTool({"list-ports", "--json"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  for (const JsonRecord& port : ParseJsonLines(result.out)) {
    EXPECT_EQ(port.at("port").text.rfind("/dev/", 0), 0u) << port.at("port").text;
  }
}

}  // namespace
