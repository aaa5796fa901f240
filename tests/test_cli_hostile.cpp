// The command line handed files and names meant to make it destroy a file,
// write where it was not asked to, or stall: each is refused with a message
// and costs the user nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "codec/DIBSection.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

std::string Program() { return Quote(test::ZorvProgram()); }

test::CommandResult Zorv(const std::string& arguments) {
  return test::RunCommand(Program() + " " + arguments);
}

// Every file below a folder with its bytes.
std::vector<std::pair<std::string, std::string>> Snapshot(const fs::path& folder) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file())
      files.emplace_back(fs::relative(entry.path(), folder).string(),
                         test::ReadFileBytes(entry.path().string()));
  std::sort(files.begin(), files.end());
  return files;
}

// A graphic "g" of two small frames in folder g/, an SLP made from it, an
// icon bitmap, and a project of a readme, the graphic and the icon.
class CliHostile : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir.File("g"));
    slx = dir.File("g/g.slx");
    SLXGraphic graphic;
    graphic.Path = slx;
    for (int i = 1; i <= 2; ++i) {
      cDIBSection colour, data;
      ASSERT_TRUE(colour.Create(6, 5));
      ASSERT_TRUE(data.Create(6, 5));
      colour.Fill(RGBColour(120, 80, 40));
      data.Fill(kDataNormal);
      const std::string c = "f" + std::to_string(i) + ".bmp";
      const std::string d = "f" + std::to_string(i) + "d.bmp";
      ASSERT_TRUE(colour.SavePicture(dir.File("g/" + c)));
      ASSERT_TRUE(data.SavePicture(dir.File("g/" + d)));
      graphic.Frames.push_back(SLXFrame{c, d, 3, 4});
    }
    graphic.FrameCount = 2;
    ASSERT_TRUE(SaveSLX(graphic));
    slp = dir.File("g.slp");
    ASSERT_EQ(Zorv("slx2slp " + Quote(slx) + " " + Quote(slp)).status, 0);
    icon = dir.File("g/f1.bmp");
    test::WriteFileBytes(dir.File("readme.txt"), "read me\r\n");
    mpr = dir.File("p.mpr");
    ASSERT_EQ(Zorv("project new " + Quote(mpr)).status, 0);
    ASSERT_EQ(Zorv("project add " + Quote(mpr) + " " + Quote(dir.File("readme.txt")) + " " +
                  Quote(slx))
                  .status,
              0);
  }

  // Runs arguments, expects the failure status and every file unchanged.
  void ExpectRefusedAndNothingChanged(const std::string& arguments) {
    SCOPED_TRACE(arguments);
    const auto before = Snapshot(dir.path());
    const test::CommandResult result = Zorv(arguments);
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(result.err.rfind("Error: ", 0), 0u) << result.err;
    EXPECT_TRUE(Snapshot(dir.path()) == before) << "a file was changed";
  }

  test::TempDir dir;
  std::string slx, slp, icon, mpr;
};

TEST_F(CliHostile, FrameNamesLeadingOutOfTheFolderAreNeverWrittenThrough) {
  fs::create_directories(dir.File("outside"));
  const std::string notes = dir.File("outside/notes.txt");
  test::WriteFileBytes(notes, "my notes");
  test::WriteFileBytes(dir.File("g/trav.slx"),
                       "SLX 0.5\r\n1\r\n3,4\r\n../outside/notes.txt\r\nf1.bmp\r\n");
  ExpectRefusedAndNothingChanged("autogen " + Quote(dir.File("g/trav.slx")) + " --frame 1");
  ExpectRefusedAndNothingChanged("autogen " + Quote(dir.File("g/trav.slx")) + " --all");
  EXPECT_EQ(test::ReadFileBytes(notes), "my notes");
}

TEST_F(CliHostile, AnOutputThatIsAnInputIsRefused) {
  fs::create_hard_link(slp, dir.File("hard.slp"));
  fs::create_symlink(slx, dir.File("soft.slx"));
  for (const std::string& arguments : {
           "slx2slp " + Quote(slx) + " " + Quote(slx),
           "slx2slp " + Quote(slx) + " " + Quote(dir.File("g/./f1d.bmp")),
           "slx2slp " + Quote(slx) + " " + Quote(dir.File("soft.slx")),
           "slp2slx " + Quote(slp) + " " + Quote(slp),
           "slp2slx " + Quote(dir.File("hard.slp")) + " " + Quote(slp),
           "compile " + Quote(mpr) + " " + Quote(mpr),
           "compile " + Quote(mpr) + " " + Quote(slx),
           "compile " + Quote(mpr) + " " + Quote(dir.File("g/f2d.bmp")),
           "icon " + Quote(icon) + " " + Quote(icon),
       })
    ExpectRefusedAndNothingChanged(arguments);
}

