// A long, seeded run in which a host reads and writes random registers of
// several machines while the line and the machines misbehave at random, and
// every answer is held against the machines' own memory.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <string>

struct SoakOptions {
  std::uint64_t operations = 1000;
  std::uint64_t seed = 1;
  int machines = 5;                 // machines 1 to `machines`
  int registerBlocks = 20;          // registers 0 to 10 x blocks - 1
  std::int32_t timeoutUnits = 10;   // reply time-out in units of 10 ms
  int faultPercent = 10;            // operations with a fault injected
};

enum class SoakOperation { kBlockRead, kSingleWrite, kBlockWrite, kReEnable };
enum class SoakFault {
  kSilent,
  kBadChecksum,
  kWrongCodes,
  kCut,
  kNoise,
  kNack,
  kSwappedBytes,   // two data bytes swapped: the checksum still holds
  kReplacedBytes,  // two bytes replaced at random
  kLateReply,      // replies come after three time-outs
};

struct SoakFigures {
  std::map<SoakOperation, std::array<std::uint64_t, 3>> results;  // by result code
  std::map<SoakFault, std::uint64_t> faults;
  // Must stay 0: answers of 0 that are not the truth.
  std::uint64_t wrongValues = 0;    // a read's value that is not the machine's
  std::uint64_t lostWrites = 0;     // a write that did not reach the machine
  std::uint64_t wrongStatus = 0;    // a status word that is not the machine's
  std::uint64_t touchedBuffers = 0; // a failed read or a write that wrote into the buffer
  std::uint64_t otherCodes = 0;     // a result other than 0, 1 and 2
  // The protocol's limit: corrupted replies the checksum let through, by kind,
  // against those that changed a reply to a block read at all.
  std::map<SoakFault, std::uint64_t> corruptedReadReplies;
  std::map<SoakFault, std::uint64_t> corruptionsDelivered;
  // Also the protocol's: a reply that came after its request had been given
  // up, taken by a later read (a reply's machine and block numbers are not
  // compared with the request's).
  std::uint64_t lateRepliesTaken = 0;
  // Writes answered 0 on a late reply to an earlier request, before their own
  // values request had reached the machine, and those whose values never did.
  std::uint64_t writesOnLateReplies = 0;
  std::uint64_t lateWritesNeverArrived = 0;
  std::uint64_t failedWritesThatArrived = 0;  // answered 1 or 2, yet stored
  std::chrono::steady_clock::duration elapsed{};

  std::uint64_t Operations() const;
  std::uint64_t Untruths() const {
    return wrongValues + lostWrites + wrongStatus + touchedBuffers + otherCodes;
  }
};

SoakFigures RunSoak(const SoakOptions& options);

// The figures as a Markdown report; `command` is how the run was made.
std::string SoakReport(const SoakOptions& options, const SoakFigures& figures,
                       const std::string& command);
