#include "common/FolderLock.h"

#include <cerrno>

#include "common/FileIO.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace zorv {

FolderLock::~FolderLock() { Release(); }

#ifndef _WIN32
Status FolderLock::Acquire(const std::string& folder) {
  Release();
  const int fd = ::open(NativePath(folder.empty() ? std::string(".") : folder).c_str(),
                        O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A folder that cannot be opened holds nothing to guard; the work that
  // follows meets the same fault and says what it means there.
  if (fd < 0) return Status::Ok();
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK;
    const std::string reason = SystemReason();
    ::close(fd);
    return Status::Fail(folder + ": " +
                        (busy ? "another install or uninstall is at work in this folder; "
                                "try again when it has ended"
                              : reason));
  }
  fd_ = fd;
  return Status::Ok();
}

void FolderLock::Release() {
  if (fd_ >= 0) ::close(fd_);  // closing lets the lock go
  fd_ = -1;
}
#else
// Windows keeps a folder in use from being removed; two runs at once are
// not told apart there.
Status FolderLock::Acquire(const std::string&) { return Status::Ok(); }
void FolderLock::Release() {}
#endif

}  // namespace zorv
