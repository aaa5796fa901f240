// What an install needs to know of an archive it rewrites: whether it is
// in the canonical layout (so that it can be rebuilt from its new version
// and the few files the install replaced), and the checksums of the old archive
// and of the new one, taken while the new one is written.
#pragma once

#include <cstdint>
#include <string_view>
#include <map>
#include <string>
#include <utility>

#include "archive/DRSArchive.h"
#include "archive/DRSWriter.h"
#include "common/Checksum.h"
#include "common/Status.h"

namespace zorv {

// Whether writing the archive again from its own directory and files
// (SourceOfDRSArchive, WriteDRSArchive) gives its bytes exactly: the lists
// right after the table records in table order, each by ascending id, the
// data in list order without gaps or shared bytes, nothing after it.
bool IsCanonicalDRSLayout(const DRSArchive& archive);

// The checksums of an archive being rewritten, taken from the bytes as
// WriteDRSArchive writes them (its Observer), so that nothing is read a
// second time: the new archive's, and, when the old archive is in the
// canonical layout, the old one's too. The old archive's bytes are its
// directory, then its files in the order the new archive has them, less
// the files added, with the files replaced in their old bytes: so they
// pass by in the right order.
class RewriteHashes {
 public:
  // Only the new archive's checksum.
  RewriteHashes() = default;
  // The old archive's too: its directory bytes (its first DataStart
  // bytes), its path (where the files copied unchanged come from), and the
  // old bytes of every file replaced, by type and id.
  RewriteHashes(std::string_view old_directory, std::string old_path,
                std::map<std::pair<std::string, int32_t>, std::string> replaced);

  DRSWriteObserver Observer();
  uint64_t New() const { return new_.Digest(); }
  uint64_t Old() const { return old_.Digest(); }

 private:
  bool old_tracked_ = false;
  std::string old_path_;
  std::map<std::pair<std::string, int32_t>, std::string> replaced_;
  ContentHash new_, old_;
  const DRSFileSource* current_ = nullptr;
};

}  // namespace zorv
