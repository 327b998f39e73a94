// The library's routines over a scripted device: the order of the platform
// calls, the sizes and time-outs of the reads, and the failures a real line
// cannot be made to produce on demand (refused time-outs, short writes,
// failed status requests, a refused close).
#include <gtest/gtest.h>

#include "serial/scripted_platform.h"
#include "serial/serial_port.h"

namespace {

using Calls = std::vector<std::string>;

constexpr LineSettings kLine{9600, 7, 2, 1};

class SerialRoutines : public testing::Test {
 protected:
  void SetUp() override { ResetDevice(); }

  int Open(const char* name, std::uint16_t options = kStartupOptions) {
    return SerialOpen(name, &kLine, options, &handle_);
  }

  SerialHandle handle_ = 0;
};

TEST_F(SerialRoutines, ConfiguredOpenAppliesTimeoutsStateAndQueuesInThatOrder) {
  Device().reported.parityCheck = false;
  Device().reported.modes.ctsOutputFlow = true;
  Device().timeouts = CommTimeouts{7, 7, 7, 7, 7};
  ASSERT_EQ(Open("COM1"), kSerialOk);
  EXPECT_EQ(handle_, kScriptedHandle);
  EXPECT_EQ(Device().calls, (Calls{"OpenDevice COM1", "ReadState", "ApplyTimeouts 1000", "ApplyState",
                                   "RequestQueueSizes 1200 1200"}));
  const CommTimeouts& t = Device().timeouts;
  EXPECT_EQ((std::vector<std::uint32_t>{t.readInterval, t.readTotalMultiplier, t.readTotalConstant,
                                        t.writeTotalMultiplier, t.writeTotalConstant}),
            (std::vector<std::uint32_t>{0, 0, 1000, 0, 0}));
  const DeviceState& applied = Device().applied;
  EXPECT_EQ(applied.baudRate, 9600u);
  EXPECT_EQ(applied.dataBits, 7);
  EXPECT_EQ(applied.stopBits, 2);
  EXPECT_EQ(applied.parity, 1);
  EXPECT_TRUE(applied.parityCheck);
  EXPECT_EQ(applied.modes, (DeviceModes{kDtrEnable, kRtsEnable, true, false, false}));
  EXPECT_TRUE(Device().open);
}

TEST_F(SerialRoutines, NullDeviceAndOptionFlagsZeroStopEarly) {
  ASSERT_EQ(Open("NUL"), kSerialOk);
  EXPECT_EQ(Device().calls, (Calls{"OpenDevice NUL"}));

  ResetDevice();
  ASSERT_EQ(Open("COM1", 0), kSerialOk);
  EXPECT_EQ(Device().calls, (Calls{"OpenDevice COM1", "ReadState"}));

  ResetDevice();
  ASSERT_EQ(Open("nul"), kSerialOk);
  EXPECT_EQ(Device().calls.size(), 5u) << "\"nul\" is configured like any device";
}

TEST_F(SerialRoutines, EachFailingStepOfOpenAnswersItsCodeAndClosesTheDevice) {
  struct Case {
    bool ScriptedDevice::*failure;
    int result;
    std::string lastCallBeforeClose;
  };
  const Case cases[] = {
      {&ScriptedDevice::stateUnreadable, kSerialStateUnreadable, "ReadState"},
      {&ScriptedDevice::timeoutsRefused, kSerialOpenFailed, "ApplyTimeouts 1000"},
      {&ScriptedDevice::stateRefused, kSerialStateRefused, "ApplyState"},
  };
  for (const Case& c : cases) {
    ResetDevice();
    Device().*c.failure = true;
    EXPECT_EQ(Open("COM1"), c.result) << c.lastCallBeforeClose;
    const Calls& calls = Device().calls;
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], c.lastCallBeforeClose);
    EXPECT_EQ(calls.back(), "CloseDevice");
    EXPECT_FALSE(Device().open);
  }
}

TEST_F(SerialRoutines, FailedOpenStoresTheNoHandleValueAndGoesNoFurther) {
  Device().openFails = true;
  EXPECT_EQ(Open("COM1"), kSerialOpenFailed);
  EXPECT_EQ(handle_, kSerialNoHandle);
  EXPECT_EQ(Device().calls, (Calls{"OpenDevice COM1"}));
}

TEST_F(SerialRoutines, SetReadTimeoutWritesOnlyAChangeAndAnswersZeroOnEitherFailure) {
  Device().timeouts = CommTimeouts{1, 2, 1000, 3, 4};
  EXPECT_EQ(SerialSetReadTimeout(kScriptedHandle, 100), 100);
  EXPECT_EQ(Device().calls, (Calls{"ReadTimeouts"}));
  EXPECT_EQ(SerialSetReadTimeout(kScriptedHandle, 7), 100);
  const CommTimeouts& t = Device().timeouts;
  EXPECT_EQ((std::vector<std::uint32_t>{t.readInterval, t.readTotalMultiplier, t.readTotalConstant,
                                        t.writeTotalMultiplier, t.writeTotalConstant}),
            (std::vector<std::uint32_t>{1, 2, 70, 3, 4}));

  Device().timeouts.readTotalConstant = 5;
  EXPECT_EQ(SerialSetReadTimeout(kScriptedHandle, 7), 0) << "5 ms are below one unit";
  Device().timeoutsRefused = true;
  EXPECT_EQ(SerialSetReadTimeout(kScriptedHandle, 9), 0);
  Device().timeoutsRefused = false;
  Device().timeoutsUnreadable = true;
  EXPECT_EQ(SerialSetReadTimeout(kScriptedHandle, 9), 0);
  EXPECT_EQ(Device().timeouts.readTotalConstant, 70u);
}

