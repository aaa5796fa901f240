// Reading text a line at a time: from text in memory, or from a file
// without ever holding more of it than one line. Lines end at LF; a CR
// right before the LF is not part of the line. A line longer than the
// reader's limit stops the reading with a failure, so that a damaged or
// hostile file costs neither memory nor time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "common/Status.h"

namespace zorv {

// The longest line the program's text files hold: a file path or a title
// is far shorter.
inline constexpr size_t kMaxTextLineBytes = 64 * 1024;

class LineSource {
 public:
  virtual ~LineSource() = default;
  // The next line; false at the end of the text or after a failure.
  virtual bool Next(std::string& line) = 0;
  // Whether the last line given ended the text without a line end.
  virtual bool LastLineUnterminated() const = 0;
  // Ok, or why the reading stopped early.
  virtual const Status& status() const = 0;
  // The number of lines given so far.
  virtual uint64_t LinesRead() const = 0;
};

class TextLineSource : public LineSource {
 public:
  explicit TextLineSource(std::string_view text, size_t max_line = kMaxTextLineBytes)
      : text_(text), max_line_(max_line) {}
  bool Next(std::string& line) override;
  bool LastLineUnterminated() const override { return unterminated_; }
  const Status& status() const override { return status_; }
  uint64_t LinesRead() const override { return lines_; }

 private:
  std::string_view text_;
  size_t max_line_;
  size_t next_ = 0;
  uint64_t lines_ = 0;
  bool unterminated_ = false;
  Status status_ = Status::Ok();
};

class FileLineSource : public LineSource {
 public:
  FileLineSource() = default;
  ~FileLineSource() override;
  FileLineSource(const FileLineSource&) = delete;
  FileLineSource& operator=(const FileLineSource&) = delete;

  // Opens a regular file (anything else is refused: a pipe would never end,
  // a device never stop).
  Status Open(const std::string& path, size_t max_line = kMaxTextLineBytes);
  bool Next(std::string& line) override;
  bool LastLineUnterminated() const override { return unterminated_; }
  const Status& status() const override { return status_; }
  uint64_t LinesRead() const override { return lines_; }

 private:
  bool Fill();

  std::FILE* file_ = nullptr;
  std::string path_;
  size_t max_line_ = kMaxTextLineBytes;
  std::unique_ptr<char[]> buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
  bool eof_ = false;
  uint64_t lines_ = 0;
  bool unterminated_ = false;
  Status status_ = Status::Ok();
};

}  // namespace zorv
