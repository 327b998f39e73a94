// Calls into the driver as a host makes them: one HostRequest through KelMain.
#pragma once

#include <cstdint>
#include <string>

#include "host/torva.h"

ResultCode CallDriver(std::uint32_t operation, DriverContext* context, void* params);

struct ParseOutcome {
  ResultCode result;
  AddressSpec spec;
};

// Runs a parser on `text`; `spec` starts from `initial` so untouched fields show.
ParseOutcome ParseWith(std::uint32_t operation, const std::string& text, std::int32_t dataType,
                       std::int32_t blockCount = 0,
                       AddressSpec initial = AddressSpec{-7, -7, -7, -7, -7});
