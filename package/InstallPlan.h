// What installing a package into a game's data folder would change: for
// every archive an entry targets, the files it replaces or adds; and the
// entries that are not installed, with the reason. Reading the plan writes
// nothing (it is all `install --dry-run` does).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/DRSArchive.h"
#include "common/Status.h"
#include "package/MPIPackage.h"

namespace zorv {

struct PlannedFile {
  int EntryNumber = 0;  // in the package's directory, from 1
  MPIEntry Entry;
  std::string Type;  // the table: "slp", "wav", "bina"
  bool Replaces = false;
  int64_t OldSize = 0;  // of the file replaced
};

struct PlannedArchive {
  int Target = 0;
  std::string FileName;  // as found in the data folder
  std::string Path;
  DRSArchive Directory;  // as it is before the install
  std::vector<PlannedFile> Files;  // in the package's order
};

struct SkippedEntry {
  int EntryNumber = 0;
  MPIEntry Entry;
  std::string Reason;
};

struct InstallPlan {
  std::string PackagePath;
  MPIPackage Package;
  std::vector<PlannedArchive> Archives;  // by target
  std::vector<SkippedEntry> NotInstalled;
};

// Reads the package's directory and the directory of every archive its
// entries target. A damaged package, a missing or damaged archive fails.
Status PlanInstall(const std::string& package_path, const std::string& data_dir,
                   InstallPlan& plan);

// One line per change: "graphics.drs slp 1234 replaced 5000 -> 6200 bytes".
std::vector<std::string> DescribeChanges(const InstallPlan& plan);
// One line per entry not installed: "entry 3 (BMP, icon, ID 7): ...".
std::vector<std::string> DescribeNotInstalled(const InstallPlan& plan);

}  // namespace zorv
