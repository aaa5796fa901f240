#include "common/FileIO.h"

#include <algorithm>
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

#ifndef _WIN32
namespace {

// Opens a regular file for reading, without waiting (a pipe would wait for
// a writer), judged by what was opened, not by the name, which another
// program may change in between. A regular file ignores the no-wait flag,
// so it is left as it is.
Status OpenRegularFile(std::string_view path, int& fd, uint64_t& size) {
  fd = ::open(NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Status::Fail(std::string(path) + ": " + SystemReason());
  struct stat opened {};
  const bool known = ::fstat(fd, &opened) == 0;
  if (!known || !S_ISREG(opened.st_mode)) {
    const std::string reason = !known                     ? SystemReason()
                               : S_ISDIR(opened.st_mode) ? "is a folder, not a file"
                                                          : "is not a regular file";
    ::close(fd);
    fd = -1;
    return Status::Fail(std::string(path) + ": " + reason);
  }
  size = static_cast<uint64_t>(opened.st_size);
  return Status::Ok();
}

// Reads up to count bytes into bytes, stopping at the end of the file.
// A file that announces a size is read up to that size: the bytes it held
// when it was opened, with no further read to meet its end (a batch reads
// thousands of small files, and that read would be a third of their calls).
// Files of the system announce 0 and are read until their end, room being
// made as the bytes come, so a short file costs no more than its size
// however much was asked for.
bool ReadInto(int fd, std::string& bytes, uint64_t count, uint64_t announced) {
  bytes.clear();
  uint64_t got = 0;
  const uint64_t whole = announced > 0 ? std::min(count, announced) : count;
  uint64_t room = announced > 0 ? whole : std::min(count, uint64_t{1});
  for (;;) {
    bytes.resize(static_cast<size_t>(room));
    while (got < room) {
      const ssize_t n = ::read(fd, bytes.data() + got, static_cast<size_t>(room - got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        bytes.resize(static_cast<size_t>(got));
        return n == 0;
      }
      got += static_cast<uint64_t>(n);
    }
    if (got >= whole) return true;
    room = std::min(whole, room + std::max<uint64_t>(room, 65536));
  }
}

}  // namespace
#endif

Status OpenForReading(std::string_view path, std::FILE*& file) {
  file = nullptr;
#ifdef _WIN32
  const std::string native = NativePath(path);
  std::error_code ec;
  const fs::file_status status = fs::status(fs::path(native), ec);
  if (fs::is_directory(status))
    return Status::Fail(std::string(path) + ": is a folder, not a file");
  if (fs::exists(status) && !fs::is_regular_file(status))
    return Status::Fail(std::string(path) + ": is not a regular file");
  file = std::fopen(native.c_str(), "rb");
  if (!file) return Status::Fail(std::string(path) + ": " + SystemReason());
#else
  int fd = -1;
  uint64_t size = 0;
  if (Status opened = OpenRegularFile(path, fd, size); !opened) return opened;
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

#ifndef _WIN32
// Straight from the descriptor: a frame's bitmap costs an open, a look at
// its size, one read to the end and a close.
Status ReadWholeFile(std::string_view path, std::string& contents, uint64_t max_bytes) {
  contents.clear();
  int fd = -1;
  uint64_t size = 0;
  if (Status opened = OpenRegularFile(path, fd, size); !opened) return opened;
  const auto too_large = [&] {
    ::close(fd);
    contents.clear();
    return Status::Fail(std::string(path) + ": file is too large");
  };
  if (size > max_bytes) return too_large();
  // One byte more than allowed finds a file that announces no size (one of
  // the system's) and holds more than allowed.
  const uint64_t count = max_bytes == UINT64_MAX ? max_bytes : max_bytes + 1;
  const bool read = ReadInto(fd, contents, count, size);
  if (read && contents.size() > max_bytes) return too_large();
  ::close(fd);
  if (!read) {
    contents.clear();
    return Status::Fail(std::string(path) + ": read error");
  }
  return Status::Ok();
}

Status ReadFileStart(std::string_view path, uint64_t count, std::string& bytes) {
  bytes.clear();
  int fd = -1;
  uint64_t size = 0;  // not a limit: files of the system announce none
  if (Status opened = OpenRegularFile(path, fd, size); !opened) return opened;
  const bool read = ReadInto(fd, bytes, count, size);
  ::close(fd);
  if (!read) {
    bytes.clear();
    return Status::Fail(std::string(path) + ": read error");
  }
  return Status::Ok();
}
#else
Status ReadWholeFile(std::string_view path, std::string& contents, uint64_t max_bytes) {
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
#endif

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


Status RefuseOverwritingInput(std::string_view output, const std::vector<std::string>& inputs) {
  const fs::path target(NativePath(output));
  auto refuse = [&](const std::string& input) {
    return Status::Fail(std::string(output) + ": is " +
                        (input == output ? std::string("a file this reads")
                                         : "the same file as " + input + ", which this reads") +
                        "; writing it would destroy it, so nothing was written");
  };
#ifndef _WIN32
  // The output is looked at once, each input once: a graphic has two
  // bitmaps a frame.
  struct stat written {};
  // Nothing can be overwritten where nothing is yet.
  if (::stat(target.c_str(), &written) != 0) return Status::Ok();
  for (const std::string& input : inputs) {
    struct stat read {};
    if (::stat(NativePath(input).c_str(), &read) == 0 && read.st_dev == written.st_dev &&
        read.st_ino == written.st_ino)
      return refuse(input);
  }
#else
  std::error_code ec;
  if (!fs::exists(target, ec)) return Status::Ok();
  for (const std::string& input : inputs)
    if (fs::equivalent(target, fs::path(NativePath(input)), ec) && !ec) return refuse(input);
#endif
  return Status::Ok();
}

StretchCopy CopyFileStretch(std::FILE* file, uint64_t offset, uint64_t size, std::string& block,
                            const std::function<bool(std::string_view)>& write) {
  constexpr uint64_t kBlock = uint64_t{1} << 20;
  if (!SeekTo(file, offset)) return StretchCopy::kFileEnded;
  for (uint64_t left = size; left > 0;) {
    block.resize(static_cast<size_t>(std::min(left, kBlock)));
    if (std::fread(block.data(), 1, block.size(), file) != block.size())
      return StretchCopy::kFileEnded;
    if (!write(block)) return StretchCopy::kWriteFailed;
    left -= block.size();
  }
  return StretchCopy::kDone;
}

}  // namespace zorv
