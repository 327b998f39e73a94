// The option-flags word and the line settings, mapped onto a device state
// without any device: every framing and mode, including those a
// pseudo-terminal or Wine would refuse.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>

#include "serial/device_state.h"

// Lets a failing case show the modes by name-value pairs.
static void PrintTo(const DeviceModes& modes, std::ostream* out) {
  *out << "{dtr " << int{modes.dtrControl} << ", rts " << int{modes.rtsControl} << ", cts "
       << modes.ctsOutputFlow << ", dsr " << modes.dsrOutputFlow << ", dsr sensitivity "
       << modes.dsrSensitivity << "}";
}

namespace {

constexpr DeviceModes kAllOff{kDtrDisable, kRtsDisable, false, false, false};
constexpr DeviceModes kAllOn{kDtrHandshake, kRtsToggle, true, true, true};

struct FlagCase {
  std::uint16_t options;
  DeviceModes before;
  DeviceModes expected;
};

// In each group the first selecting bit wins; a group without one keeps the
// device's modes; the flow group switches one setting on and none off.
constexpr FlagCase kFlagCases[] = {
    {0x0303, kAllOff, {kDtrEnable, kRtsEnable, false, false, false}},
    {0x0303, kAllOn, {kDtrEnable, kRtsEnable, true, true, true}},
    {0x0001, kAllOff, {kDtrEnable, kRtsDisable, false, false, false}},
    {0x0100, kAllOn, {kDtrEnable, kRtsToggle, true, true, true}},
    {0x0001 | 0x8000, kAllOff, {kDtrEnable, kRtsDisable, false, false, false}},
    {0x0100 | 0x8000, kAllOff, {kDtrEnable, kRtsDisable, false, false, false}},
    {0x8000, kAllOff, {kDtrHandshake, kRtsDisable, false, false, false}},
    {0x8000, {kDtrEnable, kRtsEnable, false, false, false}, {kDtrHandshake, kRtsEnable, false, false, false}},
    {0x0002, kAllOn, {kDtrHandshake, kRtsEnable, true, true, true}},
    {0x0200, kAllOff, {kDtrDisable, kRtsEnable, false, false, false}},
    {0x1000 | 0x2000, kAllOff, {kDtrDisable, kRtsHandshake, false, false, false}},
    {0x1000, kAllOn, {kDtrHandshake, kRtsHandshake, true, true, true}},
    {0x2000, kAllOff, {kDtrDisable, kRtsToggle, false, false, false}},
    {0x2000 | 0x0002, kAllOff, {kDtrDisable, kRtsEnable, false, false, false}},
    {0x1000 | 0x0200, kAllOff, {kDtrDisable, kRtsEnable, false, false, false}},
    {0x0010 | 0x0020, kAllOff, {kDtrDisable, kRtsDisable, true, false, false}},
    {0x0010 | 0x4000, kAllOff, {kDtrDisable, kRtsDisable, true, false, false}},
    {0x0020 | 0x4000, kAllOff, {kDtrDisable, kRtsDisable, false, true, false}},
    {0x4000, kAllOff, {kDtrDisable, kRtsDisable, false, false, true}},
    {0x0010, {kDtrDisable, kRtsDisable, false, true, true}, {kDtrDisable, kRtsDisable, true, true, true}},
    {0x4000, {kDtrDisable, kRtsDisable, true, true, false}, {kDtrDisable, kRtsDisable, true, true, true}},
    {0xFFFF, kAllOff, {kDtrEnable, kRtsEnable, true, false, false}},
    {0x0004, kAllOff, kAllOff},
    {0x0004, kAllOn, kAllOn},
    {0x0008 | 0x0040 | 0x0080 | 0x0400 | 0x0800, kAllOn, kAllOn},
};

TEST(MapOptionFlags, FirstSelectingBitOfEachGroupDecidesAndOtherGroupsKeepTheDevicesModes) {
  for (const FlagCase& c : kFlagCases) {
    EXPECT_EQ(MapOptionFlags(c.options, c.before), c.expected)
        << "options 0x" << std::hex << c.options << " from " << testing::PrintToString(c.before);
  }
}

TEST(MapOptionFlags, BitsOutsideTheThreeGroupsSelectNothingOneByOne) {
  for (std::uint16_t bit : {0x0004, 0x0008, 0x0040, 0x0080, 0x0400, 0x0800}) {
    for (const DeviceModes& before : {kAllOff, kAllOn}) {
      EXPECT_EQ(MapOptionFlags(bit, before), before) << "bit 0x" << std::hex << bit;
    }
  }
}

// A state as a device might report it: every member set to something that
// configuring must either replace or leave alone.
DeviceState ReportedState(bool parityCheck) {
  DeviceState state;
  state.baudRate = 300;
  state.dataBits = 5;
  state.parity = 3;
  state.stopBits = 1;
  state.parityCheck = parityCheck;
  state.errorChar = '?';
  state.errorReplace = true;
  state.modes = kAllOn;
  std::memset(state.native, 0x5A, sizeof state.native);
  return state;
}

TEST(ConfigureDeviceState, WritesTheLowBytesOfTheLineSettingsAndTheErrorCharacter) {
  DeviceState state = ReportedState(false);
  const LineSettings line{65535, 0xAB07, 0xCD02, 0xEF04};
  ConfigureDeviceState(state, line, 0x0004);
  EXPECT_EQ(state.baudRate, 65535u);
  EXPECT_EQ(state.dataBits, 7);
  EXPECT_EQ(state.stopBits, 2);
  EXPECT_EQ(state.parity, 4);
  EXPECT_TRUE(state.parityCheck);
  EXPECT_EQ(static_cast<unsigned char>(state.errorChar), 252);
  EXPECT_FALSE(state.errorReplace);
  EXPECT_EQ(state.modes, kAllOn);
  for (unsigned char byte : state.native) ASSERT_EQ(byte, 0x5A) << "members of the platform's record are left as reported";
}

TEST(ConfigureDeviceState, ParityNoneKeepsParityCheckingAsTheDeviceHadIt) {
  struct Case {
    std::uint16_t parity;
    bool checkingBefore;
    bool checkingAfter;
  };
  const Case cases[] = {
      {0x0000, false, false}, {0x0000, true, true},  {0x0100, true, true},
      {0x0100, false, false}, {0x0001, false, true}, {0x0002, true, true},
  };
  for (const Case& c : cases) {
    DeviceState state = ReportedState(c.checkingBefore);
    ConfigureDeviceState(state, LineSettings{19200, 8, 0, c.parity}, kStartupOptions);
    EXPECT_EQ(state.parity, c.parity & 0xFF);
    EXPECT_EQ(state.parityCheck, c.checkingAfter)
        << "parity word 0x" << std::hex << c.parity << ", checking before " << c.checkingBefore;
  }
}

TEST(ConfigureDeviceState, AppliesTheOptionModesAndPassesRefusableCodesThroughUnchecked) {
  DeviceState state = ReportedState(false);
  ConfigureDeviceState(state, LineSettings{1, 9, 3, 7}, 0x8000 | 0x2000 | 0x0020);
  EXPECT_EQ(state.baudRate, 1u);
  EXPECT_EQ(state.dataBits, 9);
  EXPECT_EQ(state.stopBits, 3);
  EXPECT_EQ(state.parity, 7);
  EXPECT_EQ(state.modes, (DeviceModes{kDtrHandshake, kRtsToggle, true, true, true}));

  state.modes = kAllOff;
  ConfigureDeviceState(state, LineSettings{19200, 8, 0, 0}, 0x8000 | 0x2000 | 0x0020);
  EXPECT_EQ(state.modes, (DeviceModes{kDtrHandshake, kRtsToggle, false, true, false}));
}

}  // namespace
