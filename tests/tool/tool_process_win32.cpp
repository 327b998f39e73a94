#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "tool/tool_process.h"

namespace {

constexpr DWORD kLongestRunMs = 3 * 60 * 1000;

// One argument as the C runtime splits a command line.
std::string Quoted(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  for (char c : argument) {
    if (c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + '"';
}

void ReadAll(HANDLE pipe, std::string* text) {
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) text->append(buffer, got);
}

struct Pipe {
  HANDLE read = nullptr;
  HANDLE write = nullptr;
};

// The end the child uses is inherited, ours is not.
Pipe MakePipe(bool childReads) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  Pipe pipe;
  EXPECT_TRUE(CreatePipe(&pipe.read, &pipe.write, &inherit, 0));
  SetHandleInformation(childReads ? pipe.write : pipe.read, HANDLE_FLAG_INHERIT, 0);
  return pipe;
}

}  // namespace

std::vector<std::string> SimulatedLineOptions() { return {"--port", "COM1", "--sim-port", "COM2"}; }

std::string MissingPort() { return "COM9"; }

std::string HintedAddress(const std::string& address) { return address; }

std::string ToolPath() {
  char self[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string path(self, length);
  return path.substr(0, path.find_last_of("\\/") + 1) + "torva.exe";
}

ToolResult RunTool(const std::vector<std::string>& arguments, const ToolRun& run) {
  for (const auto& [name, value] : run.environment) SetEnvironmentVariableA(name.c_str(), value.c_str());
  Pipe input = MakePipe(true);
  Pipe output = MakePipe(false);
  Pipe errors = MakePipe(false);
  std::string commandLine = Quoted(ToolPath());
  for (const std::string& argument : arguments) commandLine += " " + Quoted(argument);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.read;
  startup.hStdOutput = output.write;
  startup.hStdError = errors.write;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                      &startup, &process);
  for (const auto& [name, value] : run.environment) SetEnvironmentVariableA(name.c_str(), nullptr);
  CloseHandle(input.read);
  CloseHandle(output.write);
  CloseHandle(errors.write);
  ToolResult result;
  if (!started) {
    ADD_FAILURE() << "cannot start " << commandLine;
    return result;
  }
  std::thread outReader(ReadAll, output.read, &result.out);
  std::thread errReader(ReadAll, errors.read, &result.err);
  DWORD written = 0;
  if (!run.input.empty()) WriteFile(input.write, run.input.data(), static_cast<DWORD>(run.input.size()), &written, nullptr);
  CloseHandle(input.write);
  if (WaitForSingleObject(process.hProcess, kLongestRunMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    ADD_FAILURE() << "torva did not finish in time";
  }
  outReader.join();
  errReader.join();
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  result.exitCode = static_cast<int>(exitCode);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  CloseHandle(output.read);
  CloseHandle(errors.read);
  return result;
}
