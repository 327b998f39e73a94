// torva as a program, where no line is needed: help, usage errors, the
// driver's description and its address parser.
#include <gtest/gtest.h>

#include "cli/command.h"
#include "support/driver_calls.h"
#include "tool/script_output.h"
#include "tool/tool_process.h"

namespace {

TEST(ToolHelp, EveryCommandExplainsItself) {
  for (const tool::Command& command : tool::Commands()) {
    const ToolResult result = RunTool({command.name, "--help"});
    EXPECT_EQ(result.exitCode, 0) << command.name << ": " << result.err;
    EXPECT_NE(result.out.find("sage: torva"), std::string::npos) << command.name << ":\n" << result.out;
  }
  const ToolResult overview = RunTool({"--help"});
  EXPECT_EQ(overview.exitCode, 0);
  for (const tool::Command& command : tool::Commands()) {
    EXPECT_NE(overview.out.find(std::string("  ") + command.name + " "), std::string::npos) << command.name;
  }
}

TEST(ToolExitStatus, MistakesOnTheCommandLineAreTwoAndPortsThatCannotOpenThree) {
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    const char* said;  // on stderr
  };
  const Case cases[] = {
      {{}, 2, "torva demo"},
      {{"frobnicate"}, 2, "unknown command \"frobnicate\""},
      {{"read"}, 2, "at least one address"},
      {{"read", "010120", "--bogus"}, 2, "unknown option --bogus"},
      {{"read", "010120", "--baud", "115200"}, 2, "--baud must be a number from 1 to 65535"},
      {{"read", "010120", "--parity", "sometimes"}, 2, "--parity is none, odd, even, mark or space"},
      {{"read", "010120", "--stop-bits", "3"}, 2, "--stop-bits is 1, 1.5 or 2"},
      {{"read", "010120", "--timeout", "0"}, 2, "--timeout must be a number from 10"},
      {{"read", "010120", "--json", "--csv"}, 2, "exclude each other"},
      {{"read", "010120", "--sim-port", "COM2"}, 2, "--sim-port needs --port"},
      {{"write", "010120", "1", "2"}, 2, "ten values, not 2"},
      {{"write", "010123", "65536"}, 2, "a value must be a number from -32768 to 65535"},
      {{"write", "010123"}, 2, "at least one value"},
      {{"scan", "--from", "9", "--to", "3"}, 2, "--from must not be above --to"},
      {{"scan", "--to", "100"}, 2, "--to must be a number from 0 to 99"},
      {{"poll", "010120", "--count", "0"}, 2, "--count must be a number from 1"},
      {{"parse"}, 2, "one address"},
      {{"info", "--port", "COM3"}, 2, "unknown option --port"},
      {{"read", "010120", "--port", MissingPort()}, 3, "cannot open port"},
      {{"info", "--driver", "no-such-driver-library"}, 3, "cannot load the driver library no-such-driver-library"},
  };
  for (const Case& c : cases) {
    const ToolResult result = RunTool(c.arguments);
    const std::string shown = c.arguments.empty() ? "(nothing)" : c.arguments.front();
    EXPECT_EQ(result.exitCode, c.exitCode) << shown << ": " << result.err;
    EXPECT_NE(result.err.find(c.said), std::string::npos) << shown << ": " << result.err;
    EXPECT_EQ(result.out, "") << shown;
  }
}

TEST(ToolInfo, ShowsTheDescriptionTheDriverGivesAHost) {
  DriverInfo expected{};
  ASSERT_EQ(CallDriver(kOpGetKelInfo, nullptr, &expected), 0);
  const ToolResult json = RunTool({"info", "--json"});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  const std::vector<JsonRecord> records = ParseJsonLines(json.out);
  ASSERT_EQ(records.size(), 1u);
  const JsonRecord& info = records.front();
  EXPECT_EQ(info.at("vendor"), JsonText(expected.vendor));
  EXPECT_EQ(info.at("context_size"), JsonNumber(std::to_string(expected.contextSize)));
  EXPECT_EQ(info.at("baud"), JsonNumber("19200"));
  EXPECT_EQ(info.at("parity"), JsonText("none"));
  EXPECT_EQ(info.at("stop_bits"), JsonText("1"));
  // The banner's code page 437 box arrives in UTF-8, with plain line ends.
  const std::string& banner = info.at("banner").text;
  EXPECT_EQ(banner.rfind("\u250C\u2500", 0), 0u) << banner;
  EXPECT_NE(banner.find("\u2518\n"), std::string::npos);
  EXPECT_EQ(banner.find('\r'), std::string::npos);

  const ToolResult csv = RunTool({"info", "--csv"});
  const std::vector<CsvRow> rows = ParseCsv(csv.out);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].at("banner"), banner);
  EXPECT_EQ(rows[0].at("host_code_a"), std::to_string(expected.hostCodeA));
}

