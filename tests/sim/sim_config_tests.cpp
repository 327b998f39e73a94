// Settings of a simulated line from configuration text and from torva-sim's
// command line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/sim_config.h"
#include "sim/sim_main.h"
#include "simulator_line_fixture.h"

namespace {

// Runs ParseSimArguments over "torva-sim ARGS...".
bool Parse(std::vector<std::string> args, sim::Simulator& simulator, sim::SimOptions* options,
           std::string* error) {
  args.insert(args.begin(), "torva-sim");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  return sim::ParseSimArguments(static_cast<int>(argv.size()), argv.data(), simulator, options, error);
}

TEST(SimConfigText, AppliesEverySetting) {
  sim::Simulator simulator;
  std::string error;
  ASSERT_TRUE(ApplyConfigText(simulator, R"(# a line of eleven machines
machines 0-9,20
machine 3 status 0x10   # comment after a setting
machine 4-5 status 7
register 3 120 500 0x1F5 502

readonly 3 121,130-131
fault 4 silent
fault 5 silent-after 10
fault 6 bad-checksum 3
fault 6 wrong-codes 2
fault 7 nack 3
fault 8 cut 20
fault 9 noise 02 02 FF
fault 9 delay 30
pace 19200
)",
                              &error))
      << error;
  for (int m : {0, 9, 20}) EXPECT_TRUE(simulator.Present(m)) << m;
  for (int m : {10, 19, 21, 99}) EXPECT_FALSE(simulator.Present(m)) << m;
  EXPECT_EQ(simulator.Status(3), 0x10);
  EXPECT_EQ(simulator.Status(5), 7);
  EXPECT_EQ(simulator.Register(3, 120), 500);
  EXPECT_EQ(simulator.Register(3, 121), 501);
  EXPECT_EQ(simulator.Register(3, 122), 502);
  EXPECT_EQ(simulator.Register(3, 123), 0);
  for (int address : {121, 130, 131}) EXPECT_TRUE(simulator.ReadOnly(3, address)) << address;
  EXPECT_FALSE(simulator.ReadOnly(3, 129));
  EXPECT_TRUE(simulator.Faults(4).silent);
  EXPECT_EQ(simulator.Faults(5).silentAfterReplies, 10);
  EXPECT_EQ(simulator.Faults(6).badChecksumReplies, 3);
  EXPECT_EQ(simulator.Faults(6).wrongCodeReplies, 2) << "faults of one machine add up";
  EXPECT_EQ(simulator.Faults(7).nackIndex, 3);
  EXPECT_EQ(simulator.Faults(8).cutAfterBytes, 20);
  EXPECT_EQ(simulator.Faults(9).noiseBeforeReply, (std::vector<std::uint8_t>{0x02, 0x02, 0xFF}));
  EXPECT_EQ(simulator.Faults(9).replyDelayMs, 30);
  EXPECT_FALSE(simulator.Faults(8).silent);
  EXPECT_EQ(simulator.Pacing(), 19200u);

  ASSERT_TRUE(ApplyConfigText(simulator, "fault 9 none\nfault 4-6 delay 5", &error)) << error;
  EXPECT_TRUE(simulator.Faults(9).noiseBeforeReply.empty());
  EXPECT_EQ(simulator.Faults(9).replyDelayMs, 0);
  for (int m : {4, 5, 6}) EXPECT_EQ(simulator.Faults(m).replyDelayMs, 5) << m;
}

