#include "archive/DRSArchive.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <unordered_set>

#include "common/FileIO.h"
#include "common/Functions.h"
#include "common/LittleEndian.h"

namespace zorv {
namespace {

constexpr int64_t kVersionAt = 40;
constexpr int64_t kArchiveTypeAt = 44;
constexpr int64_t kTableCountAt = 56;
constexpr int64_t kDataStartAt = 60;

// Reads size bytes at offset of the archive into out; false when they are
// not there.
using FetchBytes = std::function<bool(int64_t offset, int64_t size, std::string& out)>;

std::string TypeFromTag(std::string_view tag) {
  std::string type(tag.rbegin(), tag.rend());
  while (!type.empty() && type.back() == ' ') type.pop_back();
  return type;
}

std::string ShownTag(std::string_view tag) {
  std::string shown;
  for (unsigned char c : tag) {
    if (c >= 0x20 && c < 0x7f && c != '"') {
      shown += static_cast<char>(c);
    } else {
      static const char kHex[] = "0123456789abcdef";
      shown += "\\x";
      shown += kHex[c >> 4];
      shown += kHex[c & 15];
    }
  }
  return "\"" + shown + "\"";
}

// The checks of the directory, whatever holds the bytes. Gives the reason
// as text; the callers put the file's name in front.
std::string CheckDirectory(const FetchBytes& fetch, int64_t file_size, DRSArchive& archive) {
  std::string head;
  if (file_size < kDRSHeaderSize || !fetch(0, kDRSHeaderSize, head))
    return "not a game archive: the file is shorter than an archive header";
  if (!LooksLikeDRSArchive(head))
    return "not a game archive: no version number at byte 40";

  DRSArchive read;
  read.FileSize = file_size;
  read.Header.Copyright = head.substr(0, kDRSCopyrightSize);
  read.Header.Version = head.substr(kVersionAt, kDRSVersionSize);
  read.Header.ArchiveType = head.substr(kArchiveTypeAt, kDRSArchiveTypeSize);
  const int64_t table_count = le::I32(head, kTableCountAt);
  read.DataStart = le::I32(head, kDataStartAt);
  const std::string damaged = "damaged archive: ";
  if (table_count < 0) return damaged + "a negative number of tables";
  const int64_t lists_start = kDRSHeaderSize + kDRSTableRecordSize * table_count;
  if (lists_start > file_size)
    return damaged + "the header claims " + NumberText(table_count) +
           " tables, more than the file holds";
  if (read.DataStart < lists_start || read.DataStart > file_size)
    return damaged + "the data start " + NumberText(read.DataStart) +
           " lies outside " + NumberText(lists_start) + " to " + NumberText(file_size);

  std::string records;
  if (!fetch(kDRSHeaderSize, lists_start - kDRSHeaderSize, records))
    return damaged + "the table records cannot be read";

  // A stretch of the file that one list or one file's data takes; its
  // description is made only for a message, not for every file.
  struct Span {
    int64_t begin, end;
    size_t table;
    bool list;
    int32_t id;
  };
  std::vector<Span> lists, data;
  std::unordered_set<std::string> types;
  for (int64_t t = 0; t < table_count; ++t) {
    const size_t at = static_cast<size_t>(kDRSTableRecordSize * t);
    const std::string_view tag(records.data() + at, 4);
    DRSTable table;
    table.Type = TypeFromTag(tag);
    table.ListOffset = le::I32(records, at + 4);
    const int64_t count = le::I32(records, at + 8);
    const std::string which = "table " + NumberText(t + 1);
    if (!IsDRSType(table.Type))
      return damaged + which + " has the type " + ShownTag(tag) + ", which is no file type";
    if (!types.insert(table.Type).second)
      return damaged + "two tables of the type \"" + table.Type + "\"";
    if (count < 0) return damaged + which + " (" + table.Type + ") has a negative file count";
    // The lists lie between the table records and the data; a count that
    // does not fit there is refused before anything is made for it.
    if (count > 0 && (table.ListOffset < lists_start || table.ListOffset > read.DataStart ||
                      count > (read.DataStart - table.ListOffset) / kDRSFileEntrySize))
      return damaged + which + " (" + table.Type + ") claims " + NumberText(count) +
             " files at " + NumberText(table.ListOffset) +
             ", which does not fit between the table records and the data";
    if (count > 0)
      lists.push_back({table.ListOffset, table.ListOffset + kDRSFileEntrySize * count,
                       static_cast<size_t>(t), true, 0});

    std::string list;
    if (count > 0 && !fetch(table.ListOffset, kDRSFileEntrySize * count, list))
      return damaged + "the file list of " + which + " cannot be read";
    std::unordered_set<int32_t> ids;
    table.Files.reserve(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
      const size_t e = static_cast<size_t>(kDRSFileEntrySize * i);
      DRSFile file;
      file.ID = le::I32(list, e);
      file.Offset = le::I32(list, e + 4);
      file.Size = le::I32(list, e + 8);
      auto name = [&] { return table.Type + " file " + NumberText(file.ID); };
      if (!ids.insert(file.ID).second) return damaged + name() + " is listed twice";
      if (file.Size < 0) return damaged + name() + " has a negative size";
      if (file.Offset < read.DataStart || file.Offset > file_size ||
          file.Size > file_size - file.Offset)
        return damaged + name() + " (" + NumberText(file.Size) + " bytes at " +
               NumberText(file.Offset) + ") lies outside the data, " +
               NumberText(read.DataStart) + " to " + NumberText(file_size);
      if (file.Size > 0)
        data.push_back({file.Offset, file.Offset + file.Size, static_cast<size_t>(t), false,
                        file.ID});
      table.Files.push_back(file);
    }
    read.Tables.push_back(std::move(table));
  }

  // Lists that overlap, or files whose data partly overlap, are damage
  // (files sharing exactly the same bytes are allowed: a writer may store
  // equal files once).
  auto what = [&](const Span& span) {
    const std::string& type = read.Tables[span.table].Type;
    if (span.list)
      return "the file list of table " + NumberText(static_cast<int64_t>(span.table) + 1) +
             " (" + type + ")";
    return type + " file " + NumberText(span.id);
  };
  auto first_overlap = [&](std::vector<Span>& spans, bool allow_equal) -> std::string {
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) {
      return a.begin != b.begin ? a.begin < b.begin : a.end < b.end;
    });
    for (size_t i = 1; i < spans.size(); ++i) {
      const Span& a = spans[i - 1];
      const Span& b = spans[i];
      if (allow_equal && a.begin == b.begin && a.end == b.end) continue;
      if (b.begin < a.end) return what(a) + " and " + what(b) + " overlap";
    }
    return {};
  };
  if (std::string overlap = first_overlap(lists, false); !overlap.empty())
    return damaged + overlap;
  if (std::string overlap = first_overlap(data, true); !overlap.empty())
    return damaged + overlap;

