#include "latency_samples.h"

#include <algorithm>
#include <cmath>
#include <fstream>

void LatencySamples::Add(Clock::duration elapsed) {
  microseconds_.push_back(std::chrono::duration<double, std::micro>(elapsed).count());
}

double LatencySamples::Percentile(double fraction) const {
  if (microseconds_.empty()) return NAN;
  std::vector<double> sorted = microseconds_;
  const auto rank = static_cast<std::size_t>(std::lround(fraction * static_cast<double>(sorted.size() - 1)));
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(rank), sorted.end());
  return sorted[rank];
}

void LatencySamples::WriteDistribution(const std::string& path) const {
  std::vector<double> sorted = microseconds_;
  std::sort(sorted.begin(), sorted.end());
  std::ofstream out(path);
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    out << sorted[i] << ' ' << static_cast<double>(i + 1) / static_cast<double>(sorted.size()) << '\n';
  }
}
