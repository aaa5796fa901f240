// Files as the program uses them: whole-file reads with a size limit, CR LF
// text lines, and writes that replace a file only once they have succeeded.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/Functions.h"
#include "common/SafeFileWriter.h"  // writers go with the readers
#include "common/Status.h"

namespace zorv {

// A C file that closes itself when its owner goes.
struct FileCloser {
  void operator()(std::FILE* file) const {
    if (file) std::fclose(file);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

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

// How copying a stretch of a file ended.
enum class StretchCopy { kDone, kFileEnded, kWriteFailed };

// Hands size bytes of file, from offset on, to write in blocks of at most
// 1 MB (held in block, which the caller may keep for the next stretch), so
// that a file of any size costs one block of memory.
StretchCopy CopyFileStretch(std::FILE* file, uint64_t offset, uint64_t size, std::string& block,
                            const std::function<bool(std::string_view)>& write);

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

// Twelve hexadecimal digits that differ between calls, threads and
// processes: a part of a name that other writers do not pick too.
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

}  // namespace zorv
