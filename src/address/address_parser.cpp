// The address syntax users type for their tags:
//   MMRRRR[B[B]]  machine MM, register RRRR, optional bit 0 to 15
//   MM$STAT       the driver's status word of machine MM
//   MM$COMM       the driver's communication flag of machine MM
#include <cstring>

#include "address/address_parser.h"
#include "host/host_log.h"
#include "host/messages.h"

std::uint8_t blockMode = 0;

namespace {

constexpr std::size_t kWorkingCapacity = 11;  // characters, plus the NUL
constexpr std::size_t kFormLength = 8;        // positions 0 to 7 are examined
constexpr std::int32_t kBitDataType = 6;      // the one type that takes a bit
constexpr std::int32_t kLargestPseudoType = 1;

using WorkingText = char[kWorkingCapacity + 1];

constexpr const char* kAllowedChars[kFormLength] = {
    "0123456789", "0123456789", "0123456789", "0123456789",
    "0123456789", "0123456789", "01 ",        "0123456789 ",
};

bool IsScanSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A "%<width>d" conversion: leading white space is skipped and not counted,
// then an optional sign and digits, `width` characters in all. Yields a value
// only when at least one digit was read.
bool ScanDecimal(const char* text, int width, std::int32_t* value) {
  while (IsScanSpace(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') {
    negative = *text == '-';
    ++text;
    --width;
  }
  std::int32_t result = 0;
  int digits = 0;
  for (; digits < width && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
    result = result * 10 + (text[digits] - '0');
  }
  if (digits == 0) return false;
  *value = negative ? -result : result;
  return true;
}

// Copies at most kWorkingCapacity characters: a longer text already differs
// from the pseudo forms at position 8, and positions past 7 are never
// examined otherwise, so the cut cannot change the answer.
void MakeWorkingText(const char* text, WorkingText working) {
  std::size_t length = 0;
  if (text != nullptr) {
    while (length < kWorkingCapacity && text[length] != '\0') ++length;
    std::memcpy(working, text, length);
  }
  for (std::size_t i = 0; i < length; ++i) {
    if (working[i] >= 'a' && working[i] <= 'z') working[i] = static_cast<char>(working[i] - 32);
  }
  for (; length < kFormLength; ++length) working[length] = ' ';
  working[length] = '\0';
}

// True when positions 2 on read exactly the keyword, a blank, and the end.
bool MatchesPseudoForm(const WorkingText working, const char* keywordAndBlank) {
  return std::memcmp(working + 2, keywordAndBlank, 7) == 0;
}

// The machine number in front of a pseudo address, 0 to 99; `*target` keeps
// a converted number even when it is out of range.
bool ScanPseudoMachine(const WorkingText working, std::int32_t* target) {
  if (!ScanDecimal(working, 2, target)) return false;
  return *target >= 0 && *target < kMachineCount;
}

int ParsePseudoAddress(const WorkingText working, ParserParams& params, AddressKind kind) {
  if (params.dataType > kLargestPseudoType) return 1;
  AddressSpec& spec = params.spec;
  std::int32_t* target = kind == kKindStatus ? &spec.machine : &spec.address;
  if (!ScanPseudoMachine(working, target)) return 1;
  if (kind == kKindComm) spec.machine = kCommFlagMachine;
  spec.kind = kind;
  spec.width = 16;
  spec.bit = kWholeWord;
  return 0;
}

bool HasOnlyAllowedChars(const WorkingText working) {
  for (std::size_t position = 0; position < kFormLength; ++position) {
    if (std::strchr(kAllowedChars[position], working[position]) == nullptr) {
      err(torva::kLevelDetail, torva::kMsgIllegalChar, static_cast<int>(working[position]));
      return false;
    }
  }
  return true;
}

int ParseRegisterAddress(const WorkingText working, ParserParams& params) {
  AddressSpec& spec = params.spec;
  spec.width = 16;
  spec.bit = kWholeWord;
  spec.kind = kKindRegister;
  ScanDecimal(working, 2, &spec.machine);
  ScanDecimal(working + 2, 4, &spec.address);
  const bool hasBit = working[6] != ' ';
  if (blockMode == 1 || params.dataType != kBitDataType) return hasBit ? 1 : 0;
  if (!hasBit) return 1;
  ScanDecimal(working + 6, 2, &spec.bit);
  return spec.bit > 15 ? 1 : 0;
}

// 0 when the address is accepted and `spec` filled, 1 when it is rejected.
int ParseAddress(HostRequest* request) {
  auto& params = *static_cast<ParserParams*>(request->params);
  WorkingText working;
  MakeWorkingText(params.text, working);
  if (blockMode == 0 && MatchesPseudoForm(working, "$STAT ")) {
    return ParsePseudoAddress(working, params, kKindStatus);
  }
  if (MatchesPseudoForm(working, "$COMM ")) return ParsePseudoAddress(working, params, kKindComm);
  if (!HasOnlyAllowedChars(working)) return 1;
  return ParseRegisterAddress(working, params);
}

}  // namespace

ResultCode SingleAddressParser(HostRequest* request) {
  if (request->params == nullptr) return kResultFailed;
  return ParseAddress(request) == 0 ? kResultDone : kResultRejected;
}

ResultCode BlockAddressParser(HostRequest* request) {
  if (request->params == nullptr) return kResultFailed;
  blockMode = 1;
  const int parsed = ParseAddress(request);
  blockMode = 0;
  if (parsed != 0) return kResultRejected;
  const auto& params = *static_cast<const ParserParams*>(request->params);
  const AddressSpec& spec = params.spec;
  if (spec.kind == kKindComm) {
    // Both terms are below 100 or a count from the host: widen before adding.
    if (static_cast<std::int64_t>(spec.address) + params.blockCount > kMachineCount) {
      err(torva::kLevelDetail, torva::kMsgBlockTooLarge);
      return kResultFailed;
    }
    return kResultDone;
  }
  if (spec.address % 10 != 0) return kResultRejected;
  return params.blockCount == 10 ? kResultDone : kResultRejected;
}
