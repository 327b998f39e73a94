// A host that passes fields out of range: every record and buffer sits
// between guard bytes, and each request must answer a code without touching
// anything outside the records, the buffer and the driver's tables. The
// common out-of-range values are in the protocol, lifecycle and boundary
// suites; here are the extremes, the null buffer, empty and negative runs,
// odd kinds, port names of any bytes and time-outs of any value.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "fuzz/guarded.h"
#include "reliability/faulty_line.h"
#include "sim/simulator.h"
#include "support/driver_instance.h"
#include "support/host_log_capture.h"
#include "support/test_port.h"

namespace {

using fuzz::Guarded;
using fuzz::GuardedWords;
using Codes = std::set<ResultCode>;

constexpr std::int32_t kTimeoutUnits = 5;
constexpr std::size_t kBufferWords = 100;  // the longest run a host may ask for
constexpr std::uint16_t kUntouched = 0x7E7E;
constexpr auto kNoHang = std::chrono::seconds(60);

AddressSpec Spec(std::int32_t machine, std::int32_t kind, std::int32_t address) {
  return AddressSpec{machine, kind, address, 255, 16};
}

// A host's context block fenced by guard bytes, started on a line of
// machines, and the requests a host makes on it.
class HostileHost : public testing::Test {
 protected:
  HostileHost() : port_(OpenDrainedTestPort()), serving_(simulator_, std::move(port_.peer)) {
    std::memset(&context_.value, 0xCD, sizeof context_.value);
    context_.value.machineStatus = nullptr;
  }

  void SetUp() override {
    ClearLog();
    ASSERT_EQ(ColdStart(StartParams(port_.driverName)), 0);
  }

  void TearDown() override {
    EXPECT_TRUE(context_.Intact());
    CallDriver(kOpEndKel, &context_.value, nullptr);
  }

  static ColdStartParams StartParams(const std::string& name, std::int32_t timeout = kTimeoutUnits) {
    ColdStartParams params{};
    std::snprintf(params.portName, sizeof params.portName, "%s", name.c_str());
    params.openPort = 1;
    params.timeout = timeout;
    params.line = kDefaultLine;
    return params;
  }

  template <class Record>
  ResultCode Call(std::uint32_t operation, const Record& record) {
    Guarded<Record> guarded(record);
    const ResultCode result = CallDriver(operation, &context_.value, &guarded.value);
    EXPECT_TRUE(guarded.Intact()) << "operation " << operation;
    EXPECT_TRUE(context_.Intact()) << "operation " << operation;
    return result;
  }

  ResultCode ColdStart(const ColdStartParams& params) { return Call(kOpColdStart, params); }

  DriverContext& context() { return context_.value; }

