// Files as the program uses them: whole-file reads with a size limit, CR LF
// text lines, and writes that replace a file only once they have succeeded.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/Functions.h"
#include "common/Status.h"

namespace zorv {

// A path as the file system here takes it: "\" separators become "/".
std::string NativePath(std::string_view path);

bool FileExists(std::string_view path);

// Size of a regular file, or -1 when it is missing or not a regular file.
int64_t FileSize(std::string_view path);

// Opens a file for reading in binary. Only regular files are opened: a
// folder, a pipe (which could keep a read waiting for ever) or a device
// (which could give bytes without end) is refused.
Status OpenForReading(std::string_view path, std::FILE*& file);

// Moves to an absolute offset, beyond what a long reaches too.
bool SeekTo(std::FILE* file, uint64_t offset);

// Reads a whole file; refuses files larger than max_bytes.
Status ReadWholeFile(std::string_view path, std::string& contents,
                     uint64_t max_bytes = uint64_t{1} << 30);

// The first bytes of a file, at most count of them.
Status ReadFileStart(std::string_view path, uint64_t count, std::string& bytes);

// Splits text at CR LF (a lone LF is taken as well); a line end after the
// last line does not start another one.
std::vector<std::string> SplitLines(std::string_view text);

// Lines joined, each ended by CR LF.
std::string JoinLinesCRLF(const std::vector<std::string>& lines);

// "path: reason" for a message line, without naming the path twice when
// the reason already starts with it.
std::string AboutFile(std::string_view path, const std::string& reason);

// The system's text for the last failed C library call on a file.
std::string SystemReason();

// Twelve hexadecimal digits from the system's random source: a part of a
// name that writers in other threads and processes do not pick too.
std::string RandomNamePart();

// Makes a new folder, readable only by its owner, inside parent (which ends
// in a separator or is empty) named prefix + RandomNamePart(). A name that
// exists already is never used. Gives the new folder's path with a "/" at
// its end.
Status MakeUniqueFolder(const std::string& parent, const std::string& prefix,
                        std::string& folder);

// Whether path is one of the files an operation reads, compared by what
// they are, not how they are spelt: another spelling, a link or a second
// hard link of an input all count. A writer refuses such an output, which
// would destroy its own input; the failure names both.
Status RefuseOverwritingInput(std::string_view output, const std::vector<std::string>& inputs);

// Whether a file may be written at destination: a name (not empty, not
// ending in a separator) that is no folder, no device or pipe, and no
// read-only file. Every writer checks this before it writes anything.
Status CanReplace(std::string_view destination);

// Writes a file beside its destination and moves it into place only on
// Commit, so a failure part-way leaves the previous file as it was. Anything
// not committed is removed when the writer goes.
class SafeFileWriter {
 public:
  SafeFileWriter() = default;
  ~SafeFileWriter();
  SafeFileWriter(const SafeFileWriter&) = delete;
  SafeFileWriter& operator=(const SafeFileWriter&) = delete;

  Status Open(std::string_view destination);
  bool Write(const void* data, size_t size);
  bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
  // Overwrites bytes already written (or extends the file) at an absolute
  // offset; the next Write goes on at the end again.
  bool WriteAt(uint64_t offset, const void* data, size_t size);
  uint64_t Size() const { return size_; }
  bool failed() const { return failed_; }
  // Completes the new file beside the destination (written out and closed,
  // with the permissions of the file it is to replace) without replacing
  // anything yet.
  Status Finish();
  // After Finish: hands the finished file's name over to the caller, who
  // moves it into place or removes it; the writer forgets it.
  std::string ReleaseTemporary();
  // Finish, then move the new file into place.
  Status Commit();
  void Abandon();

 private:
  std::FILE* file_ = nullptr;
  std::string destination_;
  std::string temporary_;
  uint64_t size_ = 0;
  bool failed_ = false;
  std::string reason_;
};

// The whole of bytes as the new contents of path, replaced only on success.
Status WriteFileSafely(std::string_view path, std::string_view bytes);

}  // namespace zorv
