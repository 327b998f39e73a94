// Faults on the line, through KelMain against the simulated machines: the
// other end vanishing in the middle of a reply, a line that babbles for
// ever, noise between every frame, replies cut at every length, and replies
// that trickle in slowly. Every fault ends in a clear result code, bounded
// in time, and the driver works again once the line is back.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "reliability/faulty_line.h"
#include "reliability/vanished_line.h"
#include "sim/pacing.h"
#include "sim/simulator.h"
#include "support/driver_instance.h"
#include "support/host_log_capture.h"
#include "support/test_port.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using sim::ReplyFault;
using sim::ScriptedReply;

constexpr std::int32_t kTimeoutUnits = 10;  // 100 ms: failed attempts stay short
// Far above what any of these faults may take; only a hang comes near it.
constexpr auto kNoHang = std::chrono::seconds(60);

std::string DisabledLine(int machine) {
  return "TORVA> Machine " + std::to_string(machine) +
         " not responding, disabling communication to it!";
}

ResultCode ReadBlock(DriverInstance& driver, int machine, int address, std::uint16_t* block) {
  return driver.Transfer(kOpBlockRead, RegisterSpec(machine, address), 10, block);
}

ResultCode WriteOne(DriverInstance& driver, int machine, int address, std::uint16_t value) {
  std::uint16_t data[2] = {0, value};
  return driver.Transfer(kOpSingleWrite, RegisterSpec(machine, address), 1, data);
}

ResultCode WriteTen(DriverInstance& driver, int machine, int address, std::uint16_t first) {
  std::uint16_t data[10];
  for (int i = 0; i < 10; ++i) data[i] = static_cast<std::uint16_t>(first + i);
  return driver.Transfer(kOpBlockWrite, RegisterSpec(machine, address), 10, data);
}

ResultCode Enable(DriverInstance& driver, int machine) {
  std::uint16_t zero[2] = {0, 0};
  return driver.Transfer(kOpSingleWrite, CommSpec(machine), 1, zero);
}

// The driver moves to a fresh line with a new simulator, the machine is
// served again, and a read brings its registers.
void ExpectServedOnAFreshLine(DriverInstance& driver, int machine) {
  TestPort fresh = OpenDrainedTestPort(1);
  sim::Simulator simulator;
  simulator.SetRegister(machine, 40, 0x5150);
  sim::SimulatorThread serving(simulator, std::move(fresh.peer));
  ASSERT_EQ(driver.ChangeKelParams(fresh.driverName, kTimeoutUnits), 0);
  ASSERT_EQ(Enable(driver, machine), 0);
  std::uint16_t block[10] = {};
  ASSERT_EQ(ReadBlock(driver, machine, 40, block), 0);
  EXPECT_EQ(block[0], 0x5150);
  // The port can be given up and taken again while the line is there.
  ASSERT_EQ(driver.CloseCom(), 0);
  ASSERT_EQ(driver.ReOpenCom(), 0);
  block[0] = 0;
  ASSERT_EQ(ReadBlock(driver, machine, 40, block), 0);
  EXPECT_EQ(block[0], 0x5150);
}

// A line of machines behind a FaultyLine, and a driver started on it.
class LineFaults : public testing::Test {
 protected:
  explicit LineFaults(std::int32_t timeoutUnits = kTimeoutUnits, TestPort port = OpenDrainedTestPort())
      : timeoutUnits_(timeoutUnits), port_(std::move(port)) {
    auto line = std::make_unique<FaultyLine>(std::move(port_.peer));
    line_ = line.get();
    serving_.emplace(simulator_, std::move(line));
  }

  void SetUp() override {
    ASSERT_EQ(driver_.ColdStart(port_.driverName, timeoutUnits_), 0);
    simulator_.ClearTrace();
    ClearLog();
  }

  std::size_t FramesSent() const { return simulator_.ReceivedFrames().size(); }

  std::int32_t timeoutUnits_;
  TestPort port_;
  sim::Simulator simulator_;
  FaultyLine* line_;
  std::optional<sim::SimulatorThread> serving_;
  DriverInstance driver_;
};

// --- The other end vanishes --------------------------------------------

class HangUp : public LineFaults {
 protected:
  // A second: the paced reply is well inside it.
  HangUp() : LineFaults(100, OpenPluggableTestPort()) {}
};

