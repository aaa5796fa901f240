// zorv install, uninstall and installed, run as a user would from the
// shell: what they print, their exit statuses, and that a dry run and a
// refused command leave the game folder as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/InstallTestFiles.h"

namespace zorv {
namespace {
namespace fs = std::filesystem;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

class CLIInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    game = (dir.path() / "game data").string();
    fs::create_directory(game);
    DRSArchiveSource graphics;
    graphics.Tables.push_back({"slp", {DRSFileSource::FromBytes(2, std::string(70, '2')),
                                       DRSFileSource::FromBytes(3, "three")}});
    test::WriteArchive(game + "/graphics.drs", graphics);
    DRSArchiveSource sounds;
    sounds.Tables.push_back({"wav", {DRSFileSource::FromBytes(5, "RIFF-old")}});
    test::WriteArchive(game + "/sounds.drs", sounds);
    a = dir.File("walls.mpi");
    test::WriteFileBytes(a, test::PackageBytes("Walls", {{1, 1, 2, "new walls"},
                                                         {2, 3, 5, "RIFF-new"},
                                                         {6, 7, 4, "icon rows"}}));
    b = dir.File("towers.mpi");
    test::WriteFileBytes(b, test::PackageBytes("Towers", {{4, 1, 9, "towers"}}));
  }

  test::CommandResult Expect(int status, const std::string& arguments) {
    test::CommandResult result = test::RunCommand(Quote(test::ZorvProgram()) + " " + arguments);
    EXPECT_EQ(result.status, status) << arguments << "\n" << result.out << result.err;
    return result;
  }

  test::TempDir dir;
  std::string game, a, b;
};

TEST_F(CLIInstallTest, InstallListUninstallRoundTrip) {
  const auto original = test::Snapshot(game);

  auto dry = Expect(0, "install " + Quote(a) + " " + Quote(game) + " --dry-run");
  EXPECT_EQ(dry.out,
            "Dry run of \"Walls\": nothing was written.\n"
            "Would change:\n"
            "  graphics.drs slp 2 replaced 70 -> 9 bytes\n"
            "  sounds.drs wav 5 replaced 8 -> 8 bytes\n"
            "Not installed:\n"
            "  entry 3 (BMP, icon, ID 4): the target icon is no game archive\n");
  EXPECT_EQ(test::Snapshot(game), original);

  auto installed = Expect(0, "install " + Quote(a) + " " + Quote(game));
  EXPECT_EQ(installed.out.substr(0, installed.out.find('\n')), "Installed \"Walls\" as install 1.");
  EXPECT_NE(installed.out.find("Not installed:\n  entry 3"), std::string::npos);
  Expect(0, "install " + Quote(b) + " " + Quote(game));

  auto listed = Expect(0, "installed " + Quote(game));
  EXPECT_EQ(listed.out, "1 \"Walls\" (walls.mpi): graphics.drs, sounds.drs\n  from " + a +
                            "\n2 \"Towers\" (towers.mpi): graphics.drs\n  from " + b + "\n");

  const auto stacked = test::Snapshot(game);
  auto refused = Expect(1, "uninstall " + Quote(a) + " " + Quote(game));
  EXPECT_EQ(refused.err,
            "Error: The package was not uninstalled; every archive is as it was.\n"
            "later installs changed the same archives; uninstall these first, newest first:\n"
            "  2 \"Towers\" (towers.mpi): graphics.drs\n");
  EXPECT_EQ(test::Snapshot(game), stacked);

  auto removed = Expect(0, "uninstall " + Quote(b) + " " + Quote(game));
  EXPECT_EQ(removed.out, "Uninstalled install 2 \"Towers\" (towers.mpi): graphics.drs\n");
  Expect(0, "uninstall " + Quote(a) + " " + Quote(game));
  EXPECT_EQ(test::Snapshot(game), original);
  EXPECT_EQ(Expect(0, "installed " + Quote(game)).out, "Nothing is installed in " + game + ".\n");
}

TEST_F(CLIInstallTest, WrongInputGivesAMessageAndTheRightStatus) {
  const auto original = test::Snapshot(game);
  // Usage errors.
  Expect(2, "install " + Quote(a));
  Expect(2, "uninstall");
  Expect(2, "installed");
  // Failures.
  auto missing = Expect(1, "install " + Quote(dir.File("none.mpi")) + " " + Quote(game));
  EXPECT_NE(missing.err.find("none.mpi: no such file"), std::string::npos) << missing.err;
  auto no_game = Expect(1, "install " + Quote(a) + " " + Quote(dir.File("nowhere")));
  EXPECT_NE(no_game.err.find("the folder cannot be read"), std::string::npos) << no_game.err;
  auto not_a_package = Expect(1, "install " + Quote(game + "/graphics.drs") + " " + Quote(game));
  EXPECT_NE(not_a_package.err.find("not an MPI package"), std::string::npos);
  auto not_installed = Expect(1, "uninstall " + Quote(a) + " " + Quote(game));
  EXPECT_NE(not_installed.err.find("this package is not installed"), std::string::npos);
  // A data folder that is not there is said so, never taken for one where
  // nothing is installed.
  const std::string nowhere = dir.File("nowhere");
  for (const std::string& command : {"installed " + Quote(nowhere),
                                    "uninstall " + Quote(a) + " " + Quote(nowhere)}) {
    auto no_folder = Expect(1, command);
    EXPECT_NE(no_folder.err.find(nowhere + ": no such folder"), std::string::npos)
        << no_folder.err;
    EXPECT_EQ(no_folder.out, "");
  }
  EXPECT_EQ(test::Snapshot(game), original);

  fs::create_directory(game + "/zorv-installed");
  test::WriteFileBytes(game + "/zorv-installed/installed.txt", "garbage");
  auto damaged = Expect(1, "installed " + Quote(game));
  EXPECT_NE(damaged.err.find("installed.txt: damaged install record: line 1"), std::string::npos)
      << damaged.err;
  Expect(1, "install " + Quote(a) + " " + Quote(game));
  EXPECT_EQ(test::ReadFileBytes(game + "/graphics.drs"), original.at("graphics.drs"));
}

}  // namespace
}  // namespace zorv
