// torva-sim as a function, so that the host tool can offer it as a subcommand.
#pragma once

namespace sim {

// Serves a simulated line as the arguments say until SIGINT or SIGTERM; the
// exit status: 0 when stopped, 1 when the line could not be opened or went
// away, 2 for bad arguments.
int RunSimulatorMain(int argc, char** argv);

}  // namespace sim

using sim::RunSimulatorMain;
