#include "archive/DRSFolder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

#include "archive/ArchiveMember.h"
#include "common/FileIO.h"
#include "common/Functions.h"
#include "common/SafeFileWriter.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;


std::string Describe(const DRSSelectedFile& file) {
  return file.Type + " file " + NumberText(file.File.ID);
}

// Whether anything at all has the name: a link is looked at, not followed.
bool NameTaken(const std::string& path) {
  std::error_code ec;
  return fs::symlink_status(fs::path(NativePath(path)), ec).type() != fs::file_type::not_found;
}

Status CopyOut(std::FILE* archive, const std::string& archive_path, int64_t archive_size,
               const DRSSelectedFile& file, const std::string& path, std::string& block) {
  const DRSFile& f = file.File;
  // The directory was checked when read; the file may have changed since.
  if (f.Offset < 0 || f.Size < 0 || f.Offset > archive_size || f.Size > archive_size - f.Offset)
    return Status::Fail(archive_path + ": " + Describe(file) + " lies outside the archive");
  SafeFileWriter out;
  if (Status opened = out.Open(path, SafeFileWriter::Placement::kInPlaceWhenNew, {archive_path});
      !opened)
    return opened;
  const StretchCopy copied =
      CopyFileStretch(archive, static_cast<uint64_t>(f.Offset), static_cast<uint64_t>(f.Size),
                      block, [&out](std::string_view bytes) { return out.Write(bytes); });
  if (copied == StretchCopy::kFileEnded)
    return Status::Fail(archive_path + ": " + Describe(file) + " cannot be read");
  if (out.failed()) return Status::Fail(path + ": " + out.FailureReason());
  return out.Commit();
}

}  // namespace

std::string DRSFileName(std::string_view type, int32_t id) {
  return NumberText(id) + "." + std::string(type);
}

Status SelectDRSFiles(const DRSArchive& archive, const std::vector<int32_t>& ids,
                      std::string_view type, std::vector<DRSSelectedFile>& selected) {
  std::vector<DRSSelectedFile> chosen;
  std::vector<int32_t> missing;
  auto in_scope = [&](const DRSTable& table) { return type.empty() || table.Type == type; };
  if (ids.empty()) {
    for (const DRSTable& table : archive.Tables)
      if (in_scope(table))
        for (const DRSFile& file : table.Files) chosen.push_back({table.Type, file});
  } else {
    for (int32_t id : ids) {
      bool found = false;
      for (const DRSTable& table : archive.Tables) {
        if (!in_scope(table)) continue;
        for (const DRSFile& file : table.Files)
          if (file.ID == id) {
            found = true;
            const bool again = std::any_of(chosen.begin(), chosen.end(), [&](const auto& c) {
              return c.Type == table.Type && c.File.ID == id;
            });
            if (!again) chosen.push_back({table.Type, file});
          }
      }
      if (!found && std::find(missing.begin(), missing.end(), id) == missing.end())
        missing.push_back(id);
    }
  }
  if (!missing.empty()) {
    std::string text = "the archive holds no ";
    if (!type.empty()) text.append(type).append(" ");
    text += "file ";
    for (size_t i = 0; i < missing.size(); ++i) {
      if (i > 0) text += ", ";
      text += NumberText(missing[i]);
    }
    return Status::Fail(text);
  }
  selected = std::move(chosen);
  return Status::Ok();
}

