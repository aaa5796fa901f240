// Success, or a failure with the text that explains it. The first line of
// a failure's text is the program's own message ("Error creating SLX
// file!"); the lines after it say which file, frame or row and why. Front
// ends show the whole text: a message box in the editor, standard error on
// the command line.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace zorv {

class [[nodiscard]] Status {
 public:
  static Status Ok() { return Status(); }
  static Status Fail(std::string message) { return Status(std::move(message)); }
  // The message as its first line, then the detail when there is one.
  static Status Fail(std::string_view headline, std::string_view detail) {
    std::string message(headline);
    if (!detail.empty()) {
      message += '\n';
      message += detail;
    }
    return Status(std::move(message));
  }

  bool ok() const { return !failed_; }
  explicit operator bool() const { return !failed_; }
  const std::string& message() const { return message_; }

  // The first line of the message, and everything after it.
  std::string Headline() const { return message_.substr(0, message_.find('\n')); }
  std::string Detail() const {
    const size_t end = message_.find('\n');
    return end == std::string::npos ? std::string() : message_.substr(end + 1);
  }

 private:
  Status() = default;
  explicit Status(std::string message) : failed_(true), message_(std::move(message)) {}

  bool failed_ = false;
  std::string message_;
};

}  // namespace zorv
