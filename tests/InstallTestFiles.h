// Game data folders for the install tests, made in code: archives in the
// canonical layout and in others (a gap, data out of table order, lists
// not sorted), packages of any entries, and a snapshot of every file of a
// folder to compare byte for byte.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "archive/DRSWriter.h"
#include "common/LittleEndian.h"
#include "package/MPIPackage.h"
#include "tests/support/TestSupport.h"

namespace zorv::test {

inline void WriteArchive(const std::string& path, const DRSArchiveSource& source) {
  std::string bytes;
  Status made = DRSArchiveBytes(source, bytes);
  ASSERT_TRUE(made.ok()) << made.message();
  WriteFileBytes(path, bytes);
}

// An archive whose file data lies where order says (table, position in the
// list), with gap bytes between files: not the layout the writer makes.
// Lists are stored in the order given, not sorted.
struct RawTable {
  std::string Type;
  std::vector<std::pair<int32_t, std::string>> Files;
};
inline std::string NonCanonicalArchive(const std::vector<RawTable>& tables,
                                       const std::vector<std::pair<size_t, size_t>>& order,
                                       const std::string& gap) {
  const DRSHeaderText text = DefaultDRSHeaderText();
  size_t file_count = 0;
  for (const RawTable& table : tables) file_count += table.Files.size();
  const size_t data_start = 64 + 12 * tables.size() + 12 * file_count;
  std::map<std::pair<size_t, size_t>, size_t> offsets;
  std::string data;
  for (const auto& at : order) {
    data += gap;
    offsets[at] = data_start + data.size();
    data += tables[at.first].Files[at.second].second;
  }
  std::string bytes = text.Copyright + text.Version + text.ArchiveType;
  le::PutU32(bytes, static_cast<uint32_t>(tables.size()));
  le::PutU32(bytes, static_cast<uint32_t>(data_start));
  size_t list_at = 64 + 12 * tables.size();
  for (const RawTable& table : tables) {
    bytes += DRSTypeTag(table.Type);
    le::PutU32(bytes, static_cast<uint32_t>(list_at));
    le::PutU32(bytes, static_cast<uint32_t>(table.Files.size()));
    list_at += 12 * table.Files.size();
  }
  for (size_t t = 0; t < tables.size(); ++t)
    for (size_t f = 0; f < tables[t].Files.size(); ++f) {
      le::PutU32(bytes, static_cast<uint32_t>(tables[t].Files[f].first));
      le::PutU32(bytes, static_cast<uint32_t>(offsets.at({t, f})));
      le::PutU32(bytes, static_cast<uint32_t>(tables[t].Files[f].second.size()));
    }
  return bytes + data + gap;
}

struct PackageEntry {
  uint8_t Kind;
  uint8_t Target;
  int32_t ID;
  std::string Bytes;
};

inline std::string PackageBytes(const std::string& title, const std::vector<PackageEntry>& entries) {
  std::string bytes = EncodeMPIHeader(static_cast<int16_t>(entries.size()), title, "readme");
  int32_t offset = static_cast<int32_t>(bytes.size() + kMPIEntrySize * entries.size());
  for (const PackageEntry& entry : entries) {
    MPIEntry encoded{entry.Kind, entry.Target, entry.ID, static_cast<int32_t>(entry.Bytes.size()),
                     offset};
    bytes += EncodeMPIEntry(encoded);
    offset += encoded.Length;
  }
  for (const PackageEntry& entry : entries) bytes += entry.Bytes;
  return bytes;
}

// Every file below folder by its path relative to it, with its bytes.
inline std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = std::filesystem::relative(entry.path(), folder).string();
    files[name] = entry.is_regular_file() ? ReadFileBytes(entry.path().string()) : "<folder>";
  }
  return files;
}

// The names of a snapshot, for messages that show what appeared or went.
inline std::string Names(const std::map<std::string, std::string>& files) {
  std::string names;
  for (const auto& [name, bytes] : files) names += name + " ";
  return names;
}

}  // namespace zorv::test
