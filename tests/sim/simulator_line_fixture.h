// A simulator serving one end of a fresh test line; the test plays the driver.
#pragma once

#include <gtest/gtest.h>

#include <optional>

#include "driver_end.h"
#include "sim/simulator.h"
#include "test_frames.h"

class SimulatorLineTest : public ::testing::Test {
 protected:
  // Far above any reply time; only a failing test waits this long.
  static constexpr int kReplyWaitMs = 3000;
  // A machine without faults that answers the fencing request.
  static constexpr int kFenceMachine = 99;

  void SetUp() override {
    std::string whyNot;
    TestLine line = OpenTestLine(&whyNot);
    if (!line.driverEnd) GTEST_SKIP() << whyNot;
    driver_ = std::move(line.driverEnd);
    serving_.emplace(simulator_, std::move(line.simulatorEnd));
  }

  Bytes Exchange(const Bytes& request, std::size_t replyLength = 36) {
    EXPECT_TRUE(driver_->Write(request));
    return driver_->Read(replyLength, kReplyWaitMs);
  }

  // The simulator answers in order, so when a request to the fence machine
  // sent after `request` is the first thing to come back, `request` got no reply.
  void ExpectNoReplyTo(const Bytes& request) {
    ASSERT_TRUE(driver_->Write(request));
    const Bytes fenceReply = Exchange(BlockReadRequest(kFenceMachine, 0));
    EXPECT_EQ(Hex(fenceReply), Hex(Reply(kFenceMachine, "PD", 1, 0, {})));
  }

  sim::Simulator simulator_;
  std::unique_ptr<DriverEnd> driver_;
  std::optional<sim::SimulatorThread> serving_;
};
