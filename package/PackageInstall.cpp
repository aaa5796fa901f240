#include "package/PackageInstall.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <system_error>

#include "archive/DRSWriter.h"
#include "common/Checksum.h"
#include "common/FileIO.h"
#include "common/FileTransaction.h"
#include "common/FolderLock.h"
#include "common/Functions.h"
#include "package/ArchiveLayout.h"
#include "package/GameArchives.h"

namespace zorv {
namespace fs = std::filesystem;

namespace {

constexpr char kNotInstalled[] = "The package was not installed; every archive is as it was.";
constexpr char kNotUninstalled[] = "The package was not uninstalled; every archive is as it was.";

std::string InFolder(const std::string& folder, const std::string& name) {
  return (fs::path(NativePath(folder)) / name).string();
}

bool IsRealFolder(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(fs::symlink_status(fs::path(path), ec));
}

// A folder made for an install that does not go through is removed again;
// the top folder only while empty (it may hold other installs' files).
class FolderCleanup {
 public:
  FolderCleanup(std::string path, bool whole) : path_(std::move(path)), whole_(whole) {}
  ~FolderCleanup() {
    if (path_.empty()) return;
    std::error_code ec;
    if (whole_ && IsRealFolder(path_))
      fs::remove_all(fs::path(path_), ec);
    else
      fs::remove(fs::path(path_), ec);
  }
  void Dismiss() { path_.clear(); }

