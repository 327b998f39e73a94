// Reads and writes of the addresses users type, as a host makes them, with
// a one-line explanation of every failure.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "driver/addresses.h"

namespace tool {

enum class Problem { kNone, kNoAnswer, kDisabled, kBadReply, kNotAcknowledged };

// Short names for scripts: "ok", "no-answer", "disabled", "bad-reply", "not-acknowledged".
std::string ProblemName(Problem problem);

// What the explanations quote about the line.
struct LineFacts {
  int timeoutMs;
  std::string settings;  // "19200 baud 8N1"
};

struct Reading {
  std::string address;  // of this one value: "010123", "01$STAT"
  int machine;
  std::optional<int> registerNumber;
  std::optional<int> bit;
  std::optional<std::uint16_t> value;  // none when the read failed
  std::string note;
};

struct TransferOutcome {
  Problem problem = Problem::kNone;
  std::string message;            // one line, when there is a problem
  std::vector<Reading> readings;  // a read's values; one reading without value when it failed
  bool usedLine = false;          // an exchange went to the machine
  double latencyMs = 0;           // of that exchange, retries included
};

TransferOutcome ReadTarget(Driver& driver, const Target& target, const LineFacts& facts);
TransferOutcome WriteTarget(Driver& driver, const Target& target, std::span<const std::uint16_t> values,
                            const LineFacts& facts);

// "torva write '05$COMM' 0", quoted for the platform's shell.
std::string ReenableCommand(int machine);

}  // namespace tool
