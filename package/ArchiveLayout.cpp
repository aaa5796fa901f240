#include "package/ArchiveLayout.h"

#include "common/Checksum.h"

namespace zorv {

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

RewriteHashes::RewriteHashes(std::string_view old_directory, std::string old_path,
                             std::map<std::pair<std::string, int32_t>, std::string> replaced)
    : old_tracked_(true), old_path_(std::move(old_path)), replaced_(std::move(replaced)) {
  old_.Add(old_directory);
}

DRSWriteObserver RewriteHashes::Observer() {
  return [this](const std::string& type, const DRSFileSource* file, std::string_view bytes) {
    new_.Add(bytes);
    if (!old_tracked_ || !file) return;
    if (!file->SourcePath.empty()) {
      if (file->SourcePath == old_path_) old_.Add(bytes);  // copied unchanged
      return;
    }
    // A file from memory: a replacement (its old bytes go in its place,
    // once) or an added file (nothing of the old archive).
    if (file == current_) return;
    current_ = file;
    auto replaced = replaced_.find({type, file->ID});
    if (replaced != replaced_.end()) old_.Add(replaced->second);
  };
}

}  // namespace zorv
