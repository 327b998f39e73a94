// Runs the torva executable as a user would: a process of its own, with its
// standard output, standard error and exit status captured.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ToolRun {
  std::string input;  // standard input
  std::vector<std::pair<std::string, std::string>> environment;  // set for the child only
  bool outputOnTerminal = false;  // standard output a terminal (POSIX only)
  int interruptAfterMs = 0;       // Ctrl-C (SIGINT) that long after the start (POSIX only)
};

struct ToolResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// The options that put the tool on its simulated line: none where it makes
// its own pseudo-terminal; the null-modem pair COM1-COM2 of the Wine runner
// on Windows.
std::vector<std::string> SimulatedLineOptions();
// A port name that does not exist.
std::string MissingPort();
// Standard output's shell quoting of a flag address, as hints print it.
std::string HintedAddress(const std::string& address);

// The tool beside this test program.
std::string ToolPath();
// Waits at most a few minutes, then kills the child and fails the test.
ToolResult RunTool(const std::vector<std::string>& arguments, const ToolRun& run = {});
