// A simulated line of machines 0 to 99, each with 10,000 16-bit registers
// and a status word, answering the driver's block read, register list and
// values requests, with faults that can be set per machine.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/line.h"
#include "sim/wire_frame.h"

namespace sim {

inline constexpr int kMachines = 100;
inline constexpr int kRegisters = 10000;

// What the machine does with its next reply, when a script says so.
enum class ReplyFault {
  kNone,         // a correct reply
  kSilent,       // no reply at all
  kBadChecksum,  // the checksum byte is off by one
  kWrongCodes,   // command code and second code are not the expected ones
  kCut,          // only the first `cutAfterBytes` bytes of the reply are sent
  kNack,         // acknowledgement word `nackIndex` of this reply is 0
};

struct ScriptedReply {
  ReplyFault fault = ReplyFault::kNone;
  int cutAfterBytes = 0;  // for kCut: 0 to 35
  int nackIndex = 0;      // for kNack: 0 to 9
};

struct MachineFaults {
  bool silent = false;
  int silentAfterReplies = -1;   // -1: never; else silent once that many replies were sent
  int badChecksumReplies = 0;    // the next N replies carry a wrong checksum
  int wrongCodeReplies = 0;      // the next N replies carry other codes
  int nackIndex = -1;            // acknowledgement word at this position is 0 (both write phases)
  int cutAfterBytes = -1;        // -1: never; else every reply is cut after k bytes
  std::vector<std::uint8_t> noiseBeforeReply;  // sent in front of every reply
  int replyDelayMs = 0;          // wait before replying
};

// A request is stamped when its first byte was read, a reply when it started
// to go out. A request frame with a wrong checksum is recorded too.
struct TraceEntry {
  std::chrono::steady_clock::time_point when;
  bool received;                    // true: from the driver; false: sent by the simulator
  std::vector<std::uint8_t> bytes;  // a whole request frame, or the bytes of one reply as sent
};

// "HH:MM:SS.mmm RX|TX  02 2F 00 ..." (time of day in UTC).
std::string FormatTraceEntry(const TraceEntry& entry);

class Simulator {
 public:
  Simulator();

  // Configuration; safe to call while serving.
  void SetPresent(int machine, bool present);  // absent machines never answer
  void SetStatus(int machine, std::uint16_t status);
  void SetRegister(int machine, int address, std::uint16_t value);
  void SetReadOnly(int machine, int address, bool readOnly);  // acknowledged with 0, never stored
  void SetFaults(int machine, const MachineFaults& faults);
  // Faults for the next replies of `machine`, one entry a reply, before any
  // other fault; consumed as replies are due.
  void Script(int machine, std::vector<ScriptedReply> replies);
  // Paces every byte sent at ten bit times of `baudRate`; 0 sends at once.
  void SetPacing(std::uint32_t baudRate);

  std::uint16_t Register(int machine, int address) const;
  std::uint16_t Status(int machine) const;

  std::vector<TraceEntry> Trace() const;
  std::vector<std::vector<std::uint8_t>> ReceivedFrames() const;  // requests only, in order
  void ClearTrace();
  // "HH:MM:SS.mmm RX|TX  02 2F 00 ..." one line an entry.
  std::string FormatTrace() const;

  // Answers requests on `line` until `stop` is set or the line is gone.
  void Serve(Line& line, const std::atomic<bool>& stop);

  // Helpers beyond the interface above.
  bool Present(int machine) const;
  bool ReadOnly(int machine, int address) const;
  MachineFaults Faults(int machine) const;
  std::uint32_t Pacing() const { return pacingBaud_; }
  // Called on the serving thread with each trace entry as it is recorded.
  void SetTraceObserver(std::function<void(const TraceEntry&)> observer);

 private:
  struct Machine {
    bool present = true;
    std::uint16_t status = 0;
    std::vector<std::uint16_t> registers = std::vector<std::uint16_t>(kRegisters);
    std::vector<bool> readOnly = std::vector<bool>(kRegisters);
    MachineFaults faults;
    std::deque<ScriptedReply> script;
    int repliesSinceFaultsSet = 0;
    // Registers named by the last register list, -1 where refused.
    std::vector<int> writeList;
  };
  // What one reply turns into on the wire.
  struct ReplyShape {
    bool silent = false;
    bool badChecksum = false;
    bool wrongCodes = false;
    int cutAfterBytes = -1;
    int nackWord = -1;
  };
  struct PlannedReply {
    std::vector<std::uint8_t> bytes;  // noise, then the (possibly cut) frame
    int delayMs = 0;
  };
  using Clock = std::chrono::steady_clock;

  Machine* FindMachine(int machine);
  const Machine* FindMachine(int machine) const;
  std::optional<PlannedReply> Answer(const WireFrame& request);
  void ReadBlock(const Machine& machine, const WireFrame& request, WireFrame& reply) const;
  void ListRegisters(Machine& machine, const WireFrame& request, WireFrame& reply);
  void StoreValues(Machine& machine, const WireFrame& request, WireFrame& reply);
  static ReplyShape NextShape(Machine& machine);
  static PlannedReply Shape(Machine& machine, WireFrame& reply);
  bool HandleRequest(Line& line, const WireFrame& request, Clock::time_point firstByteSeen,
                     const std::atomic<bool>& stop);
  bool Send(Line& line, const PlannedReply& reply, const std::atomic<bool>& stop);
  void Record(bool received, Clock::time_point when, const std::uint8_t* bytes, std::size_t count);

  mutable std::mutex mutex_;
  std::vector<Machine> machines_;
  std::deque<TraceEntry> trace_;
  std::function<void(const TraceEntry&)> traceObserver_;
  std::atomic<std::uint32_t> pacingBaud_{0};
};

// Serves a simulator on a line in a thread of its own, until destroyed.
class SimulatorThread {
 public:
  SimulatorThread(Simulator& simulator, std::unique_ptr<Line> line);
  ~SimulatorThread();
  SimulatorThread(const SimulatorThread&) = delete;
  SimulatorThread& operator=(const SimulatorThread&) = delete;
  // Hangs the line up now (the driver's end sees it vanish) and stops serving.
  void HangUp();

 private:
  Simulator& simulator_;
  std::unique_ptr<Line> line_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace sim
