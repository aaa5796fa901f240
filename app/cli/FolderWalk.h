// The regular files below a folder, for a batch to pick its inputs from:
// thousands of frames in hundreds of graphic folders are listed by name
// alone, with no path object or look at a file made for each of them.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Status.h"

namespace zorv::cli {

// The paths, relative to root with "/" between folders, of the regular
// files below root (links to regular files included) whose names keep
// passes, in no particular order. Subfolders are walked, links to folders
// inside root are not (root itself may be one); subfolders that cannot be
// read for want of permission are left out. Fails, with the reason, when
// root or a subfolder cannot be read for any other reason. Folders are
// listed on up to threads threads at once, 16 at most (keep is called from
// each).
Status ListFilesBelow(const std::string& root, const std::function<bool(std::string_view)>& keep,
                      std::vector<std::string>& relatives, int threads = 1);

}  // namespace zorv::cli
