#include "output/live.h"

#include <algorithm>
#include <ostream>

namespace tool {
namespace {

constexpr char kEraseLine[] = "\r\x1b[2K";
constexpr char kEraseBelow[] = "\x1b[J";
constexpr int kBarWidth = 30;

}  // namespace

void InPlaceDisplay::Show(const std::vector<std::string>& lines) {
  if (shown_ > 0) out_ << "\x1b[" << shown_ << 'A';
  for (const std::string& line : lines) {
    // The last column stays free: some terminals wrap on writing it.
    const bool cut = columns_ > 1 && line.size() >= static_cast<std::size_t>(columns_);
    out_ << kEraseLine << (cut ? line.substr(0, static_cast<std::size_t>(columns_) - 1) : line) << '\n';
  }
  if (lines.size() < shown_) out_ << kEraseBelow;
  shown_ = lines.size();
  out_ << std::flush;
}

void ProgressBar::Update(int done, const std::string& note) {
  if (!enabled_) return;
  const int filled = total_ > 0 ? std::clamp(done * kBarWidth / total_, 0, kBarWidth) : kBarWidth;
  out_ << kEraseLine << '[' << std::string(static_cast<std::size_t>(filled), '#')
       << std::string(static_cast<std::size_t>(kBarWidth - filled), '.') << "] " << done << '/' << total_
       << "  " << note << std::flush;
  drawn_ = true;
}

void ProgressBar::Clear() {
  if (!drawn_) return;
  out_ << kEraseLine << std::flush;
  drawn_ = false;
}

}  // namespace tool
