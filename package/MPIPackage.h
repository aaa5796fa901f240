// The MPI package layout: the 14-byte header ("MPI 0.6 ", entry count,
// title and readme lengths), the title and readme bytes, 14-byte directory
// entries, then every entry's data with no gaps. Little-endian throughout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/Status.h"

namespace zorv {

inline constexpr char kMPIMagic[] = "MPI 0.6 ";  // 8 bytes, no terminator stored
inline constexpr size_t kMPIMagicSize = 8;
inline constexpr int64_t kMPIHeaderSize = 14;
inline constexpr int64_t kMPIEntrySize = 14;
// The counts and lengths of the header are signed 16-bit fields.
inline constexpr int64_t kMPIMaxField = INT16_MAX;
// Lengths and offsets of the directory are signed 32-bit fields.
inline constexpr int64_t kMPIMaxOffset = INT32_MAX;

struct MPIEntry {
  uint8_t Kind = 0;
  uint8_t ReplaceTarget = 0;
  int32_t ResourceID = 0;
  int32_t Length = 0;
  int32_t Offset = 0;
};

struct MPIPackage {
  std::string Title;
  std::string Readme;
  std::vector<MPIEntry> Entries;
  int64_t FileSize = 0;
};

// The header bytes of a package, up to the directory.
std::string EncodeMPIHeader(int16_t entry_count, const std::string& title,
                            const std::string& readme);
// One 14-byte directory entry.
std::string EncodeMPIEntry(const MPIEntry& entry);

// Reads the header and directory of the package at path (not the data) and
// checks that they describe the file: a damaged or foreign file gives a
// failure saying what is wrong, never a read beyond the file.
Status ReadMPIPackage(const std::string& path, MPIPackage& package);

// The data bytes of one entry of a package read by ReadMPIPackage.
Status ReadMPIEntryData(const std::string& path, const MPIEntry& entry, std::string& data);

}  // namespace zorv
