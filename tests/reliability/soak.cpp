#include "reliability/soak.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "reliability/faulty_line.h"
#include "sim/simulator.h"
#include "support/driver_instance.h"
#include "support/host_log_capture.h"
#include "support/test_port.h"

namespace {

constexpr int kBlockWords = 10;
constexpr int kGuardWords = 4;
constexpr std::uint16_t kGuardWord = 0xC5C5;
constexpr int kMaxScriptEntries = 4;
constexpr int kCorrectReplyPercent = 30;  // of the entries of a script but its last
constexpr int kMaxNoise = 24;
constexpr int kStatusChangePercent = 5;
// Up to six requests whose replies are delayed 3.5 time-outs each (a write's
// three attempts in both phases) can be ahead of a values request: 2.1 s at
// 100 ms, and more on a loaded machine. Only a write that is never going to
// arrive waits this long.
constexpr auto kArrivalWait = std::chrono::seconds(15);
constexpr int kLateReplyTimeouts = 35;  // 3.5 time-outs, in ms per 10 ms unit
constexpr int kFrameBytes = 36;
constexpr int kDataFirst = 15;  // the data area of a frame: bytes 15 to 34
constexpr int kDataBytes = 20;
constexpr int kExaminedFirst = 2;  // bytes after the start and the reply mark
constexpr int kMachineAt = 3;
constexpr int kBlockAt = 11;
constexpr int kStatusAt = 13;
constexpr std::uint8_t kStart = 0x02;
constexpr std::uint8_t kReplyMark = 0x4F;

// Reproducible from the seed on every platform: plain modulo of the engine's
// output, no library distribution.
class Random {
 public:
  explicit Random(std::uint64_t seed) : engine_(seed) {}
  int Below(int bound) { return static_cast<int>(engine_() % static_cast<std::uint64_t>(bound)); }
  bool Percent(int percent) { return Below(100) < percent; }
  std::uint16_t Word() { return static_cast<std::uint16_t>(engine_()); }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(engine_()); }

 private:
  std::mt19937_64 engine_;
};

// A host's buffer of ten words between guard words.
struct HostBuffer {
  std::array<std::uint16_t, kBlockWords + 2 * kGuardWords> words;
  HostBuffer() { words.fill(kGuardWord); }
  std::uint16_t* data() { return words.data() + kGuardWords; }
};

bool IsFlaggedOutcome(ResultCode result) { return result < 0 || result > 2; }

std::uint16_t WordAt(const FaultyLine::Frame& frame, int offset) {
  return static_cast<std::uint16_t>(frame[offset] | frame[offset + 1] << 8);
}

class SoakRun {
 public:
  explicit SoakRun(const SoakOptions& options)
      : options_(options),
        random_(options.seed),
        port_(OpenDrainedTestPort()),
        line_(new FaultyLine(std::move(port_.peer))),
        serving_(simulator_, std::unique_ptr<sim::Line>(line_)) {
    simulator_.SetTraceObserver([this](const sim::TraceEntry& entry) { NoteValuesRequest(entry); });
  }

  ~SoakRun() { simulator_.SetTraceObserver(nullptr); }

  SoakFigures Run() {
    const auto start = std::chrono::steady_clock::now();
    ClearLog();  // keeps the driver's lines out of the report's way
    PrepareMachines();
    if (driver_.ColdStart(port_.driverName, options_.timeoutUnits) != kResultDone) {
      throw std::runtime_error("the driver does not start on " + port_.driverName);
    }
    for (std::uint64_t i = 0; i < options_.operations; ++i) RunOperation();
    figures_.elapsed = std::chrono::steady_clock::now() - start;
    return figures_;
  }

 private:
  void PrepareMachines() {
    for (int machine = 1; machine <= options_.machines; ++machine) {
      simulator_.SetStatus(machine, random_.Word());
      for (int address = 0; address < options_.registerBlocks * kBlockWords; ++address) {
        simulator_.SetRegister(machine, address, random_.Word());
      }
    }
  }

