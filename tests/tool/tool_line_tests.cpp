// torva on its simulated line (machines 01 to 05 with known registers), run
// as a user runs it: reads in every output format, failures and their
// hints, writes read back, scan, poll, trace and the demo.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "driver/addresses.h"
#include "line/simulated_line.h"
#include "tool/script_output.h"
#include "tool/tool_process.h"

namespace {

using tool::DemoRegisterValue;
using tool::DemoStatusWord;

const std::regex kIsoTime(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)");
const std::regex kTraceLine(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{6}Z (TX|RX)( [0-9A-F]{2})+)");

std::vector<std::string> OnLine(std::vector<std::string> arguments) {
  const std::vector<std::string> line = SimulatedLineOptions();
  arguments.insert(arguments.end(), line.begin(), line.end());
  return arguments;
}

std::string Hex(std::uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

std::string Number(long long value) { return std::to_string(value); }

std::vector<JsonRecord> WithField(const std::vector<JsonRecord>& records, const std::string& field) {
  std::vector<JsonRecord> chosen;
  for (const JsonRecord& record : records) {
    if (record.count(field) != 0) chosen.push_back(record);
  }
  return chosen;
}

// The values of the read records, in order.
std::vector<std::string> ReadValues(const std::vector<JsonRecord>& records) {
  std::vector<std::string> values;
  for (const JsonRecord& record : WithField(records, "hex")) values.push_back(record.at("value").text);
  return values;
}

TEST(ToolRead, RegistersStatusWordsAndFlagsForScripts) {
  const ToolResult result = RunTool(OnLine({"read", "010120", "010123", "01012303", "01$STAT", "02$STAT", "03$COMM", "--json"}));
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  const std::vector<JsonRecord> records = ParseJsonLines(result.out);
  ASSERT_EQ(records.size(), 15u) << result.out;
  for (int i = 0; i < 10; ++i) {
    const std::uint16_t expected = DemoRegisterValue(1, 120 + i);
    const JsonRecord& record = records[static_cast<std::size_t>(i)];
    EXPECT_EQ(record.at("address"), JsonText(tool::RegisterAddressText(1, 120 + i)));
    EXPECT_EQ(record.at("register"), JsonNumber(Number(120 + i)));
    EXPECT_EQ(record.at("value"), JsonNumber(Number(expected)));
    EXPECT_EQ(record.at("hex"), JsonText(Hex(expected)));
    EXPECT_EQ(record.at("signed"), JsonNumber(Number(static_cast<std::int16_t>(expected))));
    EXPECT_EQ(record.at("result"), JsonText("ok"));
    EXPECT_TRUE(std::regex_match(record.at("time").text, kIsoTime)) << record.at("time").text;
  }
  EXPECT_EQ(records[10].at("value"), JsonNumber(Number(DemoRegisterValue(1, 123))));
  // Bit 3 of that register, read through its block.
  EXPECT_EQ(records[11].at("bit"), JsonNumber("3"));
  EXPECT_EQ(records[11].at("value"), JsonNumber(Number((DemoRegisterValue(1, 123) >> 3) & 1)));
  EXPECT_EQ(records[11].at("hex"), JsonText(""));
  // The driver keeps the status word of the last reply; machine 02 was not asked.
  EXPECT_EQ(records[12].at("value"), JsonNumber(Number(DemoStatusWord(1))));
  EXPECT_EQ(records[13].at("value"), JsonNumber("65535"));
  EXPECT_EQ(records[13].at("signed"), JsonNumber("-1"));
  EXPECT_NE(records[13].at("note").text.find("no reply"), std::string::npos);
  EXPECT_EQ(records[14].at("value"), JsonNumber("0"));
  EXPECT_EQ(records[14].at("note"), JsonText("enabled"));
}

TEST(ToolRead, CsvHasOneHeadingAndTheSameValues) {
  const ToolResult result = RunTool(OnLine({"read", "020010", "--csv"}));
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Lines(result.out).at(0), "time,address,machine,register,bit,value,hex,signed,result,note");
  const std::vector<CsvRow> rows = ParseCsv(result.out);
  ASSERT_EQ(rows.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    const CsvRow& row = rows[static_cast<std::size_t>(i)];
    EXPECT_TRUE(std::regex_match(row.at("time"), kIsoTime)) << row.at("time");
    EXPECT_EQ(row.at("value"), Number(DemoRegisterValue(2, 10 + i)));
    EXPECT_EQ(row.at("signed"), Number(static_cast<std::int16_t>(DemoRegisterValue(2, 10 + i))));
    EXPECT_EQ(row.at("bit"), "");
  }
}

TEST(ToolRead, TablesShowTheSignedValueOnlyWhereItDiffers) {
  const ToolResult result = RunTool(OnLine({"read", "030000"}));
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::vector<std::string> lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 11u) << result.out;
  EXPECT_EQ(lines[0], "address  machine  register  value  hex     signed");
  EXPECT_EQ(lines[1], "030000         3         0   3000  0x0BB8");
  const std::uint16_t last = DemoRegisterValue(3, 9);
  EXPECT_EQ(lines[10], "030009         3         9  " + Number(last) + "  " + Hex(last) + "    " +
                           Number(static_cast<std::int16_t>(last)));
  EXPECT_EQ(result.out.find('\x1b'), std::string::npos);
}