 private:
  std::string path_;
  bool whole_;
};

// The record's folder, made when missing (made_top), and a new, empty
// folder for the files install number keeps. On failure nothing made here
// is left.
Status MakeInstallFolders(const std::string& data_dir, int number, bool& made_top) {
  const std::string top = InstallFolder(data_dir);
  std::error_code ec;
  made_top = false;
  if (!fs::exists(fs::symlink_status(fs::path(top), ec))) {
    if (!fs::create_directory(fs::path(top), ec))
      return Status::Fail(top + ": cannot be made (" + ec.message() + ")");
    made_top = true;
  } else if (!IsRealFolder(top)) {
    return Status::Fail(top + ": is not a folder (a link or a file)");
  }
  const std::string kept = InstallKeptFolder(data_dir, number);
  // A folder of this number that the record does not know is what an
  // install stopped before its end left: it is no one's.
  const fs::file_status status = fs::symlink_status(fs::path(kept), ec);
  if (fs::is_directory(status))
    fs::remove_all(fs::path(kept), ec);
  else if (fs::exists(status))
    fs::remove(fs::path(kept), ec);
  if (!fs::create_directory(fs::path(kept), ec)) {
    const std::string reason = ec.message();
    if (made_top) fs::remove(fs::path(top), ec);
    made_top = false;
    return Status::Fail(kept + ": cannot be made (" + reason + ")");
  }
  return Status::Ok();
}

// A second name for a file, or a copy where the file system has no links.
// A copy that fails part-way is removed. A symbolic link is followed: a
// second name for the link itself would keep no bytes, and a relative one
// leads nowhere from another folder.
Status LinkOrCopy(const std::string& from, const std::string& to) {
  std::error_code ec;
  const fs::path file = fs::canonical(fs::path(from), ec);
  fs::create_hard_link(ec ? fs::path(from) : file, fs::path(to), ec);
  if (!ec) return Status::Ok();
  ec.clear();
  if (!fs::copy_file(fs::path(from), fs::path(to), fs::copy_options::none, ec)) {
    const std::string reason = ec.message();
    if (ec != std::errc::file_exists) fs::remove(fs::path(to), ec);
    return Status::Fail(to + ": cannot be written (" + reason + ")");
  }
  return Status::Ok();
}

DRSTableSource& TableOf(DRSArchiveSource& source, const std::string& type, bool& made) {
  made = false;
  for (DRSTableSource& table : source.Tables)
    if (table.Type == type) return table;
  made = true;
  source.Tables.push_back({type, {}});
  return source.Tables.back();
}

DRSFileSource* FileOf(DRSTableSource& table, int32_t id) {
  for (DRSFileSource& file : table.Files)
    if (file.ID == id) return &file;
  return nullptr;
}

// Writes source as the new content of the archive at path, beside it, and
// stages it in transaction. Gives the new file's name.
Status WriteBeside(const std::string& path, const DRSArchiveSource& source,
                   FileTransaction& transaction, std::string& temporary,
                   const DRSWriteObserver& observe = {}) {
  SafeFileWriter out;
  if (Status opened = out.Open(path, SafeFileWriter::Placement::kAlwaysBeside); !opened)
    return opened;
  if (Status written = WriteDRSArchive(source, out, {}, observe); !written) {
    out.Abandon();
    return Status::Fail(AboutFile(path, written.message()));
  }
  if (Status finished = out.Finish(); !finished) return finished;
  temporary = out.ReleaseTemporary();
  transaction.StageWritten(path, temporary);
  return Status::Ok();
}

struct StagedArchive {
  InstalledArchive Record;
  FileTransaction Transaction;
};

// Writes the new version of one archive beside it and keeps what the
// uninstall needs; replaces nothing.
Status StageInstall(const InstallPlan& plan, const PlannedArchive& planned,
                    const std::string& data_dir, int number, StagedArchive& staged) {
  InstalledArchive& record = staged.Record;
  record.Target = planned.Target;
  record.FileName = planned.FileName;
  const DRSArchive& old = planned.Directory;
  const bool canonical = IsCanonicalDRSLayout(old);
  record.KeptWhole = !canonical;
  record.SizeBefore = old.FileSize;
  if (!canonical) {
    // Summed on its own; such archives are rare (the game's own are not).
    int64_t size = 0;
    if (Status summed = FileHash(planned.Path, record.HashBefore, size); !summed) return summed;
    if (size != old.FileSize)
      return Status::Fail(planned.Path + ": the archive changed while it was read");
    if (Status kept = LinkOrCopy(planned.Path, KeptArchivePath(data_dir, number, planned.Target));
        !kept)
      return kept;
  }

  DRSArchiveSource source = SourceOfDRSArchive(old, planned.Path);
  // The checksum of each file replaced (kept): part of the old archive's
  // digest.
  DRSFileHashes replaced_hashes;
  for (const PlannedFile& file : planned.Files) {
    std::string bytes;
    if (Status read = ReadMPIEntryData(plan.PackagePath, file.Entry, bytes); !read) return read;
    bool made = false;
    DRSTableSource& table = TableOf(source, file.Type, made);
    if (made) record.TablesAdded.push_back(file.Type);
    const InstalledFileID id{file.Type, file.Entry.ResourceID};
    if (DRSFileSource* replaced = FileOf(table, id.ID)) {
      if (canonical) {
        const DRSFile* stored = FindDRSFile(old, id.Type, id.ID);
        std::string kept;
        if (Status read = ReadDRSFile(planned.Path, *stored, kept); !read) return read;
        if (Status written =
                WriteFileSafely(KeptFilePath(data_dir, number, planned.Target, id), kept);
            !written)
          return written;
        replaced_hashes[{id.Type, id.ID}] = HashOf(kept);
      }
      record.Replaced.push_back(id);
      *replaced = DRSFileSource::FromBytes(id.ID, std::move(bytes));
    } else {
      record.Added.push_back(id);
      table.Files.push_back(DRSFileSource::FromBytes(id.ID, std::move(bytes)));
    }
  }

  WrittenDRSHashes hashes;
  std::string temporary;
  if (Status written =
          WriteBeside(planned.Path, source, staged.Transaction, temporary, hashes.Observer());
      !written)
    return written;
  record.SizeAfter = FileSize(temporary);
  DRSArchive layout;
  if (Status planned_layout = PlanDRSArchive(source, layout); !planned_layout)
    return planned_layout;
  record.HashAfter = CanonicalDRSDigest(layout, hashes.Directory(), hashes.Files());
  if (!canonical) return Status::Ok();
  // The old archive is its directory and its files, each of which was
  // either copied into the new one (and summed there) or kept: only the
  // directory is read.
  std::string directory;
  if (Status read = ReadFileStart(planned.Path, static_cast<uint64_t>(old.DataStart), directory);
      !read)
    return read;
  DRSFileHashes old_files = hashes.Files();
  for (const auto& [id, hash] : replaced_hashes) old_files[id] = hash;
  record.HashBefore = CanonicalDRSDigest(old, directory, old_files);
  return Status::Ok();
}

// Moves every staged archive into place, then the record; when one move
// fails, every archive moved is put back.
Status ApplyAll(std::vector<std::unique_ptr<StagedArchive>>& archives,
                FileTransaction& record, const ProgressSink& progress) {
  const int64_t total = static_cast<int64_t>(archives.size()) + 1;
  std::vector<FileTransaction*> applied;
  auto undo = [&] {
    for (auto it = applied.rbegin(); it != applied.rend(); ++it) (*it)->Undo();
  };
  int64_t step = 0;
  for (auto& archive : archives) {
    Tell(progress, "Replacing " + archive->Record.FileName, ++step, total);
    if (Status moved = archive->Transaction.Apply(); !moved) {
      undo();
      return moved;
    }
    applied.push_back(&archive->Transaction);
  }
  Tell(progress, "Writing the install record", ++step, total);
  if (Status moved = record.Apply(); !moved) {
    undo();
    return moved;
  }
  for (FileTransaction* transaction : applied) transaction->Keep();
  record.Keep();
  return Status::Ok();
}

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  fs::path full = fs::absolute(fs::path(NativePath(path)), ec);
  return ec ? path : full.lexically_normal().string();
}

const InstalledPackage* FindInstalled(const InstallRecord& record, int64_t size, uint64_t hash) {
  for (const InstalledPackage& package : record.Packages)
    if (package.PackageSize == size && package.PackageHash == hash) return &package;
  return nullptr;
}

bool SharesArchive(const InstalledPackage& a, const InstalledPackage& b) {
  for (const InstalledArchive& x : a.Archives)
    for (const InstalledArchive& y : b.Archives)
      if (x.Target == y.Target) return true;
  return false;
}

Status StageInstallAll(const std::string& package_path, const std::string& data_dir,
                       InstallResult& result, const ProgressSink& progress) {
  InstallPlan& plan = result.Plan;
  if (Status planned = PlanInstall(package_path, data_dir, plan); !planned) return planned;
  if (plan.Archives.empty()) return Status::Ok();

  InstallRecord record;
  if (Status read = ReadInstallRecord(data_dir, record); !read) return read;
  InstalledPackage installed;
  if (Status summed = FileHash(package_path, installed.PackageHash, installed.PackageSize); !summed)
    return summed;
  if (const InstalledPackage* same =
          FindInstalled(record, installed.PackageSize, installed.PackageHash))
    return Status::Fail(package_path + ": this package is installed already (" +
                        DescribeInstalled(*same) + "); uninstall it first");
  installed.Number = record.Packages.empty() ? 1 : record.Packages.back().Number + 1;
  // A number past the last would make a record that cannot be read back.
  if (installed.Number > kMaxInstallNumber)
    return Status::Fail(InstallRecordPath(data_dir) + ": no install number is left after " +
                        NumberText(kMaxInstallNumber) + "; uninstall the newest installs first");
  installed.Title = plan.Package.Title;
  installed.PackageFile = AbsolutePath(package_path);

  bool made_top = false;
  if (Status made = MakeInstallFolders(data_dir, installed.Number, made_top); !made) return made;
  FolderCleanup top(made_top ? InstallFolder(data_dir) : std::string(), false);
  FolderCleanup kept(InstallKeptFolder(data_dir, installed.Number), true);

  std::vector<std::unique_ptr<StagedArchive>> staged;
  const int64_t total = static_cast<int64_t>(plan.Archives.size());
  for (const PlannedArchive& archive : plan.Archives) {
    Tell(progress, "Writing " + archive.FileName, static_cast<int64_t>(staged.size()) + 1, total);
    staged.push_back(std::make_unique<StagedArchive>());
    if (Status written = StageInstall(plan, archive, data_dir, installed.Number, *staged.back());
        !written)
      return written;
    installed.Archives.push_back(staged.back()->Record);
  }
  record.Packages.push_back(installed);
  FileTransaction record_file;
  if (Status written = record_file.Stage(InstallRecordPath(data_dir), {FormatInstallRecord(record)});
      !written)
    return written;
  if (Status applied = ApplyAll(staged, record_file, progress); !applied) return applied;
  kept.Dismiss();
  top.Dismiss();
  result.Installed = installed;
  return Status::Ok();
}

// The archive as it was before install, rebuilt beside it and staged.
Status StageRestore(const InstalledPackage& package, const InstalledArchive& archive,
                    const std::string& data_dir, StagedArchive& staged) {
  const std::string path = InFolder(data_dir, archive.FileName);
  uint64_t hash = 0;
  int64_t size = 0;
  // What the install wrote is always in the canonical layout: another
  // layout is a change too.
  if (Status summed = ReadDRSDigest(path, hash, size); !summed)
    return Status::Fail(summed.message() + "\nThe archive is no longer what install " +
                        NumberText(package.Number) + " left.");
  if (size != archive.SizeAfter || hash != archive.HashAfter)
    return Status::Fail(path + ": the archive is no longer what install " +
                        NumberText(package.Number) +
                        " left (changed since, by hand or by another tool)");
  std::string temporary;
  if (archive.KeptWhole) {
    const std::string kept = KeptArchivePath(data_dir, package.Number, archive.Target);
    if (FileSize(kept) < 0)
      return Status::Fail(kept + ": the archive kept by the install is missing");
    if (Status summed = FileHash(kept, hash, size); !summed) return summed;
    if (size != archive.SizeBefore || hash != archive.HashBefore)
      return Status::Fail(kept + ": the archive kept by the install is damaged");
    temporary = path + "." + RandomNamePart() + ".part";
    if (Status linked = LinkOrCopy(kept, temporary); !linked) return linked;
    staged.Transaction.StageWritten(path, temporary);
  } else {
    DRSArchive now;
    if (Status read = ReadDRSArchive(path, now); !read) return read;
    DRSArchiveSource source = SourceOfDRSArchive(now, path);
    const std::string missing = path + ": does not hold the files install " +
                                NumberText(package.Number) + " wrote; the record is wrong";
    for (const InstalledFileID& id : archive.Replaced) {
      bool made = false;
      DRSTableSource& table = TableOf(source, id.Type, made);
      DRSFileSource* file = made ? nullptr : FileOf(table, id.ID);
      if (!file) return Status::Fail(missing);
      const std::string kept = KeptFilePath(data_dir, package.Number, archive.Target, id);
      const int64_t kept_size = FileSize(kept);
      if (kept_size < 0) return Status::Fail(kept + ": the file kept by the install is missing");
      *file = DRSFileSource::FromFile(id.ID, kept, 0, kept_size);
    }
    for (const InstalledFileID& id : archive.Added) {
      bool made = false;
      DRSTableSource& table = TableOf(source, id.Type, made);
      auto found = std::find_if(table.Files.begin(), table.Files.end(),
                                [&](const DRSFileSource& f) { return f.ID == id.ID; });
      if (made || found == table.Files.end()) return Status::Fail(missing);
      table.Files.erase(found);
    }
    for (const std::string& type : archive.TablesAdded) {
      auto found = std::find_if(source.Tables.begin(), source.Tables.end(),
                                [&](const DRSTableSource& t) { return t.Type == type; });
      if (found == source.Tables.end() || !found->Files.empty()) return Status::Fail(missing);
      source.Tables.erase(found);
    }
    if (Status written = WriteBeside(path, source, staged.Transaction, temporary); !written)
      return written;
  }
  // A whole archive kept is summed as a plain file (it may be in any
  // layout); a rebuilt one by its digest.
  if (Status summed = archive.KeptWhole ? FileHash(temporary, hash, size)
                                        : ReadDRSDigest(temporary, hash, size);
      !summed)
    return summed;
  if (size != archive.SizeBefore || hash != archive.HashBefore)
    return Status::Fail(path + ": the archive rebuilt from what the install kept differs from "
                               "the one before the install");
  return Status::Ok();
}

Status UninstallAll(const std::string& package_path, const std::string& data_dir,
                    InstalledPackage& removed, const ProgressSink& progress) {
  InstallRecord record;
  if (Status read = ReadInstallRecord(data_dir, record); !read) return read;
  uint64_t hash = 0;
  int64_t size = 0;
  if (Status summed = FileHash(package_path, hash, size); !summed) return summed;
  const InstalledPackage* found = FindInstalled(record, size, hash);
  if (!found)
    return Status::Fail(package_path + ": this package is not installed in " + data_dir);
  const InstalledPackage package = *found;
  const size_t index = static_cast<size_t>(found - record.Packages.data());

  std::string later;
  for (size_t j = record.Packages.size(); j-- > index + 1;)
    if (SharesArchive(record.Packages[j], package))
      later += "\n  " + DescribeInstalled(record.Packages[j]);
  if (!later.empty())
    return Status::Fail("later installs changed the same archives; uninstall these first, "
                        "newest first:" + later);

  std::vector<std::unique_ptr<StagedArchive>> staged;
  const int64_t total = static_cast<int64_t>(package.Archives.size());
  for (const InstalledArchive& archive : package.Archives) {
    Tell(progress, "Restoring " + archive.FileName, static_cast<int64_t>(staged.size()) + 1, total);
    staged.push_back(std::make_unique<StagedArchive>());
    staged.back()->Record = archive;
    if (Status restored = StageRestore(package, archive, data_dir, *staged.back()); !restored)
      return restored;
  }

  record.Packages.erase(record.Packages.begin() + static_cast<ptrdiff_t>(index));
  FileTransaction record_file;
  if (Status written = record_file.Stage(InstallRecordPath(data_dir), {FormatInstallRecord(record)});
      !written)
    return written;
  if (Status applied = ApplyAll(staged, record_file, progress); !applied) return applied;

  std::error_code ec;
  const std::string kept = InstallKeptFolder(data_dir, package.Number);
  if (IsRealFolder(kept)) fs::remove_all(fs::path(kept), ec);
  if (record.Packages.empty()) {
    // Nothing installed any more: the data folder is left as it was found.
    fs::remove(fs::path(InstallRecordPath(data_dir)), ec);
    fs::remove(fs::path(InstallFolder(data_dir)), ec);
  }
  removed = package;
  return Status::Ok();
}

}  // namespace

