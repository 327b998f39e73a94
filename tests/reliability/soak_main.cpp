// The long soak: torva_soak [OPERATIONS] [SEED] [COMMAND] prints its figures
// as a Markdown report (COMMAND is how the report says it was made) and
// fails when any answer was not the truth.
#include <cstdio>
#include <exception>
#include <string>

#include "reliability/soak.h"

int main(int argc, char** argv) {
  SoakOptions options;
  options.operations = 100000;
  options.seed = 1;
  if (argc > 1) options.operations = std::stoull(argv[1]);
  if (argc > 2) options.seed = std::stoull(argv[2]);
  const std::string command =
      argc > 3 ? argv[3] : "torva_soak " + std::to_string(options.operations) + " " + std::to_string(options.seed);
  try {
    const SoakFigures figures = RunSoak(options);
    std::fputs(SoakReport(options, figures, command).c_str(), stdout);
    return figures.Untruths() == 0 ? 0 : 1;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "torva_soak: %s\n", failure.what());
    return 2;
  }
}
