// A one-line progress bar on standard error, drawn only on a terminal.
#pragma once

#include <string>

namespace zorv::cli {

class ProgressBar {
 public:
  ProgressBar();
  ~ProgressBar();
  // fraction 0..1 and a short caption.
  void Show(double fraction, const std::string& caption);
  void Finish();

 private:
  bool enabled_;
  bool drawn_ = false;
};

}  // namespace zorv::cli