TEST(ToolRead, AMachineThatDoesNotAnswerIsDisabledAndTheHintSaysHowToBringItBack) {
  const ToolResult result = RunTool(OnLine({"read", "090000", "090010", "010000", "--timeout", "50", "--json"}));
  EXPECT_EQ(result.exitCode, 1);
  const std::vector<JsonRecord> records = ParseJsonLines(result.out);
  ASSERT_EQ(records.size(), 12u);
  EXPECT_EQ(records[0].at("result"), JsonText("no-answer"));
  EXPECT_EQ(records[0].at("value"), JsonNull());
  EXPECT_EQ(records[1].at("result"), JsonText("disabled"));
  EXPECT_EQ(records[2].at("result"), JsonText("ok")) << "other machines are still read";
  const std::vector<std::string> errors = Lines(result.err);
  ASSERT_EQ(errors.size(), 2u) << result.err;
  EXPECT_NE(errors[0].find("machine 09 did not answer (3 attempts of 50 ms)"), std::string::npos) << errors[0];
  EXPECT_NE(errors[0].find("torva write " + HintedAddress("09$COMM") + " 0"), std::string::npos) << errors[0];
  EXPECT_NE(errors[1].find("machine 09 is disabled"), std::string::npos) << errors[1];
}

TEST(ToolRead, VerboseShowsTheDriversLogLinesInOrder) {
  const ToolResult result = RunTool(OnLine({"read", "090000", "--timeout", "50", "--verbose"}));
  EXPECT_EQ(result.exitCode, 1);
  const std::vector<std::string> lines = Lines(result.err);
  const std::vector<std::string> expected{
      "driver [32] TORVA> Timeout set to 5",
      "driver [32] TORVA> Machine 9 not responding, disabling communication to it!",
      "driver [32] TORVA> CloseCom() exited successfully",
      "driver [8] TORVA> EndKel() exited",
  };
  std::size_t next = 0;
  for (const std::string& line : lines) {
    if (next < expected.size() && line == expected[next]) ++next;
  }
  EXPECT_EQ(next, expected.size()) << result.err;
  EXPECT_EQ(lines.front().rfind("driver [8] ", 0), 0u) << "the version line comes first";
}

TEST(ToolRead, ARefusedAddressFailsAloneWithItsReason) {
  const ToolResult result = RunTool(OnLine({"read", "A10120", "010000", "--json"}));
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(ParseJsonLines(result.out).size(), 10u);
  EXPECT_NE(result.err.find("address \"A10120\" refused: the character 'A' is not allowed"), std::string::npos)
      << result.err;
}

