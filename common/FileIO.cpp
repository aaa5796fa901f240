#include "common/FileIO.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <system_error>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zorv {
namespace fs = std::filesystem;

std::string NativePath(std::string_view path) {
  std::string native(path);
#ifndef _WIN32
  for (char& c : native)
    if (c == '\\') c = '/';
#endif
  return native;
}

bool FileExists(std::string_view path) {
  std::error_code ec;
  return fs::is_regular_file(fs::path(NativePath(path)), ec);
}

int64_t FileSize(std::string_view path) {
  std::error_code ec;
  fs::path p(NativePath(path));
  if (!fs::is_regular_file(p, ec)) return -1;
  auto size = fs::file_size(p, ec);
  if (ec) return -1;
  return static_cast<int64_t>(size);
}

std::string AboutFile(std::string_view path, const std::string& reason) {
  const std::string prefix = std::string(path) + ":";
  if (reason.compare(0, prefix.size(), prefix) == 0) return reason;
  return prefix + " " + reason;
}

std::string SystemReason() { return std::strerror(errno); }

Status OpenForReading(std::string_view path, std::FILE*& file) {
  file = nullptr;
  const std::string native = NativePath(path);
#ifdef _WIN32
  std::error_code ec;
  const fs::file_status status = fs::status(fs::path(native), ec);
  if (fs::is_directory(status))
    return Status::Fail(std::string(path) + ": is a folder, not a file");
  if (fs::exists(status) && !fs::is_regular_file(status))
    return Status::Fail(std::string(path) + ": is not a regular file");
  file = std::fopen(native.c_str(), "rb");
  if (!file) return Status::Fail(std::string(path) + ": " + SystemReason());
#else
  // Opened without waiting (a pipe would wait for a writer) and judged by
  // what was opened, not by the name, which another program may change
  // in between.
  const int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Status::Fail(std::string(path) + ": " + SystemReason());
  struct stat opened {};
  const bool known = ::fstat(fd, &opened) == 0;
  if (!known || !S_ISREG(opened.st_mode)) {
    const std::string reason = !known                     ? SystemReason()
                               : S_ISDIR(opened.st_mode) ? "is a folder, not a file"
                                                          : "is not a regular file";
    ::close(fd);
    return Status::Fail(std::string(path) + ": " + reason);
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  file = ::fdopen(fd, "rb");
  if (!file) {
    const std::string reason = SystemReason();
    ::close(fd);
    return Status::Fail(std::string(path) + ": " + reason);
  }
#endif
  return Status::Ok();
}

bool SeekTo(std::FILE* file, uint64_t offset) {
#ifdef _WIN32
  return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

Status ReadWholeFile(std::string_view path, std::string& contents,
                     uint64_t max_bytes) {
  contents.clear();
  std::FILE* file = nullptr;
  if (Status opened = OpenForReading(path, file); !opened) return opened;
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    if (contents.size() + got > max_bytes) {
      std::fclose(file);
      contents.clear();
      return Status::Fail(std::string(path) + ": file is too large");
    }
    contents.append(buffer, got);
  }
  bool read_error = std::ferror(file) != 0;
  std::fclose(file);
  if (read_error) {
    contents.clear();
    return Status::Fail(std::string(path) + ": read error");
  }
  return Status::Ok();
}

Status ReadFileStart(std::string_view path, uint64_t count, std::string& bytes) {
  bytes.clear();
  std::FILE* file = nullptr;
  if (Status opened = OpenForReading(path, file); !opened) return opened;
  bytes.resize(static_cast<size_t>(count));
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  const bool read_error = std::ferror(file) != 0;
  std::fclose(file);
  if (read_error) {
    bytes.clear();
    return Status::Fail(std::string(path) + ": read error");
  }
  return Status::Ok();
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    size_t line_end = end;
    if (line_end > start && text[line_end - 1] == '\r') --line_end;
    lines.emplace_back(text.substr(start, line_end - start));
    start = end + 1;
  }
  return lines;
}

std::string JoinLinesCRLF(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

namespace {

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

bool IsReadOnly(const fs::path& path) {
  std::error_code ec;
  auto status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return false;
  auto writable = fs::perms::owner_write | fs::perms::group_write |
                  fs::perms::others_write;
  return (status.permissions() & writable) == fs::perms::none;
}

}  // namespace

std::string RandomNamePart() {
  // Cheap rather than secret: names only need to differ between writers,
  // and exclusive creation settles any two that meet. Mixed from the time
  // in nanoseconds, the thread, and an address on this thread's stack,
  // which differs between processes.
  uint64_t value = static_cast<uint64_t>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count());
  value ^= static_cast<uint64_t>(std::hash<std::thread::id>{}(std::this_thread::get_id())) *
           0x9E3779B97F4A7C15u;
  const int on_stack = 0;
  value ^= static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&on_stack)) << 20;
  // splitmix64's finish, so that every digit depends on every input bit.
  value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9u;
  value = (value ^ (value >> 27)) * 0x94D049BB133111EBu;
  value ^= value >> 31;
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string part;
  for (int i = 0; i < 12; ++i) part += kDigits[(value >> (4 * i)) & 15];
  return part;
}

