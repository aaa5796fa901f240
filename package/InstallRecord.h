// The record of the packages installed into a game's data folder, kept in
// its folder zorv-installed/: the file installed.txt lists the installs in
// order, and each install N keeps in zorv-installed/N/ what its uninstall
// needs to restore the archives it changed byte for byte:
//  - for an archive in the canonical layout (rewriting it from its own
//    directory gives the same bytes), the files the install replaced, as
//    ARCHIVE.TYPE.ID (graphics.drs.slp.1234); the ids it added and the
//    tables it made are in the record;
//  - for any other archive, the whole archive as it was (graphics.drs).
// Per archive the record holds its size and checksum (common/Checksum.h)
// before and after the
// install, so that an uninstall finds out whether the archive is still
// what the install left, and checks what it rebuilt before using it.
//
// Paths are never taken from the record: every name inside
// zorv-installed/ is made from checked numbers and the five archive names,
// so a record edited by hand cannot send a write elsewhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/Status.h"

namespace zorv {

inline constexpr char kInstallFolderName[] = "zorv-installed";
inline constexpr char kInstallRecordName[] = "installed.txt";
// Far more installs than anyone makes; keeps numbers and names short.
inline constexpr int kMaxInstallNumber = 999999;

struct InstalledFileID {
  std::string Type;  // "slp", "wav", "bina"
  int32_t ID = 0;
  bool operator==(const InstalledFileID&) const = default;
};

struct InstalledArchive {
  int Target = 0;        // 0 to 4: which archive
  std::string FileName;  // its name in the data folder (GRAPHICS.DRS too)
  bool KeptWhole = false;
  int64_t SizeBefore = 0, SizeAfter = 0;
  uint64_t HashBefore = 0, HashAfter = 0;
  std::vector<std::string> TablesAdded;      // made by the install
  std::vector<InstalledFileID> Replaced;     // kept in the install's folder
  std::vector<InstalledFileID> Added;
};

struct InstalledPackage {
  int Number = 0;  // 1, 2, ... in the order of installation
  std::string Title;
  std::string PackageFile;  // as named to the install, for the listing
  int64_t PackageSize = 0;
  uint64_t PackageHash = 0;  // with the size, what tells packages apart
  std::vector<InstalledArchive> Archives;
};

struct InstallRecord {
  std::vector<InstalledPackage> Packages;  // oldest first
};

// The folder, the record file and an install's folder in data_dir.
std::string InstallFolder(const std::string& data_dir);
std::string InstallRecordPath(const std::string& data_dir);
std::string InstallKeptFolder(const std::string& data_dir, int number);
// Where an install keeps a replaced file, or a whole archive.
std::string KeptFilePath(const std::string& data_dir, int number, int target,
                         const InstalledFileID& file);
std::string KeptArchivePath(const std::string& data_dir, int number, int target);

// The record's text, and back; a text that is not a whole, consistent
// record gives a failure naming the line.
std::string FormatInstallRecord(const InstallRecord& record);
Status ParseInstallRecord(const std::string& text, InstallRecord& record);

// The record of data_dir: empty when nothing was ever installed there. The
// folder must be a real folder, not a link to elsewhere.
Status ReadInstallRecord(const std::string& data_dir, InstallRecord& record);

}  // namespace zorv
