// A wire between two pseudo-terminal masters: every byte reaches the other side
// ten bit times after the line is free to carry it, as on an 8N1 line at the
// given rate. Lets any two serial programs meet at wire speed.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

class PacingRelay {
 public:
  PacingRelay(int nearFd, int farFd, std::uint32_t baudRate);
  ~PacingRelay();
  PacingRelay(const PacingRelay&) = delete;
  PacingRelay& operator=(const PacingRelay&) = delete;

 private:
  using Clock = std::chrono::steady_clock;
  // Bytes of one direction on their way, each with the time its last bit arrives.
  struct Direction {
    int from;
    int to;
    static constexpr std::size_t kCapacity = 4096;
    std::uint8_t bytes[kCapacity];
    Clock::time_point due[kCapacity];
    std::size_t head = 0;
    std::size_t count = 0;
    Clock::time_point lineFreeAt{};
  };

  void Run();
  void Take(Direction& direction);
  void Deliver(Direction& direction, Clock::time_point now);

  std::chrono::nanoseconds byteTime_;
  Direction towardsFar_;
  Direction towardsNear_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
