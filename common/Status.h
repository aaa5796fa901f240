// Success or a failure with the text that explains it.
#pragma once

#include <string>
#include <utility>

namespace zorv {

class [[nodiscard]] Status {
 public:
  static Status Ok() { return Status(); }
  static Status Fail(std::string message) { return Status(std::move(message)); }

  bool ok() const { return !failed_; }
  explicit operator bool() const { return !failed_; }
  const std::string& message() const { return message_; }

 private:
  Status() = default;
  explicit Status(std::string message) : failed_(true), message_(std::move(message)) {}

  bool failed_ = false;
  std::string message_;
};

}  // namespace zorv
