#include "package/InstallRecord.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include "common/Checksum.h"
#include "common/FileIO.h"
#include "common/Functions.h"
#include "package/GameArchives.h"

namespace zorv {
namespace fs = std::filesystem;

namespace {

constexpr char kRecordHeader[] = "Zorv installed packages 1";
// What this program writes stays below 2 GB; an archive as it was before
// an install is any file the reader took, whose files may end near 4 GB
// with more bytes after them.
constexpr int64_t kMaxArchiveSize = INT32_MAX;
constexpr int64_t kMaxArchiveSizeBefore = int64_t{1} << 40;
// A package's offsets and lengths are 32-bit: its end lies below 4 GB.
constexpr int64_t kMaxPackageSize = int64_t{1} << 32;
constexpr uint64_t kMaxRecordSize = uint64_t{64} << 20;

// Titles and file names may hold any byte: blanks, tabs and line breaks are
// written as escapes so that every field stays on its line.
std::string Escaped(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7f) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::optional<std::string> Unescaped(std::string_view text) {
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7f) return std::nullopt;
    if (c != '\\') {
      out += static_cast<char>(c);
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '\\') {
      out += '\\';
      i += 1;
    } else if (i + 3 < text.size() && text[i + 1] == 'x' && hex(text[i + 2]) >= 0 &&
               hex(text[i + 3]) >= 0) {
      out += static_cast<char>(hex(text[i + 2]) * 16 + hex(text[i + 3]));
      i += 3;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

// A plain decimal number within [low, high]: digits with an optional minus.
std::optional<int64_t> Number(std::string_view text, int64_t low, int64_t high) {
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 12) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t at = 0;
  while (at <= line.size()) {
    const size_t blank = line.find(' ', at);
    const size_t end = blank == std::string_view::npos ? line.size() : blank;
    words.push_back(line.substr(at, end - at));
    if (blank == std::string_view::npos) break;
    at = blank + 1;
  }
  return words;
}

bool IsInstallType(std::string_view type) {
  return type == "slp" || type == "wav" || type == "bina";
}

std::string FileIDText(const InstalledFileID& file) {
  return file.Type + " " + NumberText(file.ID);
}

class RecordParser {
 public:
  Status Parse(const std::string& text, InstallRecord& record) {
    const std::vector<std::string> lines = SplitLines(text);
    if (lines.empty() || lines.front() != kRecordHeader)
      return Fail(1, "it does not start with \"" + std::string(kRecordHeader) + "\"");
    InstallRecord made;
    InstalledPackage* package = nullptr;
    InstalledArchive* archive = nullptr;
    for (size_t i = 1; i < lines.size(); ++i) {
      line_ = static_cast<int>(i) + 1;
      const std::string& line = lines[i];
      const size_t blank = line.find(' ');
      const std::string key = line.substr(0, blank);
      const std::string_view rest =
          blank == std::string::npos ? std::string_view() : std::string_view(line).substr(blank + 1);
      const std::vector<std::string_view> words = Words(rest);
      if (key == "package") {
        if (package) return Fail("a package starts before the one before it ends");
        auto number = Number(rest, 1, kMaxInstallNumber);
        if (!number) return Fail("the install number is not a number from 1 to 999999");
        if (!made.Packages.empty() && *number <= made.Packages.back().Number)
          return Fail("the install numbers are not in ascending order");
        made.Packages.emplace_back();
        package = &made.Packages.back();
        package->Number = static_cast<int>(*number);
        archive = nullptr;
        continue;
      }
      if (!package) return Fail("\"" + key + "\" outside a package");
      if (key == "end") {
        if (!rest.empty()) return Fail("text after \"end\"");
        if (Status whole = CheckPackage(*package); !whole) return whole;
        package = nullptr;
        archive = nullptr;
      } else if (key == "title" || key == "file") {
        auto text_value = Unescaped(rest);
        if (!text_value) return Fail("a broken escape in the " + key);
        (key == "title" ? package->Title : package->PackageFile) = *text_value;
      } else if (key == "package-size") {
        auto size = Number(rest, 0, kMaxPackageSize);
        if (!size) return Fail("the package size is no number of bytes");
        package->PackageSize = *size;
      } else if (key == "package-hash") {
        if (!ParseHashText(rest, package->PackageHash)) return Fail("the package checksum is no checksum");
      } else if (key == "archive") {
        if (words.size() != 2) return Fail("an archive line needs a target and a file name");
        auto target = Number(words[0], 0, kLastArchiveTarget);
        const std::string name(words[1]);
        if (!target || GameArchiveTarget(name) != static_cast<int>(*target))
          return Fail("\"" + std::string(rest) + "\" names no game archive");
        for (const InstalledArchive& other : package->Archives)
          if (other.Target == *target) return Fail(name + " is listed twice in one install");
        package->Archives.emplace_back();
        archive = &package->Archives.back();
        archive->Target = static_cast<int>(*target);
        archive->FileName = name;
      } else {
        if (!archive) return Fail("\"" + key + "\" before any archive line");
        if (Status read = ArchiveLine(key, words, *archive); !read) return read;
      }
    }
    if (package) return Fail("the record ends inside package " + NumberText(package->Number));
    record = std::move(made);
    return Status::Ok();
  }

 private:
  Status Fail(const std::string& what) { return Fail(line_, what); }
  static Status Fail(int line, const std::string& what) {
    return Status::Fail("damaged install record: line " + NumberText(line) + ": " + what);
  }

