// `zorv frames2slx`: the command line's "Create SLX from frames" writes what
// the frames dialog's job writes, and refuses what it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "codec/Palettes.h"
#include "tests/SLPTestFiles.h"
#include "tests/support/TestSupport.h"
#include "tools/FramesToSLX.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;

class CLIFramesTest : public ::testing::Test {
 protected:
  static std::string Quote(const std::string& text) { return "'" + text + "'"; }

  test::CommandResult Zorv(const std::string& arguments) {
    return test::RunCommand(Quote(test::ZorvProgram()) + " " + arguments);
  }

  void SetUp() override {
    for (const char* folder : {"north", "south", "cli", "busy"})
      fs::create_directory(dir.path() / folder);
    const auto save = [&](const char* name, int width, ColourValue colour) {
      ASSERT_TRUE(test::FilledBitmap(width, 4, colour).SavePicture(dir.File(name)));
    };
    save("north/walk1.bmp", 3, RGBColour(200, 10, 10));
    save("north/walk2.BMP", 5, RGBColour(10, 200, 10));
    save("south/stand.bmp", 7, RGBColour(10, 10, 200));
    save("south/walk1.bmp", 2, RGBColour(1, 2, 3));
    test::WriteFileBytes(dir.File("busy/old.txt"), "already here");
  }

  // The folder's files with their bytes, by name.
  static std::vector<std::pair<std::string, std::string>> Contents(const fs::path& folder) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& entry : fs::directory_iterator(folder))
      files.emplace_back(entry.path().filename().string(),
                         test::ReadFileBytes(entry.path().string()));
    std::sort(files.begin(), files.end());
    return files;
  }

  std::string FrameArguments(const std::vector<std::string>& frames) {
    std::string arguments;
    for (const std::string& frame : frames) {
      arguments += ' ';
      arguments += Quote(dir.File(frame));
    }
    return arguments;
  }

  test::TempDir dir;
};

TEST_F(CLIFramesTest, WritesWhatTheFramesDialogsJobWrites) {
  const struct {
    std::vector<std::string> frames;
    std::string options;
    int32_t x, y;
    std::string suffix;
  } cases[] = {
      {{"north/walk1.bmp", "north/walk2.BMP", "south/stand.bmp"}, "--hotspot 12,-7", 12, -7,
       "data"},
      // Defaults: 30,30 and "data"; the same file twice is two frames, one copy.
      {{"south/stand.bmp", "north/walk1.bmp", "south/stand.bmp"}, "", 30, 30, "data"},
      {{"north/walk2.BMP"}, "--hotspot=-100000000,100000000 --suffix _d", -100000000, 100000000,
       "_d"},
      {{"north/walk1.bmp"}, "--hotspot 0,0 --suffix ''", 0, 0, ""},
  };
  int run = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    const fs::path cli = dir.path() / ("cli" + std::to_string(run));
    const fs::path core = dir.path() / ("core" + std::to_string(run++));
    fs::create_directory(cli);
    fs::create_directory(core);
    const test::CommandResult result =
        Zorv("frames2slx" + FrameArguments(c.frames) + " -o " +
             Quote((cli / "new.slx").string()) + " " + c.options);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");

    FramesToSLXJob job;
    job.slx_path = (core / "new.slx").string();
    for (const std::string& frame : c.frames) job.frames.push_back(dir.File(frame));
    job.center_x = c.x;
    job.center_y = c.y;
    job.suffix = c.suffix;
    ASSERT_TRUE(CreateSLXFromFrames(job).ok());

    EXPECT_EQ(Contents(cli), Contents(core));
    EXPECT_FALSE(Contents(cli).empty());
  }
  // The first case in plain words, so that the comparison above cannot pass
  // on two equal mistakes.
  EXPECT_EQ(test::ReadFileBytes((dir.path() / "cli0" / "new.slx").string()),
            "SLX 0.5\r\n3\r\n12,-7\r\nwalk1data.bmp\r\nwalk1.bmp\r\n12,-7\r\nwalk2data.bmp\r\n"
            "walk2.bmp\r\n12,-7\r\nstanddata.bmp\r\nstand.bmp\r\n");
  EXPECT_EQ(test::ReadFileBytes((dir.path() / "cli0" / "walk2.bmp").string()),
            test::ReadFileBytes(dir.File("north/walk2.BMP")));
}

TEST_F(CLIFramesTest, RefusesWhatTheDialogRefusesAndWritesNothing) {
  const struct {
    std::vector<std::string> frames;
    std::string out;
    const char* said;
  } refusals[] = {
      {{"north/walk1.bmp"}, "busy/new.slx", kFolderNotEmptyText},
      {{"north/walk1.bmp"}, "cli/walk1.bmp", kSLXNamedLikeAFrameText},
      {{"north/walk1.bmp", "south/walk1.bmp"}, "cli/new.slx", kFramesShareACopyNameText},
  };
  for (const auto& r : refusals) {
    SCOPED_TRACE(r.out);
    const fs::path folder = fs::path(dir.File(r.out)).parent_path();
    const auto before = Contents(folder);
    const test::CommandResult result =
        Zorv("frames2slx" + FrameArguments(r.frames) + " -o " + Quote(dir.File(r.out)));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind(std::string("Error: ") + r.said + "\n", 0), 0u) << result.err;
    EXPECT_EQ(Contents(folder), before);
  }

  // A frame that does not exist or is a folder fails the command before
  // anything is written.
  for (const char* frame : {"north/none.bmp", "north"}) {
    SCOPED_TRACE(frame);
    const test::CommandResult result =
        Zorv("frames2slx" + FrameArguments({"north/walk1.bmp", frame}) + " -o " +
             Quote(dir.File("cli/n.slx")));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind("Error: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(dir.File(frame)), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("--help"), std::string::npos) << result.err;
  }

  // Mistakes in the command: a hot spot that is no X,Y or lies beyond the
  // editor's limit, no output named.
  for (const std::string& arguments :
       {"frames2slx" + FrameArguments({"north/walk1.bmp"}) + " -o " +
            Quote(dir.File("cli/n.slx")) + " --hotspot 3",
        "frames2slx" + FrameArguments({"north/walk1.bmp"}) + " -o " +
            Quote(dir.File("cli/n.slx")) + " --hotspot 3,x",
        "frames2slx" + FrameArguments({"north/walk1.bmp"}) + " -o " +
            Quote(dir.File("cli/n.slx")) + " --hotspot 100000001,0",
        "frames2slx" + FrameArguments({"north/walk1.bmp"})}) {
    SCOPED_TRACE(arguments);
    const test::CommandResult result = Zorv(arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind("Error: ", 0), 0u) << result.err;
  }
  EXPECT_TRUE(fs::is_empty(dir.path() / "cli"));
}

}  // namespace
}  // namespace zorv