Status InstallPackage(const std::string& package_path, const std::string& data_dir,
                      InstallResult& result, const ProgressSink& progress) {
  result = InstallResult();
  // Two installs at once would each build on archives the other replaces.
  FolderLock lock;
  Status installed = lock.Acquire(data_dir);
  if (installed) installed = StageInstallAll(package_path, data_dir, result, progress);
  if (!installed) return Status::Fail(kNotInstalled, installed.message());
  return Status::Ok();
}

Status UninstallPackage(const std::string& package_path, const std::string& data_dir,
                        InstalledPackage& removed, const ProgressSink& progress) {
  FolderLock lock;
  Status uninstalled = lock.Acquire(data_dir);
  if (uninstalled) uninstalled = UninstallAll(package_path, data_dir, removed, progress);
  if (!uninstalled) return Status::Fail(kNotUninstalled, uninstalled.message());
  return Status::Ok();
}

std::string DescribeInstalled(const InstalledPackage& package) {
  std::string archives;
  for (const InstalledArchive& archive : package.Archives)
    archives += (archives.empty() ? "" : ", ") + archive.FileName;
  const std::string file = fs::path(package.PackageFile).filename().string();
  std::string text =
      NumberText(package.Number) + " \"" + package.Title + "\" (" + file + "): " + archives;
  // The title is bytes of the package, the file name any the user got:
  // control characters (escape sequences among them) are shown as "?"
  // wherever the text goes, messages too.
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return text;
}

}  // namespace zorv
