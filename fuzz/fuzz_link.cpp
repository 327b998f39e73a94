// The machine link: reads and writes through KelMain (operations 5, 6, 7 and
// 10), with starts, port changes and checks in between, while the stand-in
// serial library delivers the fuzzer's bytes as everything the line brings.
//
// Input: a list of requests, each
//   byte   selector: the request is selector % 9 (table below); bit 7 set
//          seals the stretches of the line's bytes that start like a reply
//          (02 4F) with a right checksum
//   ...    the request's fields (below)
//   u16    L, then L bytes: what the line brings during the request
// Fields: a transfer takes kind (0 register, 1 'C', 2 'S', else the byte
// itself), machine (0 to 127 as such, 128 to 255 as -128 to -1), address
// (u16) and count (i8), and a write ten data words; ColdStart takes flags
// (bit 0 open the port, bit 1 the second port, bit 2 a port that fails) and
// a time-out (i8); ChangeKelParams flags, time-out and a baud selector (0
// keeps the line settings); WarmStart a machine.
#include <array>
#include <cstring>

#include "check.h"
#include "fake_serial.h"
#include "host_session.h"
#include "input_reader.h"

namespace {

using fuzz::Bytes;
using fuzz::InputReader;

constexpr std::size_t kBufferWords = 100;  // the longest run a host may ask for
constexpr std::size_t kWrittenWords = 10;
constexpr int kRequests = 9;
constexpr std::uint8_t kSealBit = 0x80;
constexpr std::uint8_t kOpenPortBit = 0x01;
constexpr std::uint8_t kSecondPortBit = 0x02;
constexpr std::uint8_t kFailingPortBit = 0x04;

void PortName(char (&field)[kPortNameSize], std::uint8_t flags) {
  const char* name = (flags & kFailingPortBit) != 0 ? "!X"
                     : (flags & kSecondPortBit) != 0 ? "FAKE2"
                                                     : "FAKE1";
  std::strncpy(field, name, kPortNameSize);
}

std::int32_t Machine(std::uint8_t byte) { return static_cast<std::int8_t>(byte); }

std::int32_t Kind(std::uint8_t byte) {
  constexpr std::array<std::int32_t, 3> kKinds = {0, 'C', 'S'};
  return byte < kKinds.size() ? kKinds[byte] : byte;
}

Bytes LineBytes(InputReader& input, bool seal) {
  Bytes bytes = input.Bytes(input.Word());
  if (seal) fuzz::SealReplies(bytes);
  return bytes;
}

void RunTransfer(fuzz::HostSession& host, std::uint32_t operation, InputReader& input, bool seal) {
  AddressSpec spec{};
  spec.kind = Kind(input.Byte());
  spec.machine = Machine(input.Byte());
  spec.address = input.Word();
  spec.bit = 255;
  spec.width = 16;
  const std::int32_t count = static_cast<std::int8_t>(input.Byte());
  fuzz::GuardedWords data(kBufferWords);
  for (std::size_t i = 0; i < kBufferWords; ++i) data.data()[i] = static_cast<std::uint16_t>(0x7000 + i);
  if (operation == kOpSingleWrite || operation == kOpBlockWrite) {
    for (std::size_t i = 0; i < kWrittenWords; ++i) data.data()[i] = input.Word();
  }
  host.Transfer(operation, spec, count, &data, LineBytes(input, seal));
}

void RunColdStart(fuzz::HostSession& host, InputReader& input) {
  ColdStartParams params{};
  const std::uint8_t flags = input.Byte();
  PortName(params.portName, flags);
  params.openPort = flags & kOpenPortBit;
  params.timeout = static_cast<std::int8_t>(input.Byte());
  params.line = LineSettings{19200, 8, 0, 0};
  host.ColdStart(params);
}

void RunChange(fuzz::HostSession& host, InputReader& input) {
  ChangeParams params{};
  PortName(params.portName, input.Byte());
  params.timeout = static_cast<std::int8_t>(input.Byte());
  const std::uint8_t baud = input.Byte();
  params.line = LineSettings{static_cast<std::uint16_t>(baud == 0 ? 0 : 9600), 8, 0, 0};
  host.ChangeKelParams(params);
}

void RunRequest(fuzz::HostSession& host, InputReader& input) {
  const std::uint8_t selector = input.Byte();
  const bool seal = (selector & kSealBit) != 0;
  switch (selector % kRequests) {
    case 0: return RunTransfer(host, kOpBlockRead, input, seal);
    case 1: return RunTransfer(host, kOpSingleRead, input, seal);
    case 2: return RunTransfer(host, kOpSingleWrite, input, seal);
    case 3: return RunTransfer(host, kOpBlockWrite, input, seal);
    case 4: return RunColdStart(host, input);
    case 5: return RunChange(host, input);
    case 6: host.PortOperation(kOpReOpenCom); return;
    case 7: host.PortOperation(kOpCloseCom); return;
    default: host.WarmStart(WarmStartParams{Machine(input.Byte())}); return;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  InputReader input(data, size);
  fuzz::HostSession host;
  ColdStartParams start{};
  PortName(start.portName, 0);
  start.openPort = 1;
  start.timeout = 10;
  start.line = LineSettings{19200, 8, 0, 0};
  FUZZ_CHECK(host.ColdStart(start) == kResultDone);
  while (!input.Empty()) RunRequest(host, input);
  return 0;
}
