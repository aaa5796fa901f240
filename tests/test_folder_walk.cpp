// The folder walk a batch picks its inputs from, listed on several threads:
// whatever the number of threads, the same files are found, links to
// folders are not followed, and a walk that cannot start says why.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/FolderWalk.h"
#include "support/TestSupport.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;

// prefix followed by number.
std::string Numbered(std::string prefix, int number) { return prefix.append(std::to_string(number)); }

std::vector<std::string> Walked(const fs::path& root, int threads, Status* status = nullptr) {
  std::vector<std::string> found;
  const auto keep = [](std::string_view name) { return name.substr(0, 4) != "skip"; };
  const Status listed = cli::ListFilesBelow(root.string(), keep, found, threads);
  if (status) *status = listed;
  std::sort(found.begin(), found.end());
  return found;
}

TEST(FolderWalkTest, FoldersListedOnManyThreadsAtOnceGiveWhatOneThreadGives) {
  test::TempDir dir;
  const fs::path root = dir.path() / "tree";
  // A wide and deep tree: folders of files, empty folders, folders inside
  // folders, files the walk is told to pass over, and links.
  std::vector<std::string> expected;
  for (int a = 0; a < 12; ++a) {
    const std::string top = Numbered("g", a);
    fs::create_directories(root / top / "empty");
    for (int b = 0; b < a % 4; ++b) {
      const std::string inner = Numbered(top + "/sub", b) + "/deeper";
      fs::create_directories(root / inner);
      test::WriteFileBytes((root / inner / "f.slp").string(), "x");
      expected.push_back(inner + "/f.slp");
    }
    for (int f = 0; f < 20; ++f) {
      const std::string file = Numbered(top + "/frame", f) + ".bmp";
      test::WriteFileBytes((root / file).string(), "x");
      expected.push_back(file);
    }
    test::WriteFileBytes((root / top / "skip.me").string(), "x");
  }
  test::WriteFileBytes((root / ".hidden.slp").string(), "x");
  expected.push_back(".hidden.slp");
  fs::create_directories(dir.path() / "outside");
  test::WriteFileBytes((dir.path() / "outside/o.slp").string(), "x");
  fs::create_symlink(dir.path() / "outside/o.slp", root / "g1/linked.slp");
  expected.push_back("g1/linked.slp");
  fs::create_directory_symlink(dir.path() / "outside", root / "g2/folder-link");
  fs::create_symlink(dir.path() / "nowhere", root / "g3/dangling.slp");
  std::sort(expected.begin(), expected.end());

  for (int threads : {1, 2, 3, 8, 64}) {
    Status status = Status::Ok();
    EXPECT_EQ(Walked(root, threads, &status), expected) << threads << " threads";
    EXPECT_TRUE(status.ok()) << status.message();
  }
  // The folder named may itself be a link to a folder.
  fs::create_directory_symlink(root, dir.path() / "tree-link");
  EXPECT_EQ(Walked(dir.path() / "tree-link", 4), expected);
}

TEST(FolderWalkTest, AnEmptyFolderOrOneThatIsMissingEndsTheWalkOnAnyNumberOfThreads) {
  test::TempDir dir;
  fs::create_directories(dir.path() / "empty");
  test::WriteFileBytes(dir.File("file.slp"), "x");
  for (int threads : {1, 2, 8}) {
    Status status = Status::Ok();
    EXPECT_TRUE(Walked(dir.path() / "empty", threads, &status).empty());
    EXPECT_TRUE(status.ok()) << status.message();
    EXPECT_TRUE(Walked(dir.path() / "missing", threads, &status).empty());
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find("No such file"), std::string::npos) << status.message();
    // A file where a folder is expected is no folder.
    EXPECT_TRUE(Walked(dir.path() / "file.slp", threads, &status).empty());
    EXPECT_FALSE(status.ok());
  }
}

}  // namespace
}  // namespace zorv
