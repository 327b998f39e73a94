// What every backend of the serial library must do, checked on a real line:
// natively a pseudo-terminal pair, under Wine COM1 joined to COM2.
#include <climits>
#include <thread>

#include "serial/port_fixture.h"

namespace {

using SerialContract = LineTest;

// Every byte value, so that no character is taken for line control.
const Bytes kAllByteValues = Pattern(256);

TEST_F(SerialContract, ConfiguredPortCarriesEveryByteValueBothWaysAndClosesOnce) {
  ASSERT_EQ(Open(), kSerialOk);
  ASSERT_NE(port_, kSerialNoHandle);
  EXPECT_EQ(peer_->LineOf(port_), (ObservedLine{19200, 8, 0, 0}));

  std::uint32_t written = 0;
  EXPECT_EQ(SerialWrite(port_, kAllByteValues.data(), 256, &written), kSerialOk);
  EXPECT_EQ(written, 256u);
  EXPECT_EQ(peer_->Receive(256, 5000), kAllByteValues);
  EXPECT_EQ(SerialWrite(port_, kAllByteValues.data(), 4, nullptr), kSerialOk);
  EXPECT_EQ(peer_->Receive(4, 5000), Pattern(4));

  ASSERT_TRUE(peer_->Send(kAllByteValues));
  EXPECT_EQ(ReadExactly(256), kAllByteValues);
  ASSERT_TRUE(peer_->Send(Pattern(4, 9)));
  Bytes withoutCount(4);
  EXPECT_EQ(SerialRead(port_, withoutCount.data(), 4, nullptr), kSerialOk);
  EXPECT_EQ(withoutCount, Pattern(4, 9));

  const SerialHandle closed = port_;
  EXPECT_EQ(Close(), kSerialOk);
  EXPECT_EQ(SerialClose(closed), kSerialIoFailed);
}

// Only framings a pseudo-terminal carries: 8 data bits without parity.
TEST_F(SerialContract, ConfiguredOpenAppliesTheLowBytesOfEachLineSetting) {
  struct Case {
    LineSettings line;
    ObservedLine expected;
  };
  const Case cases[] = {
      {{9600, 0x0108, 0x0102, 0x0100}, {9600, 8, 0, 2}},
      {{1200, 8, 0, 0}, {1200, 8, 0, 0}},
      {{57600, 8, 2, 0}, {57600, 8, 0, 2}},
      {{38400, 0xFF08, 0xFF00, 0xFF00}, {38400, 8, 0, 0}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Open(c.line, 0x0004), kSerialOk) << c.line.baudRate;
    EXPECT_EQ(peer_->LineOf(port_), c.expected) << c.line.baudRate;
    EXPECT_EQ(Close(), kSerialOk);
  }
}

TEST_F(SerialContract, OptionFlagsZeroLeaveTheFramingAsTheDeviceHadIt) {
  ASSERT_EQ(Open(LineSettings{9600, 8, 2, 0}), kSerialOk);
  ASSERT_EQ(Close(), kSerialOk);
  // Settings the device would refuse show that nothing is applied.
  ASSERT_EQ(Open(LineSettings{19200, 9, 3, 7}, 0), kSerialOk);
  EXPECT_EQ(peer_->LineOf(port_), (ObservedLine{9600, 8, 0, 2}));
}

TEST_F(SerialContract, RefusedStateClosesThePortSoThatItOpensAgainAtOnce) {
  const LineSettings refused[] = {{19200, 9, 0, 0}, {19200, 8, 0, 7}, {19200, 8, 3, 0}};
  for (const LineSettings& line : refused) {
    EXPECT_EQ(Open(line), kSerialStateRefused)
        << "data bits " << line.dataBits << ", stop bits " << line.stopBits << ", parity " << line.parity;
    ASSERT_EQ(Open(), kSerialOk);
    EXPECT_EQ(Close(), kSerialOk);
  }
}

TEST_F(SerialContract, NullDeviceOpensWithoutConfiguringButOnlyUnderItsExactName) {
  const LineSettings refused{0, 9, 3, 7};
  SerialHandle nullDevice = kSerialNoHandle;
  ASSERT_EQ(SerialOpen("NUL", &refused, kStartupOptions, &nullDevice), kSerialOk);
  std::uint32_t written = 0;
  EXPECT_EQ(SerialWrite(nullDevice, kAllByteValues.data(), 256, &written), kSerialOk);
  EXPECT_EQ(written, 256u);
  EXPECT_EQ(SerialClose(nullDevice), kSerialOk);

  SerialHandle lowerCase = kSerialNoHandle;
  EXPECT_EQ(SerialOpen("nul", &kEightNoneOne, kStartupOptions, &lowerCase), kLowerCaseNulOpenResult);
}

TEST_F(SerialContract, FailedOpenLeavesTheNoHandleValue) {
  SerialHandle handle = 1234;
  EXPECT_EQ(SerialOpen("torva-no-such-port", &kEightNoneOne, kStartupOptions, &handle), kSerialOpenFailed);
  EXPECT_EQ(handle, kSerialNoHandle);
}

TEST_F(SerialContract, ReadOfNothingFailsWithCountZeroWhenTheTimeoutPasses) {
  ASSERT_EQ(Open(), kSerialOk);
  SerialSetReadTimeout(port_, 20);
  Bytes buffer(34);
  std::int32_t gathered = -1;
  const Stopwatch stopwatch;
  EXPECT_EQ(SerialRead(port_, buffer.data(), 34, &gathered), kSerialIoFailed);
  EXPECT_EQ(gathered, 0);
  EXPECT_GE(stopwatch.ElapsedMs(), 150);
  EXPECT_LT(stopwatch.ElapsedMs(), 5000);
}

TEST_F(SerialContract, ReadGoesOnAcrossTimeoutsWhileBytesKeepComing) {
  ASSERT_EQ(Open(), kSerialOk);
  SerialSetReadTimeout(port_, 20);
  const Bytes message = Pattern(34, 0x40);
  ASSERT_TRUE(peer_->Send(Bytes(message.begin(), message.begin() + 20)));
  // The rest comes after the first request's 200 ms have passed.
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    peer_->Send(Bytes(message.begin() + 20, message.end()));
  });
  EXPECT_EQ(ReadExactly(34), message);
  late.join();
}

