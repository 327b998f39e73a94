#include "output/interrupt.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

namespace tool {
namespace {

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) {
  interrupted = true;
  std::signal(SIGINT, OnInterrupt);  // some C libraries reset the handler
}

}  // namespace

void CatchInterrupt() { std::signal(SIGINT, OnInterrupt); }

bool Interrupted() { return interrupted; }

void ClearInterrupt() { interrupted = false; }

bool SleepUnlessInterrupted(int milliseconds) {
  constexpr auto kSlice = std::chrono::milliseconds(20);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!interrupted) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return true;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, kSlice));
  }
  return false;
}

}  // namespace tool
