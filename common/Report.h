// How the core tells the user something: one message box's worth of text,
// title, icon and buttons, answered by whichever front end is installed.
#pragma once

#include <string>

namespace zorv {

enum class MsgIcon { None, Critical, Exclamation, Question, Information };
enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class MsgAnswer { OK, Cancel, Yes, No };

// The title of every window and of messages titled with the program's name.
inline constexpr const char* kAppTitle = "Zorv Mod Editor";

struct Message {
  std::string text;
  std::string title;
  MsgIcon icon = MsgIcon::None;
  MsgButtons buttons = MsgButtons::OK;
  // The answer a front end that cannot ask (a script) takes.
  MsgAnswer default_answer = MsgAnswer::OK;
};

class Reporter {
 public:
  virtual ~Reporter() = default;
  virtual MsgAnswer Show(const Message& message) = 0;
};

// Installs the reporter every later message goes to; nullptr restores the
// default, which prints "Error: " + text to standard error and takes the
// default answer. Returns the one installed before.
Reporter* SetReporter(Reporter* reporter);

MsgAnswer Report(const Message& message);

// The common case: an error with the title "Error".
void ReportError(const std::string& text, MsgIcon icon = MsgIcon::Critical);

// Keeps a reporter installed for one scope.
class ScopedReporter {
 public:
  explicit ScopedReporter(Reporter* reporter) : previous_(SetReporter(reporter)) {}
  ~ScopedReporter() { SetReporter(previous_); }
  ScopedReporter(const ScopedReporter&) = delete;
  ScopedReporter& operator=(const ScopedReporter&) = delete;

 private:
  Reporter* previous_;
};

}  // namespace zorv
