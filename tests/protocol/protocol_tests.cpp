// The machine link through KelMain, against the simulated line of machines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "sim/simulator.h"
#include "support/driver_instance.h"
#include "support/host_log_capture.h"
#include "support/test_port.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using sim::ReplyFault;
using sim::ScriptedReply;

constexpr std::int32_t kTimeoutUnits = 10;  // 100 ms keeps silent attempts short

Bytes Request(Bytes head, Bytes data, std::uint8_t checksum) {
  head.insert(head.end(), data.begin(), data.end());
  head.resize(35, 0);
  head.push_back(checksum);
  return head;
}

std::string DisabledLine(int machine) {
  return "TORVA> Machine " + std::to_string(machine) +
         " not responding, disabling communication to it!";
}

const sim::ScriptedReply kGoodReply{ReplyFault::kNone, 0};

class MachineLink : public testing::Test {
 protected:
  MachineLink() : port_(OpenDrainedTestPort()), line_(simulator_, std::move(port_.peer)) {}

  void SetUp() override {
    ASSERT_EQ(driver_.ColdStart(port_.driverName, kTimeoutUnits), 0);
    simulator_.ClearTrace();
    ClearLog();
  }

  ResultCode ReadBlock(int machine, int address, std::uint16_t* data, std::int32_t count = 10) {
    return driver_.Transfer(kOpBlockRead, RegisterSpec(machine, address), count, data);
  }

  ResultCode WriteOne(int machine, int address, std::uint16_t value, std::int32_t* countAfter = nullptr) {
    std::uint16_t data[2] = {0, value};
    return driver_.Transfer(kOpSingleWrite, RegisterSpec(machine, address), 7, data, countAfter);
  }

  ResultCode WriteTen(int machine, int address, std::uint16_t first) {
    std::uint16_t data[10];
    for (int i = 0; i < 10; ++i) data[i] = static_cast<std::uint16_t>(first + i);
    return driver_.Transfer(kOpBlockWrite, RegisterSpec(machine, address), 10, data);
  }

  std::size_t FramesSent() const { return simulator_.ReceivedFrames().size(); }

  std::vector<char> CommandsSent() const {
    std::vector<char> commands;
    for (const Bytes& frame : simulator_.ReceivedFrames()) commands.push_back(static_cast<char>(frame[5]));
    return commands;
  }

  TestPort port_;
  sim::Simulator simulator_;
  sim::SimulatorThread line_;
  DriverInstance driver_;
};

TEST_F(MachineLink, WorkedRequestsGoOutByteForByte) {
  std::uint16_t block[10];
  ASSERT_EQ(ReadBlock(5, 120, block), 0);
  std::int32_t countAfter = 0;
  ASSERT_EQ(WriteOne(3, 300, 500, &countAfter), 0);
  EXPECT_EQ(countAfter, 1);
  const std::vector<Bytes> expected = {
      Request({0x02, 0x2F, 0x00, 0x05, 0x00, 0x50, 0x44, 0x44, 0x52, 0x00, 0x00, 0x0D}, {}, 0x6B),
      Request({0x02, 0x2F, 0x00, 0x03, 0x00, 0x4C, 0x53, 0x52, 0x57}, {0, 0, 0, 0, 0, 0, 0x2C, 0x01}, 0xA7),
      Request({0x02, 0x2F, 0x00, 0x03, 0x00, 0x50, 0x53, 0x52, 0x57}, {0, 0, 0, 0, 0, 0, 0xF4, 0x01}, 0x73),
  };
  EXPECT_EQ(simulator_.ReceivedFrames(), expected);
  EXPECT_EQ(simulator_.Register(3, 300), 500);
}

