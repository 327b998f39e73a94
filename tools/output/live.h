// Displays that change in place on a terminal, drawn with ANSI sequences:
// a block of lines (the live poll table) and a progress bar (scan).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tool {

class InPlaceDisplay {
 public:
  // Lines are cut to `columns` (0: not cut) so that none wraps.
  InPlaceDisplay(std::ostream& out, int columns) : out_(out), columns_(columns) {}
  // Replaces the lines shown last with `lines`.
  void Show(const std::vector<std::string>& lines);

 private:
  std::ostream& out_;
  int columns_;
  std::size_t shown_ = 0;
};

class ProgressBar {
 public:
  // A disabled bar draws nothing (its stream is not a terminal).
  ProgressBar(std::ostream& out, int total, bool enabled) : out_(out), total_(total), enabled_(enabled) {}
  ~ProgressBar() { Clear(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void Update(int done, const std::string& note);
  void Clear();

 private:
  std::ostream& out_;
  int total_;
  bool enabled_;
  bool drawn_ = false;
};

}  // namespace tool
