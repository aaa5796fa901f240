#include "archive/DRSWriter.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <unordered_set>

#include "common/FileIO.h"
#include "common/Functions.h"
#include "common/LittleEndian.h"

namespace zorv {
namespace {

constexpr int64_t kMaxArchiveSize = INT32_MAX;

using ByteSink = std::function<bool(std::string_view)>;

// The files of a table in the order they are written: by id.
std::vector<const DRSFileSource*> SortedFiles(const DRSTableSource& table) {
  std::vector<const DRSFileSource*> files;
  files.reserve(table.Files.size());
  for (const DRSFileSource& file : table.Files) files.push_back(&file);
  std::stable_sort(files.begin(), files.end(),
                   [](const DRSFileSource* a, const DRSFileSource* b) { return a->ID < b->ID; });
  return files;
}

std::string FieldOfSize(const std::string& text, int64_t size) {
  std::string field = text.substr(0, static_cast<size_t>(size));
  field.resize(static_cast<size_t>(size), '\0');
  return field;
}

// Copies the stretch of a source file to sink, one block at a time. The
// source file stays open while the files after it come from it too (an
// archive being rewritten); only one is open at a time, so that a folder
// of thousands of loose files never runs out of file handles.
class SourceCopier {
 public:
  Status Copy(const DRSFileSource& file, const ByteSink& sink, std::string& block) {
    if (!open_ || open_path_ != file.SourcePath) {
      open_.reset();
      std::FILE* opened = nullptr;
      if (Status status = OpenForReading(file.SourcePath, opened); !status) return status;
      open_.reset(opened);
      open_path_ = file.SourcePath;
    }
    std::FILE* handle = open_.get();
    const std::string cannot = file.SourcePath + ": the bytes of file " + NumberText(file.ID) +
                               " cannot be read";
    if (file.SourceOffset < 0 || file.Size < 0) return Status::Fail(cannot);
    switch (CopyFileStretch(handle, static_cast<uint64_t>(file.SourceOffset),
                            static_cast<uint64_t>(file.Size), block, sink)) {
      case StretchCopy::kDone:
        return Status::Ok();
      case StretchCopy::kFileEnded:
        return Status::Fail(cannot + " (the file is shorter than its list says)");
      case StretchCopy::kWriteFailed:
        break;
    }
    return Status::Fail("write failed");
  }