TEST_F(SerialContract, ReadThatStopsShortKeepsWhatItGathered) {
  ASSERT_EQ(Open(), kSerialOk);
  SerialSetReadTimeout(port_, 20);
  ASSERT_TRUE(peer_->Send(Pattern(10, 0x80)));
  Bytes buffer(34, 0);
  std::int32_t gathered = -1;
  EXPECT_EQ(SerialRead(port_, buffer.data(), 34, &gathered), kSerialIoFailed);
  ASSERT_EQ(gathered, 10);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 10), Pattern(10, 0x80));
}

TEST_F(SerialContract, ReadCountsOfZeroOrOutsideTheRangeFailWithoutTakingAByte) {
  ASSERT_EQ(Open(), kSerialOk);
  SerialSetReadTimeout(port_, 20);
  ASSERT_TRUE(peer_->Send(Pattern(3, 0xF0)));
  Bytes buffer(8);
  for (std::int32_t count : {0, -1, INT_MIN, 65536, INT_MAX}) {
    std::int32_t gathered = 99;
    EXPECT_EQ(SerialRead(port_, buffer.data(), count, &gathered), kSerialIoFailed) << count;
    EXPECT_EQ(gathered, 0) << count;
  }
  EXPECT_EQ(ReadExactly(3), Pattern(3, 0xF0));
}

TEST_F(SerialContract, LargestReadCountIsAccepted) {
  ASSERT_EQ(Open(), kSerialOk);
  SerialSetReadTimeout(port_, 20);
  ASSERT_TRUE(peer_->Send(Pattern(5)));
  Bytes buffer(65535);
  std::int32_t gathered = -1;
  EXPECT_EQ(SerialRead(port_, buffer.data(), 65535, &gathered), kSerialIoFailed);
  EXPECT_EQ(gathered, 5);
}

