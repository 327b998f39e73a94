// Address texts as users type them, checked by the driver's own parsers, and
// what the tool makes of them: which values a read shows, what a write sends,
// and, when the driver refuses an address, why.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "driver/driver.h"

namespace tool {

enum class TargetKind {
  kRegisterBlock,  // MMRRRR with RRRR a multiple of 10: ten registers
  kRegister,       // MMRRRR: one register (read through its block)
  kRegisterBit,    // MMRRRRBB: one bit of a register (read through its block)
  kStatus,         // MM$STAT: the driver's record of the machine's status word
  kCommFlag,       // MM$COMM: the driver's communication flag of the machine
};

inline constexpr int kBlockRegisters = 10;
inline constexpr std::int32_t kBitDataType = 6;

struct Target {
  std::string text;  // as typed
  TargetKind kind;
  AddressSpec spec;  // as the driver's parser filled it
  // The machine the address is about (a flag address names it in `address`).
  int machine() const;
  // The block read that serves a register, bit or block target.
  AddressSpec BlockSpec() const;
};

struct Resolution {
  std::optional<Target> target;
  ResultCode result = kResultDone;  // the parser's answer
  std::string refusal;              // why the address was refused
  std::string driverLine;           // the driver's log line about it, if any
};

// True for the MM$STAT and MM$COMM forms.
bool IsPseudoAddress(const std::string& text);

// A register address on a block boundary reads the whole block.
Resolution ResolveForRead(Driver& driver, const std::string& text);
// `valueCount` values: one for a register or flag; ten for a register block;
// up to 100 for a run of flags from MM$COMM on.
Resolution ResolveForWrite(Driver& driver, const std::string& text, std::size_t valueCount);
// Exactly as asked: the single parser with `dataType`, or the block parser.
Resolution ResolveAsGiven(Driver& driver, const std::string& text, std::int32_t dataType,
                          std::optional<std::int32_t> blockCount);

// "01", "99": machine numbers as addresses spell them.
std::string MachineText(int machine);
// "0123": a register number as addresses spell it.
std::string RegisterNumberText(int registerNumber);
// "010123": the address of one register.
std::string RegisterAddressText(int machine, int registerNumber);
// What an accepted address names, in words.
std::string DescribeSpec(const AddressSpec& spec, std::optional<std::int32_t> blockCount);
std::string KindName(std::int32_t kind);

}  // namespace tool
