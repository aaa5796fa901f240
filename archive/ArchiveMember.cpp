#include "archive/ArchiveMember.h"

#include <filesystem>

#include "archive/DRSArchive.h"
#include "common/FileIO.h"
#include "common/Functions.h"

namespace zorv {

namespace fs = std::filesystem;

std::optional<int32_t> ParseArchiveID(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  const std::string_view digits = negative ? text.substr(1) : text;
  if (digits.empty() || digits.size() > 10) return std::nullopt;
  int64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

std::optional<ArchiveMemberName> ArchiveMemberOf(std::string_view name) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(fs::path(NativePath(name)), ec))) return std::nullopt;
  const size_t colon = name.rfind(':');
  if (colon == std::string_view::npos || colon == 0) return std::nullopt;
  const std::optional<int32_t> id = ParseArchiveID(name.substr(colon + 1));
  if (!id) return std::nullopt;
  const std::string archive(name.substr(0, colon));
  if (!fs::is_regular_file(fs::path(NativePath(archive)), ec)) return std::nullopt;
  return ArchiveMemberName{archive, *id};
}

std::string ArchiveMemberText(const ArchiveMemberName& member) {
  return member.Archive + ":" + NumberText(member.ID);
}

Status ReadArchiveMember(const ArchiveMemberName& member, std::string_view type,
                         std::string& bytes, uint64_t max_bytes) {
  DRSArchive archive;
  if (Status read = ReadDRSArchive(member.Archive, archive); !read) return read;
  const DRSFile* file = FindDRSFile(archive, type, member.ID);
  if (!file)
    return Status::Fail(member.Archive + ": the archive holds no " + std::string(type) +
                        " file " + NumberText(member.ID));
  if (static_cast<uint64_t>(file->Size) > max_bytes)
    return Status::Fail(ArchiveMemberText(member) + ": the " + std::string(type) + " file is " +
                        NumberText(file->Size) + " bytes, more than the " +
                        NumberText(static_cast<int64_t>(max_bytes)) + " it may hold");
  return ReadDRSFile(member.Archive, *file, bytes);
}

}  // namespace zorv
