#include "sim/simulator.h"

#include <algorithm>
#include <cstdio>

#include "sim/pacing.h"
#include "sim/request_stream.h"

namespace sim {
namespace {

// Serve looks at its stop flag at least this often.
constexpr int kReadSliceMs = 20;
// The oldest entries go beyond this, so a long-running line keeps bounded memory.
constexpr std::size_t kTraceLimit = 100'000;

bool IsRequest(const WireFrame& frame, const char (&command)[3], const char (&second)[3]) {
  return HasCode(frame, kCommandAt, command) && HasCode(frame, kSecondCodeAt, second);
}

WireFrame ReplyHeader(const WireFrame& request, std::uint16_t status) {
  WireFrame reply{};
  reply[0] = kStartByte;
  reply[1] = kReplyMark;
  std::copy_n(request.begin() + kMachineAt, 4, reply.begin() + kMachineAt);  // machine, command
  PutCode(reply, kSecondCodeAt, "DR");
  std::copy_n(request.begin() + kBlockAt, 2, reply.begin() + kBlockAt);
  PutWord(reply, kStatusAt, status);
  return reply;
}

void AppendHex(std::string& text, std::uint8_t byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  text += ' ';
  text += kDigits[byte >> 4];
  text += kDigits[byte & 0xF];
}

}  // namespace

std::string FormatTraceEntry(const TraceEntry& entry) {
  using namespace std::chrono;
  const auto wallClock = system_clock::now() + duration_cast<system_clock::duration>(
                                                   entry.when - steady_clock::now());
  const auto sinceMidnight = duration_cast<milliseconds>(wallClock.time_since_epoch()) % days(1);
  const auto ms = sinceMidnight.count();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02lld:%02lld:%02lld.%03lld %s ",
                static_cast<long long>(ms / 3'600'000), static_cast<long long>(ms / 60'000 % 60),
                static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000),
                entry.received ? "RX" : "TX");
  std::string line = stamp;
  for (std::uint8_t byte : entry.bytes) AppendHex(line, byte);
  return line;
}

Simulator::Simulator() : machines_(kMachines) {}

Simulator::Machine* Simulator::FindMachine(int machine) {
  return machine >= 0 && machine < kMachines ? &machines_[machine] : nullptr;
}

const Simulator::Machine* Simulator::FindMachine(int machine) const {
  return machine >= 0 && machine < kMachines ? &machines_[machine] : nullptr;
}

void Simulator::SetPresent(int machine, bool present) {
  std::lock_guard lock(mutex_);
  if (Machine* m = FindMachine(machine)) m->present = present;
}

void Simulator::SetStatus(int machine, std::uint16_t status) {
  std::lock_guard lock(mutex_);
  if (Machine* m = FindMachine(machine)) m->status = status;
}

void Simulator::SetRegister(int machine, int address, std::uint16_t value) {
  std::lock_guard lock(mutex_);
  Machine* m = FindMachine(machine);
  if (m != nullptr && address >= 0 && address < kRegisters) m->registers[address] = value;
}

void Simulator::SetReadOnly(int machine, int address, bool readOnly) {
  std::lock_guard lock(mutex_);
  Machine* m = FindMachine(machine);
  if (m != nullptr && address >= 0 && address < kRegisters) m->readOnly[address] = readOnly;
}

void Simulator::SetFaults(int machine, const MachineFaults& faults) {
  std::lock_guard lock(mutex_);
  if (Machine* m = FindMachine(machine)) {
    m->faults = faults;
    m->repliesSinceFaultsSet = 0;
  }
}

void Simulator::Script(int machine, std::vector<ScriptedReply> replies) {
  std::lock_guard lock(mutex_);
  if (Machine* m = FindMachine(machine)) m->script.insert(m->script.end(), replies.begin(), replies.end());
}

void Simulator::SetPacing(std::uint32_t baudRate) { pacingBaud_ = baudRate; }

std::uint16_t Simulator::Register(int machine, int address) const {
  std::lock_guard lock(mutex_);
  const Machine* m = FindMachine(machine);
  return m != nullptr && address >= 0 && address < kRegisters ? m->registers[address] : 0;
}

std::uint16_t Simulator::Status(int machine) const {
  std::lock_guard lock(mutex_);
  const Machine* m = FindMachine(machine);
  return m != nullptr ? m->status : 0;
}

bool Simulator::Present(int machine) const {
  std::lock_guard lock(mutex_);
  const Machine* m = FindMachine(machine);
  return m != nullptr && m->present;
}

