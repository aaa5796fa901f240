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

}  // namespace

std::string NormalPath(const std::string& path) { return Normal(fs::path(NativePath(path))); }

std::string NormalPaths::Of(const std::string& path) {
  const fs::path native(NativePath(path));
  const fs::path name = native.filename();
  std::error_code ec;
  if (name.empty() || name == "." || name == ".." || fs::is_symlink(fs::symlink_status(native, ec)))
    return Normal(native);
  const fs::path parent = native.parent_path();
  auto [folder, added] = folders_.try_emplace(parent.native());
  if (added) folder->second = Normal(parent.empty() ? fs::path(".") : parent);
  std::string normal = folder->second;
  if (normal.empty() || normal.back() != '/') normal += '/';
  return normal + name.generic_string();
}

}  // namespace zorv::cli