  void RunOperation() {
    const int machine = 1 + random_.Below(options_.machines);
    const int pick = random_.Below(4);  // reads half of the time
    const SoakOperation operation = pick < 2    ? SoakOperation::kBlockRead
                                    : pick == 2 ? SoakOperation::kSingleWrite
                                                : SoakOperation::kBlockWrite;
    const int first = random_.Below(options_.registerBlocks) * kBlockWords;
    if (random_.Percent(kStatusChangePercent)) simulator_.SetStatus(machine, random_.Word());
    if (random_.Percent(options_.faultPercent)) InjectFault(machine, operation != SoakOperation::kBlockRead);
    const int usedBefore = line_->CorruptionsUsed();
    const int corruptedBefore = line_->CorruptedReplies();
    switch (operation) {
      case SoakOperation::kBlockRead:
        BlockRead(machine, first, corruptedBefore);
        break;
      case SoakOperation::kSingleWrite:
        Write(machine, first + random_.Below(kBlockWords), 1);
        break;
      default:
        Write(machine, first, kBlockWords);
        break;
    }
    if (line_->CorruptionsUsed() != usedBefore) armedCorruption_.reset();
    simulator_.SetFaults(machine, sim::MachineFaults{});
  }

  // --- Faults ---------------------------------------------------------

  void InjectFault(int machine, bool write) {
    static constexpr SoakFault kChoices[] = {SoakFault::kSilent,       SoakFault::kBadChecksum,
                                             SoakFault::kWrongCodes,   SoakFault::kCut,
                                             SoakFault::kNoise,        SoakFault::kNack,
                                             SoakFault::kSwappedBytes, SoakFault::kReplacedBytes,
                                             SoakFault::kLateReply};
    const SoakFault fault = kChoices[random_.Below(std::size(kChoices))];
    switch (fault) {
      case SoakFault::kNoise:
        return InjectNoise(machine);
      case SoakFault::kNack:
        if (write) InjectNack(machine);
        return;
      case SoakFault::kLateReply:
        return InjectLateReplies(machine);
      case SoakFault::kSwappedBytes:
      case SoakFault::kReplacedBytes:
        return ArmCorruption(fault);
      default:
        return InjectScript(machine);
    }
  }

  // One to four replies, each a fault or a correct one, so that faults also
  // reach the later attempts and the second phase of a write.
  void InjectScript(int machine) {
    static constexpr sim::ReplyFault kReplyFaults[] = {sim::ReplyFault::kSilent, sim::ReplyFault::kBadChecksum,
                                                       sim::ReplyFault::kWrongCodes, sim::ReplyFault::kCut};
    static constexpr SoakFault kCounted[] = {SoakFault::kSilent, SoakFault::kBadChecksum,
                                             SoakFault::kWrongCodes, SoakFault::kCut};
    std::vector<sim::ScriptedReply> script;
    const int entries = 1 + random_.Below(kMaxScriptEntries);
    for (int i = 0; i < entries; ++i) {
      const bool correct = i + 1 < entries && random_.Percent(kCorrectReplyPercent);
      if (correct) {
        script.push_back(sim::ScriptedReply{});
        continue;
      }
      const int kind = random_.Below(std::size(kReplyFaults));
      script.push_back(sim::ScriptedReply{kReplyFaults[kind], random_.Below(kFrameBytes)});
      ++figures_.faults[kCounted[kind]];
    }
    simulator_.Script(machine, std::move(script));
  }

  // Noise that holds no reply start and does not end in a start byte, which
  // would swallow the reply's own: pure noise, always skipped.
  void InjectNoise(int machine) {
    sim::MachineFaults faults;
    const int length = 1 + random_.Below(kMaxNoise);
    for (int i = 0; i < length; ++i) {
      std::uint8_t byte = random_.Byte();
      if (byte == kReplyMark && !faults.noiseBeforeReply.empty() && faults.noiseBeforeReply.back() == kStart) {
        byte = kReplyMark + 1;
      }
      faults.noiseBeforeReply.push_back(byte);
    }
    if (faults.noiseBeforeReply.back() == kStart) faults.noiseBeforeReply.back() = kStart + 1;
    simulator_.SetFaults(machine, faults);
    ++figures_.faults[SoakFault::kNoise];
  }

  void InjectNack(int machine) {
    sim::MachineFaults faults;
    faults.nackIndex = random_.Below(kBlockWords);
    simulator_.SetFaults(machine, faults);
    ++figures_.faults[SoakFault::kNack];
  }

  // Replies that come when the driver has given the request up, and maybe
  // when it waits for the next one.
  void InjectLateReplies(int machine) {
    sim::MachineFaults faults;
    faults.replyDelayMs = options_.timeoutUnits * kLateReplyTimeouts;
    simulator_.SetFaults(machine, faults);
    ++figures_.faults[SoakFault::kLateReply];
  }

