#include "package/InstallPlan.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "common/FileIO.h"
#include "common/Functions.h"
#include "package/GameArchives.h"
#include "project/ModProject.h"

namespace zorv {
namespace {

std::string Joined(const std::string& folder, const std::string& name) {
  return (std::filesystem::path(NativePath(folder)) / name).string();
}

std::string EntryText(int number, const MPIEntry& entry) {
  return "entry " + NumberText(number) + " (" + ResourceKindName(entry.Kind) + ", " +
         ReplaceTargetName(entry.ReplaceTarget) + ", ID " + NumberText(entry.ResourceID) + ")";
}

}  // namespace

Status PlanInstall(const std::string& package_path, const std::string& data_dir,
                   InstallPlan& plan) {
  InstallPlan made;
  made.PackagePath = package_path;
  if (Status read = ReadMPIPackage(package_path, made.Package); !read) return read;

  std::map<int, PlannedArchive> archives;
  for (size_t i = 0; i < made.Package.Entries.size(); ++i) {
    const MPIEntry& entry = made.Package.Entries[i];
    const int number = static_cast<int>(i) + 1;
    const std::string type = ArchiveTableOfKind(entry.Kind);
    if (GameArchiveName(entry.ReplaceTarget).empty()) {
      made.NotInstalled.push_back(
          {number, entry, "the target " + ReplaceTargetName(entry.ReplaceTarget) +
                              " is no game archive"});
      continue;
    }
    if (type.empty()) {
      made.NotInstalled.push_back(
          {number, entry, "a " + ResourceKindName(entry.Kind) + " entry goes into no archive table"});
      continue;
    }
    PlannedArchive& archive = archives[entry.ReplaceTarget];
    if (archive.FileName.empty()) {
      archive.Target = entry.ReplaceTarget;
      if (Status found = FindGameArchive(data_dir, archive.Target, archive.FileName); !found)
        return found;
      archive.Path = Joined(data_dir, archive.FileName);
      if (Status read = ReadDRSArchive(archive.Path, archive.Directory); !read) return read;
    }
    // A later entry for the same file wins, as it would if applied in turn.
    auto same = std::find_if(archive.Files.begin(), archive.Files.end(), [&](const PlannedFile& f) {
      return f.Type == type && f.Entry.ResourceID == entry.ResourceID;
    });
    if (same != archive.Files.end()) {
      made.NotInstalled.push_back({same->EntryNumber, same->Entry,
                                   "entry " + NumberText(number) + " sets the same " + type +
                                       " file of " + archive.FileName});
      archive.Files.erase(same);
    }
    PlannedFile file;
    file.EntryNumber = number;
    file.Entry = entry;
    file.Type = type;
    if (const DRSFile* old = FindDRSFile(archive.Directory, type, entry.ResourceID)) {
      file.Replaces = true;
      file.OldSize = old->Size;
    }
    archive.Files.push_back(file);
  }
  for (auto& [target, archive] : archives) made.Archives.push_back(std::move(archive));
  std::sort(made.NotInstalled.begin(), made.NotInstalled.end(),
            [](const SkippedEntry& a, const SkippedEntry& b) { return a.EntryNumber < b.EntryNumber; });
  plan = std::move(made);
  return Status::Ok();
}

std::vector<std::string> DescribeChanges(const InstallPlan& plan) {
  std::vector<std::string> lines;
  for (const PlannedArchive& archive : plan.Archives)
    for (const PlannedFile& file : archive.Files) {
      std::string line = archive.FileName + " " + file.Type + " " + NumberText(file.Entry.ResourceID);
      if (file.Replaces)
        line += " replaced " + NumberText(file.OldSize) + " -> " + NumberText(file.Entry.Length) +
                " bytes";
      else
        line += " added " + NumberText(file.Entry.Length) + " bytes";
      if (!FindDRSTable(archive.Directory, file.Type)) line += " (new " + file.Type + " table)";
      lines.push_back(std::move(line));
    }
  return lines;
}

std::vector<std::string> DescribeNotInstalled(const InstallPlan& plan) {
  std::vector<std::string> lines;
  for (const SkippedEntry& skipped : plan.NotInstalled)
    lines.push_back(EntryText(skipped.EntryNumber, skipped.Entry) + ": " + skipped.Reason);
  return lines;
}

}  // namespace zorv
