#include "common/Report.h"

#include <cstdio>

namespace zorv {
namespace {

class StandardErrorReporter : public Reporter {
 public:
  MsgAnswer Show(const Message& message) override {
    // Without a window every plain message is a failure being reported;
    // questions are answered with their default.
    const char* prefix = message.buttons == MsgButtons::OK ? "Error: " : "";
    std::fprintf(stderr, "%s%s\n", prefix, message.text.c_str());
    return message.default_answer;
  }
};

StandardErrorReporter default_reporter;
Reporter* current_reporter = &default_reporter;

}  // namespace

Reporter* SetReporter(Reporter* reporter) {
  Reporter* previous = current_reporter;
  current_reporter = reporter ? reporter : &default_reporter;
  return previous == &default_reporter ? nullptr : previous;
}

MsgAnswer Report(const Message& message) { return current_reporter->Show(message); }

void ReportError(const std::string& text, MsgIcon icon) {
  Report(Message{text, "Error", icon, MsgButtons::OK, MsgAnswer::OK});
}

}  // namespace zorv