  // One corruption at a time: it waits for the next reply on the line.
  void ArmCorruption(SoakFault kind) {
    if (armedCorruption_) return;
    ReplyCorruption corruption{};
    if (kind == SoakFault::kSwappedBytes) {
      corruption.first = kDataFirst + random_.Below(kDataBytes);
      corruption.second = kDataFirst + random_.Below(kDataBytes);
      corruption.swap = true;
    } else {
      corruption.first = kExaminedFirst + random_.Below(kFrameBytes - kExaminedFirst);
      corruption.second = kExaminedFirst + random_.Below(kFrameBytes - kExaminedFirst);
      corruption.firstValue = random_.Byte();
      corruption.secondValue = random_.Byte();
    }
    line_->CorruptNextReply(corruption);
    armedCorruption_ = kind;
    ++figures_.faults[kind];
  }

  // --- Operations and their truth -------------------------------------

  bool Count(SoakOperation operation, ResultCode result) {
    if (IsFlaggedOutcome(result)) {
      ++figures_.otherCodes;
      return false;
    }
    ++figures_.results[operation][static_cast<std::size_t>(result)];
    return true;
  }

  bool ReadIsTheMachines(int machine, int first, const std::uint16_t* words) {
    for (int i = 0; i < kBlockWords; ++i) {
      if (words[i] != simulator_.Register(machine, first + i)) return false;
    }
    return true;
  }

  void BlockRead(int machine, int first, int corruptedBefore) {
    HostBuffer buffer;
    const HostBuffer before = buffer;
    const ResultCode result =
        driver_.Transfer(kOpBlockRead, RegisterSpec(machine, first), kBlockWords, buffer.data());
    if (!Count(SoakOperation::kBlockRead, result)) return;
    const bool corrupted = line_->CorruptedReplies() != corruptedBefore;
    if (corrupted) ++figures_.corruptedReadReplies[*armedCorruption_];
    if (result != kResultDone) {
      if (buffer.words != before.words) ++figures_.touchedBuffers;
      if (result == kResultFailed && driver_.context().commDisabled[machine] != 0) ReEnable(machine);
      return;
    }
    const bool valuesTrue = ReadIsTheMachines(machine, first, buffer.data());
    const bool statusTrue = driver_.Status(machine) == static_cast<std::int16_t>(simulator_.Status(machine));
    if (valuesTrue && statusTrue) return;
    if (corrupted) {
      ++figures_.corruptionsDelivered[*armedCorruption_];
    } else if (TookAnEarlierReply(machine, first, buffer.data())) {
      ++figures_.lateRepliesTaken;
    } else {
      figures_.wrongValues += valuesTrue ? 0 : 1;
      figures_.wrongStatus += statusTrue ? 0 : 1;
    }
  }

  // Whether the words and status delivered are those of a reply that went
  // out for an earlier request: one for another machine or block, or one
  // older than the newest reply.
  bool TookAnEarlierReply(int machine, int first, const std::uint16_t* words) {
    const auto status = static_cast<std::uint16_t>(driver_.Status(machine));
    const std::vector<FaultyLine::Frame> replies = line_->RecentReplies();
    for (std::size_t r = 0; r < replies.size(); ++r) {
      const FaultyLine::Frame& reply = replies[r];
      bool same = WordAt(reply, kStatusAt) == status;
      for (int i = 0; i < kBlockWords; ++i) same = same && WordAt(reply, kDataFirst + 2 * i) == words[i];
      const bool ours = WordAt(reply, kMachineAt) == machine &&
                        WordAt(reply, kBlockAt) == first / kBlockWords + 1;
      if (same && (!ours || r + 1 < replies.size())) return true;
    }
    return false;
  }

  void Write(int machine, int first, int count) {
    HostBuffer buffer;
    std::uint16_t* values = buffer.data() + (count == 1 ? 1 : 0);
    for (int i = 0; i < count; ++i) values[i] = random_.Word();
    const HostBuffer before = buffer;
    const bool single = count == 1;
    ForgetValuesRequests();
    const ResultCode result = driver_.Transfer(single ? kOpSingleWrite : kOpBlockWrite,
                                               RegisterSpec(machine, first), count, buffer.data());
    if (!Count(single ? SoakOperation::kSingleWrite : SoakOperation::kBlockWrite, result)) return;
    if (buffer.words != before.words) ++figures_.touchedBuffers;
    if (result == kResultDone) CheckWriteAnsweredZero(machine, first, values, count);
    if (result != kResultDone && Arrived(machine, first, values, count)) ++figures_.failedWritesThatArrived;
  }