TEST_F(SerialRoutines, PurgeWithNothingPendingMakesNoRead) {
  Device().timeouts.readTotalConstant = 250;
  EXPECT_EQ(SerialPurge(kScriptedHandle), kSerialOk);
  EXPECT_EQ(Device().calls, (Calls{"QueryPendingInput"}));
}

TEST_F(SerialRoutines, PurgeDrainsInChunksUnderFiftyMillisecondsThenRestoresTheTimeout) {
  struct Case {
    std::uint32_t pending;
    std::deque<ScriptedRead> reads;
    std::vector<std::uint32_t> expectedReads;
    int result;
  };
  const Case cases[] = {
      {1000, {{true, 512}, {true, 488}}, {512, 512}, kSerialOk},
      {512, {{true, 512}, {true, 0}}, {512, 512}, kSerialOk},
      {1, {{true, 1}}, {512}, kSerialOk},
      {1600, {{true, 512}, {false, 100}}, {512, 512}, kSerialOpenFailed},
      // A line babbling faster than the drain reads: it stops after 16 chunks.
      {1200, std::deque<ScriptedRead>(20, {true, 512}), std::vector<std::uint32_t>(16, 512), kSerialOk},
  };
  for (const Case& c : cases) {
    ResetDevice();
    Device().timeouts.readTotalConstant = 250;
    Device().pending = c.pending;
    Device().reads = c.reads;
    EXPECT_EQ(SerialPurge(kScriptedHandle), c.result) << c.pending;
    EXPECT_EQ(Device().readSizes, c.expectedReads) << c.pending;
    EXPECT_EQ(Device().readTimeoutsMs, std::vector<std::uint32_t>(c.expectedReads.size(), 50)) << c.pending;
    EXPECT_EQ(Device().timeouts.readTotalConstant, 250u) << c.pending;
  }
}

TEST_F(SerialRoutines, PurgeAfterAFailedStatusRequestDrainsAnyway) {
  Device().statusFails = true;
  Device().timeouts.readTotalConstant = 1000;
  EXPECT_EQ(SerialPurge(kScriptedHandle), kSerialOk);
  EXPECT_EQ(Device().readSizes, (std::vector<std::uint32_t>{512}));
}

TEST_F(SerialRoutines, DrainFromATimeoutBelowOneUnitLeavesFiftyMilliseconds) {
  for (std::uint32_t previous : {0u, 5u, 9u}) {
    ResetDevice();
    Device().timeouts.readTotalConstant = previous;
    Device().pending = 3;
    Device().reads = {{true, 3}};
    EXPECT_EQ(SerialPurge(kScriptedHandle), kSerialOk);
    EXPECT_EQ(Device().timeouts.readTotalConstant, 50u) << previous;
  }
}

TEST_F(SerialRoutines, ReadAsksForWhatIsMissingAndCountsOnlyCompletedRequests) {
  Device().reads = {{true, 20}, {true, 10}, {false, 3}};
  unsigned char buffer[34];
  std::int32_t gathered = -1;
  EXPECT_EQ(SerialRead(kScriptedHandle, buffer, 34, &gathered), kSerialIoFailed);
  EXPECT_EQ(Device().readSizes, (std::vector<std::uint32_t>{34, 14, 4}));
  EXPECT_EQ(gathered, 30);

  ResetDevice();
  Device().reads = {{true, 20}, {true, 14}};
  EXPECT_EQ(SerialRead(kScriptedHandle, buffer, 34, &gathered), kSerialOk);
  EXPECT_EQ(gathered, 34);

  ResetDevice();
  EXPECT_EQ(SerialRead(kScriptedHandle, buffer, 0, &gathered), kSerialIoFailed);
  EXPECT_EQ(Device().readSizes, (std::vector<std::uint32_t>{0})) << "a count of 0 makes one empty request";
}

TEST_F(SerialRoutines, WriteAnswersTwoForAShortWriteAndSevenWithoutTouchingTheCount) {
  const unsigned char data[36] = {};
  std::uint32_t written = 0xC0FFEE;
  Device().writeAccepts = 20;
  EXPECT_EQ(SerialWrite(kScriptedHandle, data, 36, &written), kSerialShortWrite);
  EXPECT_EQ(written, 20u);
  EXPECT_EQ(Device().calls, (Calls{"WriteAll"})) << "the rest is not sent again";

  written = 0xC0FFEE;
  Device().writeFails = true;
  EXPECT_EQ(SerialWrite(kScriptedHandle, data, 36, &written), kSerialIoFailed);
  EXPECT_EQ(written, 0xC0FFEEu);
}

TEST_F(SerialRoutines, CloseAnswersSevenWhenThePlatformFails) {
  EXPECT_EQ(SerialClose(kScriptedHandle), kSerialOk);
  Device().closeFails = true;
  EXPECT_EQ(SerialClose(kScriptedHandle), kSerialIoFailed);
  EXPECT_EQ(Device().calls, (Calls{"CloseDevice", "CloseDevice"})) << "no second attempt";
}

TEST_F(SerialRoutines, BreakIsHeldForItsDurationAndAnswersZeroThoughRefused) {
  EXPECT_EQ(SerialSendBreak(250, kScriptedHandle), kSerialOk);
  EXPECT_EQ(Device().calls, (Calls{"SetBreak on", "Sleep 250", "SetBreak off"}));
  EXPECT_EQ(SerialDelay(40), kSerialOk);
  EXPECT_EQ(Device().sleptMs, 290u);
}

}  // namespace
