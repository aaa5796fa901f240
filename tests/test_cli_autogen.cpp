#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "autogen/AutoGen.h"
#include "codec/DIBSection.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

constexpr ColourValue kBrown = RGBColour(120, 80, 40);
constexpr ColourValue kBlue = RGBColour(0, 0, 255);
constexpr ColourValue kRed = RGBColour(255, 0, 0);
constexpr ColourValue kWhite = RGBColour(255, 255, 255);

std::string Quote(const std::string& text) { return "'" + text + "'"; }

test::CommandResult Zorv(const std::string& arguments) {
  return test::RunCommand(Quote(test::ZorvProgram()) + " " + arguments);
}

cDIBSection Filled(int32_t width, int32_t height, ColourValue colour) {
  cDIBSection bitmap;
  EXPECT_TRUE(bitmap.Create(width, height));
  bitmap.Fill(colour);
  return bitmap;
}

size_t Count(const cDIBSection& bitmap, ColourValue colour) {
  size_t n = 0;
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    for (int32_t x = 0; x < bitmap.Width(); ++x) n += bitmap.GetPixel(x, y) == colour;
  return n;
}

// A graphic of two frames: f1.bmp (12 x 10 magenta with a brown block, a
// red pixel and a blue pixel) and f2.bmp (6 x 6 brown).
class CliAutogen : public ::testing::Test {
 protected:
  void SetUp() override {
    slx = dir.File("g.slx");
    cDIBSection one = Filled(12, 10, kMagenta);
    for (int32_t y = 4; y <= 6; ++y)
      for (int32_t x = 3; x <= 7; ++x) one.SetPixel(x, y, kBrown);
    one.SetPixel(4, 5, kRed);
    one.SetPixel(6, 5, kBlue);
    ASSERT_TRUE(one.SavePicture(dir.File("f1.bmp")).ok());
    ASSERT_TRUE(Filled(6, 6, kBrown).SavePicture(dir.File("f2.bmp")).ok());
    SLXGraphic graphic;
    graphic.Path = slx;
    graphic.FrameCount = 2;
    graphic.Frames = {SLXFrame{"f1.bmp", "f1d.bmp", 6, 8}, SLXFrame{"f2.bmp", "f2d.bmp", 1, 2}};
    ASSERT_TRUE(SaveSLX(graphic));
  }

  std::vector<std::pair<std::string, std::string>> Snapshot() const {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
      if (entry.is_regular_file())
        files.emplace_back(entry.path().string(), test::ReadFileBytes(entry.path().string()));
    std::sort(files.begin(), files.end());
    return files;
  }

  cDIBSection Load(const std::string& path) const {
    cDIBSection bitmap;
    EXPECT_TRUE(bitmap.CreateFromPicture(path).ok()) << path;
    return bitmap;
  }

  SLXGraphic Graphic() const {
    SLXGraphic graphic;
    EXPECT_TRUE(ParseSLX(test::ReadFileBytes(slx), graphic).ok());
    return graphic;
  }

  test::TempDir dir;
  std::string slx;
};

