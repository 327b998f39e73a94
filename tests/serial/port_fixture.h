// A fresh line for each test: the peer plays the far end, the test opens the
// port under test through the library, and the port is closed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "serial/device_state.h"
#include "serial/line_peer.h"
#include "serial/serial_port.h"

inline constexpr LineSettings kEightNoneOne{19200, 8, 0, 0};

// `count` bytes counting up from `first`, wrapping at 256.
Bytes Pattern(std::size_t count, std::uint8_t first = 0);

class Stopwatch {
 public:
  long long ElapsedMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
  }

 private:
  using Clock = std::chrono::steady_clock;
  Clock::time_point start_ = Clock::now();
};

class LineTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The peer of this test's line; null, with the reason, where there is none.
  virtual std::unique_ptr<LinePeer> Connect(std::string* whyNot);

  // Opens the port under test into `port_`; the result of SerialOpen.
  int Open(const LineSettings& line = kEightNoneOne, std::uint16_t options = kStartupOptions);
  // Closes the port under test now; the result of SerialClose.
  int Close();
  // Reads `count` bytes from the port under test, expecting them all.
  Bytes ReadExactly(std::int32_t count);

  std::unique_ptr<LinePeer> peer_;
  SerialHandle port_ = kSerialNoHandle;
};
