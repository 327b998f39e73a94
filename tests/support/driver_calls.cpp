#include "support/driver_calls.h"

ResultCode CallDriver(std::uint32_t operation, DriverContext* context, void* params) {
  HostRequest request{};
  request.context = context;
  request.operation = operation;
  request.params = params;
  return KelMain(&request);
}

ParseOutcome ParseWith(std::uint32_t operation, const std::string& text, std::int32_t dataType,
                       std::int32_t blockCount, AddressSpec initial) {
  ParserParams params{};
  params.text = text.c_str();
  params.dataType = dataType;
  params.blockCount = blockCount;
  params.spec = initial;
  const ResultCode result = CallDriver(operation, nullptr, &params);
  return ParseOutcome{result, params.spec};
}
