// Replacing several files as one change: every new content is written out
// beside its file first; then all are moved into place together, what they
// replace kept aside, and if any move fails every file is put back as it
// was. A change that spans several steps (every frame of a graphic, then
// its SLX file) can be put back as a whole until it is kept.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/Status.h"

namespace zorv {

class FileTransaction {
 public:
  FileTransaction() = default;
  // Removes what was staged and not applied, and what was kept aside for
  // the changes applied (which stand).
  ~FileTransaction();
  FileTransaction(const FileTransaction&) = delete;
  FileTransaction& operator=(const FileTransaction&) = delete;

  // Writes the pieces, one after the other, as the new content of path,
  // into a new file beside it; nothing is replaced yet. A file that may
  // not be replaced (read-only, a folder, not a regular file) fails here.
  Status Stage(const std::string& path, std::initializer_list<std::string_view> pieces);

  // Takes a new content already written out beside path (a SafeFileWriter
  // opened kAlwaysBeside, finished, its temporary released) as staged for
  // path: too large to be held in memory for Stage. The transaction owns
  // the temporary from now on.
  void StageWritten(const std::string& path, std::string temporary);

  // Moves every file staged since the last Apply into place, keeping each
  // file it replaces aside. When a move fails, every file this call moved
  // is put back and the reason given.
  Status Apply();

  // Puts back every file replaced by any Apply of this transaction, the
  // newest first, and removes files that did not exist before.
  void Undo();

  // The changes stand: what was kept aside is removed.
  void Keep();

 private:
  struct Staged {
    std::string path;
    std::string temporary;
  };
  struct Replaced {
    std::string path;
    std::string kept;  // the former file, empty when there was none
  };

  void PutBack(std::vector<Replaced>::reverse_iterator from,
               std::vector<Replaced>::reverse_iterator to);

  std::vector<Staged> staged_;
  std::vector<Replaced> replaced_;
};

}  // namespace zorv
