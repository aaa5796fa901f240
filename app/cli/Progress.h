// A one-line progress bar on standard error, drawn only on a terminal.
#pragma once

#include <string>

#include "common/Progress.h"

namespace zorv::cli {

class ProgressBar {
 public:
  // quiet: never draws, as when standard error is not a terminal.
  explicit ProgressBar(bool quiet = false);
  ~ProgressBar();
  // fraction 0..1 and a short caption.
  void Show(double fraction, const std::string& caption);
  void Finish();

  // A listener for the core's progress: the operation's own steps move the
  // bar; steps inside a step (the frames of a graphic being compiled) move
  // it within that step's share and add their caption to the step's.
  ProgressSink Sink();

 private:
  bool enabled_;
  bool drawn_ = false;
  ProgressStep outer_;
};

}  // namespace zorv::cli