TEST_F(CliAutogen, OutOfRangeAndConflictingOptionsAreUsageErrors) {
  auto before = Snapshot();
  for (const char* arguments :
       {"--shadow-tolerance 301", "--shadow-tolerance -1", "--player-tolerance 51",
        "--mask 255,0", "--mask 256,0,0", "--shadow red", "--player 1,2,3,4",
        "--frame 0", "--frame 3", "--all --frame 2", "--shadow 1,2,3 --no-shadow",
        "--player 1,2,3 --no-player", "--all --preview x"}) {
    auto result = Zorv("autogen " + Quote(slx) + " " + arguments);
    EXPECT_EQ(result.status, 2) << arguments << "\n" << result.err;
    EXPECT_FALSE(result.err.empty()) << arguments;
  }
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(CliAutogen, FailuresExitWithOne) {
  auto missing_slx = Zorv("autogen " + Quote(dir.File("none.slx")));
  EXPECT_EQ(missing_slx.status, 1);
  EXPECT_NE(missing_slx.err.find("Unrecognised file format!"), std::string::npos);

  std::filesystem::remove(dir.File("f2.bmp"));
  auto before = Snapshot();
  auto missing_bitmap = Zorv("autogen " + Quote(slx) + " --frame 2");
  EXPECT_EQ(missing_bitmap.status, 1);
  EXPECT_NE(missing_bitmap.err.find(dir.File("f2.bmp")), std::string::npos)
      << missing_bitmap.err;
  EXPECT_EQ(Snapshot(), before);

  // --all goes on past the failing frame and still fails in the end.
  auto all = Zorv("autogen " + Quote(slx) + " --all");
  EXPECT_EQ(all.status, 1);
  EXPECT_TRUE(FileExists(dir.File("f1d.bmp")));
}

TEST_F(CliAutogen, AppliesTheDialogDefaultsToFrameOne) {
  auto result = Zorv("autogen " + Quote(slx));
  ASSERT_EQ(result.status, 0) << result.err;
  // Cropped to the 5 x 3 block plus the margin; the hot spot moved by
  // (-1, -2).
  SLXGraphic graphic = Graphic();
  EXPECT_EQ(graphic.Frames[0].CenterX, 5);
  EXPECT_EQ(graphic.Frames[0].CenterY, 6);
  EXPECT_EQ(graphic.Frames[1].CenterX, 1);
  EXPECT_FALSE(FileExists(dir.File("f2d.bmp")));
  cDIBSection colour = Load(dir.File("f1.bmp")), data = Load(dir.File("f1d.bmp"));
  ASSERT_EQ(colour.Width(), 9);
  ASSERT_EQ(colour.Height(), 7);
  EXPECT_EQ(data.Width(), 9);
  // Shadow red (tolerance 0), player blue, outlines on.
  EXPECT_EQ(data.GetPixel(3, 3), kDataShadow);
  EXPECT_EQ(data.GetPixel(5, 3), kDataPlayer);
  EXPECT_EQ(Count(data, kDataNormal), 13u);
  EXPECT_EQ(Count(data, kDataPlayerOutline), 16u);
  EXPECT_EQ(data.GetPixel(1, 1), kDataBlackOutline);
  EXPECT_EQ(data.GetPixel(0, 0), kDataTransparent);
}

TEST_F(CliAutogen, TheSwitchesReachTheRules) {
  auto result = Zorv("autogen " + Quote(slx) +
                     " --no-shadow --no-player --no-outlines --no-crop");
  ASSERT_EQ(result.status, 0) << result.err;
  cDIBSection data = Load(dir.File("f1d.bmp"));
  EXPECT_EQ(data.Width(), 12);
  EXPECT_EQ(Count(data, kDataNormal), 15u);
  EXPECT_EQ(Count(data, kDataTransparent), 120u - 15u);
  EXPECT_EQ(Graphic().Frames[0].CenterX, 6);

  // Brown as the mask, red as the player colour, blue as the shadow within
  // a tolerance.
  result = Zorv("autogen " + Quote(slx) +
                " --no-crop --no-outlines --mask 120,80,40 --player 255,0,0 "
                "--player-tolerance 10 --shadow 0,0,250 --shadow-tolerance 5");
  ASSERT_EQ(result.status, 0) << result.err;
  data = Load(dir.File("f1d.bmp"));
  EXPECT_EQ(data.GetPixel(4, 5), kDataPlayer);
  EXPECT_EQ(data.GetPixel(6, 5), kDataShadow);
  EXPECT_EQ(data.GetPixel(3, 4), kDataTransparent);
  EXPECT_EQ(data.GetPixel(0, 0), kDataNormal);
}

TEST_F(CliAutogen, FixPurpleCropsAMagentaBorderUnderAnotherMask) {
  cDIBSection picture = Filled(12, 12, kWhite);
  for (int32_t i = 0; i < 12; ++i) {
    picture.SetPixel(i, 0, kMagenta);
    picture.SetPixel(0, i, kMagenta);
  }
  picture.SetPixel(6, 7, kBrown);
  ASSERT_TRUE(picture.SavePicture(dir.File("f2.bmp")).ok());
  auto result =
      Zorv("autogen " + Quote(slx) + " --frame 2 --mask 255,255,255 --fix-purple --no-crop");
  ASSERT_EQ(result.status, 0) << result.err;
  cDIBSection colour = Load(dir.File("f2.bmp"));
  EXPECT_EQ(colour.Width(), 5);
  EXPECT_EQ(colour.Height(), 5);
  EXPECT_EQ(colour.GetPixel(2, 2), kBrown);
  EXPECT_EQ(Count(colour, kWhite), 24u);
  EXPECT_EQ(Graphic().Frames[1].CenterX, 1 - 4);
  EXPECT_EQ(Graphic().Frames[1].CenterY, 2 - 5);
}

TEST_F(CliAutogen, APreviewWritesOnlyIntoItsFolderWhatApplyingWouldSave) {
  test::TempDir out;
  auto before = Snapshot();
  const std::string preview_dir = out.File("preview");
  auto preview = Zorv("autogen " + Quote(slx) + " --frame 1 --preview " + Quote(preview_dir));
  ASSERT_EQ(preview.status, 0) << preview.err;
  EXPECT_EQ(Snapshot(), before);
  const std::string preview_colour = test::ReadFileBytes(preview_dir + "/f1.bmp");
  const std::string preview_data = test::ReadFileBytes(preview_dir + "/f1d.bmp");
  EXPECT_EQ(Load(preview_dir + "/f1.bmp").Width(), 9);

  auto apply = Zorv("autogen " + Quote(slx) + " --frame 1");
  ASSERT_EQ(apply.status, 0) << apply.err;
  EXPECT_EQ(test::ReadFileBytes(dir.File("f1.bmp")), preview_colour);
  EXPECT_EQ(test::ReadFileBytes(dir.File("f1d.bmp")), preview_data);
}

TEST_F(CliAutogen, APreviewNeverReplacesAFileOfTheGraphic) {
  test::WriteFileBytes(dir.File("f1d.bmp"), "old data");
  auto before = Snapshot();
  for (const std::string& folder : {dir.path().string(), dir.path().string() + "/./"}) {
    auto result = Zorv("autogen " + Quote(slx) + " --preview " + Quote(folder));
    EXPECT_EQ(result.status, 1) << folder;
    EXPECT_NE(result.err.find("must not replace"), std::string::npos) << result.err;
  }
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(CliAutogen, AllProcessesEveryFrame) {
  auto result = Zorv("autogen " + Quote(slx) + " --all");
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("Frame 1:"), std::string::npos);
  EXPECT_NE(result.out.find("Frame 2:"), std::string::npos);
  cDIBSection second = Load(dir.File("f2d.bmp"));
  EXPECT_EQ(second.Width(), 10);
  EXPECT_EQ(Count(second, kDataNormal), 36u);
  EXPECT_EQ(Graphic().Frames[1].CenterX, 3);
  EXPECT_EQ(Graphic().Frames[1].CenterY, 4);
}

// A real unit: SLP to SLX, every frame auto-generated, and back to SLP.
TEST(CliAutogenSamples, ARealGraphicGoesThroughAutogenAndBackToSLP) {
  ZORV_REQUIRE_SAMPLES();
  test::TempDir dir;
  const std::string slx = dir.File("unit.slx");
  auto to_slx = Zorv("slp2slx " + Quote(test::SamplesDir() + "unit.slp") + " " + Quote(slx));
  ASSERT_EQ(to_slx.status, 0) << to_slx.err;

  auto autogen = Zorv("autogen " + Quote(slx) + " --all");
  ASSERT_EQ(autogen.status, 0) << autogen.err;

  SLXGraphic graphic;
  ASSERT_TRUE(ParseSLX(test::ReadFileBytes(slx), graphic).ok());
  ASSERT_EQ(graphic.FrameCount, 50);
  size_t player = 0, player_outline = 0, black_outline = 0;
  for (int32_t i = 1; i <= graphic.FrameCount; ++i) {
    cDIBSection colour, data;
    ASSERT_TRUE(colour.CreateFromPicture(dir.File(graphic.Frame(i).ColourFile)).ok());
    ASSERT_TRUE(data.CreateFromPicture(dir.File(graphic.Frame(i).DataFile)).ok());
    ASSERT_EQ(colour.Width(), data.Width());
    ASSERT_EQ(colour.Height(), data.Height());
    // Cropped: the content reaches to the 2-pixel margin on every side.
    bool left = false, top = false;
    for (int32_t y = 0; y < data.Height(); ++y) left = left || colour.GetPixel(2, y) != kMagenta;
    for (int32_t x = 0; x < data.Width(); ++x) top = top || colour.GetPixel(x, 2) != kMagenta;
    EXPECT_TRUE(left && top) << "frame " << i;
    player += Count(data, kDataPlayer);
    player_outline += Count(data, kDataPlayerOutline);
    black_outline += Count(data, kDataBlackOutline);
    EXPECT_EQ(Count(data, kDataTransparent) + Count(data, kDataNormal) +
                  Count(data, kDataPlayer) + Count(data, kDataShadow) +
                  Count(data, kDataPlayerOutline) + Count(data, kDataBlackOutline),
              static_cast<size_t>(data.Width()) * data.Height());
  }
  EXPECT_GT(player, 0u);
  EXPECT_GT(player_outline, 0u);
  EXPECT_GT(black_outline, 0u);

  const std::string slp = dir.File("unit-out.slp");
  auto to_slp = Zorv("slx2slp " + Quote(slx) + " " + Quote(slp));
  ASSERT_EQ(to_slp.status, 0) << to_slp.err;
  EXPECT_TRUE(to_slp.err.empty()) << to_slp.err;
  // The new SLP reads back with every frame.
  auto back = Zorv("slp2slx " + Quote(slp) + " " + Quote(dir.File("again.slx")));
  ASSERT_EQ(back.status, 0) << back.err;
  SLXGraphic again;
  ASSERT_TRUE(ParseSLX(test::ReadFileBytes(dir.File("again.slx")), again).ok());
  EXPECT_EQ(again.FrameCount, 50);
}

}  // namespace
}  // namespace zorv
