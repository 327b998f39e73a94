// What only the POSIX backend can be asked: exclusive open, termios left
// alone, a line that hangs up, and draining input that is really pending.
// Under Wine these do not apply or cannot be seen: Wine opens no port
// exclusively, its ClearCommError reports no pending input (so a purge never
// drains there), and the runner's link never hangs up.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "serial/port_fixture.h"
#include "serial/pty_peer.h"

namespace {

class PosixSerial : public LineTest {
 protected:
  std::unique_ptr<LinePeer> Connect(std::string* whyNot) override {
    auto peer = PtyPeer::Open(whyNot);
    pty_ = peer.get();
    return peer;
  }

  PtyPeer* pty_ = nullptr;
};

int OpenDescriptorCount() {
  int count = 0;
  if (DIR* fds = opendir("/proc/self/fd")) {
    while (readdir(fds) != nullptr) ++count;
    closedir(fds);
  }
  return count;
}

bool SameAttributes(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::equal(std::begin(a.c_cc), std::end(a.c_cc), std::begin(b.c_cc)) &&
         cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
}

// A terminal as a login shell would leave it: line editing, echo, XON/XOFF,
// carriage-return translation.
termios CookedAttributes(termios attributes) {
  attributes.c_iflag |= ICRNL | IXON;
  attributes.c_oflag |= OPOST | ONLCR;
  attributes.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
  attributes.c_cflag = (attributes.c_cflag & ~CSIZE) | CS7 | PARENB;
  cfsetspeed(&attributes, B4800);
  return attributes;
}

TEST_F(PosixSerial, OptionFlagsZeroLeaveEveryTermiosSettingButStartTheThousandMillisecondTimeout) {
  pty_->SetAttributes(CookedAttributes(pty_->Attributes()));
  const termios before = pty_->Attributes();
  ASSERT_EQ(Open(kEightNoneOne, 0), kSerialOk);
  EXPECT_TRUE(SameAttributes(pty_->Attributes(), before));
  EXPECT_EQ(SerialSetReadTimeout(port_, 7), 100);
}

// Without VMIN and VTIME a terminal reads as end of file while nothing waits;
// that is no hang-up, and the read waits its time-out for the bytes.
TEST_F(PosixSerial, UnconfiguredPortWithoutVminWaitsForLateBytes) {
  termios polling = pty_->Attributes();
  polling.c_cc[VMIN] = 0;
  polling.c_cc[VTIME] = 0;
  pty_->SetAttributes(polling);
  ASSERT_EQ(Open(kEightNoneOne, 0), kSerialOk);
  SerialSetReadTimeout(port_, 300);
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    peer_->Send(Pattern(4, 0x61));
  });
  EXPECT_EQ(ReadExactly(4), Pattern(4, 0x61));
  late.join();
}

TEST_F(PosixSerial, ConfiguredOpenMakesACookedTerminalCarryBytesUnchanged) {
  pty_->SetAttributes(CookedAttributes(pty_->Attributes()));
  ASSERT_EQ(Open(), kSerialOk);
  const Bytes controlCharacters{'\r', '\n', 0x03, 0x04, 0x11, 0x13, 0x15, 0x1A, 0x7F, 0xFF};
  ASSERT_TRUE(peer_->Send(controlCharacters));
  EXPECT_EQ(ReadExactly(10), controlCharacters);
  EXPECT_EQ(SerialWrite(port_, controlCharacters.data(), 10, nullptr), kSerialOk);
  EXPECT_EQ(peer_->Receive(10, 5000), controlCharacters);
  EXPECT_TRUE(peer_->Receive(1, 100).empty()) << "input was echoed";
}

TEST_F(PosixSerial, AnyBaudRateTheDeviceAcceptsIsSetExactly) {
  ASSERT_EQ(Open(LineSettings{31250, 8, 0, 0}), kSerialOk);
  EXPECT_EQ(peer_->LineOf(port_).baudRate, 31250u);
}

TEST_F(PosixSerial, PortIsHeldExclusivelyUntilClosed) {
  ASSERT_EQ(Open(), kSerialOk);
  // The advisory lock refuses the second open even to root, which TIOCEXCL lets through.
  SerialHandle second = 1234;
  EXPECT_EQ(SerialOpen(peer_->PortName().c_str(), &kEightNoneOne, kStartupOptions, &second),
            kSerialOpenFailed)
      << "running as uid " << geteuid();
  EXPECT_EQ(second, kSerialNoHandle);
  ASSERT_EQ(Close(), kSerialOk);
  EXPECT_EQ(Open(), kSerialOk);
}

TEST_F(PosixSerial, DeviceWithoutSerialStateIsClosedAgainWithoutLeakingIt) {
  char path[] = "/tmp/torva-not-a-tty-XXXXXX";
  const int file = mkstemp(path);
  ASSERT_GE(file, 0);
  close(file);
  const int descriptorsBefore = OpenDescriptorCount();
  for (int attempt = 0; attempt < 2; ++attempt) {
    SerialHandle handle = kSerialNoHandle;
    EXPECT_EQ(SerialOpen(path, &kEightNoneOne, kStartupOptions, &handle), kSerialStateUnreadable)
        << "attempt " << attempt << ": a 1 means the first open still holds the file";
  }
  EXPECT_EQ(OpenDescriptorCount(), descriptorsBefore);
  std::remove(path);
}

