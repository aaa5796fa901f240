#include "common/SafeFileWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/FileIO.h"
#include "common/Functions.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#endif

namespace zorv {
namespace fs = std::filesystem;

namespace {

// Bytes gathered before they are written out: a whole small file, or a
// block of a large one.
constexpr size_t kBlock = size_t{1} << 20;

// A block of at least kStraightBlock bytes after no more than kShortHead
// bytes held (a bitmap after its header) is written out with them in one
// call instead of being copied behind them first. Files whose start is
// still to be patched (an SLP's tables) hold more than that and keep it.
constexpr size_t kStraightBlock = 4096;
constexpr size_t kShortHead = 256;

// Part of a file name no file system here refuses, with room left for the
// suffix of a temporary name.
constexpr size_t kLongestTemporaryBase = 200;

// A new name beside destination: its file name (cut to fit the name
// limit), a random part and ".part".
std::string TemporaryNameBeside(const std::string& destination) {
  const fs::path target(destination);
  std::string base = target.filename().string();
  if (base.size() > kLongestTemporaryBase) base.resize(kLongestTemporaryBase);
  return (target.parent_path() / (base + "." + RandomNamePart() + ".part")).string();
}

}  // namespace

Status CanReplace(std::string_view destination) {
  if (destination.empty()) return Status::Fail("no file name was given");
  if (IsFolderSeparator(destination.back()))
    return Status::Fail(std::string(destination) + ": is the name of a folder, not of a file");
  // One look at what the name stands for (through a link, as writing
  // would go).
  std::error_code ec;
  const fs::file_status status = fs::status(fs::path(NativePath(destination)), ec);
  if (fs::is_directory(status)) return Status::Fail(std::string(destination) + ": is a folder");
  if (!fs::exists(status)) return Status::Ok();
  if (!fs::is_regular_file(status))
    return Status::Fail(std::string(destination) + ": is not a regular file");
  const auto writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  if ((status.permissions() & writable) == fs::perms::none)
    return Status::Fail(std::string(destination) + ": the file is read-only");
  return Status::Ok();
}

SafeFileWriter::~SafeFileWriter() { Abandon(); }

Status SafeFileWriter::Open(std::string_view destination, Placement placement,
                            const std::vector<std::string>& inputs) {
  Abandon();
  destination_ = NativePath(destination);
  failed_ = false;
  reason_.clear();
  size_ = 0;
  buffer_start_ = 0;
#ifndef _WIN32
  // A name that was free is no folder, device or read-only file: only a
  // name that exists needs looking at.
  if (placement == Placement::kInPlaceWhenNew && !destination.empty() &&
      !IsFolderSeparator(destination.back())) {
    // Exclusive: fails on any name that exists by now, a dangling link
    // included, which then takes the way beside it like any existing file.
    file_ = std::fopen(destination_.c_str(), "wbx");
    if (file_) {
      struct stat made {};
      if (::fstat(fileno(file_), &made) != 0) {
        const std::string reason = SystemReason();
        std::fclose(file_);
        file_ = nullptr;
        std::error_code ec;
        fs::remove(fs::path(destination_), ec);
        return Status::Fail(std::string(destination) + ": " + reason);
      }
      device_ = static_cast<uint64_t>(made.st_dev);
      inode_ = static_cast<uint64_t>(made.st_ino);
      in_place_ = true;
      std::setvbuf(file_, nullptr, _IONBF, 0);
      return Status::Ok();
    }
    if (errno != EEXIST) return Status::Fail(std::string(destination) + ": " + SystemReason());
  }
#else
  (void)placement;
#endif
  if (!inputs.empty())
    if (Status apart = RefuseOverwritingInput(destination, inputs); !apart) return apart;
  if (Status replaceable = CanReplace(destination); !replaceable) return replaceable;
  return OpenBeside(destination);
}

Status SafeFileWriter::OpenBeside(std::string_view destination) {
  // Created exclusively: an existing file or link of the name (another
  // writer's, or planted) is never opened, so a retry takes a new name.
  for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
    temporary_ = TemporaryNameBeside(destination_);
    file_ = std::fopen(temporary_.c_str(), "wbx");
    if (!file_ && errno != EEXIST) {
      std::string reason = SystemReason();
      temporary_.clear();
      return Status::Fail(std::string(destination) + ": " + reason);
    }
  }
  if (!file_) {
    temporary_.clear();
    return Status::Fail(std::string(destination) + ": cannot create a temporary file");
  }
  std::setvbuf(file_, nullptr, _IONBF, 0);
  return Status::Ok();
}

bool SafeFileWriter::Fail() {
  if (!failed_) reason_ = SystemReason();
  failed_ = true;
  return false;
}

bool SafeFileWriter::WriteOut(const char* data, size_t size) {
  if (size && std::fwrite(data, 1, size, file_) != size) return Fail();
  return true;
}

bool SafeFileWriter::WriteOutTwo(const char* first, size_t first_size, const char* second,
                                 size_t second_size) {
#ifndef _WIN32
  iovec parts[2] = {{const_cast<char*>(first), first_size},
                    {const_cast<char*>(second), second_size}};
  ssize_t written;
  do {
    written = ::writev(fileno(file_), parts, 2);
  } while (written < 0 && errno == EINTR);
  if (written < 0) return Fail();
  // What a short write left is written the ordinary way.
  const size_t done = static_cast<size_t>(written);
  if (done < first_size)
    return WriteOut(first + done, first_size - done) && WriteOut(second, second_size);
  return WriteOut(second + (done - first_size), second_size - (done - first_size));
#else
  return WriteOut(first, first_size) && WriteOut(second, second_size);
#endif
}