TEST(ToolWrite, ValuesWrittenInASessionAreReadBack) {
  ToolRun run;
  run.input =
      "write 030303 500\nread 030303\n"
      "write 030303 -2\nread 030303\n"
      "write 030310 1 2 3 4 5 6 7 8 9 0xFFFF\nread 030310\n"
      "write 03$COMM 1\nread 030303\n"
      "write 03$COMM 0\nread 030303\n";
  const ToolResult result = RunTool(OnLine({"shell", "--json"}), run);
  EXPECT_EQ(result.exitCode, 1) << "the read of the disabled machine fails";
  const std::vector<JsonRecord> records = ParseJsonLines(result.out);
  const std::vector<JsonRecord> writes = WithField(records, "count");
  ASSERT_EQ(writes.size(), 5u);
  for (const JsonRecord& write : writes) EXPECT_EQ(write.at("result"), JsonText("ok"));
  EXPECT_EQ(writes[3].at("note"), JsonText("machine 03 disabled"));
  const std::vector<std::string> expected{"500", "65534", "1", "2", "3", "4", "5", "6", "7", "8", "9", "65535", "", "65534"};
  std::vector<std::string> values = ReadValues(records);
  EXPECT_EQ(values, expected);
  EXPECT_NE(result.err.find("machine 03 is disabled"), std::string::npos) << result.err;
}

TEST(ToolWrite, WhatCannotBeWrittenIsRefused) {
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    const char* said;
  };
  const Case cases[] = {
      {{"write", "01$STAT", "1"}, 1, "cannot be written"},
      {{"write", "01012303", "1"}, 1, "a single bit cannot be written"},
      {{"write", "010125", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}, 1, "multiple of 10"},
      {{"write", "05$COMM", "256"}, 2, "a communication flag is 0 (enabled) or 1 to 255"},
  };
  for (const Case& c : cases) {
    const ToolResult result = RunTool(OnLine(c.arguments));
    EXPECT_EQ(result.exitCode, c.exitCode) << c.arguments[1] << ": " << result.err;
    EXPECT_NE(result.err.find(c.said), std::string::npos) << c.arguments[1] << ": " << result.err;
  }
}

TEST(ToolScan, FindsTheMachinesAndLeavesEveryFlagAsItWas) {
  ToolRun run;
  run.input =
      "write 02$COMM 1\nwrite 07$COMM 3\n"
      "scan --from 0 --to 9\n"
      "read 00$COMM 01$COMM 02$COMM 03$COMM 04$COMM 05$COMM 06$COMM 07$COMM 08$COMM 09$COMM\n";
  const ToolResult result = RunTool(OnLine({"shell", "--json", "--timeout", "50"}), run);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::vector<JsonRecord> records = ParseJsonLines(result.out);
  const std::vector<JsonRecord> probes = WithField(records, "answers");
  ASSERT_EQ(probes.size(), 10u);
  for (int machine = 0; machine < 10; ++machine) {
    const JsonRecord& probe = probes[static_cast<std::size_t>(machine)];
    const bool present = machine >= 1 && machine <= 5;
    EXPECT_EQ(probe.at("machine"), JsonNumber(Number(machine)));
    EXPECT_EQ(probe.at("answers").text, present ? "true" : "false") << machine;
    EXPECT_EQ(probe.at("status"), JsonText(present ? Hex(DemoStatusWord(machine)) : "")) << machine;
  }
  EXPECT_EQ(probes[2].at("flag_before"), JsonNumber("1")) << "a disabled machine is probed too";
  EXPECT_EQ(probes[7].at("flag_before"), JsonNumber("3"));
  const std::vector<std::string> flags{"0", "0", "1", "0", "0", "0", "0", "3", "0", "0"};
  EXPECT_EQ(ReadValues(records), flags) << "silent machines 00 and 06 to 09 were disabled by their probes";
  const JsonRecord summary = WithField(records, "text").at(0);
  EXPECT_NE(summary.at("text").text.find("5 of 10 machines answer: 01 02 03 04 05"), std::string::npos);
}

TEST(ToolScan, ANoMachineLineIsExitOne) {
  const ToolResult result = RunTool(OnLine({"scan", "--from", "6", "--to", "7", "--timeout", "20"}));
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.out.find("0 of 2 machines answer"), std::string::npos) << result.out;
  EXPECT_NE(result.err.find("no machine answered"), std::string::npos) << result.err;
}

