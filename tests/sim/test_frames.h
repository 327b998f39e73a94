// Frames as the driver sends them and as a machine should answer, built here
// byte by byte so the tests do not lean on the simulator's own frame code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

Bytes Request(int machine, const char* command, const char* second, std::uint16_t block,
              const std::vector<std::uint16_t>& words);
Bytes BlockReadRequest(int machine, int address);
Bytes RegisterListRequest(int machine, int address, int count);
Bytes ValuesRequest(int machine, const std::vector<std::uint16_t>& values);

// The reply a healthy machine sends.
Bytes Reply(int machine, const char* command, std::uint16_t block, std::uint16_t status,
            const std::vector<std::uint16_t>& words);

std::uint8_t Checksum(const Bytes& frame);
void Reseal(Bytes& frame);  // recomputes the checksum byte
std::uint16_t DataWord(const Bytes& frame, int index);
std::string Hex(const Bytes& bytes);