bool SafeFileWriter::Flush() {
  if (buffer_.empty()) return true;
  if (!WriteOut(buffer_.data(), buffer_.size())) return false;
  buffer_start_ += buffer_.size();
  buffer_.clear();
  return true;
}

// With nothing held, or bytes wholly before what is held: straight to the
// file, which afterwards stands at its end again.
bool SafeFileWriter::WriteOutAt(uint64_t offset, const char* data, size_t size) {
  if (!SeekTo(file_, offset) || !WriteOut(data, size)) return Fail();
  buffer_start_ = std::max(buffer_start_, offset + size);
  if (!SeekTo(file_, buffer_start_)) return Fail();
  return true;
}

bool SafeFileWriter::Write(const void* data, size_t size) {
  if (!file_ || failed_) return false;
  const char* bytes = static_cast<const char*>(data);
  if (size >= kStraightBlock && buffer_.size() <= kShortHead) {
    if (!WriteOutTwo(buffer_.data(), buffer_.size(), bytes, size)) return false;
    buffer_start_ += buffer_.size() + size;
    buffer_.clear();
    size_ = buffer_start_;
    return true;
  }
  if (buffer_.size() + size > kBlock) {
    if (!Flush()) return false;
    if (size >= kBlock) {
      if (!WriteOut(bytes, size)) return false;
      buffer_start_ += size;
      size_ = buffer_start_;
      return true;
    }
  }
  buffer_.append(bytes, size);
  size_ = buffer_start_ + buffer_.size();
  return true;
}

bool SafeFileWriter::WriteAt(uint64_t offset, const void* data, size_t size) {
  if (!file_ || failed_) return false;
  const char* bytes = static_cast<const char*>(data);
  if (offset < buffer_start_) {
    // The part before what is held is on disk already.
    const size_t written = static_cast<size_t>(std::min<uint64_t>(size, buffer_start_ - offset));
    if (!WriteOutAt(offset, bytes, written)) return false;
    offset += written;
    bytes += written;
    size -= written;
    if (size == 0) return true;
  }
  const uint64_t at = offset - buffer_start_;
  if (at + size > kBlock) {
    // Far beyond what is held: not gathered (the gap may be huge).
    if (!Flush() || !WriteOutAt(offset, bytes, size)) return false;
  } else {
    if (at + size > buffer_.size()) buffer_.resize(static_cast<size_t>(at + size), '\0');
    std::memcpy(buffer_.data() + at, bytes, size);
  }
  size_ = std::max(size_, buffer_start_ + buffer_.size());
  return true;
}

Status SafeFileWriter::Finish() {
  if (!file_) {
    if (!failed_ && (in_place_ || !temporary_.empty())) return Status::Ok();  // finished before
    return Status::Fail(destination_ + ": not open for writing");
  }
  Flush();
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!closed && !failed_) Fail();
  if (failed_) {
    const std::string reason = reason_.empty() ? "write failed" : reason_;
    Abandon();
    failed_ = true;
    return Status::Fail(destination_ + ": " + reason);
  }
  if (!in_place_) {
    // Keep the permissions the replaced file had.
    std::error_code ec;
    const fs::file_status replaced = fs::status(fs::path(destination_), ec);
    if (fs::exists(replaced)) fs::permissions(fs::path(temporary_), replaced.permissions(), ec);
  }
  return Status::Ok();
}

std::string SafeFileWriter::ReleaseTemporary() {
  std::string temporary;
  temporary.swap(temporary_);
  return temporary;
}

Status SafeFileWriter::Commit() {
  if (Status finished = Finish(); !finished) return finished;
  if (in_place_) {
    in_place_ = false;  // it stands
    return Status::Ok();
  }
  std::error_code ec;
  fs::rename(fs::path(temporary_), fs::path(destination_), ec);
  if (ec) {
    std::string reason = ec.message();
    Abandon();
    return Status::Fail(destination_ + ": " + reason);
  }
  temporary_.clear();
  return Status::Ok();
}

void SafeFileWriter::RemoveInPlaceFile() {
#ifndef _WIN32
  struct stat now {};
  if (::lstat(destination_.c_str(), &now) == 0 && static_cast<uint64_t>(now.st_dev) == device_ &&
      static_cast<uint64_t>(now.st_ino) == inode_)
    ::unlink(destination_.c_str());
#endif
}

void SafeFileWriter::Abandon() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  buffer_.clear();
  if (in_place_) {
    RemoveInPlaceFile();
    in_place_ = false;
  }
  if (!temporary_.empty()) {
    std::error_code ec;
    fs::remove(fs::path(temporary_), ec);
    temporary_.clear();
  }
}

Status WriteFileSafely(std::string_view path, std::string_view bytes) {
  SafeFileWriter writer;
  if (Status opened = writer.Open(path); !opened) return opened;
  writer.Write(bytes);
  return writer.Commit();
}

}  // namespace zorv
