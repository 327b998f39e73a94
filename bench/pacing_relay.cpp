#include "pacing_relay.h"

#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>

namespace {

// Longest wait before the stop flag is looked at again.
constexpr auto kIdleWait = std::chrono::milliseconds(20);

timespec AsTimespec(std::chrono::nanoseconds wait) {
  const auto ns = std::max<std::int64_t>(wait.count(), 0);
  return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

}  // namespace

PacingRelay::PacingRelay(int nearFd, int farFd, std::uint32_t baudRate)
    : byteTime_(10'000'000'000LL / baudRate) {
  towardsFar_.from = nearFd;
  towardsFar_.to = farFd;
  towardsNear_.from = farFd;
  towardsNear_.to = nearFd;
  thread_ = std::thread([this] { Run(); });
}

PacingRelay::~PacingRelay() {
  stop_ = true;
  thread_.join();
}

// Each byte read starts on the wire when it arrives or when the previous byte
// has left, whichever is later, and is due one byte time after that.
void PacingRelay::Take(Direction& direction) {
  const std::size_t room = Direction::kCapacity - direction.count;
  std::uint8_t chunk[256];
  const ssize_t got = read(direction.from, chunk, std::min(room, sizeof chunk));
  const auto arrived = Clock::now();
  for (ssize_t i = 0; i < got; ++i) {
    const auto due = std::max(arrived, direction.lineFreeAt) + byteTime_;
    const std::size_t slot = (direction.head + direction.count) % Direction::kCapacity;
    direction.bytes[slot] = chunk[i];
    direction.due[slot] = due;
    direction.lineFreeAt = due;
    ++direction.count;
  }
}

void PacingRelay::Deliver(Direction& direction, Clock::time_point now) {
  while (direction.count > 0 && direction.due[direction.head] <= now) {
    if (write(direction.to, &direction.bytes[direction.head], 1) != 1) return;
    direction.head = (direction.head + 1) % Direction::kCapacity;
    --direction.count;
  }
}

void PacingRelay::Run() {
  prctl(PR_SET_TIMERSLACK, 1UL);  // wake on the byte's due time, not up to 50 us later
  Direction* directions[] = {&towardsFar_, &towardsNear_};
  while (!stop_) {
    auto now = Clock::now();
    auto wakeAt = now + kIdleWait;
    pollfd readable[2];
    for (int i = 0; i < 2; ++i) {
      Direction& direction = *directions[i];
      Deliver(direction, now);
      if (direction.count > 0) wakeAt = std::min(wakeAt, direction.due[direction.head]);
      const bool hasRoom = direction.count < Direction::kCapacity;
      readable[i] = pollfd{hasRoom ? direction.from : -1, POLLIN, 0};
    }
    const timespec wait = AsTimespec(wakeAt - Clock::now());
    if (ppoll(readable, 2, &wait, nullptr) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (readable[i].revents & POLLIN) Take(*directions[i]);
    }
  }
}
