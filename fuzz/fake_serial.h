// The serial library's stand-in for fuzzing: the eight routines of
// serial/serial_port.h over an in-memory line. Reads deliver the bytes the
// fuzzer gave for the current operation and then time out; writes are kept
// for the checks. Ports open by name, exclusively, except names that begin
// with '!', which fail with the code their second character selects.
#pragma once

#include <cstdint>
#include <vector>

#include "serial/serial_port.h"

namespace fake_serial {

// Forgets every port and all traffic.
void Reset();
// Starts an operation: `incoming` is all the line brings until it.
void StartOperation(std::vector<std::uint8_t> incoming);
// The bytes the driver read since StartOperation, in order.
const std::vector<std::uint8_t>& Consumed();
// Each write since StartOperation.
const std::vector<std::vector<std::uint8_t>>& Written();
bool IsOpen(SerialHandle handle);

}  // namespace fake_serial