TEST(ToolPoll, CountsExchangesFailuresAndRefusalsPerMachine) {
  const ToolResult result =
      RunTool(OnLine({"poll", "010005", "080000", "--count", "3", "--interval", "20", "--timeout", "150", "--json"}));
  EXPECT_EQ(result.exitCode, 1);
  const std::vector<JsonRecord> records = ParseJsonLines(result.out);
  ASSERT_EQ(WithField(records, "hex").size(), 6u) << "two values a round";
  const std::vector<JsonRecord> machines = WithField(records, "exchanges");
  ASSERT_EQ(machines.size(), 3u) << "machines 01 and 08, then the summary";
  EXPECT_EQ(machines[0].at("machine"), JsonNumber("1"));
  EXPECT_EQ(machines[0].at("exchanges"), JsonNumber("3"));
  EXPECT_EQ(machines[0].at("failures"), JsonNumber("0"));
  EXPECT_EQ(machines[0].at("state"), JsonText("answering"));
  EXPECT_GT(std::stod(machines[0].at("mean_ms").text), 0.0);
  EXPECT_EQ(machines[1].at("exchanges"), JsonNumber("1"));
  EXPECT_EQ(machines[1].at("failures"), JsonNumber("1"));
  EXPECT_EQ(machines[1].at("disabled"), JsonNumber("2"));
  EXPECT_EQ(machines[1].at("mean_ms"), JsonNull());
  EXPECT_EQ(machines[2].at("record"), JsonText("summary"));
  EXPECT_EQ(machines[2].at("rounds"), JsonNumber("3"));
  EXPECT_EQ(machines[2].at("answered"), JsonNumber("3"));
  // The failure is told once when it starts, and once more when it turns into disabled.
  EXPECT_EQ(Lines(result.err).size(), 2u) << result.err;
}

TEST(ToolPoll, PrintsEachRoundAndASummaryWhenNotOnATerminal) {
  const ToolResult result = RunTool(OnLine({"poll", "010005", "--count", "2", "--interval", "10"}));
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out.find('\x1b'), std::string::npos) << "no terminal, no ANSI";
  EXPECT_NE(result.out.find("round 2"), std::string::npos);
  EXPECT_NE(result.out.find("--- 2 rounds in"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("2 exchanges, 2 answered, 0 failed"), std::string::npos) << result.out;
}

TEST(ToolTrace, TheBytesGoToStderrOrAFileAndNeverToStdout) {
  const ToolResult traced = RunTool(OnLine({"read", "010120", "--trace"}));
  ASSERT_EQ(traced.exitCode, 0) << traced.err;
  const std::vector<std::string> lines = Lines(traced.err);
  ASSERT_EQ(lines.size(), 2u) << traced.err;
  for (const std::string& line : lines) EXPECT_TRUE(std::regex_match(line, kTraceLine)) << line;
  // The block read request for block 13 of machine 01 and the machine's reply.
  EXPECT_NE(lines[0].find(" TX 02 2F 00 01 00 50 44 44 52 00 00 0D 00"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find(" RX 02 4F 00 01 00"), std::string::npos) << lines[1];
  EXPECT_EQ(traced.out, RunTool(OnLine({"read", "010120"})).out) << "stdout is what it is without a trace";

  const std::filesystem::path file = std::filesystem::temp_directory_path() / "torva-tool-trace.txt";
  std::filesystem::remove(file);
  const ToolResult toFile = RunTool(OnLine({"read", "010120", "--trace=" + file.string()}));
  ASSERT_EQ(toFile.exitCode, 0) << toFile.err;
  EXPECT_EQ(toFile.err, "");
  std::ifstream in(file);
  std::stringstream written;
  written << in.rdbuf();
  EXPECT_EQ(Lines(written.str()).size(), 2u) << written.str();
  EXPECT_NE(written.str().find(" TX 02 2F 00 01 00"), std::string::npos);
  in.close();
  std::filesystem::remove(file);
}

TEST(ToolDemo, RunsTheWholeJob) {
  const ToolResult result = RunTool(OnLine({"demo"}));
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("$ torva info"), std::string::npos);
  EXPECT_NE(result.out.find("--- 3 rounds in"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("020005         2         5   4660  0x1234"), std::string::npos) << result.out;
  EXPECT_NE(result.err.find("machine 07 did not answer"), std::string::npos) << result.err;
}

}  // namespace