TEST_F(CliHostile, AFolderIsNoOutputFile) {
  fs::create_directories(dir.File("out"));
  ExpectRefusedAndNothingChanged("slp2slx " + Quote(slp) + " " + Quote(dir.File("out") + "/"));
  ExpectRefusedAndNothingChanged("slp2slx " + Quote(slp) + " " + Quote(dir.File("out")));
  ExpectRefusedAndNothingChanged("slx2slp " + Quote(slx) + " " + Quote(dir.File("out") + "/"));
  ExpectRefusedAndNothingChanged("compile " + Quote(mpr) + " " + Quote(dir.File("out")));
  EXPECT_TRUE(fs::is_empty(dir.File("out")));
}

TEST_F(CliHostile, WritersToOneOutputAtOnceEachLeaveAWholeFile) {
  // A second graphic whose SLP differs from the first's.
  fs::create_directories(dir.File("h"));
  ASSERT_EQ(Zorv("slp2slx " + Quote(slp) + " " + Quote(dir.File("h/h.slx"))).status, 0);
  test::WriteFileBytes(dir.File("h/h.slx"),
                       "SLX 0.5\r\n1\r\n9,9\r\nh_001d.bmp\r\nh_001.bmp\r\n");
  const std::string other = dir.File("other.slp");
  ASSERT_EQ(Zorv("slx2slp " + Quote(dir.File("h/h.slx")) + " " + Quote(other)).status, 0);
  const std::string a = test::ReadFileBytes(slp), b = test::ReadFileBytes(other);
  ASSERT_NE(a, b);
  const std::string out = dir.File("out.slp");
  std::string three_and_three;
  for (int i = 0; i < 6; ++i)
    three_and_three += Program() + " slx2slp " + Quote(i % 2 ? slx : dir.File("h/h.slx")) + " " +
                       Quote(out) + " & ";
  for (int round = 0; round < 20; ++round) {
    const test::CommandResult result = test::RunCommand("(" + three_and_three + "wait)");
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string written = test::ReadFileBytes(out);
    ASSERT_TRUE(written == a || written == b) << "round " << round;
  }
  // No temporary file is left.
  for (const auto& entry : fs::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path();
}

TEST_F(CliHostile, ALinkPlantedAtATemporaryNameIsNeverFollowed) {
  const std::string out = dir.File("out.slp");
  const std::string victim = dir.File("victim.slp");
  for (int n = 0; n < 4; ++n) fs::create_symlink(victim, out + ".part" + std::to_string(n));
  ASSERT_EQ(Zorv("slx2slp " + Quote(slx) + " " + Quote(out)).status, 0);
  EXPECT_FALSE(fs::exists(victim));
  EXPECT_EQ(test::ReadFileBytes(out), test::ReadFileBytes(slp));
}

TEST_F(CliHostile, TwoCompilesAtOnceSharingTEMPBothSucceed) {
  fs::create_directories(dir.File("temp"));
  const std::string env = "TEMP=" + Quote(dir.File("temp")) + " ";
  ASSERT_EQ(test::RunCommand(env + Program() + " compile " + Quote(mpr) + " " +
                             Quote(dir.File("alone.mpi")))
                .status,
            0);
  for (int round = 0; round < 5; ++round) {
    const test::CommandResult result = test::RunCommand(
        "(" + env + Program() + " compile " + Quote(mpr) + " " + Quote(dir.File("1.mpi")) + " & " +
        env + Program() + " compile " + Quote(mpr) + " " + Quote(dir.File("2.mpi")) +
        " & wait %1 && wait %2)");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(test::ReadFileBytes(dir.File("1.mpi")), test::ReadFileBytes(dir.File("alone.mpi")));
    EXPECT_EQ(test::ReadFileBytes(dir.File("2.mpi")), test::ReadFileBytes(dir.File("alone.mpi")));
  }
  EXPECT_TRUE(fs::is_empty(dir.File("temp")));
}

TEST_F(CliHostile, OutputNamesAsLongAsTheFileSystemTakesAreWritten) {
  const std::string out = dir.File(std::string(251, 'n') + ".slp");
  const test::CommandResult result = Zorv("slx2slp " + Quote(slx) + " " + Quote(out));
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(test::ReadFileBytes(out), test::ReadFileBytes(slp));
}

TEST_F(CliHostile, PipesAndDevicesAreNotRead) {
  // A pipe as a colour bitmap once kept auto-generation waiting for ever; a
  // device gave gigabytes. The timeout only keeps a regression from
  // hanging the tests.
  ASSERT_EQ(mkfifo(dir.File("g/pipe.bmp").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(dir.File("g/pipe.slp").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dir.File("g/zero.bmp"));
  fs::copy_file(dir.File("g/f1d.bmp"), dir.File("g/pd.bmp"));
  fs::copy_file(dir.File("g/f1d.bmp"), dir.File("g/zd.bmp"));
  test::WriteFileBytes(dir.File("g/p.slx"),
                       "SLX 0.5\r\n2\r\n0,0\r\npd.bmp\r\npipe.bmp\r\n0,0\r\nzd.bmp\r\nzero.bmp\r\n");
  for (const std::string& arguments :
       {"autogen " + Quote(dir.File("g/p.slx")) + " --frame 1",
        "autogen " + Quote(dir.File("g/p.slx")) + " --frame 2",
        "slx2slp " + Quote(dir.File("g/p.slx")) + " " + Quote(dir.File("p.slp")),
        "info " + Quote(dir.File("g/pipe.slp")),
        "slp2slx " + Quote(dir.File("g/pipe.slp")) + " " + Quote(dir.File("x.slx"))}) {
    SCOPED_TRACE(arguments);
    const test::CommandResult result = test::RunCommand("timeout 20 " + Program() + " " + arguments);
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("not a regular file"), std::string::npos) << result.err;
  }
}

TEST_F(CliHostile, TextFilesOfNothingButLineFeedsCostNeitherMemoryNorTime) {
  if (test::kSanitized) GTEST_SKIP() << "a memory limit and a sanitizer do not go together";
  // 64 MB of line feeds, read as an SLX file and as a project, within a
  // memory limit a small fraction of what splitting them into lines took.
  const std::string feeds = dir.File("feeds");
  test::WriteFileBytes(feeds, std::string(64 << 20, '\n'));
  fs::copy_file(feeds, dir.File("feeds.slx"));
  fs::copy_file(feeds, dir.File("feeds.mpr"));
  for (const std::string& arguments :
       {"info " + Quote(dir.File("feeds.slx")),
        "slx2slp " + Quote(dir.File("feeds.slx")) + " " + Quote(dir.File("x.slp")),
        "info " + Quote(dir.File("feeds.mpr")),
        "compile " + Quote(dir.File("feeds.mpr")) + " " + Quote(dir.File("x.mpi"))}) {
    SCOPED_TRACE(arguments);
    const test::CommandResult result =
        test::RunCommand("ulimit -v 400000; " + Program() + " " + arguments);
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("Unrecognised file format!"), std::string::npos) << result.err;
  }
}

TEST_F(CliHostile, WhatEscapesACommandEndsItWithAMessage) {
  if (test::kSanitized) GTEST_SKIP() << "a memory limit and a sanitizer do not go together";
  // A valid 4000 x 4000 bitmap read under a memory limit too small for it:
  // the command ends with "Error: ..." and status 1, not an abort.
  cDIBSection big;
  ASSERT_TRUE(big.Create(4000, 4000));
  ASSERT_TRUE(big.SavePicture(dir.File("big.bmp")));
  big.ClearUp();
  const test::CommandResult result = test::RunCommand(
      "ulimit -v 60000; " + Program() + " icon " + Quote(dir.File("big.bmp")) + " " +
      Quote(dir.File("big.icon")));
  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_EQ(result.err.rfind("Error: ", 0), 0u) << result.err;
  EXPECT_FALSE(fs::exists(dir.File("big.icon")));
}

TEST_F(CliHostile, AFrameThatCannotBeSavedWhollyIsLeftExactlyAsItWas) {
  // Crop on: the bitmaps would change size and the hot spot with them.
  cDIBSection framed;
  ASSERT_TRUE(framed.Create(12, 10));
  framed.Fill(kMagenta);
  framed.SetPixel(5, 5, RGBColour(120, 80, 40));
  ASSERT_TRUE(framed.SavePicture(dir.File("g/f1.bmp")));
  fs::permissions(slx, fs::perms::owner_read);
  ExpectRefusedAndNothingChanged("autogen " + Quote(slx) + " --frame 1");
  ExpectRefusedAndNothingChanged("autogen " + Quote(slx) + " --all");
}

}  // namespace
}  // namespace zorv
