// The termios encoding of every framing, including those a pseudo-terminal
// accepts without meaning anything by them.
#include <gtest/gtest.h>

#include "serial/posix_termios.h"

namespace {

using namespace serial_platform;

// Flags of c_cflag that no line-setting code may disturb.
constexpr tcflag_t kUnrelatedFlags = CREAD | CLOCAL | HUPCL | CRTSCTS;

TEST(PosixTermios, DataBitsFiveToEightRoundTrip) {
  const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
  for (std::uint8_t bits = 5; bits <= 8; ++bits) {
    for (tcflag_t before : {kUnrelatedFlags | CS8 | PARENB | CSTOPB, tcflag_t{CS5}}) {
      tcflag_t cflag = before;
      ASSERT_TRUE(EncodeDataBits(bits, cflag)) << int{bits};
      EXPECT_EQ(cflag & CSIZE, sizes[bits - 5]) << int{bits};
      EXPECT_EQ(cflag & ~CSIZE, before & ~CSIZE) << int{bits};
      EXPECT_EQ(DataBitsOf(cflag), bits);
    }
  }
}

TEST(PosixTermios, EachParityCodeSetsItsFlagsAndClearsTheOthers) {
  struct Case {
    std::uint8_t code;
    tcflag_t flags;
  };
  const Case cases[] = {
      {0, 0},
      {1, PARENB | PARODD},
      {2, PARENB},
      {3, PARENB | CMSPAR | PARODD},
      {4, PARENB | CMSPAR},
  };
  constexpr tcflag_t kParityFlags = PARENB | PARODD | CMSPAR;
  for (const Case& c : cases) {
    for (tcflag_t before : {kUnrelatedFlags | CS7 | kParityFlags, tcflag_t{CS8 | CSTOPB}}) {
      tcflag_t cflag = before;
      ASSERT_TRUE(EncodeParity(c.code, cflag)) << int{c.code};
      EXPECT_EQ(cflag & kParityFlags, c.flags) << "parity " << int{c.code};
      EXPECT_EQ(cflag & ~kParityFlags, before & ~kParityFlags) << int{c.code};
      EXPECT_EQ(ParityOf(cflag), c.code);
    }
  }
}

TEST(PosixTermios, OneStopBitClearsCstopbAndOneAndAHalfOrTwoSetIt) {
  struct Case {
    std::uint8_t code;
    bool cstopb;
    std::uint8_t readBack;
  };
  const Case cases[] = {{0, false, 0}, {1, true, 2}, {2, true, 2}};
  for (const Case& c : cases) {
    for (tcflag_t before : {kUnrelatedFlags | CS8 | CSTOPB, tcflag_t{CS5 | PARENB}}) {
      tcflag_t cflag = before;
      ASSERT_TRUE(EncodeStopBits(c.code, cflag)) << int{c.code};
      EXPECT_EQ((cflag & CSTOPB) != 0, c.cstopb) << "stop bits " << int{c.code};
      EXPECT_EQ(cflag & ~CSTOPB, before & ~CSTOPB);
      EXPECT_EQ(StopBitsOf(cflag), c.readBack);
    }
  }
}

TEST(PosixTermios, CodesTermiosCannotExpressAreRefusedAndChangeNothing) {
  constexpr tcflag_t kBefore = kUnrelatedFlags | CS7 | PARENB | PARODD | CSTOPB;
  for (std::uint8_t bits : {0, 1, 4, 9, 16, 255}) {
    tcflag_t cflag = kBefore;
    EXPECT_FALSE(EncodeDataBits(bits, cflag)) << "data bits " << int{bits};
    EXPECT_EQ(cflag, kBefore);
  }
  for (std::uint8_t parity : {5, 7, 255}) {
    tcflag_t cflag = kBefore;
    EXPECT_FALSE(EncodeParity(parity, cflag)) << "parity " << int{parity};
    EXPECT_EQ(cflag, kBefore);
  }
  for (std::uint8_t stopBits : {3, 255}) {
    tcflag_t cflag = kBefore;
    EXPECT_FALSE(EncodeStopBits(stopBits, cflag)) << "stop bits " << int{stopBits};
    EXPECT_EQ(cflag, kBefore);
  }
}

}  // namespace