  // A machine stores the values before its reply goes out, so a write
  // answered 0 on its own reply has arrived. One whose values request the
  // machine had not even received when the driver answered took the late
  // reply of an earlier request (a limit of the protocol); its values still
  // come, behind the requests whose replies were late.
  void CheckWriteAnsweredZero(int machine, int first, const std::uint16_t* values, int count) {
    if (ValuesRequestReceived(machine, values, count)) {
      if (!Arrived(machine, first, values, count)) ++figures_.lostWrites;
      return;
    }
    ++figures_.writesOnLateReplies;
    if (!Arrives(machine, first, values, count)) ++figures_.lateWritesNeverArrived;
  }

  void ForgetValuesRequests() {
    std::lock_guard lock(valuesRequestsMutex_);
    valuesRequests_.clear();
  }

  // Called on the simulator's thread with every frame it receives or sends.
  void NoteValuesRequest(const sim::TraceEntry& entry) {
    if (!entry.received || entry.bytes.size() != std::size_t{kFrameBytes} || entry.bytes[5] != 'P' ||
        entry.bytes[6] != 'S') {
      return;
    }
    FaultyLine::Frame frame;
    std::copy(entry.bytes.begin(), entry.bytes.end(), frame.begin());
    std::lock_guard lock(valuesRequestsMutex_);
    valuesRequests_.push_back(frame);
  }

  bool ValuesRequestReceived(int machine, const std::uint16_t* values, int count) {
    std::lock_guard lock(valuesRequestsMutex_);
    for (const FaultyLine::Frame& frame : valuesRequests_) {
      bool same = WordAt(frame, kMachineAt) == machine;
      for (int i = 0; i < count && same; ++i) same = WordAt(frame, kDataFirst + 2 * i) == values[i];
      if (same) return true;
    }
    return false;
  }

  bool Arrived(int machine, int first, const std::uint16_t* values, int count) const {
    for (int i = 0; i < count; ++i) {
      if (simulator_.Register(machine, first + i) != values[i]) return false;
    }
    return true;
  }

  bool Arrives(int machine, int first, const std::uint16_t* values, int count) const {
    const auto deadline = std::chrono::steady_clock::now() + kArrivalWait;
    while (!Arrived(machine, first, values, count)) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  // The host's way back for a machine the driver disabled: 0 into "$COMM".
  void ReEnable(int machine) {
    std::uint16_t zero[2] = {0, 0};
    Count(SoakOperation::kReEnable, driver_.Transfer(kOpSingleWrite, CommSpec(machine), 1, zero));
  }

  SoakOptions options_;
  Random random_;
  TestPort port_;
  sim::Simulator simulator_;
  FaultyLine* line_;  // owned by serving_
  sim::SimulatorThread serving_;
  DriverInstance driver_;
  SoakFigures figures_;
  std::optional<SoakFault> armedCorruption_;
  std::mutex valuesRequestsMutex_;
  std::vector<FaultyLine::Frame> valuesRequests_;  // since the current write began
};

// --- The report ---------------------------------------------------------

const char* Name(SoakOperation operation) {
  switch (operation) {
    case SoakOperation::kBlockRead: return "block read (10 registers)";
    case SoakOperation::kSingleWrite: return "single write";
    case SoakOperation::kBlockWrite: return "block write (10 registers)";
    case SoakOperation::kReEnable: return "re-enable a disabled machine (0 into \"$COMM\")";
  }
  return "";
}

const char* Name(SoakFault fault) {
  switch (fault) {
    case SoakFault::kSilent: return "reply not sent (silent)";
    case SoakFault::kBadChecksum: return "checksum byte off by one";
    case SoakFault::kWrongCodes: return "other command and second codes";
    case SoakFault::kCut: return "reply cut after 0 to 35 bytes";
    case SoakFault::kNoise: return "1 to 24 bytes of noise before every reply";
    case SoakFault::kNack: return "one register refused (acknowledgement 0), in a write";
    case SoakFault::kSwappedBytes: return "two bytes of the data area swapped (checksum kept)";
    case SoakFault::kReplacedBytes: return "two bytes of a reply replaced at random";
    case SoakFault::kLateReply: return "replies delayed to 3.5 time-outs";
  }
  return "";
}

std::uint64_t Get(const std::map<SoakFault, std::uint64_t>& counts, SoakFault fault) {
  const auto found = counts.find(fault);
  return found == counts.end() ? 0 : found->second;
}

}  // namespace