  TestPort port_;
  sim::Simulator simulator_;
  sim::SimulatorThread serving_;
  Guarded<DriverContext> context_;
};

// --- Transfers ------------------------------------------------------------

struct TransferCase {
  const char* name;
  std::uint32_t operation;
  AddressSpec spec;
  std::int32_t count;
  Codes results;
  bool withBuffer = true;
};

const TransferCase kTransfers[] = {
    {"ReadOfTheLowestMachine", kOpBlockRead, Spec(INT_MIN, 0, 0), 10, {1}},
    {"ReadOfTheHighestMachine", kOpBlockRead, Spec(INT_MAX, 0, 0), 10, {1}},
    {"ReadOfTheLowestCount", kOpBlockRead, Spec(1, 0, 0), INT_MIN, {1}},
    {"ReadOfTheHighestCount", kOpBlockRead, Spec(1, 0, 0), INT_MAX, {1}},
    {"ReadOfNoRegister", kOpBlockRead, Spec(1, 0, 0), 0, {0}},
    {"ReadOfAStatusSpecTakesTheMachinePath", kOpBlockRead, Spec(1, 'S', 0), 10, {0}},
    {"ReadOfAnUnknownKind", kOpBlockRead, Spec(1, -1, 0), 10, {0}},
    {"ReadOfAnAddressPastTheRegisters", kOpBlockRead, Spec(1, 0, 10000), 10, {1}},
    {"ReadOfANegativeAddress", kOpBlockRead, Spec(1, 0, -10), 10, {1}},
    {"ReadOfTheHighestAddress", kOpBlockRead, Spec(1, 0, INT_MAX), 10, {1}},
    {"FlagsFromTheLowestMachine", kOpBlockRead, Spec(110, 'C', INT_MIN), 1, {2}},
    {"FlagsFromTheHighestMachine", kOpBlockRead, Spec(110, 'C', INT_MAX), 1, {2}},
    {"LastFlag", kOpBlockRead, Spec(110, 'C', 99), 1, {0}},
    {"FlagsPastTheLast", kOpBlockRead, Spec(110, 'C', 99), 2, {2}},
    {"FlagsWhoseEndOverflows", kOpBlockRead, Spec(110, 'C', 50), INT_MAX, {2}},
    {"NoFlags", kOpBlockRead, Spec(110, 'C', 0), 0, {0}},
    {"ANegativeRunOfFlags", kOpBlockRead, Spec(110, 'C', 0), -5, {0}},
    {"SingleFlagOfTheLowestMachine", kOpSingleRead, Spec(110, 'C', INT_MIN), 1, {1}},
    {"StatusOfTheHighestMachine", kOpSingleRead, Spec(INT_MAX, 'S', 0), 1, {1}},
    {"SingleReadOfAnUnknownKind", kOpSingleRead, Spec(1, 12345, 0), 1, {1}},
    {"FlagWriteOfTheLowestMachine", kOpSingleWrite, Spec(110, 'C', INT_MIN), 1, {1}},
    {"SingleWriteOfAnUnknownKind", kOpSingleWrite, Spec(1, -7, 0), 1, {1}},
    {"SingleWriteToTheLowestMachine", kOpSingleWrite, Spec(INT_MIN, 0, 0), 1, {1}},
    {"SingleWritePastTheRegisters", kOpSingleWrite, Spec(1, 0, 70000), 1, {1}},
    {"BlockWriteOfTheLowestCount", kOpBlockWrite, Spec(1, 0, 0), INT_MIN, {1}},
    {"BlockWriteOfTheHighestCount", kOpBlockWrite, Spec(1, 0, 0), INT_MAX, {1}},
    {"BlockWriteRunningPastTheRegisters", kOpBlockWrite, Spec(1, 0, 9995), 10, {1}},
    {"EveryFlag", kOpBlockWrite, Spec(110, 'C', 0), 100, {0}},
    {"FlagsOnePastTheLast", kOpBlockWrite, Spec(110, 'C', 1), 100, {2}},
    {"FlagWritesWhoseEndOverflows", kOpBlockWrite, Spec(110, 'C', 50), INT_MAX, {2}},
    {"NoFlagsWritten", kOpBlockWrite, Spec(110, 'C', 10), 0, {0}},
    {"ANegativeRunOfFlagsWritten", kOpBlockWrite, Spec(110, 'C', 10), -1, {0}},
    {"BlockReadWithoutABuffer", kOpBlockRead, Spec(1, 0, 0), 10, {2}, false},
    {"FlagReadWithoutABuffer", kOpSingleRead, Spec(110, 'C', 1), 1, {2}, false},
    {"SingleWriteWithoutABuffer", kOpSingleWrite, Spec(1, 0, 0), 1, {2}, false},
    {"FlagWriteWithoutABuffer", kOpBlockWrite, Spec(110, 'C', 0), 100, {2}, false},
};

class HostileTransfers : public HostileHost, public testing::WithParamInterface<TransferCase> {};

bool IsRead(std::uint32_t operation) { return operation == kOpSingleRead || operation == kOpBlockRead; }

// The words a request may deliver: none when it fails or writes.
std::size_t DeliveredWords(const TransferCase& c, ResultCode result) {
  if (result != 0 || !IsRead(c.operation)) return 0;
  if (c.operation == kOpSingleRead) return 2;
  return c.count > 0 ? static_cast<std::size_t>(c.count) : 0;
}

TEST_P(HostileTransfers, AnswerACodeAndTouchNothingElse) {
  const TransferCase& c = GetParam();
  GuardedWords data(kBufferWords);
  for (std::size_t i = 0; i < kBufferWords; ++i) data.data()[i] = kUntouched;
  std::vector<std::int16_t> flagsBefore(context().commDisabled, context().commDisabled + 100);
  TransferParams params{};
  std::memset(params.hostOwned, 0x11, sizeof params.hostOwned);
  params.spec = c.spec;
  params.count = c.count;
  params.data = c.withBuffer ? data.data() : nullptr;

  Guarded<TransferParams> guarded(params);
  const ResultCode result = CallDriver(c.operation, &context(), &guarded.value);
  EXPECT_TRUE(c.results.count(result)) << "result " << result;
  EXPECT_TRUE(guarded.Intact() && data.Intact() && context_.Intact());
  EXPECT_EQ(std::memcmp(&guarded.value.spec, &params.spec, sizeof params.spec), 0);
  EXPECT_EQ(std::memcmp(guarded.value.hostOwned, params.hostOwned, sizeof params.hostOwned), 0);
  for (std::size_t i = DeliveredWords(c, result); i < kBufferWords; ++i) {
    ASSERT_EQ(data.data()[i], kUntouched) << "word " << i;
  }
  const bool flagsWritten = result == 0 && !IsRead(c.operation) && c.spec.kind == 'C';
  for (int machine = 0; machine < 100; ++machine) {
    const bool inRun = flagsWritten && machine >= c.spec.address && machine < c.spec.address + c.count;
    if (!inRun) {
      EXPECT_EQ(context().commDisabled[machine], flagsBefore[machine]) << machine;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Table, HostileTransfers, testing::ValuesIn(kTransfers),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Port names, line settings and time-outs ------------------------------

struct NameCase {
  const char* name;
  std::vector<char> field;  // the 12 bytes of the host's field, NUL-padded
};

class HostilePortNames : public HostileHost, public testing::WithParamInterface<NameCase> {};

// No such port: the start fails with 2 and the context names no port; the
// name kept is the host's, cut to the field when it does not end there.
TEST_P(HostilePortNames, FailTheStartCleanly) {
  const NameCase& c = GetParam();
  ASSERT_EQ(CallDriver(kOpEndKel, &context(), nullptr), 0);
  ColdStartParams params = StartParams("");
  std::copy_n(c.field.begin(), std::min(c.field.size(), sizeof params.portName), params.portName);
  ClearLog();
  EXPECT_EQ(ColdStart(params), 2);
  EXPECT_EQ(context().port, 0u);
  EXPECT_NE(std::memchr(context().portSettings.portName, '\0', kPortNameSize), nullptr);
  ChangeParams change{};
  std::memcpy(change.portName, params.portName, sizeof change.portName);
  EXPECT_EQ(Call(kOpChangeKelParams, change), 2);
  EXPECT_EQ(Call<WarmStartParams>(kOpWarmStart, {0}), 0) << "tables of the earlier start kept";
}

std::vector<char> Field(std::string bytes) { return {bytes.begin(), bytes.end()}; }

INSTANTIATE_TEST_SUITE_P(
    Table, HostilePortNames,
    testing::Values(NameCase{"Empty", Field("")},
                    NameCase{"HighBytes", Field("\xFF\xFE\x80\x01")},
                    NameCase{"ControlCharacters", Field("\t\r\n\x1B[2J")},
                    NameCase{"TwelveBytesWithoutEnd", Field("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF")},
                    NameCase{"ADirectory", Field("/tmp")},
                    NameCase{"NotASerialDevice", Field("/dev/null")},
                    NameCase{"UpwardsPath", Field("../../../..")}),
    [](const auto& info) { return std::string(info.param.name); });

// Line settings of any value reach the device unchecked: the port opens or
// refuses with 2, never anything else.
TEST_F(HostileHost, LineSettingsOfAnyValueGetACode) {
  for (const LineSettings& line : {LineSettings{0, 0, 0, 0}, LineSettings{1, 0xFFFF, 0xFFFF, 0xFFFF},
                                   LineSettings{0xFFFF, 5, 1, 4}, LineSettings{19200, 9, 3, 5}}) {
    EXPECT_EQ(CallDriver(kOpEndKel, &context(), nullptr), 0);
    ColdStartParams params = StartParams(port_.driverName);
    params.line = line;
    params.openPort = INT_MIN;  // any non-zero value asks for the port
    const ResultCode result = ColdStart(params);
    EXPECT_TRUE(result == 0 || result == 2) << line.baudRate << " " << line.dataBits;
  }
}

// Time-outs are taken as given; those that cannot bound a read leave the
// port's own, so that a silent machine still ends the read.
TEST_F(HostileHost, TimeOutsOfAnyValueKeepSilentReadsBounded) {
  simulator_.SetPresent(9, false);
  for (std::int32_t timeout : {INT_MIN, -100, -2}) {
    ChangeParams change{};
    std::snprintf(change.portName, sizeof change.portName, "%s", port_.driverName.c_str());
    change.timeout = timeout;
    ASSERT_EQ(CallDriver(kOpCloseCom, &context(), nullptr), 0);
    ASSERT_EQ(Call(kOpChangeKelParams, change), 0) << timeout;
    EXPECT_EQ(context().timeout, timeout);
    std::uint16_t block[10] = {};
    TransferParams read{};
    read.spec = Spec(9, 0, 0);
    read.count = 10;
    read.data = block;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Call(kOpBlockRead, read), 2) << timeout;
    EXPECT_LT(std::chrono::steady_clock::now() - start, kNoHang) << timeout;
    context().commDisabled[9] = 0;
  }
}

}  // namespace
