#include "app/cli/Progress.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace zorv::cli {

ProgressBar::ProgressBar(bool quiet) : enabled_(!quiet && isatty(STDERR_FILENO) == 1) {}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Show(double fraction, const std::string& caption) {
  if (!enabled_) return;
  constexpr int kWidth = 30;
  int filled = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * kWidth);
  std::string bar(static_cast<size_t>(filled), '#');
  bar.resize(kWidth, '.');
  std::fprintf(stderr, "\r[%s] %3d%% %-40.40s", bar.c_str(),
               static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100),
               caption.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

ProgressSink ProgressBar::Sink() {
  return [this](const ProgressStep& step) {
    if (step.level == 0) {
      outer_ = step;
      Show(step.Fraction(), step.caption);
      return;
    }
    const double share = outer_.total > 0 ? 1.0 / static_cast<double>(outer_.total) : 0.0;
    Show(outer_.Fraction() + share * step.Fraction(), outer_.caption + ": " + step.caption);
  };
}

void ProgressBar::Finish() {
  if (drawn_) std::fprintf(stderr, "\r%80s\r", "");
  drawn_ = false;
}

}  // namespace zorv::cli