TEST_F(PosixSerial, NamesWithoutASlashAreLookedUpUnderDev) {
  // /dev/null is found (no 1) but has no serial state.
  SerialHandle handle = kSerialNoHandle;
  EXPECT_EQ(SerialOpen("null", &kEightNoneOne, kStartupOptions, &handle), kSerialStateUnreadable);
}

// A pseudo-terminal carries only 8 data bits without parity, and says so only
// when its settings are read back.
TEST_F(PosixSerial, FramingTheDeviceCannotCarryIsRefusedAndLeavesItsTermiosAlone) {
  const LineSettings refused[] = {{19200, 7, 0, 0}, {19200, 8, 0, 1}, {19200, 8, 0, 2},
                                  {19200, 8, 0, 3}, {19200, 8, 0, 4}, {19200, 5, 1, 0}};
  const termios before = pty_->Attributes();
  for (const LineSettings& line : refused) {
    EXPECT_EQ(Open(line), kSerialStateRefused) << "data bits " << line.dataBits << ", parity " << line.parity;
    EXPECT_TRUE(SameAttributes(pty_->Attributes(), before)) << "data bits " << line.dataBits;
  }
  EXPECT_EQ(Open(), kSerialOk);
}

TEST_F(PosixSerial, PurgeDrainsAThousandPendingBytesAndRestoresTheTimeout) {
  ASSERT_EQ(Open(), kSerialOk);
  SerialSetReadTimeout(port_, 25);
  ASSERT_TRUE(peer_->Send(Pattern(1000)));
  ASSERT_TRUE(pty_->WaitUntilPending(1000, 5000));
  EXPECT_EQ(SerialPurge(port_), kSerialOk);
  EXPECT_TRUE(pty_->WaitUntilPending(0, 0));
  EXPECT_FALSE(pty_->WaitUntilPending(1, 0)) << "input left after the purge";
  EXPECT_EQ(SerialSetReadTimeout(port_, 25), 25);
  ASSERT_TRUE(peer_->Send(Pattern(4, 0x30)));
  EXPECT_EQ(ReadExactly(4), Pattern(4, 0x30));
}

TEST_F(PosixSerial, PurgeOfExactlyOneChunkWaitsForMoreAndEndsWithZero) {
  ASSERT_EQ(Open(), kSerialOk);
  ASSERT_TRUE(peer_->Send(Pattern(512)));
  ASSERT_TRUE(pty_->WaitUntilPending(512, 5000));
  const Stopwatch stopwatch;
  EXPECT_EQ(SerialPurge(port_), kSerialOk);
  EXPECT_GE(stopwatch.ElapsedMs(), 40) << "the drain stopped after a full chunk";
  EXPECT_FALSE(pty_->WaitUntilPending(1, 0));
  EXPECT_EQ(SerialSetReadTimeout(port_, 7), 100);
}

TEST_F(PosixSerial, HangUpDuringAReadEndsItAtOnceWithWhatArrived) {
  ASSERT_EQ(Open(), kSerialOk);
  SerialSetReadTimeout(port_, 500);
  ASSERT_TRUE(peer_->Send(Pattern(5)));
  std::thread hangUp([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    pty_->HangUp();
  });
  Bytes buffer(34);
  std::int32_t gathered = -1;
  const Stopwatch stopwatch;
  EXPECT_EQ(SerialRead(port_, buffer.data(), 34, &gathered), kSerialIoFailed);
  EXPECT_LT(stopwatch.ElapsedMs(), 3000) << "the read waited for its 5 s time-out";
  hangUp.join();
  EXPECT_EQ(gathered, 5);
}

TEST_F(PosixSerial, HungUpLineFailsEveryTransferPromptly) {
  ASSERT_EQ(Open(), kSerialOk);
  SerialSetReadTimeout(port_, 500);
  pty_->HangUp();
  const Stopwatch stopwatch;
  Bytes buffer(34);
  std::int32_t gathered = -1;
  EXPECT_EQ(SerialRead(port_, buffer.data(), 34, &gathered), kSerialIoFailed);
  EXPECT_EQ(gathered, 0);
  std::uint32_t written = 0xC0FFEE;
  EXPECT_EQ(SerialWrite(port_, buffer.data(), 34, &written), kSerialIoFailed);
  EXPECT_EQ(written, 0xC0FFEEu);
  EXPECT_EQ(SerialPurge(port_), kSerialOpenFailed) << "the drain's read failed";
  EXPECT_LT(stopwatch.ElapsedMs(), 3000);
  EXPECT_EQ(Close(), kSerialOk);
}

}  // namespace
