// Durations of repeated transactions, kept for their median, percentiles and
// distribution.
#pragma once

#include <chrono>
#include <string>
#include <vector>

class LatencySamples {
 public:
  using Clock = std::chrono::steady_clock;

  void Reserve(std::size_t count) { microseconds_.reserve(count); }
  void Add(Clock::duration elapsed);
  // Times one call of `transaction`; kept when it succeeded.
  template <typename Transaction>
  bool Time(Transaction&& transaction) {
    const auto start = Clock::now();
    const bool ok = transaction();
    const auto end = Clock::now();
    if (ok) Add(end - start);
    return ok;
  }
  std::size_t size() const { return microseconds_.size(); }
  // The value below which `fraction` (0 to 1) of the samples lie, in microseconds.
  double Percentile(double fraction) const;
  double Median() const { return Percentile(0.5); }
  // "microseconds cumulative-fraction" a line, sorted: a distribution curve for gnuplot.
  void WriteDistribution(const std::string& path) const;

 private:
  std::vector<double> microseconds_;
};

// Times `transaction` `count` times; the samples of the calls that succeeded.
template <typename Transaction>
LatencySamples TimeEach(int count, Transaction&& transaction) {
  LatencySamples samples;
  samples.Reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) samples.Time(transaction);
  return samples;
}
