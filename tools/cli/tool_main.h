// The tool's entry: the command line to a command and its exit status.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tool {

int RunTool(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace tool
