#include "driver/addresses.h"

#include <cstdio>

namespace tool {
namespace {

// Fields the parser leaves alone keep these values, so a refusal shows which
// fields it reached.
constexpr AddressSpec kUntouched{-1, -1, -1, -1, -1};
constexpr std::size_t kFormLength = 8;  // the parser looks at positions 0 to 7
constexpr std::size_t kBitPosition = 6;
constexpr char kIllegalCharMarker[] = "illegal char ";
constexpr char kSyntax[] = "an address is MMRRRR, MMRRRRBB, MM$STAT or MM$COMM in decimal digits";

std::string Padded(const std::string& text) {
  std::string padded = text;
  for (char& c : padded) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  if (padded.size() < kFormLength) padded.resize(kFormLength, ' ');
  return padded;
}

bool HasBitNumber(const std::string& text) { return Padded(text)[kBitPosition] != ' '; }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string ExplainIllegalCharacter(const std::string& driverLine) {
  const std::size_t at = driverLine.find(kIllegalCharMarker);
  const char c = at == std::string::npos ? '?' : driverLine[at + sizeof kIllegalCharMarker - 1];
  if (c == ' ') return std::string("it is too short or holds a blank; ") + kSyntax;
  if (c == '$') {
    return "'$' only stands in MM$STAT and MM$COMM, with nothing after them, and $STAT has no "
           "block form";
  }
  return std::string("the character '") + c + "' is not allowed there; " + kSyntax;
}

// The refusals the driver does not log, told apart by the text and by the
// fields the parser had written before it refused.
std::string ExplainUnlogged(const std::string& text, std::int32_t dataType,
                            std::optional<std::int32_t> blockCount, const AddressSpec& spec) {
  if (IsPseudoAddress(text)) {
    if (dataType > 1) return "$STAT and $COMM addresses are for data types 0 and 1 only";
    return "the machine number in front of $STAT or $COMM must be 00 to 99";
  }
  const bool bitGiven = HasBitNumber(text);
  if (bitGiven && (blockCount || dataType != kBitDataType)) {
    return "a bit number (7th and 8th characters) is allowed only in a single address of data type 6";
  }
  if (spec.bit != kUntouched.bit && spec.bit != kWholeWord && spec.bit > 15) {
    return "bit number " + std::to_string(spec.bit) + " is too large: bits are numbered 0 to 15";
  }
  if (!bitGiven && dataType == kBitDataType) {
    return "data type 6 names a bit: add its number 00 to 15 after the register (MMRRRRBB)";
  }
  if (blockCount && spec.address % kBlockRegisters != 0) {
    return "a block of registers starts at a register that is a multiple of 10, e.g. " +
           RegisterAddressText(spec.machine, spec.address / kBlockRegisters * kBlockRegisters);
  }
  if (blockCount && *blockCount != kBlockRegisters) return "a block of registers holds exactly 10 registers";
  return "the driver refused it";
}

std::string Explain(const Resolution& resolution, const std::string& text, std::int32_t dataType,
                    std::optional<std::int32_t> blockCount, const AddressSpec& spec) {
  if (resolution.driverLine.find(kIllegalCharMarker) != std::string::npos) {
    return ExplainIllegalCharacter(resolution.driverLine);
  }
  if (!resolution.driverLine.empty()) {
    return "the flags of machines " + MachineText(spec.address) + " on, " + std::to_string(*blockCount) +
           " of them, run past machine 99";
  }
  return ExplainUnlogged(text, dataType, blockCount, spec);
}

TargetKind KindOf(const AddressSpec& spec, std::optional<std::int32_t> blockCount) {
  if (spec.kind == kKindStatus) return TargetKind::kStatus;
  if (spec.kind == kKindComm) return TargetKind::kCommFlag;
  if (spec.bit != kWholeWord) return TargetKind::kRegisterBit;
  return blockCount ? TargetKind::kRegisterBlock : TargetKind::kRegister;
}

Resolution Refused(std::string reason) {
  Resolution resolution;
  resolution.result = kResultRejected;
  resolution.refusal = std::move(reason);
  return resolution;
}

}  // namespace

int Target::machine() const { return kind == TargetKind::kCommFlag ? spec.address : spec.machine; }

AddressSpec Target::BlockSpec() const {
  AddressSpec block = spec;
  block.address = spec.address / kBlockRegisters * kBlockRegisters;
  block.bit = kWholeWord;
  return block;
}

bool IsPseudoAddress(const std::string& text) { return text.size() > 2 && text[2] == '$'; }

Resolution ResolveAsGiven(Driver& driver, const std::string& text, std::int32_t dataType,
                          std::optional<std::int32_t> blockCount) {
  Resolution resolution;
  AddressSpec spec = kUntouched;
  resolution.result = driver.Parse(text, dataType, blockCount, &spec);
  if (!driver.lastLog().empty()) resolution.driverLine = driver.lastLog().front().text;
  if (resolution.result != kResultDone) {
    resolution.refusal = Explain(resolution, text, dataType, blockCount, spec);
    return resolution;
  }
  resolution.target = Target{text, KindOf(spec, blockCount), spec};
  return resolution;
}

Resolution ResolveForRead(Driver& driver, const std::string& text) {
  if (IsPseudoAddress(text)) return ResolveAsGiven(driver, text, 0, std::nullopt);
  if (HasBitNumber(text)) return ResolveAsGiven(driver, text, kBitDataType, std::nullopt);
  Resolution single = ResolveAsGiven(driver, text, 0, std::nullopt);
  if (!single.target || single.target->spec.address % kBlockRegisters != 0) return single;
  return ResolveAsGiven(driver, text, 0, kBlockRegisters);
}

Resolution ResolveForWrite(Driver& driver, const std::string& text, std::size_t valueCount) {
  const std::optional<std::int32_t> blockCount =
      valueCount > 1 ? std::optional<std::int32_t>(static_cast<std::int32_t>(valueCount)) : std::nullopt;
  if (IsPseudoAddress(text)) {
    Resolution resolution = ResolveAsGiven(driver, text, 0, blockCount);
    if (resolution.target && resolution.target->kind == TargetKind::kStatus) {
      return Refused(Quoted(text) + " is the driver's record of the machine's status word; it cannot be written");
    }
    return resolution;
  }
  if (HasBitNumber(text)) {
    return Refused("a single bit cannot be written; write the whole register (MMRRRR)");
  }
  return ResolveAsGiven(driver, text, 0, blockCount);
}

std::string MachineText(int machine) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", machine);
  return text;
}

