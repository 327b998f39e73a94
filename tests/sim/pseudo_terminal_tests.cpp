// The simulator's pseudo-terminal: it outlives the driver closing its port,
// and hanging it up is seen at the driver's end.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <optional>

#include "sim/simulator.h"
#include "test_frames.h"

namespace {

constexpr int kReplyWaitMs = 3000;

int OpenRaw(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
  termios attributes{};
  if (fd >= 0 && tcgetattr(fd, &attributes) == 0) {
    cfmakeraw(&attributes);
    tcsetattr(fd, TCSANOW, &attributes);
  }
  return fd;
}

// Reads one reply: 36 bytes, or fewer when the line ends or stays quiet.
Bytes ReadReply(int fd) {
  Bytes reply(36);
  std::size_t got = 0;
  pollfd waiting{fd, POLLIN, 0};
  while (got < reply.size() && poll(&waiting, 1, kReplyWaitMs) > 0) {
    const ssize_t n = read(fd, reply.data() + got, reply.size() - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  reply.resize(got);
  return reply;
}

Bytes Exchange(int fd, const Bytes& request) {
  EXPECT_EQ(write(fd, request.data(), request.size()), static_cast<ssize_t>(request.size()));
  return ReadReply(fd);
}

class PseudoTerminalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto line = sim::OpenPseudoTerminal(&path_);
    ASSERT_NE(line, nullptr);
    ASSERT_EQ(path_.rfind("/dev/pts/", 0), 0u) << path_;
    serving_.emplace(simulator_, std::move(line));
  }

  sim::Simulator simulator_;
  std::string path_;
  std::optional<sim::SimulatorThread> serving_;
};

TEST_F(PseudoTerminalTest, ServesAgainAfterTheDriverReopensItsPort) {
  const Bytes expected = Reply(1, "PD", 1, 0, {});
  for (int opening = 0; opening < 3; ++opening) {
    SCOPED_TRACE(opening);
    const int fd = OpenRaw(path_);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(Hex(Exchange(fd, BlockReadRequest(1, 0))), Hex(expected));
    close(fd);
  }
}

TEST_F(PseudoTerminalTest, HangingUpEndsTheLineAtTheDriversEnd) {
  const int fd = OpenRaw(path_);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(Exchange(fd, BlockReadRequest(1, 0)).size(), 36u);
  serving_->HangUp();
  pollfd waiting{fd, POLLIN, 0};
  ASSERT_EQ(poll(&waiting, 1, kReplyWaitMs), 1);
  EXPECT_NE(waiting.revents & (POLLHUP | POLLERR), 0);
  std::uint8_t byte = 0;
  EXPECT_LE(read(fd, &byte, 1), 0) << "nothing more comes from a line that was hung up";
  close(fd);
}

}  // namespace