Status MakeUniqueFolder(const std::string& parent, const std::string& prefix,
                        std::string& folder) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = parent + prefix + RandomNamePart();
    const fs::path path(NativePath(candidate));
    std::error_code ec;
    // False without an error: the name was taken; try another.
    if (fs::create_directory(path, ec)) {
      fs::permissions(path, fs::perms::owner_all, ec);
      folder = candidate + "/";
      return Status::Ok();
    }
    if (ec && ec != std::errc::file_exists) return Status::Fail(candidate + ": " + ec.message());
  }
  return Status::Fail(parent + ": cannot make a folder of its own there");
}

SafeFileWriter::~SafeFileWriter() { Abandon(); }

Status RefuseOverwritingInput(std::string_view output, const std::vector<std::string>& inputs) {
  const fs::path target(NativePath(output));
  std::error_code ec;
  // Nothing can be overwritten where nothing is yet.
  if (!fs::exists(target, ec)) return Status::Ok();
  for (const std::string& input : inputs) {
    if (fs::equivalent(target, fs::path(NativePath(input)), ec) && !ec)
      return Status::Fail(std::string(output) + ": is " +
                          (input == output ? std::string("a file this reads")
                                           : "the same file as " + input +
                                                 ", which this reads") +
                          "; writing it would destroy it, so nothing was written");
  }
  return Status::Ok();
}

Status CanReplace(std::string_view destination) {
  if (destination.empty()) return Status::Fail("no file name was given");
  if (IsFolderSeparator(destination.back()))
    return Status::Fail(std::string(destination) + ": is the name of a folder, not of a file");
  const fs::path target(NativePath(destination));
  std::error_code ec;
  if (fs::is_directory(target, ec))
    return Status::Fail(std::string(destination) + ": is a folder");
  if (fs::exists(target, ec) && !fs::is_regular_file(target, ec))
    return Status::Fail(std::string(destination) + ": is not a regular file");
  if (IsReadOnly(target))
    return Status::Fail(std::string(destination) + ": the file is read-only");
  return Status::Ok();
}

Status SafeFileWriter::Open(std::string_view destination) {
  Abandon();
  destination_ = NativePath(destination);
  failed_ = false;
  reason_.clear();
  size_ = 0;
  if (Status replaceable = CanReplace(destination); !replaceable) return replaceable;
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
  return Status::Ok();
}

bool SafeFileWriter::Write(const void* data, size_t size) {
  if (!file_ || failed_) return false;
  if (size && std::fwrite(data, 1, size, file_) != size) {
    failed_ = true;
    reason_ = SystemReason();
    return false;
  }
  size_ += size;
  return true;
}

bool SafeFileWriter::WriteAt(uint64_t offset, const void* data, size_t size) {
  if (!file_ || failed_) return false;
  bool ok = SeekTo(file_, offset) &&
            (size == 0 || std::fwrite(data, 1, size, file_) == size);
  if (ok && offset + size > size_) size_ = offset + size;
  ok = ok && std::fseek(file_, 0, SEEK_END) == 0;
  if (!ok) {
    failed_ = true;
    reason_ = SystemReason();
  }
  return ok;
}

Status SafeFileWriter::Finish() {
  if (!file_) {
    if (!temporary_.empty() && !failed_) return Status::Ok();  // finished before
    return Status::Fail(destination_ + ": not open for writing");
  }
  bool flushed = std::fflush(file_) == 0;
  if (!flushed && reason_.empty()) reason_ = SystemReason();
  bool closed = std::fclose(file_) == 0;
  if (!closed && reason_.empty()) reason_ = SystemReason();
  file_ = nullptr;
  if (failed_ || !flushed || !closed) {
    std::string reason = reason_.empty() ? "write failed" : reason_;
    Abandon();
    return Status::Fail(destination_ + ": " + reason);
  }
  std::error_code ec;
  fs::path target(destination_);
  if (fs::exists(target, ec)) {
    // Keep the permissions the replaced file had.
    auto permissions = fs::status(target, ec).permissions();
    if (!ec) fs::permissions(fs::path(temporary_), permissions, ec);
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
  std::error_code ec;
  fs::path target(destination_);
  fs::rename(fs::path(temporary_), target, ec);
  if (ec) {
    std::string reason = ec.message();
    Abandon();
    return Status::Fail(destination_ + ": " + reason);
  }
  temporary_.clear();
  return Status::Ok();
}

void SafeFileWriter::Abandon() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
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
