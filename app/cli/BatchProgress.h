// The one progress line of a batch on standard error: files done of the
// total, the rate, and the file being converted, cut to the terminal's
// width so that it never wraps, and redrawn in place with "\r".
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace zorv::cli {

// The width of the terminal on standard error: COLUMNS when it holds a
// positive number, else what the terminal says, else 80.
int TerminalColumns();

// The text of the line, at most columns - 1 characters long (a character
// in the last column makes some terminals wrap). Keeps the end of a file
// name that does not fit, behind "...".
std::string ProgressLineText(int done, int total, double files_per_second,
                             const std::string& current, int columns);

class BatchProgress {
 public:
  // Draws only when enabled (standard error is a terminal and not quieted).
  BatchProgress(int total, bool enabled);
  ~BatchProgress();

  void Started(const std::string& file);
  void Finished();
  // Wipes the line so that a message can be printed; the next update
  // draws it again.
  void Clear();

 private:
  void Draw();

  int total_;
  bool enabled_;
  int columns_;
  int done_ = 0;
  bool drawn_ = false;
  std::string current_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace zorv::cli
