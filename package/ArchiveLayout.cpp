#include "package/ArchiveLayout.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "common/Checksum.h"
#include "common/FileIO.h"
#include "common/Functions.h"

namespace zorv {
namespace {

constexpr int64_t kBlock = int64_t{1} << 20;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

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

Status SumCanonicalDRSArchive(const DRSArchive& archive, const std::string& path,
                              uint32_t& whole, DRSFileCRCs& files) {
  std::FILE* opened = nullptr;
  if (Status status = OpenForReading(path, opened); !status) return status;
  std::unique_ptr<std::FILE, FileCloser> file(opened);
  std::string block;
  auto sum = [&](int64_t length, uint32_t& crc) {
    crc = 0;
    for (int64_t left = length; left > 0;) {
      block.resize(static_cast<size_t>(std::min(left, kBlock)));
      if (std::fread(block.data(), 1, block.size(), file.get()) != block.size()) return false;
      crc = ExtendCRC32(crc, block);
      left -= static_cast<int64_t>(block.size());
    }
    return true;
  };
  const Status unreadable = Status::Fail(path + ": the archive cannot be read to its end");
  uint32_t total = 0;
  if (!sum(archive.DataStart, total)) return unreadable;
  DRSFileCRCs sums;
  // In the canonical layout the files follow each other in list order.
  for (const DRSTable& table : archive.Tables)
    for (const DRSFile& stored : table.Files) {
      uint32_t crc = 0;
      if (!sum(stored.Size, crc)) return unreadable;
      sums[{table.Type, stored.ID}] = crc;
      total = CombineCRC32(total, crc, stored.Size);
    }
  whole = total;
  files = std::move(sums);
  return Status::Ok();
}

Status SumWrittenDRSArchive(const DRSArchiveSource& source, uint32_t directory_crc,
                            const DRSFileCRCs& files, uint32_t& whole) {
  uint32_t total = directory_crc;
  for (const DRSTableSource& table : source.Tables) {
    std::vector<const DRSFileSource*> sorted;
    for (const DRSFileSource& file : table.Files) sorted.push_back(&file);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const DRSFileSource* a, const DRSFileSource* b) { return a->ID < b->ID; });
    for (const DRSFileSource* file : sorted) {
      uint32_t crc = 0;
      if (file->SourcePath.empty()) {
        crc = ExtendCRC32(0, file->Bytes);
      } else {
        auto found = files.find({table.Type, file->ID});
        if (found == files.end())
          return Status::Fail(table.Type + " file " + NumberText(file->ID) + ": no checksum");
        crc = found->second;
      }
      total = CombineCRC32(total, crc, file->Length());
    }
  }
  whole = total;
  return Status::Ok();
}

}  // namespace zorv