TEST(SimConfigText, ReportsTheFirstBadLineAndWhatIsWrong) {
  struct Case {
    const char* line;
    const char* message;
  };
  const Case cases[] = {
      {"bogus 1", "unknown setting 'bogus'"},
      {"machine 100 status 1", "machine '100' is not a number from 0 to 99"},
      {"machine 3 status", "'machine' is written 'machine M status V'"},
      {"machine 3 state 1", "'machine' is written 'machine M status V'"},
      {"machines 0-9,x", "machine 'x' is not a number from 0 to 99"},
      {"machines 9-2", "machine '2' is not a number from 9 to 99"},
      {"register 3 9999 1 2", "the values run past register 9999"},
      {"register 3 10000 1", "register '10000' is not a number from 0 to 9999"},
      {"register 3 1 0x10000", "value '0x10000' is not a number from 0 to 65535"},
      {"register 3 1 12ab", "value '12ab' is not a number"},
      {"register 3 1", "'register' is written 'register M ADDR V...'"},
      {"readonly 3", "'readonly' is written 'readonly M LIST'"},
      {"fault 4 zap", "unknown fault 'zap' (one of silent, silent-after, bad-checksum"},
      {"fault 4 cut 36", "byte count '36' is not a number from 0 to 35; the fault is written 'fault M cut K"},
      {"fault 4 nack 10", "position '10' is not a number from 0 to 9"},
      {"fault 4 silent-after", "the fault is written 'fault M silent-after N'"},
      {"fault 4 silent now", "the fault is written 'fault M silent'"},
      {"fault 4 noise", "the fault is written 'fault M noise HH..."},
      {"fault 4 noise 02 2G", "byte '2G' is not a number from 0 to 255"},
      {"fault 4 delay -1", "delay '-1' is not a number"},
      {"script 5 maybe", "unknown scripted reply 'maybe'"},
      {"script 5 cut:36", "byte count '36' is not a number from 0 to 35"},
      {"pace fast", "baud rate 'fast' is not a number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    sim::Simulator simulator;
    std::string error;
    EXPECT_FALSE(ApplyConfigText(simulator, std::string("machine 1 status 1\n# fine\n") + c.line, &error));
    EXPECT_EQ(error.rfind("line 3: ", 0), 0u) << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_EQ(simulator.Status(1), 1) << "the lines before the bad one are applied";
  }
}

TEST(SimArguments, FlagsAreSettingLines) {
  sim::Simulator simulator;
  sim::SimOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"--machines", "0-9", "--status", "3=0x10", "--register", "3:120=500,501", "--readonly",
                     "3:130-131", "--fault", "4:silent", "--fault", "9:noise=02,02,FF", "--fault",
                     "6:bad-checksum=3", "--script", "5:silent,cut:4", "--pace", "9600", "--port", "COM2",
                     "--baud", "9600", "--trace"},
                    simulator, &options, &error))
      << error;
  EXPECT_FALSE(simulator.Present(10));
  EXPECT_EQ(simulator.Status(3), 0x10);
  EXPECT_EQ(simulator.Register(3, 121), 501);
  EXPECT_TRUE(simulator.ReadOnly(3, 131));
  EXPECT_TRUE(simulator.Faults(4).silent);
  EXPECT_EQ(simulator.Faults(9).noiseBeforeReply, (std::vector<std::uint8_t>{0x02, 0x02, 0xFF}));
  EXPECT_EQ(simulator.Faults(6).badChecksumReplies, 3);
  EXPECT_EQ(simulator.Pacing(), 9600u);
  EXPECT_EQ(options.port, "COM2");
  EXPECT_EQ(options.baudRate, 9600u);
  EXPECT_TRUE(options.trace);
  EXPECT_FALSE(options.help);
}

TEST(SimArguments, ConfigFileAndItsErrors) {
  const auto path = std::filesystem::temp_directory_path() / "torva-sim-config-test.txt";
  std::ofstream(path) << "register 2 7 77\nfault 2 nack 11\n";
  sim::Simulator simulator;
  sim::SimOptions options;
  std::string error;
  EXPECT_FALSE(Parse({"--config", path.string()}, simulator, &options, &error));
  EXPECT_EQ(error.find(path.string() + ": line 2: position '11'"), 0u) << error;
  EXPECT_EQ(simulator.Register(2, 7), 77);

  std::ofstream(path) << "machine 2 status 5\n";
  EXPECT_TRUE(Parse({"--config", path.string(), "--status", "2=6"}, simulator, &options, &error)) << error;
  EXPECT_EQ(simulator.Status(2), 6) << "settings apply in the order given";
  std::filesystem::remove(path);
  EXPECT_FALSE(Parse({"--config", path.string()}, simulator, &options, &error));
  EXPECT_EQ(error, "cannot read " + path.string());
}

