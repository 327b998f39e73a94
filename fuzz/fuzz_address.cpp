// The two address parsers through KelMain (operations 3 and 4) with any text,
// data-type code and block count.
//
// Input: byte 0 picks the parser (bit 0 set: the block parser), bytes 1 to 4
// hold dataType and bytes 5 to 8 blockCount (little-endian), and the rest is
// the text. The parser gets it in a buffer of exactly its length and a NUL,
// whatever bytes (NULs included) it holds.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "address/address_parser.h"
#include "check.h"
#include "fake_log.h"
#include "guarded.h"
#include "host/torva.h"
#include "input_reader.h"

namespace {

using Text = std::vector<std::uint8_t>;

constexpr std::int32_t kUnwritten = 0x5A5A5A5A;
constexpr std::int32_t kBitType = 6;
constexpr std::size_t kExamined = 8;  // positions 0 to 7

struct Parse {
  ResultCode result;
  AddressSpec spec;
  std::vector<std::string> log;
  bool operator==(const Parse& other) const {
    return result == other.result && std::memcmp(&spec, &other.spec, sizeof spec) == 0 &&
           log == other.log;
  }
};

// The text as the parser sees it: up to its first NUL, in capitals, filled
// up with blanks to eight characters.
std::string Visible(const Text& text) {
  std::string visible(text.begin(), std::find(text.begin(), text.end(), 0));
  for (char& c : visible) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (visible.size() < kExamined) visible.resize(kExamined, ' ');
  return visible;
}

bool Digits(const std::string& text, std::size_t from, std::size_t count) {
  return std::all_of(text.begin() + from, text.begin() + from + count,
                     [](char c) { return c >= '0' && c <= '9'; });
}

int Number(const std::string& text, std::size_t from, std::size_t count) {
  int value = 0;
  for (std::size_t i = from; i < from + count; ++i) value = value * 10 + (text[i] - '0');
  return value;
}

// A pseudo address: the keyword at position 2, then at most one blank.
bool IsPseudoForm(const std::string& visible, const char* keyword) {
  return visible.compare(2, 5, keyword) == 0 && visible.size() == kExamined && visible[7] == ' ';
}

void CheckRegister(const std::string& visible, const AddressSpec& spec, bool block,
                   const ParserParams& params) {
  FUZZ_CHECK(Digits(visible, 0, 6));
  FUZZ_CHECK(std::strchr("01 ", visible[6]) != nullptr && visible[6] != '\0');
  FUZZ_CHECK(visible[7] == ' ' || Digits(visible, 7, 1));
  FUZZ_CHECK(spec.machine == Number(visible, 0, 2) && spec.address == Number(visible, 2, 4));
  if (block) {
    FUZZ_CHECK(spec.bit == 255 && visible[6] == ' ');
    FUZZ_CHECK(spec.address % 10 == 0 && params.blockCount == 10);
  } else if (params.dataType == kBitType) {
    const bool oneDigit = visible[7] == ' ';
    FUZZ_CHECK(Digits(visible, 6, oneDigit ? 1 : 2));
    FUZZ_CHECK(spec.bit == Number(visible, 6, oneDigit ? 1 : 2) && spec.bit <= 15);
  } else {
    FUZZ_CHECK(spec.bit == 255 && visible[6] == ' ');
  }
}

void CheckAccepted(const std::string& visible, const AddressSpec& spec, bool block,
                   const ParserParams& params) {
  FUZZ_CHECK(spec.width == 16);
  switch (spec.kind) {
    case 0:
      CheckRegister(visible, spec, block, params);
      return;
    case 'S':
      FUZZ_CHECK(!block && params.dataType <= 1 && IsPseudoForm(visible, "$STAT"));
      FUZZ_CHECK(spec.machine >= 0 && spec.machine < 100 && spec.address == kUnwritten);
      FUZZ_CHECK(spec.bit == 255);
      return;
    case 'C':
      FUZZ_CHECK(params.dataType <= 1 && IsPseudoForm(visible, "$COMM"));
      FUZZ_CHECK(spec.machine == 110 && spec.address >= 0 && spec.address < 100 && spec.bit == 255);
      FUZZ_CHECK(!block || static_cast<std::int64_t>(spec.address) + params.blockCount <= 100);
      return;
    default:
      FUZZ_CHECK(!"an accepted address has one of the three kinds");
  }
}

Parse RunParser(bool block, const Text& text, std::int32_t dataType, std::int32_t blockCount) {
  // Exactly the text and its NUL: a read past them is caught by the sanitizer.
  auto copy = std::make_unique<char[]>(text.size() + 1);
  std::copy(text.begin(), text.end(), copy.get());
  copy[text.size()] = '\0';

  fuzz::Guarded<ParserParams> params;
  params.value.text = copy.get();
  params.value.hostOwned = 0xC0FFEEu;
  params.value.dataType = dataType;
  params.value.blockCount = blockCount;
  params.value.spec = AddressSpec{kUnwritten, kUnwritten, kUnwritten, kUnwritten, kUnwritten};
  const ParserParams sent = params.value;

  HostRequest request{};
  request.operation = block ? kOpBlockAddressParser : kOpSingleAddressParser;
  request.params = &params.value;
  fake_log::Clear();
  const ResultCode result = KelMain(&request);

  FUZZ_CHECK(params.Intact() && blockMode == 0);
  FUZZ_CHECK(std::equal(text.begin(), text.end(), reinterpret_cast<const std::uint8_t*>(copy.get())));
  FUZZ_CHECK(copy[text.size()] == '\0');
  FUZZ_CHECK(params.value.text == sent.text && params.value.hostOwned == sent.hostOwned);
  FUZZ_CHECK(params.value.dataType == dataType && params.value.blockCount == blockCount);
  FUZZ_CHECK(result == kResultDone || result == kResultRejected || (block && result == kResultFailed));
  FUZZ_CHECK(fake_log::Lines().size() <= 1);
  const AddressSpec& spec = params.value.spec;
  if (result == kResultFailed) {
    FUZZ_CHECK(spec.kind == 'C' && static_cast<std::int64_t>(spec.address) + blockCount > 100);
    FUZZ_CHECK(fake_log::Lines().front() == "TORVA> Block addr + block size bigger than allowed");
  }
  if (result == kResultDone) CheckAccepted(Visible(text), spec, block, params.value);
  return Parse{result, spec, fake_log::Lines()};
}

Text InCapitals(Text text) {
  for (std::uint8_t& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<std::uint8_t>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputReader input(data, size);
  const bool block = (input.Byte() & 1) != 0;
  const std::int32_t dataType = input.Int32();
  const std::int32_t blockCount = input.Int32();
  const Text text = input.Rest();
  const Parse parsed = RunParser(block, text, dataType, blockCount);
  // Letters count in capitals: the same text typed in capitals is the same address.
  FUZZ_CHECK(RunParser(block, InCapitals(text), dataType, blockCount) == parsed);
  return 0;
}
