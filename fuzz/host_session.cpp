#include "host_session.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "address/address_parser.h"
#include "check.h"
#include "fake_log.h"
#include "fake_serial.h"
#include "wire.h"

namespace fuzz {
namespace {

constexpr int kMachines = 100;
constexpr std::int64_t kRegisters = 10000;
constexpr std::int32_t kCommFlag = 'C';
constexpr std::int32_t kStatusWord = 'S';
constexpr std::int32_t kRegister = 0;

// The driver keeps every status table it hands out. Runs share one, given
// back to each new start, so that millions of runs keep memory bounded.
std::int16_t* sharedStatusTable = nullptr;

// The record of a request that reads none.
struct NoRecord {};

bool InRange(std::int32_t machine) { return machine >= 0 && machine < kMachines; }

template <class T>
bool SameBytes(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// What a request may change, as it was before the request.
struct Before {
  DriverContext context;
  std::vector<std::int16_t> status;  // the table's words, when there is one
};

Before Snapshot(const DriverContext& context) {
  Before before{context, {}};
  if (context.machineStatus != nullptr) {
    before.status.assign(context.machineStatus, context.machineStatus + kMachines);
  }
  return before;
}

std::vector<std::int16_t> StatusWords(const DriverContext& context) {
  if (context.machineStatus == nullptr) return {};
  return {context.machineStatus, context.machineStatus + kMachines};
}

bool SameFlags(const DriverContext& a, const DriverContext& b) {
  return std::memcmp(a.commDisabled, b.commDisabled, sizeof a.commDisabled) == 0;
}

// Everything but the flags and the table's words.
bool SameSettings(const DriverContext& a, const DriverContext& b) {
  return a.timeout == b.timeout && a.port == b.port && a.machineStatus == b.machineStatus &&
         SameBytes(a.portSettings, b.portSettings);
}

bool TablesUnchanged(const Before& before, const DriverContext& after) {
  return after.machineStatus == before.context.machineStatus && SameFlags(before.context, after) &&
         StatusWords(after) == before.status;
}

// Indexes where two tables differ.
template <class Word>
std::vector<int> Changed(const Word* a, const Word* b, int count) {
  std::vector<int> changed;
  for (int i = 0; i < count; ++i) {
    if (a[i] != b[i]) changed.push_back(i);
  }
  return changed;
}

bool LoggedOnly(const std::vector<std::string>& expected) { return fake_log::Lines() == expected; }

std::string DisabledLine(std::int32_t machine) {
  return "TORVA> Machine " + std::to_string(machine) +
         " not responding, disabling communication to it!";
}

// One read or write as the host asked for it, with what it held before.
struct TransferCall {
  std::uint32_t operation;
  TransferParams params;
  std::vector<std::uint16_t> data;  // the buffer's words before
  Before before;
};

bool IsRead(std::uint32_t operation) { return operation == kOpSingleRead || operation == kOpBlockRead; }

// Registers a machine has: the run of a transfer must lie in 0 .. 9999, or
// nothing may go out (16 bits on the wire would name other registers).
bool NamesRealRegisters(const TransferCall& call) {
  const std::int64_t first = call.params.spec.address;
  std::int64_t count = call.operation == kOpSingleWrite ? 1 : call.params.count;
  if (call.operation == kOpBlockRead) count = 1;
  return first >= 0 && first + count <= kRegisters;
}

bool TakesMachinePath(const TransferCall& call) {
  const std::int32_t kind = call.params.spec.kind;
  if (call.operation == kOpBlockRead) return kind != kCommFlag;
  return !IsRead(call.operation) && kind == kRegister;
}

// The register list and values requests of a write, in that order.
void CheckWriteFrames(const TransferCall& call) {
  const bool single = call.operation == kOpSingleWrite;
  const int count = single ? 1 : call.params.count;
  if (count < 1 || count > kWireDataWords) return;
  const AddressSpec& spec = call.params.spec;
  std::uint16_t registers[kWireDataWords];
  for (int j = 0; j < count; ++j) registers[j] = static_cast<std::uint16_t>(spec.address + j);
  const std::uint16_t* values = call.data.data() + (single ? 1 : 0);
  const Bytes list = RequestFrame(spec.machine, "LS", "RW", 0, registers, count);
  const Bytes carry = RequestFrame(spec.machine, "PS", "RW", 0, values, count);
  const auto& written = fake_serial::Written();
  const auto lists = std::count(written.begin(), written.end(), list);
  FUZZ_CHECK(lists >= 0 && lists <= 3);
  FUZZ_CHECK(std::count(written.begin(), written.end(), carry) <= 3);
  for (std::size_t i = 0; i < written.size(); ++i) {
    FUZZ_CHECK(written[i] == (static_cast<std::ptrdiff_t>(i) < lists ? list : carry));
  }
}

void CheckFramesSent(const TransferCall& call) {
  const auto& written = fake_serial::Written();
  // Without a buffer there is nothing to send or to deliver into.
  if (!TakesMachinePath(call) || call.params.data == nullptr || !NamesRealRegisters(call)) {
    FUZZ_CHECK(written.empty());
    return;
  }
  if (call.operation != kOpBlockRead) {
    CheckWriteFrames(call);
    return;
  }
  const AddressSpec& spec = call.params.spec;
  FUZZ_CHECK(written.size() <= 3);
  const auto block = static_cast<std::uint16_t>(spec.address / 10 + 1);
  const Bytes request = RequestFrame(spec.machine, "PD", "DR", block, nullptr, 0);
  for (const Bytes& frame : written) FUZZ_CHECK(frame == request);
  if (InRange(spec.machine) && call.before.context.commDisabled[spec.machine] != 0) {
    FUZZ_CHECK(written.empty());
  }
}

void CheckAcceptedRegisterRead(const TransferCall& call, const DriverContext& after,
                               const std::uint16_t* data) {
  const std::int32_t machine = call.params.spec.machine;
  const std::int32_t count = call.params.count;
  FUZZ_CHECK(InRange(machine) && count >= 0 && count <= kWireDataWords);
  const auto reply = ClosingReply(fake_serial::Consumed());
  FUZZ_CHECK(reply.has_value());
  FUZZ_CHECK(after.machineStatus[machine] == static_cast<std::int16_t>(reply->status));
  for (int i = 0; i < count; ++i) FUZZ_CHECK(data[i] == reply->words[i]);
}

void CheckAcceptedRegisterWrite(const TransferCall& call, const DriverContext& after) {
  const std::int32_t machine = call.params.spec.machine;
  const int count = call.operation == kOpSingleWrite ? 1 : call.params.count;
  FUZZ_CHECK(InRange(machine) && count >= 1 && count <= kWireDataWords);
  const auto reply = ClosingReply(fake_serial::Consumed());
  FUZZ_CHECK(reply.has_value());
  FUZZ_CHECK(std::memcmp(reply->command, "PS", 2) == 0 && std::memcmp(reply->second, "DR", 2) == 0);
  for (int j = 0; j < count; ++j) FUZZ_CHECK(reply->words[j] == 1);
  FUZZ_CHECK(after.machineStatus[machine] == static_cast<std::int16_t>(reply->status));
  const auto& written = fake_serial::Written();
  FUZZ_CHECK(!written.empty() && written.back()[5] == 'P');
}

// The words a successful read of the driver's own tables delivers.
void CheckTableRead(const TransferCall& call, const DriverContext& after, const std::uint16_t* data) {
  const AddressSpec& spec = call.params.spec;
  if (call.operation == kOpSingleRead) {
    FUZZ_CHECK(data[0] == 0);
    if (spec.kind == kCommFlag) {
      FUZZ_CHECK(InRange(spec.address));
      FUZZ_CHECK(data[1] == static_cast<std::uint16_t>(after.commDisabled[spec.address]));
    } else {
      FUZZ_CHECK(spec.kind == kStatusWord && InRange(spec.machine));
      FUZZ_CHECK(after.commDisabled[spec.machine] == 0);
      FUZZ_CHECK(data[1] == static_cast<std::uint16_t>(after.machineStatus[spec.machine]));
    }
    return;
  }
  FUZZ_CHECK(InRange(spec.address) &&
             static_cast<std::int64_t>(spec.address) + std::max(call.params.count, 0) <= kMachines);
  for (int i = 0; i < call.params.count; ++i) {
    FUZZ_CHECK(data[i] == static_cast<std::uint16_t>(after.commDisabled[spec.address + i]));
  }
}

// Reads write only the words they deliver, and only when they answer 0.
void CheckBuffer(const TransferCall& call, ResultCode result, const std::uint16_t* data) {
  std::size_t firstUntouched = 0;
  if (result == kResultDone && call.operation == kOpSingleRead) firstUntouched = 2;
  if (result == kResultDone && call.operation == kOpBlockRead) {
    firstUntouched = static_cast<std::size_t>(std::max(call.params.count, 0));
  }
  for (std::size_t i = firstUntouched; i < call.data.size(); ++i) FUZZ_CHECK(data[i] == call.data[i]);
}

// The flags change only by a write of them, or when a block read finds its
// machine silent; anything else leaves them as they were.
void CheckFlags(const TransferCall& call, ResultCode result, const DriverContext& after) {
  const DriverContext& before = call.before.context;
  const AddressSpec& spec = call.params.spec;
  const std::vector<int> changed = Changed(before.commDisabled, after.commDisabled, kMachines);
  const bool flagWrite = !IsRead(call.operation) && spec.kind == kCommFlag;
  if (flagWrite && result == kResultDone) {
    const bool single = call.operation == kOpSingleWrite;
    const int count = single ? 1 : call.params.count;
    FUZZ_CHECK(InRange(spec.address) && count <= kMachines - spec.address);
    for (int i = 0; i < std::max(count, 0); ++i) {
      const std::uint16_t wanted = single ? call.data[1] & 0xFF : call.data[i];
      FUZZ_CHECK(after.commDisabled[spec.address + i] == static_cast<std::int16_t>(wanted));
    }
    for (int machine : changed) FUZZ_CHECK(machine >= spec.address && machine < spec.address + count);
    FUZZ_CHECK(LoggedOnly({}));
    return;
  }
  const bool disabledNow = call.operation == kOpBlockRead && changed.size() == 1 &&
                           changed[0] == spec.machine && before.commDisabled[spec.machine] == 0 &&
                           after.commDisabled[spec.machine] == 1;
  FUZZ_CHECK(changed.empty() || disabledNow);
  if (disabledNow) FUZZ_CHECK(result == kResultFailed);
  FUZZ_CHECK(LoggedOnly(disabledNow ? std::vector<std::string>{DisabledLine(spec.machine)}
                                    : std::vector<std::string>{}));
}

// A status word changes only to one that an accepted reply carried.
void CheckStatusTable(const TransferCall& call, const DriverContext& after) {
  if (after.machineStatus == nullptr) return;
  const std::vector<int> changed =
      Changed(call.before.status.data(), after.machineStatus, kMachines);
  FUZZ_CHECK(changed.size() <= 1);
  if (changed.empty()) return;
  FUZZ_CHECK(TakesMachinePath(call) && changed[0] == call.params.spec.machine);
  const auto status = static_cast<std::uint16_t>(after.machineStatus[changed[0]]);
  FUZZ_CHECK(SomeReplyCarriesStatus(fake_serial::Consumed(), status));
}

void CheckTransfer(const TransferCall& call, ResultCode result, const TransferParams& paramsAfter,
                   const DriverContext& after) {
  FUZZ_CHECK(SameSettings(call.before.context, after));
  TransferParams expected = call.params;
  const bool countSetToOne = call.operation == kOpSingleWrite &&
                             call.params.spec.kind == kRegister && paramsAfter.count == 1;
  if (countSetToOne) expected.count = 1;
  FUZZ_CHECK(SameBytes(expected, paramsAfter));
  const std::uint16_t* data = call.params.data;
  if (data != nullptr) CheckBuffer(call, result, data);
  CheckFramesSent(call);
  CheckFlags(call, result, after);
  CheckStatusTable(call, after);
  if (result != kResultDone) return;
  FUZZ_CHECK(data != nullptr && call.before.context.machineStatus != nullptr);
  if (!TakesMachinePath(call)) {
    if (IsRead(call.operation)) CheckTableRead(call, after, data);
  } else if (call.operation == kOpBlockRead) {
    CheckAcceptedRegisterRead(call, after, data);
  } else {
    CheckAcceptedRegisterWrite(call, after);
  }
}

bool PortIsOpen(const DriverContext& context) { return fake_serial::IsOpen(context.port); }

}  // namespace

HostSession::HostSession(std::uint8_t fill, const PortSettings* settings) {
  std::memset(&context_.value, fill, sizeof context_.value);
  context_.value.machineStatus = nullptr;
  if (settings != nullptr) context_.value.portSettings = *settings;
  hostPort_ = context_.value.port;
  fake_serial::Reset();
}

template <class Params>
ResultCode HostSession::Call(std::uint32_t operation, Guarded<Params>* params) {
  HostRequest request{};
  request.context = &context_.value;
  request.operation = operation;
  std::memset(request.hostOwned, 0x3C, sizeof request.hostOwned);
  request.params = params != nullptr ? &params->value : nullptr;
  const HostRequest sent = request;
  fake_log::Clear();
  const ResultCode result = KelMain(&request);
  FUZZ_CHECK(result == kResultDone || result == kResultRejected || result == kResultFailed);
  FUZZ_CHECK(SameBytes(sent, request));
  FUZZ_CHECK(context_.Intact());
  FUZZ_CHECK(params == nullptr || params->Intact());
  FUZZ_CHECK(blockMode == 0);
  const std::uint32_t port = context_.value.port;
  FUZZ_CHECK(port == 0 || port == hostPort_ || fake_serial::IsOpen(port));
  for (const Bytes& frame : fake_serial::Written()) FUZZ_CHECK(IsWellFormedRequest(frame));
  return result;
}

template <class Params>
ResultCode HostSession::Lifecycle(std::uint32_t operation, const Params* params) {
  Guarded<Params> guarded(params != nullptr ? *params : Params{});
  fake_serial::StartOperation({});
  const ResultCode result = Call(operation, params != nullptr ? &guarded : nullptr);
  FUZZ_CHECK(result == kResultDone || result == kResultFailed);
  FUZZ_CHECK(params == nullptr || SameBytes(guarded.value, *params));
  FUZZ_CHECK(fake_serial::Written().empty());
  return result;
}

ResultCode HostSession::ColdStart(const ColdStartParams& params) {
  DriverContext& context = context_.value;
  if (context.machineStatus == nullptr) context.machineStatus = sharedStatusTable;
  const Before before = Snapshot(context);
  const ResultCode result = Lifecycle(kOpColdStart, &params);
  FUZZ_CHECK(context.timeout == params.timeout);
  if (params.openPort == 0) {
    FUZZ_CHECK(context.port == 0 && SameBytes(context.portSettings, before.context.portSettings));
  }
  if (result != kResultDone) {
    FUZZ_CHECK(context.port == 0);
    return result;
  }
  FUZZ_CHECK(params.openPort == 0 || PortIsOpen(context));
  FUZZ_CHECK(context.machineStatus != nullptr);
  sharedStatusTable = context.machineStatus;
  for (int m = 0; m < kMachines; ++m) {
    FUZZ_CHECK(context.machineStatus[m] == -1 && context.commDisabled[m] == 0);
  }
  return result;
}

ResultCode HostSession::WarmStart(const WarmStartParams& params) {
  const Before before = Snapshot(context_.value);
  const ResultCode result = Lifecycle(kOpWarmStart, &params);
  FUZZ_CHECK(SameBytes(before.context, context_.value) && TablesUnchanged(before, context_.value));
  if (InRange(params.machine)) {
    FUZZ_CHECK(result == (before.context.commDisabled[params.machine] != 0 ? kResultFailed : kResultDone));
  }
  FUZZ_CHECK(LoggedOnly({}));
  return result;
}

ResultCode HostSession::ChangeKelParams(const ChangeParams& params) {
  const Before before = Snapshot(context_.value);
  const ResultCode result = Lifecycle(kOpChangeKelParams, &params);
  const DriverContext& context = context_.value;
  FUZZ_CHECK(TablesUnchanged(before, context));
  FUZZ_CHECK(context.portSettings.options == before.context.portSettings.options);
  if (result == kResultDone) {
    FUZZ_CHECK(PortIsOpen(context));
    FUZZ_CHECK(std::strncmp(context.portSettings.portName, params.portName, kPortNameSize) == 0);
  }
  return result;
}

ResultCode HostSession::PortOperation(std::uint32_t operation) {
  const Before before = Snapshot(context_.value);
  const ResultCode result = Lifecycle<NoRecord>(operation, nullptr);
  const DriverContext& context = context_.value;
  FUZZ_CHECK(TablesUnchanged(before, context));
  FUZZ_CHECK(SameBytes(context.portSettings, before.context.portSettings));
  const bool reopen = operation == kOpReOpenCom;
  if (result == kResultDone) FUZZ_CHECK(reopen ? PortIsOpen(context) : context.port == 0);
  if (result != kResultDone) FUZZ_CHECK(context.port == before.context.port);
  return result;
}

ResultCode HostSession::Transfer(std::uint32_t operation, const AddressSpec& spec,
                                 std::int32_t count, GuardedWords* data, Bytes incoming) {
  Guarded<TransferParams> guarded;
  std::memset(guarded.value.hostOwned, 0x11, sizeof guarded.value.hostOwned);
  guarded.value.hostOwned2 = 0x22222222u;
  guarded.value.hostOwned3 = 0x33333333u;
  guarded.value.spec = spec;
  guarded.value.count = count;
  guarded.value.data = data != nullptr ? data->data() : nullptr;
  const TransferCall call{operation, guarded.value,
                          data != nullptr ? data->Words() : std::vector<std::uint16_t>{},
                          Snapshot(context_.value)};
  fake_serial::StartOperation(std::move(incoming));
  const ResultCode result = Call(operation, &guarded);
  FUZZ_CHECK(data == nullptr || data->Intact());
  CheckTransfer(call, result, guarded.value, context_.value);
  return result;
}

}  // namespace fuzz
