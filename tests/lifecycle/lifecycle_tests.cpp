// Describe, start, check, end, reopen and reconfigure, through KelMain as a
// host calls them, on real (pseudo-terminal) ports.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "support/driver_instance.h"
#include "support/host_log_capture.h"
#include "support/test_port.h"

namespace {

using Lines = std::vector<LoggedLine>;

constexpr char kOpened[] = "TORVA> OpenCom() succeeded ";
constexpr char kOpenFailed[] = "TORVA> OpenCom() failed ";
constexpr char kClosed[] = "TORVA> CloseCom() exited successfully";

std::string Comport(const std::string& name) { return "TORVA> Comport " + name + " opened"; }
std::string TimeoutSet(int value) { return "TORVA> Timeout set to " + std::to_string(value); }

void ExpectVersionLine(const LoggedLine& line) {
  EXPECT_EQ(line.level, 8);
  static const std::regex kVersion(
      R"(MELUD> version compiled on [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4} at time [0-9]{2}:[0-9]{2}:[0-9]{2})");
  EXPECT_TRUE(std::regex_match(line.text, kVersion)) << line.text;
}

// Lines after the version line, all at level 32.
std::vector<std::string> DetailTexts(const Lines& lines) {
  std::vector<std::string> texts;
  for (const LoggedLine& line : lines) {
    if (line.level == 8) continue;
    EXPECT_EQ(line.level, 32) << line.text;
    texts.push_back(line.text);
  }
  return texts;
}

std::string Banner() {
  const std::string rule(46, '\xC4');
  return "\r\n\xDA" + rule + "\xBF\r\n\xB3 TORVA: Cincinnati            (32 bit driver) \xB3\r\n\xC0" +
         rule + "\xD9\r\n";
}

class Lifecycle : public testing::Test {
 protected:
  void SetUp() override { ClearLog(); }
  TestPort port_ = OpenTestPort();
  DriverInstance driver_;
};

TEST(DriverDescription, IsTheSameInEveryStateAndWithAnyContext) {
  DriverInfo info;
  std::memset(&info, 0xEE, sizeof info);
  DriverContext garbage;
  std::memset(&garbage, 0x77, sizeof garbage);
  ASSERT_EQ(CallDriver(kOpGetKelInfo, &garbage, &info), 0);
  EXPECT_EQ(info.hostCodeA, 70);
  EXPECT_STREQ(info.vendor, "Cincinnati Milacron");
  EXPECT_EQ(std::string(info.banner), Banner());
  EXPECT_EQ(std::strlen(info.banner), 152u);
  EXPECT_EQ(info.contextSize, static_cast<std::int32_t>(sizeof(DriverContext)));
  EXPECT_EQ(info.contextSize, sizeof(void*) == 4 ? 234 : 238);
  EXPECT_EQ(info.hostCodeB, 4);
  EXPECT_EQ(info.line.baudRate, 19200);
  EXPECT_EQ(info.line.dataBits, 8);
  EXPECT_EQ(info.line.stopBits, 0);
  EXPECT_EQ(info.line.parity, 0);
  EXPECT_EQ(info.hostCodeC, 3);
  EXPECT_TRUE(LoggedLines().empty());
}

TEST_F(Lifecycle, ColdStartWithoutPortSetsUpTablesAndLeavesPortSettings) {
  PortSettings before;
  std::memcpy(&before, &driver_.context().portSettings, sizeof before);
  ASSERT_EQ(driver_.ColdStart("ignored", 250, false), 0);
  const Lines lines = LoggedLines();
  ASSERT_EQ(lines.size(), 2u);
  ExpectVersionLine(lines[0]);
  EXPECT_EQ(DetailTexts(lines), std::vector<std::string>{TimeoutSet(250)});
  DriverContext& context = driver_.context();
  EXPECT_EQ(context.port, 0u);
  EXPECT_EQ(context.timeout, 250);
  EXPECT_EQ(std::memcmp(&before, &context.portSettings, sizeof before), 0);
  ASSERT_NE(driver_.StatusTable(), nullptr);
  for (int m = 0; m < 100; ++m) {
    EXPECT_EQ(driver_.Status(m), -1);
    EXPECT_EQ(context.commDisabled[m], 0);
  }
}

TEST_F(Lifecycle, ColdStartOpensThePortAndLogsInOrder) {
  ASSERT_EQ(driver_.ColdStart(port_.driverName, 30), 0);
  const Lines lines = LoggedLines();
  ASSERT_FALSE(lines.empty());
  ExpectVersionLine(lines[0]);
  EXPECT_EQ(DetailTexts(lines),
            (std::vector<std::string>{kOpened, Comport(port_.driverName), TimeoutSet(30)}));
  const DriverContext& context = driver_.context();
  EXPECT_NE(context.port, 0u);
  EXPECT_STREQ(context.portSettings.portName, port_.driverName.c_str());
  EXPECT_EQ(context.portSettings.options, 0x0303);
  EXPECT_EQ(context.portSettings.line.baudRate, 19200);
}

TEST_F(Lifecycle, ColdStartOnAPortThatCannotBeOpened) {
  ASSERT_EQ(driver_.ColdStart(kMissingPortName, 30), 2);
  EXPECT_EQ(DetailTexts(LoggedLines()),
            (std::vector<std::string>{kOpenFailed, std::string("TORVA> Unable to open comport ") +
                                                       kMissingPortName}));
  const DriverContext& context = driver_.context();
  EXPECT_EQ(context.port, 0u);
  EXPECT_EQ(context.timeout, 30);
  EXPECT_STREQ(context.portSettings.portName, kMissingPortName);
  EXPECT_EQ(driver_.StatusTable(), nullptr);  // tables untouched
}

TEST_F(Lifecycle, TimeOutsAreStoredAndLoggedUnchanged) {
  for (std::int32_t timeout : {0, -1, -2, 2147483647}) {
    ClearLog();
    ASSERT_EQ(driver_.ColdStart(port_.driverName, timeout), 0) << timeout;
    EXPECT_EQ(driver_.context().timeout, timeout);
    EXPECT_EQ(DetailTexts(LoggedLines()).back(), TimeoutSet(timeout));
    ASSERT_EQ(driver_.EndKel(), 0);
  }
}

// A time-out of 0 would be "no time-out at all": the port keeps a bounded one,
// so a silent line still ends the read (three attempts of about a second).
TEST_F(Lifecycle, ZeroTimeOutNeverLetsAReadWaitForEver) {
  ASSERT_EQ(driver_.ColdStart(port_.driverName, 0), 0);
  std::uint16_t data[10] = {};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(driver_.Transfer(kOpBlockRead, RegisterSpec(1, 0), 10, data), 2);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST_F(Lifecycle, NameOfElevenCharactersFitsAndLongerOnesAreRefused) {
  const std::string eleven = "ABCDEFGHIJK";
  ASSERT_EQ(driver_.ColdStart(eleven, 30), 2);  // no such device, but taken over whole
  EXPECT_STREQ(driver_.context().portSettings.portName, eleven.c_str());

  ClearLog();
  ASSERT_EQ(driver_.ColdStart("ABCDEFGHIJKLMNOP", 30), 2);  // twelve bytes, no NUL
  EXPECT_EQ(DetailTexts(LoggedLines()),
            std::vector<std::string>{"TORVA> Unable to open comport ABCDEFGHIJK"});
  EXPECT_EQ(driver_.context().port, 0u);

  ASSERT_EQ(driver_.ColdStart(port_.driverName, 30), 0);
  ClearLog();
  EXPECT_EQ(driver_.ChangeKelParams("ABCDEFGHIJKLMNOP", 50), 2);
  EXPECT_EQ(DetailTexts(LoggedLines()), std::vector<std::string>{"TORVA> ChangeKelParams() failed"});
  EXPECT_EQ(driver_.context().timeout, 30);  // refused before anything changed
  EXPECT_STREQ(driver_.context().portSettings.portName, port_.driverName.c_str());
}

TEST_F(Lifecycle, CloseAndEndWithNothingToCloseSucceed) {
  ASSERT_EQ(driver_.ColdStart("x", 30, false), 0);
  ClearLog();
  EXPECT_EQ(driver_.CloseCom(), 0);
  EXPECT_EQ(driver_.EndKel(), 0);
  EXPECT_EQ(driver_.EndKel(), 0);
  const Lines expected = {{32, kClosed}, {32, kClosed}, {8, "TORVA> EndKel() exited"},
                          {32, kClosed}, {8, "TORVA> EndKel() exited"}};
  EXPECT_EQ(LoggedLines(), expected);
}

TEST_F(Lifecycle, EndKelClosesThePortSoItCanBeOpenedAgain) {
  ASSERT_EQ(driver_.ColdStart(port_.driverName, 30), 0);
  ASSERT_EQ(driver_.EndKel(), 0);
  EXPECT_EQ(driver_.context().port, 0u);
  DriverInstance other;
  EXPECT_EQ(other.ColdStart(port_.driverName, 30), 0);
}

TEST_F(Lifecycle, FailedCloseKeepsTheHandleForAnotherTry) {
  ASSERT_EQ(driver_.ColdStart("x", 30, false), 0);
  const std::uint32_t bogus = 0x7FFFFFF0u;  // no open port has this handle
  driver_.context().port = bogus;
  ClearLog();
  EXPECT_EQ(driver_.CloseCom(), 2);
  EXPECT_EQ(LoggedTexts(), std::vector<std::string>{"TORVA> CloseCom() failed"});
  EXPECT_EQ(driver_.context().port, bogus);
  EXPECT_EQ(driver_.EndKel(), 2);
  driver_.context().port = 0;
}

TEST_F(Lifecycle, WarmStartReportsTheFlagForAnyMachineNumber) {
  ASSERT_EQ(driver_.ColdStart("x", 30, false), 0);  // no port: still answers
  std::uint16_t flag[2] = {0, 0x0101};
  ASSERT_EQ(driver_.Transfer(kOpSingleWrite, CommSpec(4), 1, flag), 0);
  driver_.context().commDisabled[5] = 0x1234;
  ClearLog();
  EXPECT_EQ(driver_.WarmStart(3), 0);
  EXPECT_EQ(driver_.WarmStart(4), 2);
  EXPECT_EQ(driver_.WarmStart(5), 2);
  for (std::int32_t outside : {-1, 100, 110, -2147483647 - 1, 2147483647}) {
    EXPECT_EQ(driver_.WarmStart(outside), 2) << outside;
  }
  EXPECT_TRUE(LoggedLines().empty());
}

TEST_F(Lifecycle, ColdStartAgainResetsTablesWhateverTheyHeld) {
  ASSERT_EQ(driver_.ColdStart("x", 30, false), 0);
  driver_.StatusTable()[7] = 42;
  driver_.context().commDisabled[7] = 1;
  ASSERT_EQ(driver_.EndKel(), 0);
  ASSERT_EQ(driver_.ColdStart("x", 30, false), 0);
  EXPECT_EQ(driver_.Status(7), -1);
  EXPECT_EQ(driver_.context().commDisabled[7], 0);
}

TEST(SeveralInstances, EachKeepsItsOwnPortAndTables) {
  TestPort portA = OpenTestPort(0);
  TestPort portB = OpenTestPort(1);
  DriverInstance a;
  DriverInstance b;
  ASSERT_EQ(a.ColdStart(portA.driverName, 30), 0);
  ASSERT_EQ(b.ColdStart(portB.driverName, 30), 0);
  EXPECT_NE(a.context().port, b.context().port);
  EXPECT_NE(a.StatusTable(), b.StatusTable());
  a.context().commDisabled[9] = 1;
  EXPECT_EQ(a.WarmStart(9), 2);
  EXPECT_EQ(b.WarmStart(9), 0);
  ASSERT_EQ(a.CloseCom(), 0);
  EXPECT_NE(b.context().port, 0u);
  EXPECT_EQ(b.ReOpenCom(), PortsAreExclusive() ? 2 : 0);  // B's own port is still held
  EXPECT_EQ(a.ReOpenCom(), 0);
}

class PortChanges : public Lifecycle {};

TEST_F(PortChanges, NewNameWhileOpenClosesTheOldPort) {
  TestPort other = OpenTestPort(1);
  ASSERT_EQ(driver_.ColdStart(port_.driverName, 30), 0);
  const std::uint32_t oldPort = driver_.context().port;
  ClearLog();
  ASSERT_EQ(driver_.ChangeKelParams(other.driverName, 40, LineSettings{9600, 8, 0, 0}), 0);
  EXPECT_EQ(LoggedTexts(), (std::vector<std::string>{kClosed, kOpened,
                                                     "TORVA> ChangeKelParams() exited successfully"}));
  EXPECT_NE(driver_.context().port, 0u);
  EXPECT_EQ(driver_.context().timeout, 40);
  EXPECT_EQ(driver_.context().portSettings.line.baudRate, 9600);
  EXPECT_STREQ(driver_.context().portSettings.portName, other.driverName.c_str());
  // The old port was given back: another instance may open it.
  DriverInstance second;
  EXPECT_EQ(second.ColdStart(port_.driverName, 30), 0);
  (void)oldPort;
}

TEST_F(PortChanges, SameNameAfterCloseReopensWithTheNewSettings) {
  ASSERT_EQ(driver_.ColdStart(port_.driverName, 30), 0);
  ASSERT_EQ(driver_.CloseCom(), 0);
  ClearLog();
  ASSERT_EQ(driver_.ChangeKelParams(port_.driverName, 60, LineSettings{38400, 8, 0, 0}), 0);
  EXPECT_EQ(LoggedTexts(),
            (std::vector<std::string>{kOpened, "TORVA> ChangeKelParams() exited successfully"}));
  EXPECT_EQ(driver_.context().portSettings.line.baudRate, 38400);
  EXPECT_EQ(driver_.context().timeout, 60);
}

TEST_F(PortChanges, SameNameWhileOpenFailsAndKeepsTheOpenPort) {
  if (!PortsAreExclusive()) GTEST_SKIP() << "this platform's ports allow a second open";
  ASSERT_EQ(driver_.ColdStart(port_.driverName, 30), 0);
  const std::uint32_t held = driver_.context().port;
  ClearLog();
  EXPECT_EQ(driver_.ChangeKelParams(port_.driverName, 70, LineSettings{9600, 8, 0, 0}), 2);
  EXPECT_EQ(LoggedTexts(),
            (std::vector<std::string>{kOpenFailed, "TORVA> ChangeKelParams() failed"}));
  EXPECT_EQ(driver_.context().port, held);
  EXPECT_EQ(driver_.context().timeout, 70);  // the new values wait for the next open
  EXPECT_EQ(driver_.context().portSettings.line.baudRate, 9600);
  ClearLog();
  EXPECT_EQ(driver_.ReOpenCom(), 2);
  EXPECT_EQ(LoggedTexts(), (std::vector<std::string>{kOpenFailed, "TORVA> ReOpenCom() failed"}));
  EXPECT_EQ(driver_.context().port, held);
}

TEST_F(PortChanges, TimeOutZeroAndMinusOneKeepMinusTwoReplaces) {
  ASSERT_EQ(driver_.ColdStart(port_.driverName, 30), 0);
  struct Case {
    std::int32_t given;
    std::int32_t kept;
  };
  for (const Case& c : {Case{0, 30}, Case{-1, 30}, Case{-2, -2}, Case{25, 25}, Case{-1, 25}}) {
    ASSERT_EQ(driver_.CloseCom(), 0);
    ASSERT_EQ(driver_.ChangeKelParams(port_.driverName, c.given), 0) << c.given;
    EXPECT_EQ(driver_.context().timeout, c.kept) << c.given;
  }
}

TEST_F(PortChanges, BaudRateZeroKeepsAllFourLineSettings) {
  ASSERT_EQ(driver_.ColdStart(port_.driverName, 30, true, LineSettings{9600, 8, 0, 0}), 0);
  ASSERT_EQ(driver_.CloseCom(), 0);
  ASSERT_EQ(driver_.ChangeKelParams(port_.driverName, 0, LineSettings{0, 7, 2, 1}), 0);
  const LineSettings& line = driver_.context().portSettings.line;
  EXPECT_EQ(line.baudRate, 9600);
  EXPECT_EQ(line.dataBits, 8);
  EXPECT_EQ(line.stopBits, 0);
  EXPECT_EQ(line.parity, 0);
}

TEST_F(PortChanges, ReOpenAfterStartWithoutPortUsesTheHostsSettings) {
  ASSERT_EQ(driver_.ColdStart("x", 30, false), 0);
  PortSettings& settings = driver_.context().portSettings;
  std::memset(&settings, 0, sizeof settings);
  std::memcpy(settings.portName, port_.driverName.c_str(), port_.driverName.size() + 1);
  settings.options = 0;  // open without configuring
  ClearLog();
  ASSERT_EQ(driver_.ReOpenCom(), 0);
  EXPECT_EQ(LoggedTexts(),
            (std::vector<std::string>{kOpened, "TORVA> ReOpenCom() exited successfully"}));
  EXPECT_EQ(settings.options, 0);
  ASSERT_EQ(driver_.CloseCom(), 0);
  ASSERT_EQ(driver_.ChangeKelParams(port_.driverName, 40), 0);
  EXPECT_EQ(settings.options, 0);  // taken as the host left it
}

TEST_F(PortChanges, ReOpenOfAnUnterminatedNameFailsCleanly) {
  ASSERT_EQ(driver_.ColdStart("x", 30, false), 0);
  std::memset(driver_.context().portSettings.portName, 'A', kPortNameSize);
  ClearLog();
  EXPECT_EQ(driver_.ReOpenCom(), 2);
  EXPECT_EQ(LoggedTexts(), (std::vector<std::string>{kOpenFailed, "TORVA> ReOpenCom() failed"}));
}

}  // namespace
