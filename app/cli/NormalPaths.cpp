#include "app/cli/NormalPaths.h"

#include <filesystem>
#include <system_error>

#include "common/FileIO.h"

namespace zorv::cli {
namespace {

namespace fs = std::filesystem;

std::string Normal(const fs::path& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  const fs::path normal = fs::weakly_canonical(absolute, ec);
  return (ec ? absolute.lexically_normal() : normal).generic_string();
}

// Whether name, the last part of path, can be joined to its folder's normal
// path as it stands: not ".", "..", nor a link, whose target is where the
// path leads.
bool JoinsAsItStands(const fs::path& path, const fs::path& name) {
  std::error_code ec;
  return !name.empty() && name != "." && name != ".." &&
         !fs::is_symlink(fs::symlink_status(path, ec));
}

std::string Joined(std::string folder, const fs::path& name) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder + name.generic_string();
}

}  // namespace

std::string NormalPath(const std::string& path) { return Normal(fs::path(NativePath(path))); }

std::string NormalPaths::Of(const std::string& path) {
  const fs::path native(NativePath(path));
  const fs::path name = native.filename();
  if (!JoinsAsItStands(native, name)) return Normal(native);
  return Joined(Folder(native.parent_path()), name);
}

// A folder is its own folder's normal path and its name, so each folder of
// a batch's thousands of files costs one look at the disk, whatever its
// depth; only the topmost folder met is resolved in full.
const std::string& NormalPaths::Folder(const fs::path& folder) {
  if (auto known = folders_.find(folder.native()); known != folders_.end()) return known->second;
  std::string normal;
  const fs::path name = folder.filename();
  const fs::path parent = folder.parent_path();
  if (folder.empty())
    normal = Normal(".");
  else if (parent.empty() || parent == folder || !JoinsAsItStands(folder, name))
    normal = Normal(folder);
  else
    normal = Joined(Folder(parent), name);
  return folders_.emplace(folder.native(), std::move(normal)).first->second;
}

}  // namespace zorv::cli
