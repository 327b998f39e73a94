// sim: the simulated line in the foreground, as the simulator's own program runs it.
#include "cli/command.h"
#include "sim/sim_main.h"

namespace tool {

int RunSim(CommandContext& context) {
  std::string program = "torva sim";
  std::vector<char*> argv{program.data()};
  for (std::string& word : context.args.positionals) argv.push_back(word.data());
  argv.push_back(nullptr);
  return RunSimulatorMain(static_cast<int>(argv.size() - 1), argv.data());
}

}  // namespace tool