std::uint64_t SoakFigures::Operations() const {
  std::uint64_t total = 0;
  for (const auto& [operation, codes] : results) {
    if (operation == SoakOperation::kReEnable) continue;
    for (std::uint64_t count : codes) total += count;
  }
  return total;
}

SoakFigures RunSoak(const SoakOptions& options) { return SoakRun(options).Run(); }

std::string SoakReport(const SoakOptions& options, const SoakFigures& figures,
                       const std::string& command) {
  const double seconds = std::chrono::duration<double>(figures.elapsed).count();
  std::ostringstream out;
  out << "# Soak report\n\n"
      << "Made by `" << command << "`: seed " << options.seed << ", " << options.operations
      << " host operations on machines 1 to " << options.machines << " (registers 0 to "
      << options.registerBlocks * kBlockWords - 1 << "), reply time-out "
      << options.timeoutUnits * 10 << " ms, a fault injected before " << options.faultPercent
      << " % of the operations. Ran " << static_cast<long long>(seconds) << " s.\n\n"
      << "The machines' register memory in the simulator is the truth: a machine stores the\n"
      << "values of every values request that reaches it, whatever becomes of its reply.\n\n"
      << "## Nothing lost\n\n| Figure | Count |\n|---|---:|\n"
      << "| reads answered 0 with a value that is not the machine's | " << figures.wrongValues << " |\n"
      << "| writes answered 0 that did not reach the machine | " << figures.lostWrites << " |\n"
      << "| status words not the machine's after a read answered 0 | " << figures.wrongStatus << " |\n"
      << "| failed reads or writes that changed the host's buffer | " << figures.touchedBuffers << " |\n"
      << "| results other than 0, 1 and 2 | " << figures.otherCodes << " |\n"
      << "| **total (must be 0)** | **" << figures.Untruths() << "** |\n\n"
      << "Corrupted replies that the checksum let through, and late replies taken for a later\n"
      << "request, are the protocol's limits, counted apart below.\n\n"
      << "## Operations by result\n\n| Operation | 0 | 1 | 2 | total |\n|---|---:|---:|---:|---:|\n";
  for (const auto& [operation, codes] : figures.results) {
    out << "| " << Name(operation) << " | " << codes[0] << " | " << codes[1] << " | " << codes[2]
        << " | " << codes[0] + codes[1] + codes[2] << " |\n";
  }
  out << "\nHost operations: " << figures.Operations() << ". Writes answered 1 or 2 whose values "
      << "had reached the machine all the same: " << figures.failedWritesThatArrived << ".\n\n"
      << "## Faults injected\n\n| Fault | Count |\n|---|---:|\n";
  std::uint64_t faults = 0;
  for (const auto& [fault, count] : figures.faults) {
    out << "| " << Name(fault) << " | " << count << " |\n";
    faults += count;
  }
  out << "| **total** | **" << faults << "** |\n\n"
      << "## What the additive checksum lets through (a limit of the protocol)\n\n"
      << "| Corruption | replies to block reads it changed | delivered to the host with 0 |\n"
      << "|---|---:|---:|\n";
  for (SoakFault fault : {SoakFault::kSwappedBytes, SoakFault::kReplacedBytes}) {
    out << "| " << Name(fault) << " | " << Get(figures.corruptedReadReplies, fault) << " | "
        << Get(figures.corruptionsDelivered, fault) << " |\n";
  }
  out << "\nThe checksum is a sum of bytes: it cannot see bytes that trade places, and it\n"
      << "misses a random change of two bytes whenever their differences cancel (about one\n"
      << "in 256). Such a reply is indistinguishable from a true one to any receiver.\n\n"
      << "## Late replies (a limit of the protocol)\n\n"
      << "Reads answered 0 with the reply to another request, which had come after that\n"
      << "request's last attempt was given up (a reply's machine and block numbers are not\n"
      << "compared with the request's): " << figures.lateRepliesTaken << ".\n\n"
      << "Writes answered 0 on such a reply, before the machine had received their own\n"
      << "values request: " << figures.writesOnLateReplies << ". Of these, writes whose values never\n"
      << "reached the machine: " << figures.lateWritesNeverArrived << ".\n";
  return out.str();
}