TEST_F(MachineLink, BlockReadDeliversTheTenRegistersAndTheStatusWord) {
  for (int i = 0; i < 10; ++i) simulator_.SetRegister(2, 120 + i, static_cast<std::uint16_t>(0xA000 + i));
  simulator_.SetStatus(2, 0x1234);
  std::uint16_t status[2] = {7, 7};
  ASSERT_EQ(driver_.Transfer(kOpSingleRead, StatusSpec(2), 1, status), 0);
  EXPECT_EQ(status[0], 0);
  EXPECT_EQ(status[1], 0xFFFF);  // never answered yet
  std::uint16_t block[10] = {};
  ASSERT_EQ(ReadBlock(2, 120, block), 0);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(block[i], 0xA000 + i);
  ASSERT_EQ(driver_.Transfer(kOpSingleRead, StatusSpec(2), 1, status), 0);
  EXPECT_EQ(status[1], 0x1234);
  EXPECT_TRUE(LoggedLines().empty());
}

TEST_F(MachineLink, BlockWriteListsAndCarriesTenRegistersInOrder) {
  ASSERT_EQ(WriteTen(4, 200, 900), 0);
  const auto frames = simulator_.ReceivedFrames();
  ASSERT_EQ(frames.size(), 2u);
  for (int j = 0; j < 10; ++j) {
    EXPECT_EQ(frames[0][15 + 2 * j] | frames[0][16 + 2 * j] << 8, 200 + j);
    EXPECT_EQ(frames[1][15 + 2 * j] | frames[1][16 + 2 * j] << 8, 900 + j);
    EXPECT_EQ(simulator_.Register(4, 200 + j), 900 + j);
  }
}

TEST_F(MachineLink, TheLastRegistersAreReadAndWritten) {
  ASSERT_EQ(WriteTen(6, 9990, 40), 0);
  ASSERT_EQ(WriteOne(6, 9999, 77), 0);
  std::uint16_t block[10] = {};
  ASSERT_EQ(ReadBlock(6, 9990, block), 0);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(block[i], 40 + i);
  EXPECT_EQ(block[9], 77);
}

TEST_F(MachineLink, SynchronisesOverNoiseBeforeTheReply) {
  const std::vector<Bytes> noises = {
      {0x02, 0x2F, 0x00, 0x01, 0x00, 0x50},  // the start of a request
      {0x02, 0x02, 0x4F},                    // no reply starts at the second 02
      {0xFF, 0x02, 0x00, 0x4F, 0x13},
  };
  for (const Bytes& noise : noises) {
    sim::MachineFaults faults;
    faults.noiseBeforeReply = noise;
    simulator_.SetFaults(1, faults);
    simulator_.SetRegister(1, 10, 0x4242);
    simulator_.ClearTrace();
    std::uint16_t block[10] = {};
    EXPECT_EQ(ReadBlock(1, 10, block), 0);
    EXPECT_EQ(block[0], 0x4242);
    EXPECT_EQ(FramesSent(), 1u) << "a single attempt";
  }
}

// A line that never stops sending other bytes cannot hold an exchange for
// ever; ordinary noise in front of a reply still works.
TEST_F(MachineLink, EndlessNoiseEndsTheAttemptButLongNoiseStillSyncs) {
  sim::MachineFaults faults;
  faults.noiseBeforeReply.assign(1000, 0x55);
  simulator_.SetFaults(1, faults);
  std::uint16_t block[10];
  EXPECT_EQ(ReadBlock(1, 0, block), 0);
  faults.noiseBeforeReply.assign(20000, 0x55);
  simulator_.SetFaults(1, faults);
  EXPECT_EQ(ReadBlock(1, 0, block), 2);
}

struct AttemptCase {
  const char* name;
  std::vector<ScriptedReply> script;
  ResultCode result;
  bool disabled;
};

class AttemptSequences : public MachineLink, public testing::WithParamInterface<AttemptCase> {};

TEST_P(AttemptSequences, LastAttemptDecides) {
  const AttemptCase& c = GetParam();
  simulator_.SetRegister(6, 30, 0x0BAD);
  simulator_.Script(6, c.script);
  std::uint16_t block[10] = {};
  EXPECT_EQ(ReadBlock(6, 30, block), c.result);
  EXPECT_EQ(FramesSent(), 3u);
  EXPECT_EQ(driver_.context().commDisabled[6], c.disabled ? 1 : 0);
  EXPECT_EQ(LoggedTexts(), c.disabled ? std::vector<std::string>{DisabledLine(6)} : std::vector<std::string>{});
  EXPECT_EQ(block[0], c.result == 0 ? 0x0BAD : 0);
}

