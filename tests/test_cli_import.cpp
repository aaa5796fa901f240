// `zorv import`: the command line builds the SLX and SLP that the import
// job builds, with the options it is given, and refuses what it cannot do
// with a message.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "codec/PNGFiles.h"
#include "codec/SLPReader.h"
#include "codec/SLX.h"
#include "tests/support/TestSupport.h"
#include "tools/ImportPNGFrames.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;

class CLIImportTest : public ::testing::Test {
 protected:
  static std::string Quote(const std::string& text) { return "'" + text + "'"; }

  test::CommandResult Zorv(const std::string& arguments) {
    return test::RunCommand(Quote(test::ZorvProgram()) + " " + arguments);
  }

  void SetUp() override {
    // A dark grey pixel (shadow by --shadow 40,40,40), a transparent one,
    // a blue player shade and a brown normal pixel.
    RGBAImage image{4, 1, {40, 40, 40, 255, 0, 0, 0, 0, 20, 20, 200, 255, 120, 90, 40, 255}};
    ASSERT_TRUE(WriteRGBAPNG(dir.File("a.png"), image).ok());
    ASSERT_TRUE(WriteRGBAPNG(dir.File("b.png"), image).ok());
    fs::create_directories(dir.File("cli"));
    fs::create_directories(dir.File("job"));
  }

  test::TempDir dir;
};

TEST_F(CLIImportTest, TheOptionsReachTheJob) {
  auto run = Zorv("import " + Quote(dir.File("a.png")) + " " + Quote(dir.File("b.png")) +
                  " -o " + Quote(dir.File("cli/walk.slp")) + " -o " +
                  Quote(dir.File("cli/walk")) +
                  " --hotspot -4,9 --shadow 40,40,40 --no-outlines --player-tolerance 20");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out + run.err, "");

  PNGImportJob job;
  job.frames = {dir.File("a.png"), dir.File("b.png")};
  job.slx_path = dir.File("job/walk.slx");
  job.slp_path = dir.File("job/walk.slp");
  job.center_x = -4;
  job.center_y = 9;
  job.options.Rules.ShadowColour = RGBColour(40, 40, 40);
  job.options.Rules.Outlines = false;
  job.options.Rules.PlayerTolerance = 20;
  ASSERT_TRUE(ImportPNGFrames(job, Palette::BuiltIn()).ok());
  EXPECT_EQ(test::ReadFileBytes(dir.File("cli/walk.slp")),
            test::ReadFileBytes(dir.File("job/walk.slp")));
  for (const char* name : {"walk_001d.png", "walk_002.png"})
    EXPECT_EQ(test::ReadFileBytes(dir.File(std::string("cli/") + name)),
              test::ReadFileBytes(dir.File(std::string("job/") + name)))
        << name;
  SLXGraphic graphic;
  ASSERT_TRUE(LoadSLX(dir.File("cli/walk.slx"), graphic).ok());
  ASSERT_EQ(graphic.FrameCount, 2);
  EXPECT_EQ(graphic.Frame(1).CenterX, -4);
  EXPECT_EQ(graphic.Frame(1).CenterY, 9);

  // The shadow option changed the pixels: decoded, the first pixel is shadow.
  SLPFile file;
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  ASSERT_TRUE(ReadSLPHeader(dir.File("cli/walk.slp"), file, header, frames).ok());
  cDIBSection colour, data;
  ASSERT_TRUE(DecodeSLPFrame(file, frames[0], Palette::BuiltIn(), colour, data).ok());
  EXPECT_EQ(data.GetPixel(0, 0), RGBColour(255, 0, 0));
  EXPECT_EQ(data.GetPixel(2, 0), RGBColour(0, 255, 0));
}

