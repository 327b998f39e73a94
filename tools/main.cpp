// torva: a command-line host for the torva driver.
#include <iostream>

#include "cli/tool_main.h"

int main(int argc, char** argv) {
  return tool::RunTool(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
