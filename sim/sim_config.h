// The settings of a simulated line as text: configuration lines (a file given
// to torva-sim, or text from a test or the host tool) and torva-sim's command
// line, whose setting flags are the same lines in another spelling.
//
// Configuration lines (one setting a line; '#' starts a comment; numbers are
// decimal or 0x-hexadecimal; M is a machine or a list such as 0-9,20):
//   machines LIST            only these machines are on the line
//   machine M status V       status word
//   register M ADDR V...     registers ADDR, ADDR+1, ... hold the values
//   readonly M LIST          registers acknowledged 0 and never written
//   fault M KIND [ARG...]    silent | silent-after N | bad-checksum N |
//                            wrong-codes N | nack I | cut K | noise HH... |
//                            delay MS | none
//   script M ENTRY...        ok | silent | bad-checksum | wrong-codes | cut:K
//   pace BAUD                wire time at BAUD (0: none)
#pragma once

#include <cstdint>
#include <string>

#include "sim/simulator.h"

namespace sim {

struct SimOptions {
  std::string port;                // empty: serve on a new pseudo-terminal
  std::uint32_t baudRate = 19200;  // line speed of `port`
  bool trace = false;              // print frames as they pass
  bool help = false;
};

// Applies one configuration line; false with `*error` when it is not valid.
bool ApplyConfigLine(Simulator& simulator, const std::string& line, std::string* error);
// Applies the lines in order up to the first bad one, which it reports as
// "line N: ...".
bool ApplyConfigText(Simulator& simulator, const std::string& text, std::string* error);

// Reads torva-sim's arguments (argv[0] is the program), applying settings to
// `simulator` as they come; false with `*error` naming the bad argument.
bool ParseSimArguments(int argc, char** argv, Simulator& simulator, SimOptions* options,
                       std::string* error);

// What --help prints.
std::string SimUsage();

}  // namespace sim

using sim::ApplyConfigText;
