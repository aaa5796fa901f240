// Paths made comparable: two names of one file (relative or absolute,
// through "..", through links) give the same text, so a command can tell
// an output that would replace one of its inputs.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace zorv::cli {

// path made absolute and tidied, links resolved as far as the path exists,
// with "/" between folders.
std::string NormalPath(const std::string& path);

// NormalPath for the thousands of files of a batch, which lie in a few
// folders: each folder is resolved once, from its own folder. A name is
// added to its folder's unless it is a link (or "." or ".."), which is
// resolved in full.
class NormalPaths {
 public:
  std::string Of(const std::string& path);

 private:
  const std::string& Folder(const std::filesystem::path& folder);

  std::map<std::filesystem::path::string_type, std::string> folders_;
};

}  // namespace zorv::cli
