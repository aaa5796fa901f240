// How long operations (decoding, encoding, compiling, auto-generation) say
// how far they are: one step at a time, named and counted. The progress
// window and the command line's progress bar listen; without a listener
// nothing is shown.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace zorv {

struct ProgressStep {
  std::string caption;  // what is being done now: "Converting frame 3"
  int64_t step = 0;     // its number from 1; 0 while the operation prepares
  int64_t total = 0;    // how many steps the operation has
  // 0 for the operation's own steps; 1 for the steps inside its current
  // step (the frames of a graphic the package compiler converts).
  int level = 0;

  // The part done before this step: (step - 1) / total, 0 while preparing.
  double Fraction() const {
    return step >= 1 && total > 0 ? static_cast<double>(step - 1) / static_cast<double>(total)
                                  : 0.0;
  }
};

using ProgressSink = std::function<void(const ProgressStep&)>;

// Tells sink, when there is one.
inline void Tell(const ProgressSink& sink, std::string caption, int64_t step, int64_t total,
                 int level = 0) {
  if (sink) sink(ProgressStep{std::move(caption), step, total, level});
}

}  // namespace zorv
