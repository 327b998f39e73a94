// The host's records with any field values: ColdStartParams, ChangeParams,
// WarmStartParams and TransferParams exactly as the fuzzer's bytes make them
// (machine numbers, kinds, addresses, counts, port names of any bytes,
// time-outs), on a context block that starts as a host's fresh block may.
//
// Input: one byte that fills the host's block, 22 bytes of its PortSettings,
// then a list of requests, each a selector byte and the raw record:
//   0 ColdStart (28 bytes)   1 ChangeKelParams (24)   2 WarmStart (4)
//   3 BlockRead  4 SingleRead  5 SingleWrite  6 BlockWrite: the AddressSpec
//     (20 bytes), the count (4) and ten data words; selector bit 7 passes no
//     buffer; then u16 L and L bytes the line brings
//   7 one byte choosing CloseCom, ReOpenCom or EndKel
#include <array>

#include "fake_serial.h"
#include "host_session.h"
#include "input_reader.h"

namespace {

using fuzz::InputReader;

constexpr std::size_t kBufferWords = 100;  // the longest run a host may ask for
constexpr std::size_t kGivenWords = 10;
constexpr int kRequests = 8;
constexpr std::uint8_t kNoBufferBit = 0x80;
constexpr std::array<std::uint32_t, 4> kTransfers = {kOpBlockRead, kOpSingleRead, kOpSingleWrite,
                                                     kOpBlockWrite};
constexpr std::array<std::uint32_t, 3> kPortOperations = {kOpCloseCom, kOpReOpenCom, kOpEndKel};

template <class Record>
Record RawRecord(InputReader& input) {
  Record record;
  input.Raw(&record, sizeof record);
  return record;
}

void RunTransfer(fuzz::HostSession& host, std::uint32_t operation, bool withBuffer,
                 InputReader& input) {
  const auto spec = RawRecord<AddressSpec>(input);
  const std::int32_t count = input.Int32();
  fuzz::GuardedWords data(kBufferWords);
  for (std::size_t i = 0; i < kBufferWords; ++i) {
    data.data()[i] = i < kGivenWords ? input.Word() : static_cast<std::uint16_t>(i);
  }
  host.Transfer(operation, spec, count, withBuffer ? &data : nullptr, input.Bytes(input.Word()));
}

void RunRequest(fuzz::HostSession& host, InputReader& input) {
  const std::uint8_t selector = input.Byte();
  const int request = (selector & ~kNoBufferBit) % kRequests;
  switch (request) {
    case 0: host.ColdStart(RawRecord<ColdStartParams>(input)); return;
    case 1: host.ChangeKelParams(RawRecord<ChangeParams>(input)); return;
    case 2: host.WarmStart(RawRecord<WarmStartParams>(input)); return;
    case 7: host.PortOperation(kPortOperations[input.Byte() % kPortOperations.size()]); return;
    default:
      RunTransfer(host, kTransfers[request - 3], (selector & kNoBufferBit) == 0, input);
      return;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  InputReader input(data, size);
  const std::uint8_t fill = input.Byte();
  const auto settings = RawRecord<PortSettings>(input);
  fuzz::HostSession host(fill, &settings);
  while (!input.Empty()) RunRequest(host, input);
  return 0;
}
