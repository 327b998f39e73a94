#include "sim/sim_main.h"

int main(int argc, char** argv) { return sim::RunSimulatorMain(argc, argv); }
