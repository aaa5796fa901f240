#include "app/cli/BatchProgress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>

namespace zorv::cli {

int TerminalColumns() {
  if (const char* columns = std::getenv("COLUMNS")) {
    char* end = nullptr;
    const long value = std::strtol(columns, &end, 10);
    if (end != columns && *end == '\0' && value > 0 && value < 10000)
      return static_cast<int>(value);
  }
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

std::string ProgressLineText(int done, int total, double files_per_second,
                             const std::string& current, int columns) {
  char head[96];
  std::snprintf(head, sizeof head, "%d/%d files, %.1f/s ", done, total, files_per_second);
  const size_t room = columns > 1 ? static_cast<size_t>(columns - 1) : 0;
  std::string text = head;
  if (text.size() >= room) return text.substr(0, room);
  const size_t left = room - text.size();
  if (current.size() <= left)
    text += current;
  else if (left > 3)
    text += "..." + current.substr(current.size() - (left - 3));
  return text;
}

BatchProgress::BatchProgress(int total, bool enabled)
    : total_(total),
      enabled_(enabled),
      columns_(enabled ? TerminalColumns() : 80),
      start_(std::chrono::steady_clock::now()) {}

BatchProgress::~BatchProgress() { Clear(); }

void BatchProgress::Started(const std::string& file) {
  current_ = file;
  Draw();
}

void BatchProgress::Finished() {
  ++done_;
  Draw();
}

void BatchProgress::Clear() {
  if (!drawn_) return;
  // Blanks over the old text, one column short of the width like the text.
  std::fprintf(stderr, "\r%*s\r", columns_ > 1 ? columns_ - 1 : 0, "");
  std::fflush(stderr);
  drawn_ = false;
}

void BatchProgress::Draw() {
  if (!enabled_) return;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const double rate = seconds > 0 ? done_ / seconds : 0.0;
  const std::string text = ProgressLineText(done_, total_, rate, current_, columns_);
  // Padded to the width of the line before, so that no old text is left.
  std::fprintf(stderr, "\r%-*s", columns_ > 1 ? columns_ - 1 : 0, text.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

}  // namespace zorv::cli