bool Simulator::ReadOnly(int machine, int address) const {
  std::lock_guard lock(mutex_);
  const Machine* m = FindMachine(machine);
  return m != nullptr && address >= 0 && address < kRegisters && m->readOnly[address];
}

MachineFaults Simulator::Faults(int machine) const {
  std::lock_guard lock(mutex_);
  const Machine* m = FindMachine(machine);
  return m != nullptr ? m->faults : MachineFaults{};
}

void Simulator::SetTraceObserver(std::function<void(const TraceEntry&)> observer) {
  std::lock_guard lock(mutex_);
  traceObserver_ = std::move(observer);
}

std::vector<TraceEntry> Simulator::Trace() const {
  std::lock_guard lock(mutex_);
  return {trace_.begin(), trace_.end()};
}

std::vector<std::vector<std::uint8_t>> Simulator::ReceivedFrames() const {
  std::lock_guard lock(mutex_);
  std::vector<std::vector<std::uint8_t>> frames;
  for (const TraceEntry& entry : trace_) {
    if (entry.received) frames.push_back(entry.bytes);
  }
  return frames;
}

void Simulator::ClearTrace() {
  std::lock_guard lock(mutex_);
  trace_.clear();
}

std::string Simulator::FormatTrace() const {
  std::string text;
  for (const TraceEntry& entry : Trace()) text += FormatTraceEntry(entry) + '\n';
  return text;
}

void Simulator::Record(bool received, Clock::time_point when, const std::uint8_t* bytes,
                       std::size_t count) {
  TraceEntry entry{when, received, std::vector<std::uint8_t>(bytes, bytes + count)};
  std::function<void(const TraceEntry&)> observer;
  {
    std::lock_guard lock(mutex_);
    observer = traceObserver_;
    trace_.push_back(entry);
    if (trace_.size() > kTraceLimit) trace_.pop_front();
  }
  if (observer) observer(entry);
}

void Simulator::ReadBlock(const Machine& machine, const WireFrame& request, WireFrame& reply) const {
  const int first = (GetWord(request, kBlockAt) - 1) * kDataWords;
  for (int i = 0; i < kDataWords; ++i) {
    const int address = first + i;
    if (address >= 0 && address < kRegisters) PutDataWord(reply, i, machine.registers[address]);
  }
}

// The driver lists consecutive registers from word 0 on and zero-fills the
// rest, so the list ends where the run of consecutive numbers breaks.
void Simulator::ListRegisters(Machine& machine, const WireFrame& request, WireFrame& reply) {
  machine.writeList.clear();
  const int first = GetDataWord(request, 0);
  for (int j = 0; j < kDataWords; ++j) {
    const int address = GetDataWord(request, j);
    if (address != first + j) break;
    const bool accepted =
        address < kRegisters && !machine.readOnly[address] && j != machine.faults.nackIndex;
    machine.writeList.push_back(accepted ? address : -1);
    PutDataWord(reply, j, accepted ? 1 : 0);
  }
}

// Values are stored as they arrive, whatever becomes of the reply: a machine
// that received them keeps them even when its answer is lost.
void Simulator::StoreValues(Machine& machine, const WireFrame& request, WireFrame& reply) {
  for (int j = 0; j < static_cast<int>(machine.writeList.size()); ++j) {
    const int address = machine.writeList[j];
    if (address < 0 || j == machine.faults.nackIndex) continue;
    machine.registers[address] = GetDataWord(request, j);
    PutDataWord(reply, j, 1);
  }
}

Simulator::ReplyShape Simulator::NextShape(Machine& machine) {
  if (!machine.script.empty()) {
    const ScriptedReply scripted = machine.script.front();
    machine.script.pop_front();
    return ReplyShape{scripted.fault == ReplyFault::kSilent,
                      scripted.fault == ReplyFault::kBadChecksum,
                      scripted.fault == ReplyFault::kWrongCodes,
                      scripted.fault == ReplyFault::kCut ? scripted.cutAfterBytes : -1,
                      scripted.fault == ReplyFault::kNack ? scripted.nackIndex : -1};
  }
  MachineFaults& faults = machine.faults;
  if (faults.silent ||
      (faults.silentAfterReplies >= 0 && machine.repliesSinceFaultsSet >= faults.silentAfterReplies)) {
    return ReplyShape{.silent = true};
  }
  ReplyShape shape{.badChecksum = faults.badChecksumReplies > 0,
                   .wrongCodes = faults.wrongCodeReplies > 0,
                   .cutAfterBytes = faults.cutAfterBytes};
  faults.badChecksumReplies = std::max(0, faults.badChecksumReplies - 1);
  faults.wrongCodeReplies = std::max(0, faults.wrongCodeReplies - 1);
  return shape;
}