 private:
  FilePtr open_;
  std::string open_path_;
};

Status WriteTo(const DRSArchiveSource& source, const ByteSink& sink,
               const ProgressSink& progress, const DRSWriteObserver& observe = {}) {
  DRSArchive plan;
  if (Status planned = PlanDRSArchive(source, plan); !planned) return planned;

  std::string directory;
  directory.reserve(static_cast<size_t>(plan.DataStart));
  directory += FieldOfSize(source.Header.Copyright, kDRSCopyrightSize);
  directory += FieldOfSize(source.Header.Version, kDRSVersionSize);
  directory += FieldOfSize(source.Header.ArchiveType, kDRSArchiveTypeSize);
  le::PutU32(directory, static_cast<uint32_t>(plan.Tables.size()));
  le::PutU32(directory, static_cast<uint32_t>(plan.DataStart));
  for (const DRSTable& table : plan.Tables) {
    directory += DRSTypeTag(table.Type);
    le::PutU32(directory, static_cast<uint32_t>(table.ListOffset));
    le::PutU32(directory, static_cast<uint32_t>(table.Files.size()));
  }
  for (const DRSTable& table : plan.Tables)
    for (const DRSFile& file : table.Files) {
      le::PutU32(directory, static_cast<uint32_t>(file.ID));
      le::PutU32(directory, static_cast<uint32_t>(file.Offset));
      le::PutU32(directory, static_cast<uint32_t>(file.Size));
    }
  if (observe) observe(std::string(), nullptr, directory);
  if (!sink(directory)) return Status::Fail("write failed");

  int64_t total = 0;
  for (const DRSTableSource& table : source.Tables) total += table.Files.size();
  int64_t step = 0;
  SourceCopier copier;
  std::string block;
  for (const DRSTableSource& table : source.Tables) {
    for (const DRSFileSource* file : SortedFiles(table)) {
      Tell(progress, "Writing " + table.Type + " file " + NumberText(file->ID), ++step, total);
      const ByteSink& file_sink =
          observe ? ByteSink([&](std::string_view bytes) {
            observe(table.Type, file, bytes);
            return sink(bytes);
          })
                  : sink;
      if (file->SourcePath.empty()) {
        if (!file_sink(file->Bytes)) return Status::Fail("write failed");
      } else if (Status copied = copier.Copy(*file, file_sink, block); !copied) {
        return copied;
      }
    }
  }
  return Status::Ok();
}

}  // namespace

DRSFileSource DRSFileSource::FromBytes(int32_t id, std::string bytes) {
  DRSFileSource file;
  file.ID = id;
  file.Size = static_cast<int64_t>(bytes.size());
  file.Bytes = std::move(bytes);
  return file;
}

DRSFileSource DRSFileSource::FromFile(int32_t id, std::string path, int64_t offset,
                                      int64_t size) {
  DRSFileSource file;
  file.ID = id;
  file.SourcePath = std::move(path);
  file.SourceOffset = offset;
  file.Size = size;
  return file;
}

int64_t DRSFileSource::Length() const {
  return SourcePath.empty() ? static_cast<int64_t>(Bytes.size()) : Size;
}

DRSArchiveSource SourceOfDRSArchive(const DRSArchive& archive, const std::string& path) {
  DRSArchiveSource source;
  source.Header = archive.Header;
  for (const DRSTable& table : archive.Tables) {
    DRSTableSource copy;
    copy.Type = table.Type;
    copy.Files.reserve(table.Files.size());
    for (const DRSFile& file : table.Files)
      copy.Files.push_back(DRSFileSource::FromFile(file.ID, path, file.Offset, file.Size));
    source.Tables.push_back(std::move(copy));
  }
  return source;
}

Status PlanDRSArchive(const DRSArchiveSource& source, DRSArchive& plan) {
  DRSArchive made;
  made.Header = source.Header;
  int64_t file_count = 0;
  std::unordered_set<std::string> types;
  for (const DRSTableSource& table : source.Tables) {
    if (!IsDRSType(table.Type))
      return Status::Fail("\"" + table.Type + "\" is no archive file type (1 to 4 letters or digits)");
    if (!types.insert(table.Type).second)
      return Status::Fail("two tables of the type \"" + table.Type + "\"");
    file_count += static_cast<int64_t>(table.Files.size());
  }
  const int64_t table_count = static_cast<int64_t>(source.Tables.size());
  made.DataStart = kDRSHeaderSize + kDRSTableRecordSize * table_count + kDRSFileEntrySize * file_count;
  if (made.DataStart > kMaxArchiveSize) return Status::Fail("too many files for one archive");

  int64_t list_at = kDRSHeaderSize + kDRSTableRecordSize * table_count;
  int64_t data_at = made.DataStart;
  for (const DRSTableSource& table : source.Tables) {
    DRSTable planned;
    planned.Type = table.Type;
    planned.ListOffset = list_at;
    list_at += kDRSFileEntrySize * static_cast<int64_t>(table.Files.size());
    int32_t previous = 0;
    bool first = true;
    for (const DRSFileSource* file : SortedFiles(table)) {
      if (!first && file->ID == previous)
        return Status::Fail(table.Type + " file " + NumberText(file->ID) + " is given twice");
      first = false;
      previous = file->ID;
      const int64_t size = file->Length();
      if (size < 0) return Status::Fail(table.Type + " file " + NumberText(file->ID) +
                                        " has a negative size");
      if (size > kMaxArchiveSize - data_at)
        return Status::Fail("the archive would be larger than 2 GB, which its offsets cannot reach");
      planned.Files.push_back(DRSFile{file->ID, data_at, size});
      data_at += size;
    }
    made.Tables.push_back(std::move(planned));
  }
  made.FileSize = data_at;
  plan = std::move(made);
  return Status::Ok();
}

Status WriteDRSArchive(const DRSArchiveSource& source, SafeFileWriter& out,
                       const ProgressSink& progress, const DRSWriteObserver& observe) {
  Status written = WriteTo(
      source, [&](std::string_view bytes) { return out.Write(bytes); }, progress, observe);
  // A write refused by the file system says why (a full disk, a size
  // limit), not only that it failed.
  if (out.failed()) return Status::Fail(out.FailureReason());
  return written;
}

Status WriteDRSArchiveFile(const std::string& path, const DRSArchiveSource& source,
                           const ProgressSink& progress) {
  std::vector<std::string> inputs;
  for (const DRSTableSource& table : source.Tables)
    for (const DRSFileSource& file : table.Files)
      if (!file.SourcePath.empty() &&
          std::find(inputs.begin(), inputs.end(), file.SourcePath) == inputs.end())
        inputs.push_back(file.SourcePath);
  SafeFileWriter out;
  if (Status opened = out.Open(path, SafeFileWriter::Placement::kInPlaceWhenNew, inputs); !opened)
    return opened;
  if (Status written = WriteDRSArchive(source, out, progress); !written) {
    out.Abandon();
    return Status::Fail(AboutFile(path, written.message()));
  }
  return out.Commit();
}

Status DRSArchiveBytes(const DRSArchiveSource& source, std::string& bytes) {
  bytes.clear();
  return WriteTo(
      source,
      [&](std::string_view piece) {
        bytes.append(piece);
        return true;
      },
      {});
}

}  // namespace zorv