const ScriptedReply kBad{ReplyFault::kBadChecksum, 0};
const ScriptedReply kSilent{ReplyFault::kSilent, 0};
const ScriptedReply kGood{ReplyFault::kNone, 0};
const ScriptedReply kCutAfter20{ReplyFault::kCut, 22};  // 02 4F and 20 of the 34 bytes

INSTANTIATE_TEST_SUITE_P(
    Sequences, AttemptSequences,
    testing::Values(AttemptCase{"WrongNoneThenGood", {kBad, kSilent, kGood}, 0, false},
                    AttemptCase{"NoneNoneWrong", {kSilent, kSilent, kBad}, 1, false},
                    AttemptCase{"WrongWrongNone", {kBad, kBad, kSilent}, 2, true},
                    AttemptCase{"CutThreeTimes", {kCutAfter20, kCutAfter20, kCutAfter20}, 2, true},
                    AttemptCase{"CutCutThenGood", {kCutAfter20, kCutAfter20, kGood}, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MachineLink, SilentMachineIsDisabledOnceUntilItsFlagIsCleared) {
  simulator_.SetPresent(7, false);
  std::uint16_t block[10] = {};
  EXPECT_EQ(ReadBlock(7, 0, block), 2);
  EXPECT_EQ(FramesSent(), 3u);
  EXPECT_EQ(LoggedTexts(), std::vector<std::string>{DisabledLine(7)});

  EXPECT_EQ(ReadBlock(7, 0, block), 2);
  std::uint16_t word[2] = {5, 5};
  EXPECT_EQ(driver_.Transfer(kOpSingleRead, StatusSpec(7), 1, word), 2);
  EXPECT_EQ(word[1], 5);  // untouched
  EXPECT_EQ(driver_.WarmStart(7), 2);
  ASSERT_EQ(driver_.Transfer(kOpSingleRead, CommSpec(7), 1, word), 0);
  EXPECT_EQ(word[1], 1);
  EXPECT_EQ(FramesSent(), 3u) << "no traffic for a disabled machine";
  EXPECT_EQ(LoggedLines().size(), 1u) << "logged once";

  simulator_.SetPresent(7, true);
  std::uint16_t enable[2] = {0, 0};
  ASSERT_EQ(driver_.Transfer(kOpSingleWrite, CommSpec(7), 1, enable), 0);
  EXPECT_EQ(ReadBlock(7, 0, block), 0);
  EXPECT_EQ(FramesSent(), 4u);
}

TEST_F(MachineLink, CommFlagsReadAndWrittenWithoutTraffic) {
  std::uint16_t word[2];
  for (const auto& [value, flag] : std::vector<std::pair<std::uint16_t, std::int16_t>>{
           {256, 0}, {0x0101, 1}, {0x00FF, 255}, {0, 0}}) {
    word[0] = 0;
    word[1] = value;
    ASSERT_EQ(driver_.Transfer(kOpSingleWrite, CommSpec(4), 1, word), 0);
    EXPECT_EQ(driver_.context().commDisabled[4], flag) << value;
  }
  std::uint16_t five[5] = {1, 0, 0x7777, 0, 2};
  ASSERT_EQ(driver_.Transfer(kOpBlockWrite, CommSpec(10), 5, five), 0);
  std::uint16_t all[100];
  std::memset(all, 0xAB, sizeof all);
  ASSERT_EQ(driver_.Transfer(kOpBlockRead, CommSpec(0), 100, all), 0);
  for (int m = 0; m < 100; ++m) {
    const std::uint16_t expected = (m >= 10 && m < 15) ? five[m - 10] : 0;
    EXPECT_EQ(all[m], expected) << m;
  }
  EXPECT_EQ(FramesSent(), 0u);
}

TEST_F(MachineLink, SingleReadOfARegisterIsRefused) {
  std::uint16_t word[2] = {9, 9};
  EXPECT_EQ(driver_.Transfer(kOpSingleRead, RegisterSpec(1, 120), 1, word), 1);
  EXPECT_EQ(word[0], 9);
  EXPECT_EQ(word[1], 9);
}

TEST_F(MachineLink, FirstPhaseRefusalSendsNoValues) {
  simulator_.SetStatus(8, 0x0808);
  sim::MachineFaults faults;
  faults.nackIndex = 3;
  simulator_.SetFaults(8, faults);
  EXPECT_EQ(WriteTen(8, 100, 1), 1);
  EXPECT_EQ(CommandsSent(), std::vector<char>{'L'});
  EXPECT_EQ(driver_.Status(8), 0x0808) << "status of the refusing reply is kept";
  EXPECT_EQ(simulator_.Register(8, 103), 0);
}

TEST_F(MachineLink, FirstPhaseWrongCodesAreRetriedThenRefused) {
  simulator_.Script(8, {{ReplyFault::kWrongCodes, 0}, {ReplyFault::kWrongCodes, 0},
                        {ReplyFault::kWrongCodes, 0}});
  EXPECT_EQ(WriteOne(8, 5, 1), 1);
  EXPECT_EQ(CommandsSent(), (std::vector<char>{'L', 'L', 'L'}));
  EXPECT_EQ(driver_.Status(8), -1);
}

TEST_F(MachineLink, SecondPhaseWrongCodesEndTheWriteAtOnce) {
  simulator_.SetStatus(8, 0x0042);
  simulator_.Script(8, {{ReplyFault::kNone, 0}, {ReplyFault::kWrongCodes, 0}});
  EXPECT_EQ(WriteOne(8, 5, 77), 1);
  EXPECT_EQ(CommandsSent(), (std::vector<char>{'L', 'P'}));
  EXPECT_EQ(driver_.Status(8), 0x0042);
}

TEST_F(MachineLink, SecondPhaseRefusalOfTheLastRegisterEndsTheWrite) {
  simulator_.Script(8, {kGoodReply, {ReplyFault::kNack, 0, 9}});
  EXPECT_EQ(WriteTen(8, 300, 10), 1);
  EXPECT_EQ(CommandsSent(), (std::vector<char>{'L', 'P'}));
}

TEST_F(MachineLink, ReadOnlyRegisterIsRefusedInTheFirstPhase) {
  simulator_.SetReadOnly(9, 209, true);
  EXPECT_EQ(WriteTen(9, 200, 50), 1);
  EXPECT_EQ(CommandsSent(), std::vector<char>{'L'});
  EXPECT_EQ(simulator_.Register(9, 200), 0);
}

TEST_F(MachineLink, SilenceInEitherPhaseGivesTwoWithoutDisabling) {
  simulator_.Script(9, {kSilent, kSilent, kSilent});
  EXPECT_EQ(WriteOne(9, 1, 1), 2);
  EXPECT_EQ(CommandsSent(), (std::vector<char>{'L', 'L', 'L'}));
  simulator_.ClearTrace();
  simulator_.Script(9, {kGood, kSilent, kSilent, kSilent});
  EXPECT_EQ(WriteOne(9, 1, 1), 2);
  EXPECT_EQ(CommandsSent(), (std::vector<char>{'L', 'P', 'P', 'P'}));
  EXPECT_EQ(driver_.context().commDisabled[9], 0);
  EXPECT_TRUE(LoggedLines().empty());
  EXPECT_EQ(WriteOne(9, 1, 2), 0) << "the next write goes out again";
}

TEST_F(MachineLink, DisabledMachineIsStillWrittenTo) {
  driver_.context().commDisabled[3] = 1;
  EXPECT_EQ(WriteOne(3, 42, 4242), 0);
  EXPECT_EQ(simulator_.Register(3, 42), 4242);
}

// Values a host should never pass are refused before any table, frame or
// buffer is touched out of bounds, and before any traffic.
TEST_F(MachineLink, OutOfRangeTransfersAreRefused) {
  std::uint16_t data[12] = {};
  struct Case {
    std::uint32_t operation;
    AddressSpec spec;
    std::int32_t count;
    ResultCode result;
  };
  const Case cases[] = {
      {kOpBlockRead, RegisterSpec(100, 0), 10, 1},   {kOpBlockRead, RegisterSpec(-1, 0), 10, 1},
      {kOpBlockRead, RegisterSpec(1, 0), 11, 1},     {kOpBlockRead, RegisterSpec(1, 0), -1, 1},
      {kOpBlockRead, CommSpec(95), 10, 2},           {kOpBlockRead, CommSpec(-3), 2, 2},
      {kOpBlockRead, CommSpec(0), 2147483647, 2},    {kOpSingleRead, CommSpec(100), 1, 1},
      {kOpSingleRead, StatusSpec(-5), 1, 1},         {kOpSingleRead, StatusSpec(1000), 1, 1},
      {kOpSingleWrite, CommSpec(-1), 1, 1},          {kOpSingleWrite, StatusSpec(1), 1, 1},
      {kOpSingleWrite, RegisterSpec(250, 0), 1, 1},  {kOpBlockWrite, RegisterSpec(1, 0), 11, 1},
      {kOpBlockWrite, RegisterSpec(1, 0), 0, 1},     {kOpBlockWrite, CommSpec(99), 2, 2},
      {kOpBlockWrite, StatusSpec(1), 10, 1},         {kOpBlockWrite, AddressSpec{1, 'X', 0, 255, 16}, 10, 1},
      // Register numbers a machine does not have, which 16 bits on the wire
      // would turn into others (70000 into 4464).
      {kOpBlockRead, RegisterSpec(1, 10000), 10, 1}, {kOpBlockRead, RegisterSpec(1, -10), 10, 1},
      {kOpBlockRead, RegisterSpec(1, 655360), 10, 1}, {kOpSingleWrite, RegisterSpec(1, 70000), 1, 1},
      {kOpSingleWrite, RegisterSpec(1, -1), 1, 1},   {kOpBlockWrite, RegisterSpec(1, 9995), 10, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(driver_.Transfer(c.operation, c.spec, c.count, data), c.result)
        << "operation " << c.operation << " machine " << c.spec.machine << " address "
        << c.spec.address << " count " << c.count;
  }
  EXPECT_EQ(FramesSent(), 0u);
  for (std::uint16_t word : data) EXPECT_EQ(word, 0);
}

TEST(MachineLinkStates, TransfersOnAContextWithoutTablesAnswerTwo) {
  DriverInstance driver;
  std::uint16_t data[10] = {};
  EXPECT_EQ(driver.Transfer(kOpBlockRead, RegisterSpec(1, 0), 10, data), 2);
  EXPECT_EQ(driver.Transfer(kOpSingleRead, StatusSpec(1), 1, data), 2);
  EXPECT_EQ(driver.Transfer(kOpSingleWrite, RegisterSpec(1, 0), 1, data), 2);
}

TEST(MachineLinkInstances, TwoInstancesServeTheirOwnLines) {
  TestPort portA = OpenDrainedTestPort(0);
  TestPort portB = OpenDrainedTestPort(1);
  sim::Simulator lineA, lineB;
  lineA.SetRegister(1, 0, 111);
  lineB.SetRegister(1, 0, 222);
  sim::SimulatorThread serveA(lineA, std::move(portA.peer));
  sim::SimulatorThread serveB(lineB, std::move(portB.peer));
  DriverInstance a, b;
  ASSERT_EQ(a.ColdStart(portA.driverName, kTimeoutUnits), 0);
  ASSERT_EQ(b.ColdStart(portB.driverName, kTimeoutUnits), 0);
  std::uint16_t blockA[10] = {}, blockB[10] = {};
  ASSERT_EQ(a.Transfer(kOpBlockRead, RegisterSpec(1, 0), 10, blockA), 0);
  ASSERT_EQ(b.Transfer(kOpBlockRead, RegisterSpec(1, 0), 10, blockB), 0);
  EXPECT_EQ(blockA[0], 111);
  EXPECT_EQ(blockB[0], 222);
}

}  // namespace
