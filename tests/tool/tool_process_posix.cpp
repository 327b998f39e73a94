#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <climits>

#include "tool/tool_process.h"

namespace {

constexpr auto kLongestRun = std::chrono::minutes(3);

struct Channel {
  int fd;
  std::string* text;
};

// Reads both outputs until both are closed (a terminal says EIO instead),
// interrupting the child once when asked to.
void Drain(Channel out, Channel err, pid_t child, int interruptAfterMs) {
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + kLongestRun;
  bool interrupted = interruptAfterMs == 0;
  Channel channels[2] = {out, err};
  int open = 2;
  while (open > 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      ADD_FAILURE() << "torva did not finish in time";
      return;
    }
    if (!interrupted && std::chrono::steady_clock::now() - start > std::chrono::milliseconds(interruptAfterMs)) {
      kill(child, SIGINT);
      interrupted = true;
    }
    pollfd fds[2] = {{channels[0].fd, POLLIN, 0}, {channels[1].fd, POLLIN, 0}};
    if (poll(fds, 2, 20) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (channels[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t got = read(channels[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        channels[i].text->append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        close(channels[i].fd);
        channels[i].fd = -1;
        --open;
      }
    }
  }
}

}  // namespace

std::vector<std::string> SimulatedLineOptions() { return {}; }

std::string MissingPort() { return "/tmp/torva-tests/no-such-port"; }

std::string HintedAddress(const std::string& address) { return "'" + address + "'"; }

std::string ToolPath() {
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  const std::string path(self, length > 0 ? static_cast<std::size_t>(length) : 0);
  return path.substr(0, path.rfind('/') + 1) + "torva";
}

ToolResult RunTool(const std::vector<std::string>& arguments, const ToolRun& run) {
  int input[2], output[2], errors[2];
  EXPECT_EQ(pipe(input), 0);
  EXPECT_EQ(pipe(errors), 0);
  if (run.outputOnTerminal) {
    EXPECT_EQ(openpty(&output[0], &output[1], nullptr, nullptr, nullptr), 0);
  } else {
    EXPECT_EQ(pipe(output), 0);
  }
  const std::string program = ToolPath();
  const pid_t child = fork();
  if (child == 0) {
    dup2(input[0], STDIN_FILENO);
    dup2(output[1], STDOUT_FILENO);
    dup2(errors[1], STDERR_FILENO);
    for (int fd : {input[0], input[1], output[0], output[1], errors[0], errors[1]}) close(fd);
    for (const auto& [name, value] : run.environment) setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(input[0]);
  close(output[1]);
  close(errors[1]);
  signal(SIGPIPE, SIG_IGN);
  if (!run.input.empty() && write(input[1], run.input.data(), run.input.size()) < 0) ADD_FAILURE() << "stdin";
  close(input[1]);
  ToolResult result;
  Drain({output[0], &result.out}, {errors[0], &result.err}, child, run.interruptAfterMs);
  int status = 0;
  waitpid(child, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}