  Status ArchiveLine(const std::string& key, const std::vector<std::string_view>& words,
                     InstalledArchive& archive) {
    if (key == "keep") {
      if (words.size() != 1 || (words[0] != "whole" && words[0] != "files"))
        return Fail("keep must be \"whole\" or \"files\"");
      archive.KeptWhole = words[0] == "whole";
    } else if (key == "before" || key == "after") {
      const int64_t most = key == "before" ? kMaxArchiveSizeBefore : kMaxArchiveSize;
      auto size = words.size() == 2 ? Number(words[0], 0, most) : std::nullopt;
      uint64_t hash = 0;
      if (!size || !ParseHashText(words[1], hash)) return Fail(key + " needs a size and a checksum");
      (key == "before" ? archive.SizeBefore : archive.SizeAfter) = *size;
      (key == "before" ? archive.HashBefore : archive.HashAfter) = hash;
    } else if (key == "table-added") {
      if (words.size() != 1 || !IsInstallType(words[0])) return Fail("no table type");
      archive.TablesAdded.emplace_back(words[0]);
    } else if (key == "replaced" || key == "added") {
      auto id = words.size() == 2 ? Number(words[1], INT32_MIN, INT32_MAX) : std::nullopt;
      if (!id || !IsInstallType(words[0])) return Fail(key + " needs a table type and an id");
      InstalledFileID file{std::string(words[0]), static_cast<int32_t>(*id)};
      auto& list = key == "replaced" ? archive.Replaced : archive.Added;
      if (std::find(archive.Replaced.begin(), archive.Replaced.end(), file) != archive.Replaced.end() ||
          std::find(archive.Added.begin(), archive.Added.end(), file) != archive.Added.end())
        return Fail(FileIDText(file) + " is listed twice");
      list.push_back(file);
    } else {
      return Fail("unknown line \"" + key + "\"");
    }
    return Status::Ok();
  }

  Status CheckPackage(const InstalledPackage& package) {
    if (package.Archives.empty()) return Fail("an install that changed no archive");
    for (const InstalledArchive& archive : package.Archives)
      for (const InstalledFileID& file : archive.Replaced)
        if (std::find(archive.TablesAdded.begin(), archive.TablesAdded.end(), file.Type) !=
            archive.TablesAdded.end())
          return Fail(archive.FileName + ": " + FileIDText(file) +
                      " is replaced in a table the install made");
    return Status::Ok();
  }

  int line_ = 1;
};

}  // namespace

std::string InstallFolder(const std::string& data_dir) {
  return (fs::path(NativePath(data_dir)) / kInstallFolderName).string();
}

std::string InstallRecordPath(const std::string& data_dir) {
  return (fs::path(InstallFolder(data_dir)) / kInstallRecordName).string();
}

std::string InstallKeptFolder(const std::string& data_dir, int number) {
  return (fs::path(InstallFolder(data_dir)) / NumberText(number)).string();
}

std::string KeptFilePath(const std::string& data_dir, int number, int target,
                         const InstalledFileID& file) {
  return (fs::path(InstallKeptFolder(data_dir, number)) /
          (GameArchiveName(target) + "." + file.Type + "." + NumberText(file.ID)))
      .string();
}

std::string KeptArchivePath(const std::string& data_dir, int number, int target) {
  return (fs::path(InstallKeptFolder(data_dir, number)) / GameArchiveName(target)).string();
}

std::string FormatInstallRecord(const InstallRecord& record) {
  std::vector<std::string> lines{kRecordHeader};
  for (const InstalledPackage& package : record.Packages) {
    lines.push_back("package " + NumberText(package.Number));
    lines.push_back("title " + Escaped(package.Title));
    lines.push_back("file " + Escaped(package.PackageFile));
    lines.push_back("package-size " + NumberText(package.PackageSize));
    lines.push_back("package-hash " + HashText(package.PackageHash));
    for (const InstalledArchive& archive : package.Archives) {
      lines.push_back("archive " + NumberText(archive.Target) + " " + archive.FileName);
      lines.push_back(std::string("keep ") + (archive.KeptWhole ? "whole" : "files"));
      lines.push_back("before " + NumberText(archive.SizeBefore) + " " + HashText(archive.HashBefore));
      lines.push_back("after " + NumberText(archive.SizeAfter) + " " + HashText(archive.HashAfter));
      for (const std::string& table : archive.TablesAdded) lines.push_back("table-added " + table);
      for (const InstalledFileID& file : archive.Replaced)
        lines.push_back("replaced " + FileIDText(file));
      for (const InstalledFileID& file : archive.Added) lines.push_back("added " + FileIDText(file));
    }
    lines.push_back("end");
  }
  return JoinLinesCRLF(lines);
}

Status ParseInstallRecord(const std::string& text, InstallRecord& record) {
  return RecordParser().Parse(text, record);
}

Status ReadInstallRecord(const std::string& data_dir, InstallRecord& record) {
  std::error_code ec;
  // A mistyped data folder holds no record, yet nothing is installed in it
  // is no answer to give.
  if (!fs::is_directory(fs::path(NativePath(data_dir.empty() ? "." : data_dir)), ec))
    return Status::Fail(data_dir + ": no such folder");
  const std::string folder = InstallFolder(data_dir);
  const fs::file_status status = fs::symlink_status(fs::path(folder), ec);
  if (!fs::exists(status)) {
    record = InstallRecord();
    return Status::Ok();
  }
  if (!fs::is_directory(status))
    return Status::Fail(folder + ": is not a folder (a link or a file); the install record "
                                 "cannot be used");
  const std::string path = InstallRecordPath(data_dir);
  if (!fs::exists(fs::symlink_status(fs::path(path), ec))) {
    record = InstallRecord();
    return Status::Ok();
  }
  std::string text;
  if (Status read = ReadWholeFile(path, text, kMaxRecordSize); !read) return read;
  if (Status parsed = ParseInstallRecord(text, record); !parsed)
    return Status::Fail(AboutFile(path, parsed.message()));
  return Status::Ok();
}

}  // namespace zorv