std::string RegisterNumberText(int registerNumber) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d", registerNumber);
  return text;
}

std::string RegisterAddressText(int machine, int registerNumber) {
  return MachineText(machine) + RegisterNumberText(registerNumber);
}

std::string KindName(std::int32_t kind) {
  switch (kind) {
    case kKindRegister: return "register";
    case kKindStatus: return "status";
    case kKindComm: return "comm";
    default: return std::to_string(kind);
  }
}

std::string DescribeSpec(const AddressSpec& spec, std::optional<std::int32_t> blockCount) {
  const std::string machine = "machine " + MachineText(spec.machine);
  const std::string registers = RegisterNumberText(spec.address);
  switch (spec.kind) {
    case kKindStatus: return "status word of " + machine + ", as the driver last received it";
    case kKindComm:
      if (blockCount && *blockCount > 1) {
        return "communication flags of machines " + MachineText(spec.address) + " to " +
               MachineText(spec.address + *blockCount - 1);
      }
      return "communication flag of machine " + MachineText(spec.address) + " (0 talks to it)";
    default: break;
  }
  if (blockCount) {
    return "registers " + registers + " to " + RegisterNumberText(spec.address + kBlockRegisters - 1) + " of " + machine;
  }
  if (spec.bit != kWholeWord) return "bit " + std::to_string(spec.bit) + " of register " + registers + " of " + machine;
  return "register " + registers + " of " + machine;
}

}  // namespace tool
