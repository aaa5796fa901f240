#include "app/cli/FolderWalk.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "app/cli/RunOnThreads.h"
#include "common/FileIO.h"

namespace zorv::cli {

#ifndef _WIN32

namespace {

// Closes a folder listing however the walk leaves it.
struct FolderCloser {
  void operator()(DIR* folder) const { ::closedir(folder); }
};
using FolderPtr = std::unique_ptr<DIR, FolderCloser>;

// Opens the folder at path as a folder; through a link only when follow
// says so (the folder the user named may be a link, those inside it are
// not walked into).
DIR* OpenFolder(const std::string& path, bool follow) {
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW);
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) return nullptr;
  DIR* folder = ::fdopendir(fd);
  if (!folder) {
    const int error = errno;
    ::close(fd);
    errno = error;
  }
  return folder;
}

// Lists one folder: its regular files that keep passes go to files, its
// subfolders to folders, both relative to root.
Status ListFolder(const std::string& native_root, const std::string& relative,
                  const std::function<bool(std::string_view)>& keep,
                  std::vector<std::string>& folders, std::vector<std::string>& files) {
  const std::string path = relative.empty() ? native_root : native_root + "/" + relative;
  FolderPtr folder(OpenFolder(path, relative.empty()));
  if (!folder) {
    if (!relative.empty() && (errno == EACCES || errno == EPERM)) return Status::Ok();
    return Status::Fail(std::strerror(errno));
  }
  const int fd = ::dirfd(folder.get());
  const std::string prefix = relative.empty() ? std::string() : relative + "/";
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(folder.get());
    if (!entry) {
      if (errno != 0) return Status::Fail(std::strerror(errno));
      return Status::Ok();
    }
    const std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN || type == DT_LNK) {
      // What the name is: a link counts as the file it points at, and
      // never as a folder.
      struct stat seen {};
      if (type == DT_UNKNOWN && ::fstatat(fd, entry->d_name, &seen, AT_SYMLINK_NOFOLLOW) != 0)
        continue;
      if (type == DT_LNK || S_ISLNK(seen.st_mode)) {
        const bool file = ::fstatat(fd, entry->d_name, &seen, 0) == 0 && S_ISREG(seen.st_mode);
        type = file ? DT_REG : DT_UNKNOWN;
      } else {
        type = S_ISDIR(seen.st_mode) ? DT_DIR : S_ISREG(seen.st_mode) ? DT_REG : DT_UNKNOWN;
      }
    }
    if (type == DT_DIR)
      folders.push_back(prefix + std::string(name));
    else if (type == DT_REG && keep(name))
      files.push_back(prefix + std::string(name));
  }
}

// The folders still to list, shared by the threads of one walk. A thread
// takes a folder, lists it without holding the lock and hands back what it
// found; the walk ends when no folder is left and none is being listed, or
// at the first failure.
class FolderQueue {
 public:
  // The next folder to list, or none when the walk is over.
  std::optional<std::string> Take() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !failure_.empty() || !pending_.empty() || listing_ == 0; });
    if (!failure_.empty() || pending_.empty()) return std::nullopt;
    std::string folder = std::move(pending_.back());
    pending_.pop_back();
    ++listing_;
    return folder;
  }

  void Done(const Status& status, std::vector<std::string>& folders,
            std::vector<std::string>& files) {
    {
      std::lock_guard lock(mutex_);
      --listing_;
      if (!status && failure_.empty()) failure_ = status.message();
      for (std::string& folder : folders) pending_.push_back(std::move(folder));
      found_.insert(found_.end(), std::make_move_iterator(files.begin()),
                    std::make_move_iterator(files.end()));
    }
    folders.clear();
    files.clear();
    changed_.notify_all();
  }

  Status Result(std::vector<std::string>& relatives) {
    if (!failure_.empty()) return Status::Fail(failure_);
    relatives.insert(relatives.end(), std::make_move_iterator(found_.begin()),
                     std::make_move_iterator(found_.end()));
    return Status::Ok();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> pending_{""};  // "" is the root itself
  int listing_ = 0;
  std::string failure_;
  std::vector<std::string> found_;
};

}  // namespace

Status ListFilesBelow(const std::string& root, const std::function<bool(std::string_view)>& keep,
                      std::vector<std::string>& relatives, int threads) {
  const std::string native_root = NativePath(root);
  FolderQueue queue;
  auto walk = [&] {
    std::vector<std::string> folders, files;
    while (std::optional<std::string> folder = queue.Take()) {
      Status listed = Status::Ok();
      try {
        listed = ListFolder(native_root, *folder, keep, folders, files);
      } catch (const std::exception& e) {  // out of memory: the walk fails, not the program
        listed = Status::Fail(e.what());
      }
      queue.Done(listed, folders, files);
    }
  };
  // Listing gains little from more threads than the disk serves at once.
  constexpr int kMostThreads = 16;
  RunOnThreads(std::min(threads, kMostThreads), walk);
  return queue.Result(relatives);
}

#else

Status ListFilesBelow(const std::string& root, const std::function<bool(std::string_view)>& keep,
                      std::vector<std::string>& relatives, int /*threads*/) {
  namespace fs = std::filesystem;
  const fs::path base(NativePath(root));
  std::error_code ec;
  fs::recursive_directory_iterator walk(base, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && walk != fs::recursive_directory_iterator(); walk.increment(ec)) {
    std::error_code type_ec;
    if (!walk->is_regular_file(type_ec)) continue;
    if (!keep(walk->path().filename().string())) continue;
    relatives.push_back(walk->path().lexically_relative(base).generic_string());
  }
  if (ec) return Status::Fail(ec.message());
  return Status::Ok();
}

#endif

}  // namespace zorv::cli
