// Writing files so that a failure never costs what was there: a file that
// exists is replaced only once its new content is whole, and a file this
// writer made is removed again when the write fails.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/Status.h"

namespace zorv {

// Whether a file may be written at destination: a name (not empty, not
// ending in a separator) that is no folder, no device or pipe, and no
// read-only file. Every writer checks this before it writes anything.
Status CanReplace(std::string_view destination);

// Writes a new file. Where a file of the name exists, the new one is written
// beside it and moved into place only on Commit, so a failure part-way
// leaves the previous file as it was. Where none exists, the file is made
// under its own name at once (created exclusively, so nothing another
// program made meanwhile is ever opened): a batch making thousands of
// frames then costs one creation per file instead of a creation and a
// move. Anything not committed is removed when the writer goes.
//
// Bytes are gathered in memory and written in large blocks; WriteAt on
// bytes still held (the tables at the start of a small file) costs no
// system call.
class SafeFileWriter {
 public:
  enum class Placement {
    kInPlaceWhenNew,  // a new file under its own name, unless one exists
    kAlwaysBeside,    // always beside the destination, moved by the caller
  };

  SafeFileWriter() = default;
  ~SafeFileWriter();
  SafeFileWriter(const SafeFileWriter&) = delete;
  SafeFileWriter& operator=(const SafeFileWriter&) = delete;

  // A destination that exists and is one of inputs (compared by what they
  // are, as RefuseOverwritingInput does) is refused; a name created anew
  // cannot be an input, so the comparison costs nothing there.
  Status Open(std::string_view destination, Placement placement = Placement::kInPlaceWhenNew,
              const std::vector<std::string>& inputs = {});
  bool Write(const void* data, size_t size);
  bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
  // Overwrites bytes already written (or extends the file) at an absolute
  // offset; the next Write goes on at the end again.
  bool WriteAt(uint64_t offset, const void* data, size_t size);
  uint64_t Size() const { return size_; }
  bool failed() const { return failed_; }
  // Why the write failed, in the system's words ("File too large").
  std::string FailureReason() const { return reason_.empty() ? "write failed" : reason_; }
  // Completes the new file (written out and closed, with the permissions of
  // the file it is to replace) without replacing anything yet.
  Status Finish();
  // After Finish of a writer opened kAlwaysBeside: hands the finished
  // file's name over to the caller, who moves it into place or removes it;
  // the writer forgets it.
  std::string ReleaseTemporary();
  // Finish, then move the new file into place.
  Status Commit();
  void Abandon();

 private:
  bool Fail();
  bool Flush();
  bool WriteOut(const char* data, size_t size);
  // Both blocks, one after the other, in one call where the system has one.
  bool WriteOutTwo(const char* first, size_t first_size, const char* second, size_t second_size);
  bool WriteOutAt(uint64_t offset, const char* data, size_t size);
  Status OpenBeside(std::string_view destination);
  // Removes the file made under the destination's own name, unless another
  // writer has put its own file there since.
  void RemoveInPlaceFile();

  std::FILE* file_ = nullptr;
  std::string destination_;
  std::string temporary_;  // the file beside the destination, if one is used
  bool in_place_ = false;  // the file being written is the destination itself
  uint64_t device_ = 0, inode_ = 0;  // of the file made in place
  std::string buffer_;        // bytes not yet written out
  uint64_t buffer_start_ = 0;  // their offset in the file
  uint64_t size_ = 0;
  bool failed_ = false;
  std::string reason_;
};

// The whole of bytes as the new contents of path, replaced only on success.
Status WriteFileSafely(std::string_view path, std::string_view bytes);

}  // namespace zorv
