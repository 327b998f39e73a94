// The figures of a run as rows of a Markdown table, appended to a file that
// scripts/bench.sh puts into the report.
#pragma once

#include <string>

struct Figure {
  std::string number;     // which of the figures, e.g. "1"
  std::string what;       // what was measured
  std::string measured;   // the measured value, with its unit
  std::string reference;  // what it is held against, with its unit
  double ratio;           // measured / reference
  std::string target;     // the target, in words
  bool met;
};

class FigureReport {
 public:
  // Rows go to `path`, appended; an empty path prints them only.
  explicit FigureReport(std::string path) : path_(std::move(path)) {}
  void Add(const Figure& figure);
  int misses() const { return misses_; }

 private:
  std::string path_;
  int misses_ = 0;
};

std::string FormatMicroseconds(double microseconds);  // "812 us" or "37.61 ms"
std::string FormatNumber(double value, int decimals);

// "--name=value" among the arguments, or `fallback`.
std::string ArgumentValue(int argc, char** argv, const std::string& name, const std::string& fallback);
