// The address syntax, through KelMain as the host validates a tag.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/driver_calls.h"
#include "support/host_log_capture.h"

namespace {

constexpr std::int32_t kUntouched = -7;
constexpr char kIllegalChar[] = "TORVA>  illegal char %c, ALL char's must be Hexadecimal!";

std::string IllegalCharLine(char c) {
  std::string line = kIllegalChar;
  line.replace(line.find("%c"), 2, std::string(1, c));
  return line;
}

struct WorkedAddress {
  std::string text;
  std::int32_t dataType;
  std::uint32_t operation;
  std::int32_t blockCount;
  ResultCode result;
  AddressSpec spec;           // the whole spec afterwards (kUntouched where not written)
  std::vector<std::string> log;
};

constexpr auto S = kOpSingleAddressParser;
constexpr auto B = kOpBlockAddressParser;
constexpr AddressSpec kNone{kUntouched, kUntouched, kUntouched, kUntouched, kUntouched};

AddressSpec Register(std::int32_t machine, std::int32_t address, std::int32_t bit = 255) {
  return AddressSpec{machine, 0, address, bit, 16};
}
AddressSpec Status(std::int32_t machine) { return AddressSpec{machine, 83, kUntouched, 255, 16}; }
AddressSpec Comm(std::int32_t machine) { return AddressSpec{110, 67, machine, 255, 16}; }

const std::vector<WorkedAddress> kWorkedTable = {
    {"010123", 0, S, 0, 0, Register(1, 123), {}},
    {"010123", 6, S, 0, 1, Register(1, 123), {}},
    {"01012300", 0, S, 0, 1, Register(1, 123), {}},
    {"01012300", 6, S, 0, 0, Register(1, 123, 0), {}},
    {"0101230", 6, S, 0, 0, Register(1, 123, 0), {}},
    {"0101231", 6, S, 0, 0, Register(1, 123, 1), {}},
    {"0101231", 0, S, 0, 1, Register(1, 123), {}},
    {"01012315", 6, S, 0, 0, Register(1, 123, 15), {}},
    {"01012316", 6, S, 0, 1, Register(1, 123, 16), {}},
    {"010123 5", 0, S, 0, 0, Register(1, 123), {}},
    {"010123 5", 6, S, 0, 1, Register(1, 123), {}},
    {"01123", 0, S, 0, 1, kNone, {IllegalCharLine(' ')}},
    {"", 0, S, 0, 1, kNone, {IllegalCharLine(' ')}},
    {"A1012300", 6, S, 0, 1, kNone, {IllegalCharLine('A')}},
    {"a10123", 0, S, 0, 1, kNone, {IllegalCharLine('A')}},
    {"01012300ABC", 6, S, 0, 0, Register(1, 123, 0), {}},
    {"01$STAT", 0, S, 0, 0, Status(1), {}},
    {"01$STAT ", 1, S, 0, 0, Status(1), {}},
    {"01$stat", 1, S, 0, 0, Status(1), {}},
    {"99$STAT", 0, S, 0, 0, Status(99), {}},
    {"01$STAT", 2, S, 0, 1, kNone, {}},
    {"-1$STAT", 0, S, 0, 1, AddressSpec{-1, kUntouched, kUntouched, kUntouched, kUntouched}, {}},
    {"+1$STAT", 0, S, 0, 0, Status(1), {}},
    {" 7$STAT", 0, S, 0, 0, Status(7), {}},
    {"7X$STAT", 0, S, 0, 0, Status(7), {}},
    {"X7$STAT", 0, S, 0, 1, kNone, {}},
    {"01$STATX", 0, S, 0, 1, kNone, {IllegalCharLine('$')}},
    {"01$STAT  ", 0, S, 0, 1, kNone, {IllegalCharLine('$')}},
    {"05$COMM", 0, S, 0, 0, Comm(5), {}},
    {"05$comm", 1, S, 0, 0, Comm(5), {}},
    {"05$COMM", 2, S, 0, 1, kNone, {}},
    {"010120", 0, B, 10, 0, Register(1, 120), {}},
    {"010120", 6, B, 10, 0, Register(1, 120), {}},
    {"010125", 0, B, 10, 1, Register(1, 125), {}},
    {"010120", 0, B, 20, 1, Register(1, 120), {}},
    {"01012000", 0, B, 10, 1, Register(1, 120), {}},
    {"01$STAT", 0, B, 1, 1, kNone, {IllegalCharLine('$')}},
    {"90$COMM", 0, B, 10, 0, Comm(90), {}},
    {"91$COMM", 0, B, 10, 2, Comm(91), {"TORVA> Block addr + block size bigger than allowed"}},
    {"00$COMM", 0, B, 100, 0, Comm(0), {}},
    {"00$COMM", 2, B, 10, 1, kNone, {}},
};

class WorkedAddressTest : public testing::TestWithParam<WorkedAddress> {};

TEST_P(WorkedAddressTest, GivesTheWorkedResultSpecAndLog) {
  const WorkedAddress& worked = GetParam();
  ClearLog();
  const ParseOutcome outcome =
      ParseWith(worked.operation, worked.text, worked.dataType, worked.blockCount);
  EXPECT_EQ(outcome.result, worked.result);
  EXPECT_EQ(outcome.spec.machine, worked.spec.machine);
  EXPECT_EQ(outcome.spec.kind, worked.spec.kind);
  EXPECT_EQ(outcome.spec.address, worked.spec.address);
  EXPECT_EQ(outcome.spec.bit, worked.spec.bit);
  EXPECT_EQ(outcome.spec.width, worked.spec.width);
  EXPECT_EQ(LoggedTexts(), worked.log);
  for (const LoggedLine& line : LoggedLines()) EXPECT_EQ(line.level, 32);
}

std::string CaseName(const testing::TestParamInfo<WorkedAddress>& info) {
  std::string name = (info.param.operation == B ? "Block" : "Single") +
                     std::to_string(info.index) + "_";
  for (char c : info.param.text) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name + "_type" + std::to_string(info.param.dataType);
}

INSTANTIATE_TEST_SUITE_P(WorkedTable, WorkedAddressTest, testing::ValuesIn(kWorkedTable), CaseName);

TEST(AddressParser, NeverChangesTheHostsText) {
  char text[] = "01$stat";
  ParserParams params{};
  params.text = text;
  ASSERT_EQ(CallDriver(S, nullptr, &params), 0);
  EXPECT_STREQ(text, "01$stat");
}

TEST(AddressParser, BlockModeIsOffBetweenCalls) {
  // A rejected block address must not leave block rules in force: the single
  // parser then accepts a status address, which block mode refuses.
  EXPECT_EQ(ParseWith(B, "010125", 0, 10).result, 1);
  EXPECT_EQ(ParseWith(S, "01$STAT", 0).result, 0);
  EXPECT_EQ(ParseWith(B, "01$STAT", 0, 1).result, 1);
  EXPECT_EQ(ParseWith(S, "01$STAT", 0).result, 0);
}

// Texts longer than the 11-character working copy never overrun it, and give
// what their first characters give: the pseudo forms no longer match, the
// register form reads positions 0 to 7 only.
TEST(AddressParser, OverlongTextsAreJudgedByTheirLeadingCharacters) {
  const std::string longRegister = "01012300" + std::string(5000, '9');
  const ParseOutcome bit = ParseWith(S, longRegister, 6);
  EXPECT_EQ(bit.result, 0);
  EXPECT_EQ(bit.spec.bit, 0);
  EXPECT_EQ(ParseWith(S, "01$STAT     ", 0).result, 1);
  EXPECT_EQ(ParseWith(S, "01$COMM" + std::string(300, ' '), 0).result, 1);
}

TEST(AddressParser, FlagBlockCountsCannotOverflowPastTheTable) {
  ClearLog();
  EXPECT_EQ(ParseWith(B, "50$COMM", 0, 2147483647).result, 2);
  EXPECT_EQ(LoggedTexts(), std::vector<std::string>{"TORVA> Block addr + block size bigger than allowed"});
  // A count below 1 names no flag; it passes as it always has.
  EXPECT_EQ(ParseWith(B, "50$COMM", 0, -5).result, 0);
}

TEST(AddressParser, NullTextIsTheEmptyAddress) {
  ParserParams params{};
  params.text = nullptr;
  EXPECT_EQ(CallDriver(S, nullptr, &params), 1);
}

}  // namespace
