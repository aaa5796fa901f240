#include "common/TextLines.h"

#include <algorithm>
#include <cstring>

#include "common/FileIO.h"
#include "common/Functions.h"

namespace zorv {
namespace {

constexpr size_t kChunk = 64 * 1024;

Status TooLong(uint64_t line, size_t max_line) {
  return Status::Fail("line " + NumberText(static_cast<int64_t>(line)) + " is longer than " +
                      NumberText(static_cast<int64_t>(max_line)) + " bytes");
}

}  // namespace

bool TextLineSource::Next(std::string& line) {
  if (!status_ || next_ >= text_.size()) return false;
  const size_t end = text_.find('\n', next_);
  const size_t stop = end == std::string_view::npos ? text_.size() : end;
  size_t length = stop - next_;
  if (end != std::string_view::npos && length > 0 && text_[stop - 1] == '\r') --length;
  if (length > max_line_) {
    status_ = TooLong(lines_ + 1, max_line_);
    return false;
  }
  line.assign(text_.substr(next_, length));
  unterminated_ = end == std::string_view::npos;
  next_ = end == std::string_view::npos ? text_.size() : end + 1;
  ++lines_;
  return true;
}

FileLineSource::~FileLineSource() {
  if (file_) std::fclose(file_);
}

Status FileLineSource::Open(const std::string& path, size_t max_line) {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  path_ = path;
  max_line_ = max_line;
  begin_ = end_ = 0;
  eof_ = false;
  lines_ = 0;
  unterminated_ = false;
  status_ = OpenForReading(path, file_);
  if (status_ && !buffer_) buffer_.reset(new char[kChunk]);
  return status_;
}

// Reads more of the file into the buffer after what is left of it.
bool FileLineSource::Fill() {
  if (eof_ || !file_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  const size_t got = std::fread(buffer_.get() + end_, 1, kChunk - end_, file_);
  if (got == 0) {
    eof_ = true;
    if (std::ferror(file_)) status_ = Status::Fail(path_ + ": read error");
    return false;
  }
  end_ += got;
  return true;
}

bool FileLineSource::Next(std::string& line) {
  if (!status_ || !file_) return false;
  line.clear();
  for (;;) {
    const char* start = buffer_.get() + begin_;
    const auto* found = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
    const size_t take = found ? static_cast<size_t>(found - start) : end_ - begin_;
    if (line.size() + take > max_line_ + 1) {  // one more for a CR before the LF
      status_ = Status::Fail(path_ + ": " + TooLong(lines_ + 1, max_line_).message());
      return false;
    }
    line.append(start, take);
    begin_ += take;
    if (found) {
      ++begin_;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.size() > max_line_) {
        status_ = Status::Fail(path_ + ": " + TooLong(lines_ + 1, max_line_).message());
        return false;
      }
      unterminated_ = false;
      ++lines_;
      return true;
    }
    if (!Fill()) {
      if (!status_) return false;
      // The end of the file ends a last line that has no line end.
      if (line.empty()) return false;
      if (line.size() > max_line_) {
        status_ = Status::Fail(path_ + ": " + TooLong(lines_ + 1, max_line_).message());
        return false;
      }
      unterminated_ = true;
      ++lines_;
      return true;
    }
  }
}

}  // namespace zorv