TEST_F(CLIImportTest, WrongArgumentsAndBadFramesAreRefusedWithAMessage) {
  const std::string a = Quote(dir.File("a.png"));
  struct Case {
    std::string arguments;
    int status;
    std::string says;
  } cases[] = {
      {a + " -o " + Quote(dir.File("x.slx")) + " -o " + Quote(dir.File("y.slx")), 2,
       "are both SLX files"},
      {a + " -o " + Quote(dir.File("x.slp")), 2, "name the SLX file"},
      {a + " -o " + Quote(dir.File("x.slx")) + " --hotspot 3", 2, "--hotspot"},
      {a + " -o " + Quote(dir.File("x.slx")) + " --transparent-index 7 --shadow-index 7", 2,
       "must differ"},
      {a + " -o " + Quote(dir.File("x.slx")) + " --player-tolerance 51", 2,
       "--player-tolerance"},
      {Quote(dir.File("missing.png")) + " -o " + Quote(dir.File("x.slx")), 1, "missing.png"},
  };
  for (const Case& c : cases) {
    auto run = Zorv("import " + c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.arguments << "\n" << run.err;
  }
  EXPECT_FALSE(fs::exists(dir.File("x.slx")));

  test::WriteFileBytes(dir.File("cut.png"), test::ReadFileBytes(dir.File("a.png")).substr(0, 50));
  auto cut = Zorv("import " + a + " " + Quote(dir.File("cut.png")) + " -o " +
                  Quote(dir.File("x.slx")));
  EXPECT_EQ(cut.status, 1);
  EXPECT_NE(cut.err.find("Error importing frames!"), std::string::npos) << cut.err;
  EXPECT_NE(cut.err.find("frame 2"), std::string::npos) << cut.err;
  EXPECT_NE(cut.err.find("cut.png"), std::string::npos) << cut.err;
  EXPECT_FALSE(fs::exists(dir.File("x.slx")));
}

// A sheet of the two test frames side by side with its list: the frames
// the job makes from the two pictures, with the list's hot spots.
TEST_F(CLIImportTest, ASheetIsCutIntoTheFramesOfItsList) {
  PNGPicture a;
  ASSERT_TRUE(ReadPNG(dir.File("a.png"), a).ok());
  RGBAImage sheet{9, 2, std::vector<uint8_t>(9 * 2 * 4, 0)};
  for (int32_t x = 0; x < 4; ++x)
    for (int c = 0; c < 4; ++c) {
      sheet.Pixels[static_cast<size_t>(9 + x) * 4 + c] = a.RGBA.Pixels[x * 4 + c];  // row 1
      sheet.Pixels[static_cast<size_t>(5 + x) * 4 + c] = a.RGBA.Pixels[x * 4 + c];  // row 0
    }
  ASSERT_TRUE(WriteRGBAPNG(dir.File("sheet.png"), sheet).ok());
  test::WriteFileBytes(dir.File("sheet.json"), R"({"frames": [
    {"frame": 1, "x": 0, "y": 1, "width": 4, "height": 1, "hotspot": {"x": 1, "y": 2}},
    {"frame": 2, "x": 5, "y": 0, "width": 4, "height": 1, "hotspot": {"x": -3, "y": 40}}]})");
  auto run = Zorv("import --sheet " + Quote(dir.File("sheet.json")) + " " +
                  Quote(dir.File("sheet.png")) + " -o " + Quote(dir.File("cli/walk.slx")) +
                  " -o " + Quote(dir.File("cli/walk.slp")) + " --shadow 40,40,40");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out + run.err, "");
  PNGImportJob job;
  job.frames = {dir.File("a.png"), dir.File("b.png")};
  job.slx_path = dir.File("job/walk.slx");
  job.options.Rules.ShadowColour = RGBColour(40, 40, 40);
  ASSERT_TRUE(ImportPNGFrames(job, Palette::BuiltIn()).ok());
  for (const char* name : {"walk_001.png", "walk_001d.png", "walk_002.png", "walk_002d.png"})
    EXPECT_EQ(test::ReadFileBytes(dir.File(std::string("cli/") + name)),
              test::ReadFileBytes(dir.File(std::string("job/") + name)))
        << name;
  SLXGraphic graphic;
  ASSERT_TRUE(LoadSLX(dir.File("cli/walk.slx"), graphic).ok());
  ASSERT_EQ(graphic.FrameCount, 2);
  EXPECT_EQ(graphic.Frame(1).CenterX, 1);
  EXPECT_EQ(graphic.Frame(1).CenterY, 2);
  EXPECT_EQ(graphic.Frame(2).CenterX, -3);
  EXPECT_EQ(graphic.Frame(2).CenterY, 40);
  EXPECT_TRUE(fs::exists(dir.File("cli/walk.slp")));

  const std::string sheet_args = " -o " + Quote(dir.File("x.slx")) + " --sheet ";
  test::WriteFileBytes(dir.File("bad.json"), "{\"frames\": [{\"x\": 0}]}");
  struct Case {
    std::string arguments;
    int status;
    std::string says;
  } cases[] = {
      {Quote(dir.File("sheet.png")) + sheet_args + Quote(dir.File("sheet.json")) +
           " --hotspot 1,1",
       2, "--hotspot excludes --sheet"},
      {Quote(dir.File("sheet.png")) + " " + Quote(dir.File("a.png")) + sheet_args +
           Quote(dir.File("sheet.json")),
       2, "--sheet: give the one sheet picture its list describes, not 2 pictures"},
      {Quote(dir.File("sheet.png")) + sheet_args + Quote(dir.File("none.json")), 1,
       "none.json"},
      {Quote(dir.File("sheet.png")) + sheet_args + Quote(dir.File("bad.json")), 1,
       "bad.json: frame 1 \"y\" is missing"},
  };
  for (const Case& c : cases) {
    auto run = Zorv("import " + c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.arguments << "\n" << run.err;
  }
  EXPECT_FALSE(fs::exists(dir.File("x.slx")));
}

}  // namespace
}  // namespace zorv