  archive = std::move(read);
  return {};
}

}  // namespace

DRSHeaderText DefaultDRSHeaderText() {
  DRSHeaderText text;
  text.Copyright = "Resource archive by Zorv Mod Editor\x1a";
  text.Copyright.resize(kDRSCopyrightSize, '\0');
  text.Version = "1.00";
  text.ArchiveType = "tribe";
  text.ArchiveType.resize(kDRSArchiveTypeSize, '\0');
  return text;
}

bool IsDRSType(std::string_view type) {
  if (type.empty() || type.size() > 4) return false;
  return std::all_of(type.begin(), type.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
  });
}

std::string DRSTypeTag(std::string_view type) {
  std::string tag(type.rbegin(), type.rend());
  tag.insert(0, 4 - std::min<size_t>(4, tag.size()), ' ');
  return tag;
}

bool LooksLikeDRSArchive(std::string_view head) {
  if (head.size() < static_cast<size_t>(kDRSHeaderSize)) return false;
  const std::string_view version = head.substr(kVersionAt, kDRSVersionSize);
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  return digit(version[0]) && version[1] == '.' && digit(version[2]) && digit(version[3]);
}

Status ParseDRSArchive(std::string_view head, int64_t file_size, DRSArchive& archive) {
  bool short_head = false;
  FetchBytes fetch = [&](int64_t offset, int64_t size, std::string& out) {
    if (offset < 0 || size < 0 || offset > static_cast<int64_t>(head.size()) ||
        size > static_cast<int64_t>(head.size()) - offset) {
      short_head = true;
      return false;
    }
    out.assign(head.substr(static_cast<size_t>(offset), static_cast<size_t>(size)));
    return true;
  };
  std::string reason = CheckDirectory(fetch, file_size, archive);
  if (reason.empty()) return Status::Ok();
  if (short_head && file_size > static_cast<int64_t>(head.size()))
    reason += " (the archive is cut short)";
  return Status::Fail(reason);
}

Status ReadDRSArchive(const std::string& path, DRSArchive& archive) {
  std::FILE* opened = nullptr;
  if (Status status = OpenForReading(path, opened); !status) return status;
  FilePtr file(opened);
  const int64_t file_size = FileSize(path);
  if (file_size < 0) return Status::Fail(path + ": no such file");
  FetchBytes fetch = [&](int64_t offset, int64_t size, std::string& out) {
    if (offset < 0 || size < 0 || offset > file_size || size > file_size - offset) return false;
    out.resize(static_cast<size_t>(size));
    return SeekTo(file.get(), static_cast<uint64_t>(offset)) &&
           (size == 0 || std::fread(out.data(), 1, out.size(), file.get()) == out.size());
  };
  const std::string reason = CheckDirectory(fetch, file_size, archive);
  if (reason.empty()) return Status::Ok();
  return Status::Fail(path + ": " + reason);
}

Status ReadDRSFile(const std::string& path, const DRSFile& file, std::string& data) {
  data.clear();
  std::FILE* opened = nullptr;
  if (Status status = OpenForReading(path, opened); !status) return status;
  FilePtr handle(opened);
  const int64_t file_size = FileSize(path);
  if (file.Offset < 0 || file.Size < 0 || file.Offset > file_size ||
      file.Size > file_size - file.Offset)
    return Status::Fail(path + ": file " + NumberText(file.ID) + " lies outside the archive");
  data.resize(static_cast<size_t>(file.Size));
  if (!SeekTo(handle.get(), static_cast<uint64_t>(file.Offset)) ||
      (file.Size > 0 && std::fread(data.data(), 1, data.size(), handle.get()) != data.size())) {
    data.clear();
    return Status::Fail(path + ": file " + NumberText(file.ID) + " cannot be read");
  }
  return Status::Ok();
}

const DRSTable* FindDRSTable(const DRSArchive& archive, std::string_view type) {
  for (const DRSTable& table : archive.Tables)
    if (table.Type == type) return &table;
  return nullptr;
}

const DRSFile* FindDRSFile(const DRSArchive& archive, std::string_view type, int32_t id) {
  const DRSTable* table = FindDRSTable(archive, type);
  if (!table) return nullptr;
  for (const DRSFile& file : table->Files)
    if (file.ID == id) return &file;
  return nullptr;
}

}  // namespace zorv
