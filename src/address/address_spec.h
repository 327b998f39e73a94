// Parsed addresses and the parameter block of the two address parsers.
#pragma once

#include <cstdint>

#include "host/host_request.h"
#include "host/record_layout.h"

// What an address names.
enum AddressKind : std::int32_t {
  kKindRegister = 0,
  kKindStatus = 'S',  // the driver's status word of `machine`
  kKindComm = 'C',    // the driver's communication flag of machine `address`
};

inline constexpr std::int32_t kCommFlagMachine = 110;  // `machine` of a flag address
inline constexpr std::int32_t kWholeWord = 255;        // `bit` of a whole-word address
inline constexpr std::int32_t kMachineCount = 100;

#pragma pack(push, 1)
struct AddressSpec {
  std::int32_t machine;
  std::int32_t kind;
  std::int32_t address;
  std::int32_t bit;
  std::int32_t width;
};

struct ParserParams {
  const char* text;  // NUL-terminated, never changed
  std::uint32_t hostOwned;
  std::int32_t dataType;
  std::int32_t blockCount;
  AddressSpec spec;
};
#pragma pack(pop)

TORVA_CHECK_FIELD(AddressSpec, machine, 0, 0);
TORVA_CHECK_FIELD(AddressSpec, kind, 4, 0);
TORVA_CHECK_FIELD(AddressSpec, address, 8, 0);
TORVA_CHECK_FIELD(AddressSpec, bit, 12, 0);
TORVA_CHECK_FIELD(AddressSpec, width, 16, 0);
TORVA_CHECK_SIZE(AddressSpec, 20, 0);

TORVA_CHECK_FIELD(ParserParams, text, 0, 0);
TORVA_CHECK_FIELD(ParserParams, hostOwned, 4, 1);
TORVA_CHECK_FIELD(ParserParams, dataType, 8, 1);
TORVA_CHECK_FIELD(ParserParams, blockCount, 12, 1);
TORVA_CHECK_FIELD(ParserParams, spec, 16, 1);
TORVA_CHECK_SIZE(ParserParams, 36, 1);