struct ParseCase {
  std::vector<std::string> arguments;
  int exitCode;
  const char* field;  // of the JSON record
  const char* says;   // part of that field
};

TEST(ToolParse, AcceptedAddressesShowTheirRecordAndRefusedOnesTheReason) {
  const ParseCase cases[] = {
      {{"010123"}, 0, "meaning", "register 0123 of machine 01"},
      {{"01012300", "--type", "6"}, 0, "meaning", "bit 0 of register 0123 of machine 01"},
      {{"05$comm", "--type", "1"}, 0, "meaning", "communication flag of machine 05"},
      {{"99$STAT"}, 0, "meaning", "status word of machine 99"},
      {{"010120", "--block", "10"}, 0, "meaning", "registers 0120 to 0129 of machine 01"},
      {{"90$COMM", "--block", "10"}, 0, "meaning", "communication flags of machines 90 to 99"},
      {{"01012316", "--type", "6"}, 1, "reason", "bit number 16 is too large"},
      {{"010123", "--type", "6"}, 1, "reason", "data type 6 names a bit"},
      {{"01012300"}, 1, "reason", "only in a single address of data type 6"},
      {{"01012300", "--block", "10"}, 1, "reason", "only in a single address of data type 6"},
      {{"A10123"}, 1, "reason", "the character 'A' is not allowed"},
      {{"A10123"}, 1, "driver_log", "illegal char A"},
      {{"01123"}, 1, "reason", "too short"},
      {{"01$STAT", "--type", "2"}, 1, "reason", "data types 0 and 1 only"},
      {{"X7$STAT"}, 1, "reason", "must be 00 to 99"},
      {{"01$STAT", "--block", "1"}, 1, "reason", "$STAT has no block form"},
      {{"010125", "--block", "10"}, 1, "reason", "multiple of 10, e.g. 010120"},
      {{"010120", "--block", "20"}, 1, "reason", "exactly 10 registers"},
      {{"91$COMM", "--block", "10"}, 1, "reason", "run past machine 99"},
      {{"91$COMM", "--block", "10"}, 1, "driver_log", "Block addr + block size bigger than allowed"},
  };
  for (const ParseCase& c : cases) {
    std::vector<std::string> arguments{"parse"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    arguments.push_back("--json");
    const ToolResult result = RunTool(arguments);
    const std::string shown = c.arguments.front() + " " + c.field;
    EXPECT_EQ(result.exitCode, c.exitCode) << shown << ": " << result.err;
    const std::vector<JsonRecord> records = ParseJsonLines(result.out);
    ASSERT_EQ(records.size(), 1u) << shown;
    EXPECT_NE(records[0].at(c.field).text.find(c.says), std::string::npos) << shown << ": " << records[0].at(c.field).text;
    EXPECT_EQ(records[0].at("accepted").text, c.exitCode == 0 ? "true" : "false") << shown;
    // A refusal is also the one line on stderr.
    EXPECT_EQ(result.err.find("refused") != std::string::npos, c.exitCode != 0) << shown << ": " << result.err;
  }
}

TEST(ToolParse, TheRecordIsTheDriversAddressRecord) {
  const ToolResult result = RunTool({"parse", "07123405", "--type", "6", "--json"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const JsonRecord record = ParseJsonLines(result.out).at(0);
  EXPECT_EQ(record.at("machine"), JsonNumber("7"));
  EXPECT_EQ(record.at("kind"), JsonText("register"));
  EXPECT_EQ(record.at("kind_code"), JsonNumber("0"));
  EXPECT_EQ(record.at("address"), JsonNumber("1234"));
  EXPECT_EQ(record.at("bit"), JsonNumber("5"));
  EXPECT_EQ(record.at("width"), JsonNumber("16"));
  // A status address leaves the address field alone.
  const JsonRecord status = ParseJsonLines(RunTool({"parse", "07$STAT", "--json"}).out).at(0);
  EXPECT_EQ(status.at("kind_code"), JsonNumber("83"));
  EXPECT_EQ(status.at("address"), JsonNull());
}

}  // namespace
