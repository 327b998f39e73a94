#include "driver/transfers.h"

#include <array>

#include "output/terminal.h"

namespace tool {
namespace {

constexpr char kNotResponding[] = "not responding";
constexpr std::uint16_t kNoStatusYet = 0xFFFF;  // the driver's -1

using Clock = std::chrono::steady_clock;

std::string Attempts(const LineFacts& facts) {
  return "3 attempts of " + std::to_string(facts.timeoutMs) + " ms";
}

std::string CheckTheLine(const LineFacts& facts) {
  return "check its machine number, power, the RS485 wiring and the line settings (" + facts.settings + ")";
}

std::string DisabledMessage(int machine) {
  return "machine " + MachineText(machine) + " is disabled (its $COMM flag is set), so nothing was sent; "
         "re-enable it with: " + ReenableCommand(machine);
}

void Fail(TransferOutcome& outcome, const Target& target, Problem problem, std::string message) {
  outcome.problem = problem;
  outcome.message = std::move(message);
  outcome.readings.assign(1, Reading{target.text, target.machine(), std::nullopt, std::nullopt, std::nullopt, ""});
}

void ExplainBlockReadFailure(TransferOutcome& outcome, const Driver& driver, const Target& target,
                             ResultCode result, const LineFacts& facts) {
  const int machine = target.machine();
  const std::string who = "machine " + MachineText(machine);
  if (result == kResultRejected) {
    Fail(outcome, target, Problem::kBadReply,
         who + " answered, but its replies were corrupt in " + Attempts(facts) + ": check the line settings (" +
             facts.settings + "), termination and noise, and that no other machine answers as " +
             MachineText(machine));
  } else if (driver.Logged(kNotResponding)) {
    Fail(outcome, target, Problem::kNoAnswer,
         who + " did not answer (" + Attempts(facts) + ") and the driver has disabled it: " + CheckTheLine(facts) +
             "; re-enable it with: " + ReenableCommand(machine));
  } else {
    Fail(outcome, target, Problem::kDisabled, DisabledMessage(machine));
  }
}

void AddRegisterReadings(TransferOutcome& outcome, const Target& target, const std::array<std::uint16_t, kBlockRegisters>& words) {
  const AddressSpec block = target.BlockSpec();
  for (int i = 0; i < kBlockRegisters; ++i) {
    const int number = block.address + i;
    const bool wanted = target.kind == TargetKind::kRegisterBlock || number == target.spec.address;
    if (!wanted) continue;
    Reading reading{RegisterAddressText(block.machine, number), block.machine, number, std::nullopt, words[i], ""};
    if (target.kind == TargetKind::kRegisterBit) {
      reading.address = target.text;
      reading.bit = target.spec.bit;
      reading.value = static_cast<std::uint16_t>((words[i] >> target.spec.bit) & 1);
    }
    outcome.readings.push_back(reading);
  }
}

TransferOutcome ReadRegisters(Driver& driver, const Target& target, const LineFacts& facts) {
  TransferOutcome outcome;
  std::array<std::uint16_t, kBlockRegisters> words{};
  const Clock::time_point start = Clock::now();
  const ResultCode result = driver.ReadBlock(target.BlockSpec(), words);
  outcome.latencyMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  // A disabled machine is refused at once, without an exchange.
  outcome.usedLine = result != kResultFailed || driver.Logged(kNotResponding);
  if (result != kResultDone) {
    ExplainBlockReadFailure(outcome, driver, target, result, facts);
  } else {
    AddRegisterReadings(outcome, target, words);
  }
  return outcome;
}

TransferOutcome ReadTable(Driver& driver, const Target& target) {
  TransferOutcome outcome;
  std::uint16_t value = 0;
  if (driver.ReadSingle(target.spec, &value) != kResultDone) {
    Fail(outcome, target, Problem::kDisabled, DisabledMessage(target.machine()));
    return outcome;
  }
  Reading reading{target.text, target.machine(), std::nullopt, std::nullopt, value, ""};
  if (target.kind == TargetKind::kCommFlag) {
    reading.note = value == 0 ? "enabled" : "disabled";
  } else if (value == kNoStatusYet) {
    reading.note = "no reply from the machine yet in this session";
  }
  outcome.readings.push_back(reading);
  return outcome;
}

std::string RegistersText(const Target& target, std::size_t count) {
  const std::string first = RegisterNumberText(target.spec.address);
  if (count == 1) return "register " + first;
  return "registers " + first + " to " + RegisterNumberText(target.spec.address + static_cast<int>(count) - 1);
}

}  // namespace

std::string ProblemName(Problem problem) {
  switch (problem) {
    case Problem::kNone: return "ok";
    case Problem::kNoAnswer: return "no-answer";
    case Problem::kDisabled: return "disabled";
    case Problem::kBadReply: return "bad-reply";
    case Problem::kNotAcknowledged: return "not-acknowledged";
  }
  return "?";
}

std::string ReenableCommand(int machine) { return "torva write " + ShellWord(MachineText(machine) + "$COMM") + " 0"; }

TransferOutcome ReadTarget(Driver& driver, const Target& target, const LineFacts& facts) {
  if (target.kind == TargetKind::kStatus || target.kind == TargetKind::kCommFlag) return ReadTable(driver, target);
  return ReadRegisters(driver, target, facts);
}

TransferOutcome WriteTarget(Driver& driver, const Target& target, std::span<const std::uint16_t> values,
                            const LineFacts& facts) {
  TransferOutcome outcome;
  const Clock::time_point start = Clock::now();
  const ResultCode result = values.size() == 1 ? driver.WriteSingle(target.spec, values[0])
                                               : driver.WriteBlock(target.spec, values);
  outcome.latencyMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  outcome.usedLine = target.kind != TargetKind::kCommFlag;
  if (result == kResultDone) return outcome;
  const std::string who = "machine " + MachineText(target.machine());
  if (result == kResultFailed) {
    Fail(outcome, target, Problem::kNoAnswer,
         who + " did not answer the write (" + Attempts(facts) + "): " + CheckTheLine(facts));
  } else {
    Fail(outcome, target, Problem::kNotAcknowledged,
         who + " did not accept the write of " + RegistersText(target, values.size()) +
             ": it may be read-only there, or its replies were corrupt");
  }
  return outcome;
}

}  // namespace tool