TEST_F(HangUp, InTheMiddleOfAReplyGivesTwoAndTheDriverRecovers) {
  constexpr std::uint32_t kBaud = 1200;  // a reply takes 300 ms on the wire
  simulator_.SetPacing(kBaud);
  bool replyUnderWay = false;
  std::thread hangUp([this, &replyUnderWay] {
    while (FramesSent() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // The request's own wire time, then half of the reply.
    std::this_thread::sleep_for(sim::ByteTime(kBaud) * (36 + 18));
    const auto trace = simulator_.Trace();
    replyUnderWay = !trace.empty() && !trace.back().received;
    serving_->HangUp();
  });
  std::uint16_t block[10] = {};
  const auto start = Clock::now();
  EXPECT_EQ(ReadBlock(driver_, 2, 0, block), 2);
  EXPECT_LT(Clock::now() - start, kNoHang);
  hangUp.join();
  EXPECT_TRUE(replyUnderWay) << "the line vanished while the reply was on its way";
  EXPECT_EQ(driver_.context().commDisabled[2], 1);
  EXPECT_EQ(LoggedTexts(), std::vector<std::string>{DisabledLine(2)});

  ASSERT_EQ(driver_.CloseCom(), 0);
  if (VanishedLinesCannotBeReopened()) {
    EXPECT_EQ(driver_.ReOpenCom(), 2) << "the line is not back yet";
  }
  {
    sim::Simulator simulator;
    simulator.SetRegister(2, 40, 0x2222);
    sim::SimulatorThread serving(simulator, PlugLineBackIn(port_.driverName));
    ASSERT_EQ(driver_.ReOpenCom(), 0) << "the line is back under its name";
    ASSERT_EQ(Enable(driver_, 2), 0);
    ASSERT_EQ(ReadBlock(driver_, 2, 40, block), 0);
    EXPECT_EQ(block[0], 0x2222);
  }
  ExpectServedOnAFreshLine(driver_, 2);
}

struct DeadLineCase {
  const char* name;
  std::uint32_t operation;
  std::size_t bytesBeforeDead;  // of the replies, in the order they go out
};

class LineGoesDead : public LineFaults, public testing::WithParamInterface<DeadLineCase> {};

// Reads disable the machine; writes answer 2 and leave it served. A write
// whose values request arrived has reached the machine, although its answer
// was lost: a 2 never says that nothing was written.
TEST_P(LineGoesDead, AfterSomeBytesGivesTwoAndTheDriverRecovers) {
  const DeadLineCase& c = GetParam();
  line_->CloseAfter(c.bytesBeforeDead);
  const bool read = c.operation == kOpBlockRead;
  const auto start = Clock::now();
  std::uint16_t block[10] = {};
  if (read) {
    EXPECT_EQ(ReadBlock(driver_, 3, 0, block), 2);
  } else {
    EXPECT_EQ(WriteTen(driver_, 3, 10, 100), 2);
  }
  EXPECT_LT(Clock::now() - start, kNoHang);
  EXPECT_EQ(driver_.context().commDisabled[3], read ? 1 : 0);
  EXPECT_EQ(LoggedTexts().size(), read ? 1u : 0u);
  // The simulator stops serving when its line dies: the values request is
  // stored only when the line outlived the whole list reply.
  const bool valuesArrived = !read && c.bytesBeforeDead > 36;
  EXPECT_EQ(simulator_.Register(3, 19), valuesArrived ? 109 : 0);
  ExpectServedOnAFreshLine(driver_, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LineGoesDead,
    testing::Values(DeadLineCase{"ReadBeforeAnyByte", kOpBlockRead, 0},
                    DeadLineCase{"ReadAfterTheStartByte", kOpBlockRead, 1},
                    DeadLineCase{"ReadAfterTheReplyMark", kOpBlockRead, 2},
                    DeadLineCase{"ReadInTheStatusWord", kOpBlockRead, 14},
                    DeadLineCase{"ReadBeforeTheChecksum", kOpBlockRead, 35},
                    DeadLineCase{"WriteInTheListReply", kOpBlockWrite, 2},
                    DeadLineCase{"WriteAfterTheListReply", kOpBlockWrite, 36},
                    DeadLineCase{"WriteInTheValuesReply", kOpBlockWrite, 36 + 17},
                    DeadLineCase{"WriteBeforeTheLastValuesByte", kOpBlockWrite, 36 + 35}),
    [](const auto& info) { return std::string(info.param.name); });

// --- A babbling line -----------------------------------------------------

// Sends a pattern over and over, paced like a line at `baudRate`, until it
// is destroyed.
class Babbler {
 public:
  Babbler(sim::Line& line, Bytes pattern, std::uint32_t baudRate)
      : thread_([this, &line, pattern = std::move(pattern), baudRate] {
          Bytes chunk;
          while (chunk.size() < 64) chunk.insert(chunk.end(), pattern.begin(), pattern.end());
          const auto start = Clock::now();
          for (std::int64_t sent = 0; !stop_; sent += static_cast<std::int64_t>(chunk.size())) {
            line.Write(chunk.data(), chunk.size());
            sim::WaitUntil(start + sim::ByteTime(baudRate) * (sent + chunk.size()), stop_);
          }
        }) {}
  ~Babbler() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

Bytes BadReply() {
  Bytes reply(36, 0x11);
  reply[0] = 0x02;
  reply[1] = 0x4F;
  reply[35] = 0;  // the sum of bytes 1 to 34 is 0x80
  return reply;
}

struct BabbleCase {
  const char* name;
  Bytes pattern;
  ResultCode result;  // 2: nothing that starts a reply; 1: only wrong replies
  std::uint32_t baudRate = 57600;
};

class BabblingLine : public testing::TestWithParam<BabbleCase> {};

// The driver skips a bounded number of bytes waiting for a reply to start,
// so a line that never stops talking cannot hold it; once the babble stops,
// the same line serves again.
TEST_P(BabblingLine, EndsEveryAttemptAndTheLineServesAgainAfterwards) {
  const BabbleCase& c = GetParam();
  TestPort port = OpenDrainedTestPort();
  DriverInstance driver;
  ASSERT_EQ(driver.ColdStart(port.driverName, kTimeoutUnits), 0);
  ClearLog();
  std::uint16_t block[10] = {0x1234};
  {
    Babbler babbler(*port.peer, c.pattern, c.baudRate);
    const auto start = Clock::now();
    EXPECT_EQ(ReadBlock(driver, 4, 0, block), c.result);
    EXPECT_LT(Clock::now() - start, kNoHang);
  }
  EXPECT_EQ(block[0], 0x1234) << "nothing delivered";
  EXPECT_EQ(driver.context().commDisabled[4], c.result == 2 ? 1 : 0);
  DrainLine(*port.peer);  // the requests of the babbling time are past
  sim::Simulator simulator;
  simulator.SetRegister(4, 0, 0x4444);
  sim::SimulatorThread serving(simulator, std::move(port.peer));
  ASSERT_EQ(Enable(driver, 4), 0);
  ASSERT_EQ(ReadBlock(driver, 4, 0, block), 0);
  EXPECT_EQ(block[0], 0x4444);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, BabblingLine,
    testing::Values(BabbleCase{"OneByte", {0x55}, 2},
                    BabbleCase{"StartBytes", {0x02}, 2},
                    BabbleCase{"RequestStarts", {0x02, 0x2F, 0x00, 0x01}, 2},
                    BabbleCase{"WrongReplies", BadReply(), 1},
                    // Faster than the purge before each request can drain.
                    BabbleCase{"FullSpeed", {0x55}, 2, 10'000'000}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Noise between every frame -------------------------------------------

// Noise in front of every reply and behind it, with false starts of requests
// and replies: every read and write still takes one attempt a phase. (Noise
// behind a reply that held a reply start could come after the next request,
// where nothing can tell it from a reply.)
TEST_F(LineFaults, NoiseBetweenEveryFrameCostsNoAttempt) {
  sim::MachineFaults faults;
  faults.noiseBeforeReply = {0x00, 0x02, 0x2F, 0x02, 0x02, 0x4E, 0xFF, 0x4F};
  line_->SetTrailingNoise({0x02, 0x2F, 0x00, 0x13, 0x02, 0x4E, 0x4F, 0xAA});
  for (int machine = 1; machine <= 3; ++machine) {
    simulator_.SetFaults(machine, faults);
    const auto first = static_cast<std::uint16_t>(machine * 1000);
    ASSERT_EQ(WriteTen(driver_, machine, 20, first), 0);
    ASSERT_EQ(WriteOne(driver_, machine, 25, 0xBEEF), 0);
    std::uint16_t block[10] = {};
    ASSERT_EQ(ReadBlock(driver_, machine, 20, block), 0);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(block[i], i == 5 ? 0xBEEF : first + i) << machine;
  }
  EXPECT_EQ(FramesSent(), 3u * 5u) << "two writes of two phases and a read: no attempt repeated";
  EXPECT_TRUE(LoggedLines().empty());
}

// --- Replies cut at every length ----------------------------------------

class CutReplies : public LineFaults, public testing::WithParamInterface<int> {};

// Cut, cut, whole: the third attempt delivers. Cut three times: no reply,
// the machine is disabled.
TEST_P(CutReplies, AtEveryLength) {
  const int cut = GetParam();
  const ScriptedReply cutReply{ReplyFault::kCut, cut};
  simulator_.SetRegister(5, 60, 0x0600 + cut);
  simulator_.Script(5, {cutReply, cutReply, ScriptedReply{}});
  std::uint16_t block[10] = {};
  ASSERT_EQ(ReadBlock(driver_, 5, 60, block), 0);
  EXPECT_EQ(block[0], 0x0600 + cut);
  EXPECT_EQ(driver_.context().commDisabled[5], 0);

  simulator_.Script(5, {cutReply, cutReply, cutReply});
  block[0] = 0;
  EXPECT_EQ(ReadBlock(driver_, 5, 60, block), 2);
  EXPECT_EQ(block[0], 0);
  EXPECT_EQ(driver_.context().commDisabled[5], 1);
  EXPECT_EQ(LoggedTexts(), std::vector<std::string>{DisabledLine(5)});
  EXPECT_EQ(FramesSent(), 6u);
}

INSTANTIATE_TEST_SUITE_P(Lengths, CutReplies, testing::Range(0, 36));

// A values request that arrived is stored even when every reply to it is cut.
TEST_F(LineFaults, WriteWhoseValuesRepliesAreCutHasReachedTheMachine) {
  for (int cut : {0, 2, 22, 35}) {
    const ScriptedReply cutReply{ReplyFault::kCut, cut};
    simulator_.Script(6, {ScriptedReply{}, cutReply, cutReply, cutReply});
    const auto value = static_cast<std::uint16_t>(0x7000 + cut);
    EXPECT_EQ(WriteOne(driver_, 6, 300, value), 2) << cut;
    EXPECT_EQ(simulator_.Register(6, 300), value) << cut;
  }
  EXPECT_EQ(driver_.context().commDisabled[6], 0);
}

// --- A slow trickle -----------------------------------------------------

struct TrickleCase {
  std::uint32_t baudRate;
  std::int32_t timeoutUnits;
  ResultCode result;
};

class SlowTrickle : public testing::TestWithParam<TrickleCase> {};

// Replies that trickle in at a low rate are read whole as long as they
// start within the time-out; one that starts later is no reply at all, and
// the read still ends.
TEST_P(SlowTrickle, RepliesThatKeepComingAreReadWhole) {
  const TrickleCase& c = GetParam();
  TestPort port = OpenDrainedTestPort();
  sim::Simulator simulator;
  simulator.SetPacing(c.baudRate);
  simulator.SetRegister(8, 90, 0x0909);
  sim::SimulatorThread serving(simulator, std::move(port.peer));
  DriverInstance driver;
  ASSERT_EQ(driver.ColdStart(port.driverName, c.timeoutUnits), 0);
  std::uint16_t block[10] = {};
  const auto start = Clock::now();
  EXPECT_EQ(ReadBlock(driver, 8, 90, block), c.result);
  EXPECT_EQ(block[0], c.result == 0 ? 0x0909 : 0);
  if (c.result == 0) {
    EXPECT_EQ(WriteTen(driver, 8, 100, 1), 0);
  }
  EXPECT_LT(Clock::now() - start, kNoHang);
}

INSTANTIATE_TEST_SUITE_P(Rates, SlowTrickle,
                         testing::Values(TrickleCase{1200, 50, 0}, TrickleCase{2400, 30, 0},
                                         TrickleCase{9600, 10, 0}, TrickleCase{1200, 10, 2}),
                         [](const auto& info) {
                           return std::to_string(info.param.baudRate) + "baud_timeout" +
                                  std::to_string(info.param.timeoutUnits);
                         });

}  // namespace
