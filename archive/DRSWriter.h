// Writing game archives in the layout the game's own archives have: the
// header, the table records, each table's file list right after the
// previous one, then the files' data in list order without gaps; files in
// each list by ascending id.
//
// A file's bytes come from memory or from a stretch of another file (an
// archive being rewritten), copied in blocks, so rewriting a large archive
// holds one block at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/DRSArchive.h"
#include "common/Progress.h"
#include "common/SafeFileWriter.h"
#include "common/Status.h"

namespace zorv {

struct DRSFileSource {
  int32_t ID = 0;
  // The bytes themselves, unless SourcePath names the file holding them:
  // then they are Size bytes at SourceOffset of it.
  std::string Bytes;
  std::string SourcePath;
  int64_t SourceOffset = 0;
  int64_t Size = 0;

  static DRSFileSource FromBytes(int32_t id, std::string bytes);
  static DRSFileSource FromFile(int32_t id, std::string path, int64_t offset, int64_t size);
  int64_t Length() const;
};

struct DRSTableSource {
  std::string Type;  // "slp", "wav", "bina"
  std::vector<DRSFileSource> Files;
};

struct DRSArchiveSource {
  DRSHeaderText Header = DefaultDRSHeaderText();
  std::vector<DRSTableSource> Tables;  // written in this order
};

// The source of an archive read by ReadDRSArchive: its header texts, its
// tables in their order, every file taken from the archive at path. Written
// again, an archive already in the canonical layout comes out byte for byte.
DRSArchiveSource SourceOfDRSArchive(const DRSArchive& archive, const std::string& path);

// The directory of the archive WriteDRSArchive makes from source (files
// sorted by id); refused when a type is no file type, a table's type
// repeats, an id repeats within a table, or the archive would pass the
// 2 GB its offsets can reach.
Status PlanDRSArchive(const DRSArchiveSource& source, DRSArchive& plan);

// Told every piece of an archive as it is written, in order: the
// directory (file null, type empty), then each file's bytes (in one or more
// blocks; none for an empty file taken from another file). Whoever needs a
// checksum of what is written, or of the files it copies, gets it here
// without reading the archive a second time.
using DRSWriteObserver =
    std::function<void(const std::string& type, const DRSFileSource* file, std::string_view bytes)>;

// Writes the archive to out (opened by the caller, who commits it). Every
// file from another file is checked to lie inside it when it is read.
Status WriteDRSArchive(const DRSArchiveSource& source, SafeFileWriter& out,
                       const ProgressSink& progress = {}, const DRSWriteObserver& observe = {});

// The same into a new file at path, replacing a file there only when whole.
// An archive that is one of the sources is refused as the destination.
Status WriteDRSArchiveFile(const std::string& path, const DRSArchiveSource& source,
                           const ProgressSink& progress = {});

// The whole archive in memory (small archives: tests, fuzzing).
Status DRSArchiveBytes(const DRSArchiveSource& source, std::string& bytes);

}  // namespace zorv
