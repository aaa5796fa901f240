// What an install needs to know of an archive it rewrites: whether it is
// in the canonical layout (so that it can be rebuilt from its new version
// and the few files the install replaced), and the digests of the old
// archive and of the new one, taken while the new one is written.
//
// The digest of an archive in the canonical layout is the checksum
// (common/Checksum.h) of its directory bytes followed by the checksum of
// each file in the order of the data (8 bytes each, little-endian). Every
// byte of such an archive is in its directory or in one file, so a change
// of any byte changes the digest, as a checksum of the whole file would;
// but a file copied unchanged from the old archive into the new one is
// summed once for both.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
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

// The checksum of each file, by type and id.
using DRSFileHashes = std::map<std::pair<std::string, int32_t>, uint64_t>;

// The digest of a canonical archive from its directory bytes (its first
// DataStart bytes) and its files' checksums (a file missing in hashes is
// taken for empty).
uint64_t CanonicalDRSDigest(const DRSArchive& archive, std::string_view directory,
                            const DRSFileHashes& hashes);

// Reads the archive at path and gives its digest and size; an archive that
// is damaged or not in the canonical layout fails.
Status ReadDRSDigest(const std::string& path, uint64_t& digest, int64_t& size);

// Sums each file WriteDRSArchive writes as it passes (Observer), and keeps
// the directory bytes it wrote: all a digest of the new archive needs,
// and the files copied unchanged for the old one's.
class WrittenDRSHashes {
 public:
  DRSWriteObserver Observer();
  const std::string& Directory() const { return directory_; }
  // After the write.
  const DRSFileHashes& Files();

 private:
  void EndFile();

  std::string directory_;
  DRSFileHashes files_;
  const DRSFileSource* current_ = nullptr;
  std::string current_type_;
  ContentHash current_hash_;
};

}  // namespace zorv