TEST_F(SerialContract, SetReadTimeoutReturnsTheOldValueAndRefusesNonPositiveOnes) {
  ASSERT_EQ(Open(), kSerialOk);
  EXPECT_EQ(SerialSetReadTimeout(port_, 7), 100) << "SerialOpen starts with 1000 ms";
  EXPECT_EQ(SerialSetReadTimeout(port_, 7), 7);
  for (std::int32_t refused : {0, -1, -7, INT_MIN}) {
    EXPECT_EQ(SerialSetReadTimeout(port_, refused), 0) << refused;
  }
  EXPECT_EQ(SerialSetReadTimeout(port_, 7), 7) << "a refused value changed the time-out";

  Bytes buffer(1);
  const Stopwatch stopwatch;
  EXPECT_EQ(SerialRead(port_, buffer.data(), 1, nullptr), kSerialIoFailed);
  EXPECT_LT(stopwatch.ElapsedMs(), 700) << "70 ms are not in force";
}

TEST_F(SerialContract, HugeTimeoutsAreCappedInsteadOfWrappingRound) {
  ASSERT_EQ(Open(), kSerialOk);
  // 429,496,730 x 10 ms is 4 ms past 2^32 ms.
  EXPECT_EQ(SerialSetReadTimeout(port_, 429496730), 100);
  EXPECT_EQ(SerialSetReadTimeout(port_, INT_MAX), 429496729);
  EXPECT_EQ(SerialSetReadTimeout(port_, 7), 429496729);
}

TEST_F(SerialContract, PurgeWithNothingPendingSucceedsAndKeepsTheTimeout) {
  ASSERT_EQ(Open(), kSerialOk);
  SerialSetReadTimeout(port_, 25);
  EXPECT_EQ(SerialPurge(port_), kSerialOk);
  EXPECT_EQ(SerialSetReadTimeout(port_, 25), 25);
  ASSERT_TRUE(peer_->Send(Pattern(4, 0x30)));
  EXPECT_EQ(ReadExactly(4), Pattern(4, 0x30));
}

TEST_F(SerialContract, FailedWriteAnswersSevenAndLeavesTheCountAlone) {
  ASSERT_EQ(Open(), kSerialOk);
  const SerialHandle closed = port_;
  ASSERT_EQ(Close(), kSerialOk);
  std::uint32_t written = 0xC0FFEE;
  EXPECT_EQ(SerialWrite(closed, kAllByteValues.data(), 16, &written), kSerialIoFailed);
  EXPECT_EQ(written, 0xC0FFEEu);
}

TEST_F(SerialContract, EmptyWriteSucceedsWithCountZero) {
  ASSERT_EQ(Open(), kSerialOk);
  std::uint32_t written = 77;
  EXPECT_EQ(SerialWrite(port_, kAllByteValues.data(), 0, &written), kSerialOk);
  EXPECT_EQ(written, 0u);
}

TEST_F(SerialContract, BreakAndDelayWaitTheirTimeAndAnswerZeroEvenWhenRefused) {
  ASSERT_EQ(Open(), kSerialOk);
  const Stopwatch stopwatch;
  EXPECT_EQ(SerialSendBreak(60, port_), kSerialOk);
  EXPECT_GE(stopwatch.ElapsedMs(), 50);
  EXPECT_EQ(SerialDelay(30), kSerialOk);
  EXPECT_GE(stopwatch.ElapsedMs(), 80);

  ASSERT_TRUE(peer_->Send(Pattern(3)));
  EXPECT_EQ(ReadExactly(3), Pattern(3)) << "the line no longer works after a break";

  const SerialHandle closed = port_;
  ASSERT_EQ(Close(), kSerialOk);
  EXPECT_EQ(SerialSendBreak(1, closed), kSerialOk);
}

}  // namespace
