// One writer at a time in a folder: a lock on the folder itself, taken
// without waiting and let go when the holder ends (also when its process
// dies), leaving nothing behind in the folder.
#pragma once

#include <string>

#include "common/Status.h"

namespace zorv {

class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Takes the lock on folder; fails at once, saying so, when another
  // holder (another run of the program, or another lock in this one) has it.
  // A folder that cannot be opened is no failure here, and holds no lock.
  Status Acquire(const std::string& folder);
  void Release();

 private:
  int fd_ = -1;
};

}  // namespace zorv
