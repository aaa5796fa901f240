#include "app/cli/FolderWalk.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

}  // namespace

Status ListFilesBelow(const std::string& root, const std::function<bool(std::string_view)>& keep,
                      std::vector<std::string>& relatives) {
  const std::string native_root = NativePath(root);
  // Folders still to list, relative to root ("" for root itself).
  std::vector<std::string> folders{""};
  while (!folders.empty()) {
    const std::string relative = std::move(folders.back());
    folders.pop_back();
    const std::string path = relative.empty() ? native_root : native_root + "/" + relative;
    FolderPtr folder(OpenFolder(path, relative.empty()));
    if (!folder) {
      if (!relative.empty() && (errno == EACCES || errno == EPERM)) continue;
      return Status::Fail(std::strerror(errno));
    }
    const int fd = ::dirfd(folder.get());
    const std::string prefix = relative.empty() ? std::string() : relative + "/";
    for (;;) {
      errno = 0;
      const dirent* entry = ::readdir(folder.get());
      if (!entry) {
        if (errno != 0) return Status::Fail(std::strerror(errno));
        break;
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
        relatives.push_back(prefix + std::string(name));
    }
  }
  return Status::Ok();
}

#else

Status ListFilesBelow(const std::string& root, const std::function<bool(std::string_view)>& keep,
                      std::vector<std::string>& relatives) {
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
