#include "driver/driver.h"

#include <cstring>

#include "hostlog/bramel.h"

namespace tool {

Driver::Driver(KelMainFunction kelMain) : kelMain_(kelMain) {
  // The tool shows the driver's lines itself, in order with its own messages.
  BramelSetEcho(0);
  BramelClear();
  Call(kOpGetKelInfo, &info_);
  const std::size_t contextBytes = static_cast<std::size_t>(info_.contextSize);
  context_.resize((contextBytes + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t));
}

Driver::~Driver() {
  if (started_) End();
}

ResultCode Driver::Call(std::uint32_t operation, void* params) {
  HostRequest request{};
  request.context = reinterpret_cast<DriverContext*>(context_.data());
  request.operation = operation;
  request.params = params;
  const ResultCode result = kelMain_(&request);
  CollectLog();
  return result;
}

void Driver::CollectLog() {
  lastLog_.clear();
  const int count = BramelLineCount();
  for (int i = 0; i < count; ++i) {
    LogLine line{0, {}};
    const int length = BramelCopyLine(i, &line.level, nullptr, 0);
    if (length < 0) continue;
    line.text.resize(static_cast<std::size_t>(length) + 1);
    BramelCopyLine(i, &line.level, line.text.data(), length + 1);
    line.text.resize(static_cast<std::size_t>(length));
    if (echo_) echo_(line);
    lastLog_.push_back(std::move(line));
  }
  BramelClear();
}

bool Driver::Logged(std::string_view fragment) const {
  for (const LogLine& line : lastLog_) {
    if (line.text.find(fragment) != std::string::npos) return true;
  }
  return false;
}

ResultCode Driver::Start(const StartSettings& settings) {
  ColdStartParams params{};
  std::strncpy(params.portName, settings.portName.c_str(), kPortNameSize - 1);
  params.openPort = 1;
  params.timeout = settings.timeoutUnits;
  params.line = settings.line;
  const ResultCode result = Call(kOpColdStart, &params);
  started_ = result == kResultDone;
  return result;
}

ResultCode Driver::End() {
  started_ = false;
  return Call(kOpEndKel, nullptr);
}

ResultCode Driver::Parse(const std::string& text, std::int32_t dataType,
                         std::optional<std::int32_t> blockCount, AddressSpec* spec) {
  ParserParams params{};
  params.text = text.c_str();
  params.dataType = dataType;
  params.blockCount = blockCount.value_or(0);
  params.spec = *spec;
  const ResultCode result = Call(blockCount ? kOpBlockAddressParser : kOpSingleAddressParser, &params);
  *spec = params.spec;
  return result;
}

ResultCode Driver::Transfer(std::uint32_t operation, const AddressSpec& spec, std::int32_t count,
                            std::uint16_t* data) {
  TransferParams params{};
  params.spec = spec;
  params.count = count;
  params.data = data;
  return Call(operation, &params);
}

// Single values travel in word 1 of a two-word buffer; word 0 is the host's.
ResultCode Driver::ReadSingle(const AddressSpec& spec, std::uint16_t* value) {
  std::uint16_t words[2] = {};
  const ResultCode result = Transfer(kOpSingleRead, spec, 1, words);
  if (result == kResultDone) *value = words[1];
  return result;
}

ResultCode Driver::ReadBlock(const AddressSpec& spec, std::span<std::uint16_t> values) {
  return Transfer(kOpBlockRead, spec, static_cast<std::int32_t>(values.size()), values.data());
}

ResultCode Driver::WriteSingle(const AddressSpec& spec, std::uint16_t value) {
  std::uint16_t words[2] = {0, value};
  return Transfer(kOpSingleWrite, spec, 1, words);
}

ResultCode Driver::WriteBlock(const AddressSpec& spec, std::span<const std::uint16_t> values) {
  std::vector<std::uint16_t> words(values.begin(), values.end());
  return Transfer(kOpBlockWrite, spec, static_cast<std::int32_t>(words.size()), words.data());
}

}  // namespace tool