Status ExtractDRSFiles(const std::string& archive_path, const std::vector<DRSSelectedFile>& files,
                       const std::string& folder, const DRSExtractOptions& options,
                       const ProgressSink& progress) {
  std::error_code ec;
  const fs::path root(NativePath(folder.empty() ? std::string(".") : folder));
  if (fs::exists(fs::symlink_status(root, ec)) && !fs::is_directory(root, ec))
    return Status::Fail(folder + ": is not a folder");
  fs::create_directories(root, ec);
  if (ec) return Status::Fail(folder + ": the folder cannot be made: " + ec.message());

  std::vector<std::string> paths;
  paths.reserve(files.size());
  for (const DRSSelectedFile& file : files)
    paths.push_back(
        (root / (options.NameOf ? options.NameOf(file) : DRSFileName(file.Type, file.File.ID)))
            .generic_string());
  if (options.Replace) {
    // What cannot be replaced (a folder, or a link to one) stops the
    // extraction before the first file rather than halfway.
    for (const std::string& path : paths)
      if (Status replaceable = CanReplace(path); !replaceable)
        return Status::Fail(replaceable.message() + "; nothing was extracted");
  } else {
    std::vector<std::string> taken;
    for (const std::string& path : paths)
      if (NameTaken(path)) taken.push_back(path);
    if (!taken.empty()) {
      std::string detail = taken.front();
      if (taken.size() > 1) detail += " and " + NumberText(static_cast<int64_t>(taken.size()) - 1) + " more";
      return Status::Fail(detail + (taken.size() > 1 ? " already exist" : " already exists") +
                          "; give --force to replace; nothing was extracted");
    }
  }

  std::FILE* opened = nullptr;
  if (Status status = OpenForReading(archive_path, opened); !status) return status;
  FilePtr archive(opened);
  const int64_t archive_size = FileSize(archive_path);
  std::string block;
  for (size_t i = 0; i < files.size(); ++i) {
    Tell(progress, "Extracting " + Describe(files[i]), static_cast<int64_t>(i) + 1,
         static_cast<int64_t>(files.size()));
    if (Status copied = CopyOut(archive.get(), archive_path, archive_size, files[i], paths[i], block);
        !copied)
      return copied;
    if (options.Written) options.Written(paths[i], files[i]);
  }
  return Status::Ok();
}

Status ReadDRSFolder(const std::string& folder, DRSArchiveSource& source,
                     std::vector<std::string>& skipped) {
  const fs::path root(NativePath(folder));
  std::error_code ec;
  if (!fs::is_directory(root, ec)) return Status::Fail(folder + ": is not a folder");
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
    entries.push_back(*it);
  if (ec) return Status::Fail(folder + ": the folder cannot be read: " + ec.message());
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });

  std::map<std::string, DRSTableSource> tables;  // by type name, the order written
  std::map<std::string, std::map<int32_t, std::string>> paths_of;  // each type's ids
  std::vector<std::string> found_skipped;
  for (const fs::directory_entry& entry : entries) {
    const std::string name = entry.path().filename().string();
    const std::string path = entry.path().generic_string();
    std::error_code type_ec;
    if (!entry.is_regular_file(type_ec)) {
      found_skipped.push_back(path + " (not a file)");
      continue;
    }
    const size_t dot = name.rfind('.');
    const std::string stem = name.substr(0, dot == std::string::npos ? name.size() : dot);
    const bool numeric =
        !stem.empty() && std::all_of(stem.begin() + (stem.front() == '-' ? 1 : 0), stem.end(),
                                     [](char c) { return c >= '0' && c <= '9'; }) &&
        stem != "-";
    if (dot == std::string::npos || !numeric) {
      found_skipped.push_back(path + " (not named ID.TYPE)");
      continue;
    }
    const std::optional<int32_t> id = ParseArchiveID(stem);
    if (!id)
      return Status::Fail(path + ": the id " + stem +
                          " is outside what an archive holds (-2147483648 to 2147483647)");
    const std::string type = AsciiLower(name.substr(dot + 1));
    if (!IsDRSType(type))
      return Status::Fail(path + ": \"" + name.substr(dot + 1) +
                          "\" is no archive file type (1 to 4 letters or digits)");
    const int64_t size = FileSize(path);
    if (size < 0) return Status::Fail(path + ": cannot be read");
    DRSTableSource& table = tables[type];
    table.Type = type;
    const auto [earlier, added] = paths_of[type].emplace(*id, path);
    if (!added)
      return Status::Fail(path + ": " + type + " file " + NumberText(*id) + " is given twice (" +
                          earlier->second + ")");
    table.Files.push_back(DRSFileSource::FromFile(*id, path, 0, size));
  }
  DRSArchiveSource made;
  for (auto& [type, table] : tables) made.Tables.push_back(std::move(table));
  source = std::move(made);
  skipped = std::move(found_skipped);
  return Status::Ok();
}

}  // namespace zorv
