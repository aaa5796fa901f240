// `zorv info` and `zorv drs list` for game archives (.drs): the header, and
// each table with its files (type, id, size, offset).
#include <algorithm>
#include <cstdio>
#include <string>

#include "app/cli/InfoDescriptions.h"
#include "archive/DRSArchive.h"
#include "common/Functions.h"

namespace zorv::cli {
namespace {

// The header texts up to their first zero byte (and the copyright without
// the end-of-text byte 0x1A that the game's archives put after it).
std::string HeaderText(std::string text) {
  text = text.substr(0, text.find('\0'));
  while (!text.empty() && (text.back() == '\x1a' || text.back() == ' ')) text.pop_back();
  return text;
}


}  // namespace

Status DescribeArchive(const std::string& path, InfoJson& out) {
  DRSArchive archive;
  if (Status read = ReadDRSArchive(path, archive); !read) return read;
  out["copyright"] = HeaderText(archive.Header.Copyright);
  out["version"] = HeaderText(archive.Header.Version);
  out["archive_type"] = HeaderText(archive.Header.ArchiveType);
  out["size"] = archive.FileSize;
  out["data_start"] = archive.DataStart;
  InfoJson& tables = out["tables"] = InfoJson::array();
  for (const DRSTable& table : archive.Tables) {
    InfoJson files = InfoJson::array();
    for (const DRSFile& file : table.Files)
      files.push_back({{"id", file.ID}, {"size", file.Size}, {"offset", file.Offset}});
    tables.push_back({{"type", table.Type}, {"files", std::move(files)}});
  }
  return Status::Ok();
}

void PrintArchive(const InfoJson& d) {
  std::printf("Game archive %s\n", d["file"].get<std::string>().c_str());
  std::printf("version \"%s\", type \"%s\"\n", TerminalText(d["version"]).c_str(),
              TerminalText(d["archive_type"]).c_str());
  std::printf("copyright \"%s\"\n", TerminalText(d["copyright"]).c_str());
  std::printf("size %s bytes, data from %s\n", NumberText(d["size"].get<int64_t>()).c_str(),
              NumberText(d["data_start"].get<int64_t>()).c_str());
  std::printf("tables %zu\n", d["tables"].size());
  for (const InfoJson& table : d["tables"]) {
    const InfoJson& files = table["files"];
    int64_t bytes = 0;
    int64_t lowest = 0, highest = 0;
    bool first = true;
    for (const InfoJson& file : files) {
      bytes += file["size"].get<int64_t>();
      const int64_t id = file["id"].get<int64_t>();
      lowest = first ? id : std::min(lowest, id);
      highest = first ? id : std::max(highest, id);
      first = false;
    }
    std::printf("  %-4s %6zu files, %12s bytes", table["type"].get<std::string>().c_str(),
                files.size(), NumberText(bytes).c_str());
    if (!files.empty())
      std::printf(", ids %s to %s", NumberText(lowest).c_str(), NumberText(highest).c_str());
    std::printf("\n");
  }
}

void PrintArchiveFiles(const InfoJson& d) {
  std::printf("%-4s %11s %11s %11s\n", "type", "id", "size", "offset");
  for (const InfoJson& table : d["tables"])
    for (const InfoJson& file : table["files"])
      std::printf("%-4s %11s %11s %11s\n", table["type"].get<std::string>().c_str(),
                  NumberText(file["id"].get<int64_t>()).c_str(),
                  NumberText(file["size"].get<int64_t>()).c_str(),
                  NumberText(file["offset"].get<int64_t>()).c_str());
}

}  // namespace zorv::cli