TEST(SimArguments, BadArgumentsAreNamed) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{"--status", "3"}, "--status 3: is written --status M=V"},
      {{"--register", "3:120"}, "--register 3:120: is written --register M:ADDR=V"},
      {{"--fault", "silent"}, "--fault silent: is written --fault M:KIND"},
      {{"--fault", "4:zap"}, "--fault 4:zap: unknown fault 'zap'"},
      {{"--fault", "4:cut=99"}, "--fault 4:cut=99: byte count '99'"},
      {{"--script", "5:never"}, "--script 5:never: unknown scripted reply 'never'"},
      {{"--machines", "100"}, "--machines 100: machine '100'"},
      {{"--bogus"}, "unknown argument --bogus"},
      {{"COM2"}, "unknown argument COM2"},
      {{"--port"}, "--port wants a value"},
      {{"--baud", "0"}, "--baud 0: a baud rate is a positive decimal number"},
      {{"--baud", "fast"}, "--baud fast: a baud rate"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    sim::Simulator simulator;
    sim::SimOptions options;
    std::string error;
    EXPECT_FALSE(Parse(c.args, simulator, &options, &error));
    EXPECT_EQ(error.find(c.message), 0u) << error;
  }
}

TEST(SimArguments, HelpDocumentsEveryOptionAndFault) {
  const std::string usage = sim::SimUsage();
  for (const char* word :
       {"--port", "--baud", "--config", "--machines", "--status", "--register", "--readonly", "--fault",
        "--script", "--pace", "--trace", "--help", "silent-after", "bad-checksum", "wrong-codes", "nack",
        "cut", "noise", "delay", "none", "fault 9 noise 02 02 FF", "--fault 4:silent"}) {
    EXPECT_NE(usage.find(word), std::string::npos) << word;
  }
  sim::Simulator simulator;
  sim::SimOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"-h"}, simulator, &options, &error));
  EXPECT_TRUE(options.help);
  // Every example in the help is a valid setting.
  const std::size_t start = usage.find("Configuration file:");
  const std::size_t end = usage.find("Other options:");
  std::istringstream example(usage.substr(start, end - start));
  int examples = 0;
  for (std::string line; std::getline(example, line);) {
    if (line.rfind("  ", 0) != 0) continue;
    ++examples;
    EXPECT_TRUE(sim::ApplyConfigLine(simulator, line, &error)) << line << ": " << error;
  }
  EXPECT_GE(examples, 10);
}

TEST(SimulatorMain, ExitStatusForHelpAndBadArguments) {
  std::string help = "--help";
  std::string bogus = "--bogus";
  std::string program = "torva-sim";
  char* helpArgs[] = {program.data(), help.data()};
  char* bogusArgs[] = {program.data(), bogus.data()};
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunSimulatorMain(2, helpArgs), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), sim::SimUsage());
  testing::internal::CaptureStderr();
  EXPECT_EQ(RunSimulatorMain(2, bogusArgs), 2);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("torva-sim: unknown argument --bogus"), std::string::npos);
}

// Configuration shows on the wire as it does in the simulator's tables.
TEST_F(SimulatorLineTest, ConfiguredScriptAndReadOnlyRegisters) {
  std::string error;
  ASSERT_TRUE(ApplyConfigText(simulator_, "readonly 4 11\nscript 4 silent cut:6 ok", &error)) << error;
  ExpectNoReplyTo(RegisterListRequest(4, 10, 3));
  const Bytes healthy = Reply(4, "LS", 0, 0, {1, 0, 1});
  EXPECT_EQ(Hex(Exchange(RegisterListRequest(4, 10, 3), 6)), Hex(Bytes(healthy.begin(), healthy.begin() + 6)));
  EXPECT_EQ(Hex(Exchange(RegisterListRequest(4, 10, 3))), Hex(healthy));
}

}  // namespace
