// Paths made comparable for a batch's check that no output replaces an
// input: the folder-by-folder cache must give what resolving each path in
// full gives, through links, "..", "." and folders not made yet.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/cli/NormalPaths.h"
#include "support/TestSupport.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;

// Changes the working folder for one test and back.
class InFolder {
 public:
  explicit InFolder(const fs::path& folder) : before_(fs::current_path()) {
    fs::current_path(folder);
  }
  ~InFolder() { fs::current_path(before_); }

 private:
  fs::path before_;
};

TEST(NormalPathsTest, TheFolderCacheGivesWhatResolvingEachPathInFullGives) {
  test::TempDir dir;
  const fs::path root = dir.path();
  fs::create_directories(root / "in/units/deep");
  fs::create_directories(root / "elsewhere/inner");
  test::WriteFileBytes((root / "in/units/a.slp").string(), "a");
  test::WriteFileBytes((root / "elsewhere/inner/b.slp").string(), "b");
  // A link to a folder in the middle of a path, one at a path's last
  // folder, a link at a file's own name, and one that leads nowhere.
  fs::create_directory_symlink(root / "elsewhere", root / "in/link");
  fs::create_directory_symlink(root / "in/units", root / "alias");
  fs::create_symlink(root / "in/units/a.slp", root / "in/units/deep/to-a.slp");
  fs::create_symlink(root / "nowhere", root / "in/dangling");
  InFolder here(root);

  const std::vector<std::string> paths = {
      "in/units/a.slp",
      "./in/units/a.slp",
      "in/units/deep/../a.slp",
      "in/units/deep/to-a.slp",
      "in/link/inner/b.slp",
      "in/link/inner/../inner/b.slp",
      "in/link/../units/a.slp",  // ".." after a link leaves the link's target
      "alias/a.slp",
      "alias/deep/to-a.slp",
      "alias/../units/a.slp",
      "out/not/made/yet/a.slp",
      "out/not/made/../made/a.slp",
      "in/link/not-made/x.slp",
      "in/dangling/x.slp",
      "in/dangling",
      "a.slp",
      ".",
      "..",
      "in/units/deep/..",
      "in\\units\\a.slp",
      (root / "alias/a.slp").string(),
      (root / "in/link/inner/b.slp").string(),
      "/",
      "/a.slp",
  };
  // One cache for all, in two orders, so that folders met first through one
  // path serve the others.
  for (bool reversed : {false, true}) {
    cli::NormalPaths normal;
    std::vector<std::string> order = paths;
    if (reversed) order.assign(paths.rbegin(), paths.rend());
    for (const std::string& path : order)
      EXPECT_EQ(normal.Of(path), cli::NormalPath(path)) << path;
  }
  // The two names of each file meet.
  cli::NormalPaths normal;
  EXPECT_EQ(normal.Of("alias/a.slp"), normal.Of("in/units/a.slp"));
  EXPECT_EQ(normal.Of("in/link/inner/b.slp"), normal.Of("elsewhere/inner/b.slp"));
  EXPECT_EQ(normal.Of("in/units/deep/to-a.slp"), normal.Of("in/units/a.slp"));
  EXPECT_NE(normal.Of("in/link/../units/a.slp"), normal.Of("in/units/a.slp"));
}

}  // namespace
}  // namespace zorv