Simulator::PlannedReply Simulator::Shape(Machine& machine, WireFrame& reply) {
  const ReplyShape shape = NextShape(machine);
  if (shape.silent) return {};
  ++machine.repliesSinceFaultsSet;
  if (shape.nackWord >= 0 && shape.nackWord < kDataWords) PutDataWord(reply, shape.nackWord, 0);
  if (shape.wrongCodes) {
    PutCode(reply, kCommandAt, "XX");
    PutCode(reply, kSecondCodeAt, "YY");
  }
  reply[kChecksumAt] = static_cast<std::uint8_t>(WireChecksum(reply) + (shape.badChecksum ? 1 : 0));
  const std::size_t length =
      shape.cutAfterBytes >= 0 ? std::min<std::size_t>(shape.cutAfterBytes, kFrameSize) : kFrameSize;
  PlannedReply planned{machine.faults.noiseBeforeReply, machine.faults.replyDelayMs};
  planned.bytes.insert(planned.bytes.end(), reply.begin(), reply.begin() + length);
  return planned;
}

// The reply due to `request`, empty when the machine does not answer; the
// machine's memory changes here, before any reply fault is applied.
std::optional<Simulator::PlannedReply> Simulator::Answer(const WireFrame& request) {
  if (!HasValidChecksum(request)) return std::nullopt;
  std::lock_guard lock(mutex_);
  Machine* machine = FindMachine(GetWord(request, kMachineAt));
  if (machine == nullptr || !machine->present) return std::nullopt;
  WireFrame reply = ReplyHeader(request, machine->status);
  if (IsRequest(request, "PD", "DR")) {
    ReadBlock(*machine, request, reply);
  } else if (IsRequest(request, "LS", "RW")) {
    ListRegisters(*machine, request, reply);
  } else if (IsRequest(request, "PS", "RW")) {
    StoreValues(*machine, request, reply);
  } else {
    return std::nullopt;
  }
  PlannedReply planned = Shape(*machine, reply);
  if (planned.bytes.empty()) return std::nullopt;
  return planned;
}

// The reply is recorded before it goes out, so that whoever has read it
// finds it in the trace.
bool Simulator::Send(Line& line, const PlannedReply& reply, const std::atomic<bool>& stop) {
  const std::uint32_t baud = pacingBaud_;
  const auto start = Clock::now();
  Record(false, start, reply.bytes.data(), reply.bytes.size());
  if (baud == 0) return line.Write(reply.bytes.data(), reply.bytes.size());
  const auto byteTime = ByteTime(baud);
  for (std::size_t i = 0; i < reply.bytes.size(); ++i) {
    if (!WaitUntil(start + byteTime * static_cast<int>(i + 1), stop)) return true;
    if (!line.Write(&reply.bytes[i], 1)) return false;
  }
  return true;
}

// False when the line is gone.
bool Simulator::HandleRequest(Line& line, const WireFrame& request, Clock::time_point firstByteSeen,
                              const std::atomic<bool>& stop) {
  Record(true, firstByteSeen, request.data(), request.size());
  if (const std::uint32_t baud = pacingBaud_; baud != 0) {
    if (!WaitUntil(firstByteSeen + ByteTime(baud) * static_cast<int>(kFrameSize), stop)) return true;
  }
  const std::optional<PlannedReply> reply = Answer(request);
  if (!reply) return true;
  if (reply->delayMs > 0 &&
      !WaitUntil(Clock::now() + std::chrono::milliseconds(reply->delayMs), stop)) {
    return true;
  }
  return Send(line, *reply, stop);
}

void Simulator::Serve(Line& line, const std::atomic<bool>& stop) {
  RequestStream stream;
  WireFrame request{};
  Clock::time_point firstByteSeen;
  while (!stop) {
    const int got = line.Read(stream.Space(), stream.SpaceLeft(), kReadSliceMs);
    if (got < 0) return;
    if (got > 0) stream.Appended(static_cast<std::size_t>(got), Clock::now());
    while (!stop && stream.Take(request, firstByteSeen)) {
      if (!HandleRequest(line, request, firstByteSeen, stop)) return;
    }
  }
}

SimulatorThread::SimulatorThread(Simulator& simulator, std::unique_ptr<Line> line)
    : simulator_(simulator), line_(std::move(line)) {
  if (line_) thread_ = std::thread([this] { simulator_.Serve(*line_, stop_); });
}

SimulatorThread::~SimulatorThread() { HangUp(); }

void SimulatorThread::HangUp() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (line_) line_->Close();
}

}  // namespace sim
