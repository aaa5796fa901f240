// The game's resource archives (.drs): a 64-byte header, one 12-byte record
// per table (one table per file type), each table's list of 12-byte file
// entries (id, offset, size), then the files' data. Files have no names,
// only a type and an id. Little-endian throughout.
//
// Reading takes the header and the lists only; a file's bytes are read when
// asked for, so memory follows the directory and the largest file read, not
// the archive. Every offset and size is checked against the file before it
// is used: a damaged archive is refused with what is wrong.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/Status.h"

namespace zorv {

inline constexpr int64_t kDRSHeaderSize = 64;
inline constexpr int64_t kDRSCopyrightSize = 40;
inline constexpr int64_t kDRSVersionSize = 4;
inline constexpr int64_t kDRSArchiveTypeSize = 12;
inline constexpr int64_t kDRSTableRecordSize = 12;
inline constexpr int64_t kDRSFileEntrySize = 12;

// The header texts as stored, each exactly its field's size.
struct DRSHeaderText {
  std::string Copyright;    // 40 bytes
  std::string Version;      // 4 bytes, "1.00"
  std::string ArchiveType;  // 12 bytes, "tribe" and zero bytes
};

// The header texts of the archives this program writes from nothing.
DRSHeaderText DefaultDRSHeaderText();

struct DRSFile {
  int32_t ID = 0;
  int64_t Offset = 0;  // from the start of the archive
  int64_t Size = 0;
};

struct DRSTable {
  std::string Type;  // the file extension: "slp", "wav", "bina"
  int64_t ListOffset = 0;
  std::vector<DRSFile> Files;  // in the order of the list
};

struct DRSArchive {
  DRSHeaderText Header;
  int64_t DataStart = 0;  // as the header gives it
  int64_t FileSize = 0;
  std::vector<DRSTable> Tables;  // in the order of the table records
};

// The 4 stored bytes of a type: the extension reversed, padded with blanks
// ("slp" -> " pls"). Types are 1 to 4 lower-case letters or digits.
std::string DRSTypeTag(std::string_view type);
bool IsDRSType(std::string_view type);

// Checks the directory at the start of an archive of file_size bytes; head
// holds the archive's first bytes, at least up to the end of its lists (the
// data start), or fewer, in which case the failure says the file is cut
// short. Used by ReadDRSArchive and by whoever holds an archive in memory.
Status ParseDRSArchive(std::string_view head, int64_t file_size, DRSArchive& archive);

// Reads and checks the directory of the archive at path.
Status ReadDRSArchive(const std::string& path, DRSArchive& archive);

// Whether the first bytes of a file look like an archive header (for
// recognising archives by content; ReadDRSArchive decides whether it is whole).
bool LooksLikeDRSArchive(std::string_view head);

// The bytes of one file of an archive read by ReadDRSArchive.
Status ReadDRSFile(const std::string& path, const DRSFile& file, std::string& data);

// The table of a type, or null.
const DRSTable* FindDRSTable(const DRSArchive& archive, std::string_view type);
// The file of a type and id, or null.
const DRSFile* FindDRSFile(const DRSArchive& archive, std::string_view type, int32_t id);

}  // namespace zorv
