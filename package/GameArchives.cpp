#include "package/GameArchives.h"

#include <array>
#include <filesystem>
#include <system_error>
#include <vector>

#include "common/FileIO.h"
#include "common/Functions.h"

namespace zorv {
namespace fs = std::filesystem;

namespace {

constexpr std::array<const char*, kLastArchiveTarget + 1> kArchiveNames = {
    "gamedata.drs", "graphics.drs", "interfac.drs", "sounds.drs", "terrain.drs"};

bool IsRegularFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(fs::status(path, ec));
}

}  // namespace

std::string GameArchiveName(int target) {
  if (target < 0 || target > kLastArchiveTarget) return {};
  return kArchiveNames[static_cast<size_t>(target)];
}

std::optional<int> GameArchiveTarget(const std::string& file_name) {
  const std::string lower = AsciiLower(file_name);
  for (int target = 0; target <= kLastArchiveTarget; ++target)
    if (lower == kArchiveNames[static_cast<size_t>(target)]) return target;
  return std::nullopt;
}

std::string ArchiveTableOfKind(uint8_t kind) {
  switch (kind) {
    case 1:
    case 4:
      return "slp";
    case 2:
      return "wav";
    case 3:
      return "bina";
    default:
      return {};
  }
}

Status FindGameArchive(const std::string& data_dir, int target, std::string& file_name) {
  const std::string name = GameArchiveName(target);
  if (name.empty()) return Status::Fail("target " + NumberText(target) + " is no game archive");
  const fs::path folder(NativePath(data_dir));
  if (IsRegularFile(folder / name)) {
    file_name = name;
    return Status::Ok();
  }
  std::vector<std::string> found;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string candidate = it->path().filename().string();
    if (AsciiLower(candidate) == name && IsRegularFile(it->path())) found.push_back(candidate);
  }
  if (ec) return Status::Fail(data_dir + ": the folder cannot be read (" + ec.message() + ")");
  if (found.empty()) return Status::Fail(data_dir + ": the game archive " + name + " is not there");
  if (found.size() > 1)
    return Status::Fail(data_dir + ": both " + found[0] + " and " + found[1] +
                        " are there; which is the game's " + name + " is unclear");
  file_name = found.front();
  return Status::Ok();
}

}  // namespace zorv
