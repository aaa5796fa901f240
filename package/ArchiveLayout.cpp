#include "package/ArchiveLayout.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "common/FileIO.h"

namespace zorv {
namespace {

constexpr int64_t kBlock = int64_t{1} << 20;

}  // namespace

bool IsCanonicalDRSLayout(const DRSArchive& archive) {
  // Every file is read from its own place, so the plan of the archive's
  // own source says where the writer would put each byte. (The path only
  // marks the files as taken from a file; nothing is read.)
  DRSArchive plan;
  if (!PlanDRSArchive(SourceOfDRSArchive(archive, "archive"), plan)) return false;
  if (plan.DataStart != archive.DataStart || plan.FileSize != archive.FileSize ||
      plan.Tables.size() != archive.Tables.size())
    return false;
  for (size_t t = 0; t < plan.Tables.size(); ++t) {
    const DRSTable& planned = plan.Tables[t];
    const DRSTable& stored = archive.Tables[t];
    // The header texts are written back as read, and a type's tag is the
    // only one the reader takes for it; the offsets are what may differ
    // (an empty table's list offset too, which nothing else checks).
    if (planned.Type != stored.Type || planned.ListOffset != stored.ListOffset ||
        planned.Files.size() != stored.Files.size())
      return false;
    for (size_t f = 0; f < planned.Files.size(); ++f) {
      const DRSFile& a = planned.Files[f];
      const DRSFile& b = stored.Files[f];
      if (a.ID != b.ID || a.Offset != b.Offset || a.Size != b.Size) return false;
    }
  }
  return true;
}

uint64_t CanonicalDRSDigest(const DRSArchive& archive, std::string_view directory,
                            const DRSFileHashes& hashes) {
  ContentHash digest;
  digest.Add(directory);
  const uint64_t empty = HashOf("");
  // In the canonical layout the files follow each other in list order.
  for (const DRSTable& table : archive.Tables)
    for (const DRSFile& file : table.Files) {
      auto found = hashes.find({table.Type, file.ID});
      const uint64_t hash = found == hashes.end() ? empty : found->second;
      char bytes[8];
      for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(hash >> (8 * i));
      digest.Add(std::string_view(bytes, 8));
    }
  return digest.Digest();
}

Status ReadDRSDigest(const std::string& path, uint64_t& digest, int64_t& size) {
  DRSArchive archive;
  if (Status read = ReadDRSArchive(path, archive); !read) return read;
  if (!IsCanonicalDRSLayout(archive))
    return Status::Fail(path + ": the archive is not in the layout this program writes");
  std::FILE* opened = nullptr;
  if (Status status = OpenForReading(path, opened); !status) return status;
  FilePtr file(opened);
  const Status unreadable = Status::Fail(path + ": the archive cannot be read to its end");
  std::string block;
  auto read = [&](int64_t length, ContentHash& hash) {
    for (int64_t left = length; left > 0;) {
      block.resize(static_cast<size_t>(std::min(left, kBlock)));
      if (std::fread(block.data(), 1, block.size(), file.get()) != block.size()) return false;
      hash.Add(block);
      left -= static_cast<int64_t>(block.size());
    }
    return true;
  };
  std::string directory;
  if (!SeekTo(file.get(), 0)) return unreadable;
  directory.resize(static_cast<size_t>(archive.DataStart));
  if (!directory.empty() &&
      std::fread(directory.data(), 1, directory.size(), file.get()) != directory.size())
    return unreadable;
  DRSFileHashes hashes;
  for (const DRSTable& table : archive.Tables)
    for (const DRSFile& stored : table.Files) {
      ContentHash hash;
      if (!read(stored.Size, hash)) return unreadable;
      hashes[{table.Type, stored.ID}] = hash.Digest();
    }
  digest = CanonicalDRSDigest(archive, directory, hashes);
  size = archive.FileSize;
  return Status::Ok();
}

DRSWriteObserver WrittenDRSHashes::Observer() {
  return [this](const std::string& type, const DRSFileSource* file, std::string_view bytes) {
    if (!file) {
      directory_.append(bytes);
      return;
    }
    if (file != current_) {
      EndFile();
      current_ = file;
      current_type_ = type;
    }
    current_hash_.Add(bytes);
  };
}

void WrittenDRSHashes::EndFile() {
  if (current_) files_[{current_type_, current_->ID}] = current_hash_.Digest();
  current_ = nullptr;
  current_hash_ = ContentHash();
}

const DRSFileHashes& WrittenDRSHashes::Files() {
  EndFile();
  return files_;
}

}  // namespace zorv
