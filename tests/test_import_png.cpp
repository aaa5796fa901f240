// Building SLX graphics from PNG frames: RGBA frames by alpha and the
// auto-generation rules, paletted frames by their indices, and frames
// exported as PNG coming back to the same SLP bytes.
#include <gtest/gtest.h>

#include <filesystem>

#include "autogen/ColourRules.h"
#include "codec/DataColours.h"
#include "codec/ExportFrames.h"
#include "codec/FrameBitmaps.h"
#include "codec/SLPReader.h"
#include "codec/SLPWriter.h"
#include "codec/SLX.h"
#include "tests/SLPTestFiles.h"
#include "tests/support/TestSupport.h"
#include "tools/ImportPNGFrames.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;

PNGPicture RGBAPicture(int32_t width, int32_t height, std::vector<uint8_t> pixels) {
  PNGPicture picture;
  picture.RGBA = {width, height, std::move(pixels)};
  return picture;
}

std::vector<ColourValue> DataRow(const cDIBSection& data, int32_t y) {
  return test::RowColours(data, y);
}

TEST(ImportPNG, RGBAFramesTakeAlphaThenTheAutoGenerationRules) {
  // One row: alpha 127 and 0 transparent, 128 opaque; shadow red, a blue
  // player shade, a brown normal pixel, and opaque magenta.
  const PNGPicture picture = RGBAPicture(
      7, 1, {10, 20, 30, 127,  200, 100, 50, 128,  255, 0, 0, 255,  20, 20, 200, 255,
             120, 90, 40, 255, 255, 0, 255, 255,   1, 2, 3, 0});
  PNGImportOptions options;
  options.Rules.Outlines = false;
  cDIBSection colour, data;
  ASSERT_TRUE(FrameFromPNG(picture, options, Palette::BuiltIn(), colour, data).ok());
  EXPECT_EQ(DataRow(data, 0),
            (std::vector<ColourValue>{kDataTransparent, kDataNormal, kDataShadow, kDataPlayer,
                                      kDataNormal, kDataTransparent, kDataTransparent}));
  EXPECT_EQ(test::RowColours(colour, 0),
            (std::vector<ColourValue>{kDataTransparent, RGBColour(200, 100, 50), kDataShadow,
                                      RGBColour(20, 20, 200), RGBColour(120, 90, 40),
                                      kDataTransparent, kDataTransparent}));

  // The rules' options reach the pixels: another shadow colour within its
  // tolerance, no player colour.
  options.Rules.ShadowColour = RGBColour(200, 100, 60);
  options.Rules.ShadowTolerance = 10;
  options.Rules.PlayerColours = false;
  ASSERT_TRUE(FrameFromPNG(picture, options, Palette::BuiltIn(), colour, data).ok());
  EXPECT_EQ(DataRow(data, 0),
            (std::vector<ColourValue>{kDataTransparent, kDataShadow, kDataNormal, kDataNormal,
                                      kDataNormal, kDataTransparent, kDataTransparent}));
  EXPECT_EQ(colour.GetPixel(1, 0), kDataShadow);

  // Outlines around a single opaque pixel, as auto-generation draws them.
  std::vector<uint8_t> dot(5 * 5 * 4, 0);
  const size_t centre = 4 * (2 * 5 + 2);
  dot[centre] = 120, dot[centre + 1] = 90, dot[centre + 2] = 40, dot[centre + 3] = 255;
  options = PNGImportOptions();
  ASSERT_TRUE(
      FrameFromPNG(RGBAPicture(5, 5, dot), options, Palette::BuiltIn(), colour, data).ok());
  EXPECT_EQ(DataRow(data, 2), (std::vector<ColourValue>{kDataBlackOutline, kDataPlayerOutline,
                                                        kDataNormal, kDataPlayerOutline,
                                                        kDataBlackOutline}));
  EXPECT_EQ(data.GetPixel(0, 0), kDataTransparent);
  EXPECT_EQ(colour.GetPixel(1, 2), kDataTransparent);
}

TEST(ImportPNG, PalettedFramesMapTheirIndicesExactly) {
  PNGPicture picture;
  picture.Paletted = true;
  picture.RGBA = {8, 1, std::vector<uint8_t>(32, 0)};
  picture.Indexed.Width = 8;
  picture.Indexed.Height = 1;
  picture.Indexed.Indices = {255, 254, 15, 16, 23, 24, 7, 0};
  const Palette& palette = Palette::BuiltIn();
  PNGImportOptions options;
  cDIBSection colour, data;
  ASSERT_TRUE(FrameFromPNG(picture, options, palette, colour, data).ok());
  EXPECT_EQ(DataRow(data, 0),
            (std::vector<ColourValue>{kDataTransparent, kDataShadow, kDataNormal, kDataPlayer,
                                      kDataPlayer, kDataNormal, kDataNormal, kDataNormal}));
  EXPECT_EQ(test::RowColours(colour, 0),
            (std::vector<ColourValue>{kDataTransparent, kDataShadow, palette.Colour(15),
                                      palette.Colour(16), palette.Colour(23), palette.Colour(24),
                                      palette.Colour(7), palette.Colour(0)}));

  // Other indices named: 255 and 254 are then ordinary colours.
  options.TransparentIndex = 0;
  options.ShadowIndex = 7;
  ASSERT_TRUE(FrameFromPNG(picture, options, palette, colour, data).ok());
  EXPECT_EQ(DataRow(data, 0),
            (std::vector<ColourValue>{kDataNormal, kDataNormal, kDataNormal, kDataPlayer,
                                      kDataPlayer, kDataNormal, kDataShadow, kDataTransparent}));
  EXPECT_EQ(colour.GetPixel(0, 0), palette.Colour(255));

  // Without player colours, 16 to 23 are ordinary colours too.
  options.Rules.PlayerColours = false;
  ASSERT_TRUE(FrameFromPNG(picture, options, palette, colour, data).ok());
  EXPECT_EQ(data.GetPixel(3, 0), kDataNormal);
  EXPECT_EQ(data.GetPixel(4, 0), kDataNormal);

  options.ShadowIndex = 0;
  Status same = CheckPNGImportOptions(options);
  EXPECT_EQ(same.Headline(), kMsgErrorImportingFrames);
  EXPECT_NE(same.Detail().find("must differ"), std::string::npos) << same.message();
}

// A frame of every kind the RGBA route keeps apart with the options below:
// normal pixels of colours that are first in the palette, not black and no
// player shade; player colour 0..7; shadow; transparent margins and gaps.
FrameBitmaps SpriteFrame(const AutoGenOptions& rules) {
  const Palette& palette = Palette::BuiltIn();
  std::vector<uint8_t> normal;
  for (uint8_t i : test::DistinctIndices())
    if ((i < 16 || i > 23) && palette.Colour(i) != 0 &&
        !IsPlayerShade(palette.Colour(i), ColourHue(rules.PlayerColour), rules.PlayerTolerance))
      normal.push_back(i);
  EXPECT_GT(normal.size(), 40u);
  FrameBitmaps frame;
  frame.CenterX = 7;
  frame.CenterY = -3;
  EXPECT_TRUE(frame.Colour.Create(23, 9));
  EXPECT_TRUE(frame.Data.Create(23, 9));
  frame.Colour.Fill(kDataTransparent);
  frame.Data.Fill(kDataTransparent);
  size_t next = 0;
  for (int32_t y = 1; y < 8; ++y)
    for (int32_t x = 2; x < 21; ++x) {
      const int32_t pick = (x * 3 + y * 5) % 11;
      if (pick == 0) continue;  // a transparent gap
      if (pick < 3) {
        frame.Data.SetPixel(x, y, kDataPlayer);
        frame.Colour.SetPixel(x, y, palette.Colour(16 + (x + y) % 8));
      } else if (pick == 3) {
        frame.Data.SetPixel(x, y, kDataShadow);
        frame.Colour.SetPixel(x, y, kDataShadow);
      } else {
        frame.Data.SetPixel(x, y, kDataNormal);
        frame.Colour.SetPixel(x, y, palette.Colour(normal[next++ % normal.size()]));
      }
    }
  return frame;
}

// Exports the one-frame SLP made of frame, imports the PNG again and
// compares the SLP bytes.
void ExpectRoundTrip(const FrameBitmaps& frame, const ExportSettings& settings,
                     const PNGImportOptions& options) {
  test::TempDir dir;
  std::string original;
  ASSERT_TRUE(EncodeSLP(std::span(&frame, 1), Palette::BuiltIn(), original).ok());
  test::WriteFileBytes(dir.File("sprite.slp"), original);
  fs::create_directories(dir.File("png"));
  Status exported = ExportSLPFrames(dir.File("sprite.slp"), dir.File("png"), "sprite",
                                    Palette::BuiltIn(), settings);
  ASSERT_TRUE(exported.ok()) << exported.message();
  fs::create_directories(dir.File("slx"));
  PNGImportJob job;
  job.frames = {ExportFramePath(dir.File("png"), "sprite", 1)};
  job.slx_path = dir.File("slx/back.slx");
  job.slp_path = dir.File("back.slp");
  job.center_x = frame.CenterX;
  job.center_y = frame.CenterY;
  job.options = options;
  Status imported = ImportPNGFrames(job, Palette::BuiltIn());
  ASSERT_TRUE(imported.ok()) << imported.message();
  EXPECT_TRUE(test::ReadFileBytes(dir.File("back.slp")) == original);

}

TEST(ImportPNG, AnRGBAExportComesBackToTheSameSLP) {
  // Shadow is exported black: the shadow colour is black, and no normal
  // pixel is. The first player's shades (hues 186 to 240, entry 23 very
  // bright) lie within 40 degrees of entry 21's hue, 213, and no normal
  // pixel does. No outlines were drawn, none are added.
  PNGImportOptions options;
  options.Rules.ShadowColour = RGBColour(0, 0, 0);
  options.Rules.PlayerColour = Palette::BuiltIn().Colour(21);
  options.Rules.PlayerTolerance = 40;
  options.Rules.Outlines = false;
  ExpectRoundTrip(SpriteFrame(options.Rules), ExportSettings{}, options);
}

TEST(ImportPNG, AnIndexedExportComesBackToTheSameSLP) {
  ExportSettings settings;
  settings.Format = ExportFormat::kIndexed;
  settings.Render.TransparentIndex = 3;
  settings.Render.ShadowIndex = 250;
  PNGImportOptions options;
  options.TransparentIndex = 3;
  options.ShadowIndex = 250;
  FrameBitmaps frame = SpriteFrame(options.Rules);
  // Indices the RGBA route could not keep apart, and 3 kept free.
  for (int32_t y = 0; y < 9; ++y)
    for (int32_t x = 0; x < 23; ++x)
      if (frame.Data.GetPixel(x, y) == kDataNormal &&
          (Palette::BuiltIn().Nearest(frame.Colour.GetPixel(x, y)) == 3 ||
           Palette::BuiltIn().Nearest(frame.Colour.GetPixel(x, y)) == 250))
        frame.Colour.SetPixel(x, y, Palette::BuiltIn().Colour(0));
  frame.Data.SetPixel(0, 4, kDataNormal);
  frame.Colour.SetPixel(0, 4, Palette::BuiltIn().Colour(0));
  ExpectRoundTrip(frame, settings, options);
}

// Every frame of the real samples, exported as indexed PNG and imported
// again, gives the SLP that the BMP route (slp2slx, slx2slp) gives, but for
// the outline pixels: an export without --outlines leaves them
// transparent, and drawn ones would take indices of ordinary colours.
// screen.slp has no player colour but ordinary pixels of indices 16 to 23,
// which --no-player keeps normal.
TEST(ImportPNG, IndexedExportsOfTheSamplesComeBackToTheSameSLP) {
  ZORV_REQUIRE_SAMPLES();
  for (const std::string title : {"unit", "screen"}) {
    SCOPED_TRACE(title);
    test::TempDir dir;
    const std::string source = test::SamplesDir() + title + ".slp";
    SLPFile file;
    ASSERT_TRUE(file.Open(source).ok());
    std::vector<FrameBitmaps> frames;
    ASSERT_TRUE(DecodeSLP(file, Palette::BuiltIn(), frames).ok());
    ExportSettings settings;
    settings.Format = ExportFormat::kIndexed;
    fs::create_directories(dir.File("png"));
    Status exported = ExportSLPFrames(source, dir.File("png"), title, Palette::BuiltIn(), settings);
    ASSERT_TRUE(exported.ok()) << exported.message();
    for (size_t i = 0; i < frames.size(); ++i) {
      FrameBitmaps& frame = frames[i];
      for (int32_t y = 0; y < frame.Data.Height(); ++y)
        for (int32_t x = 0; x < frame.Data.Width(); ++x)
          if (frame.Data.GetPixel(x, y) == kDataPlayerOutline ||
              frame.Data.GetPixel(x, y) == kDataBlackOutline)
            frame.Data.SetPixel(x, y, kDataTransparent);
      std::string expected;
      ASSERT_TRUE(EncodeSLP(std::span(&frame, 1), Palette::BuiltIn(), expected).ok());
      PNGImportJob job;
      job.frames = {ExportFramePath(dir.File("png"), title, static_cast<int32_t>(i + 1))};
      job.slx_path = dir.File("back" + std::to_string(i) + ".slx");
      job.slp_path = dir.File("back" + std::to_string(i) + ".slp");
      job.center_x = frames[i].CenterX;
      job.center_y = frames[i].CenterY;
      job.options.Rules.PlayerColours = title == "unit";
      Status imported = ImportPNGFrames(job, Palette::BuiltIn());
      ASSERT_TRUE(imported.ok()) << imported.message();
      EXPECT_TRUE(test::ReadFileBytes(job.slp_path) == expected) << "frame " << i + 1;

    }
  }
}

TEST(ImportPNG, WritesPNGFramesAndTheSLXAndRefusesBadInputByName) {
  test::TempDir dir;
  RGBAImage image{2, 2, {255, 255, 255, 255, 0, 0, 0, 0, 9, 9, 9, 255, 1, 1, 1, 255}};
  ASSERT_TRUE(WriteRGBAPNG(dir.File("a.png"), image).ok());
  ASSERT_TRUE(WriteRGBAPNG(dir.File("b.png"), image).ok());
  PNGImportJob job;
  job.frames = {dir.File("a.png"), dir.File("b.png")};
  job.slx_path = dir.File("out/walk");
  job.center_x = -1;
  job.center_y = 5;
  fs::create_directories(dir.File("out"));
  ASSERT_TRUE(ImportPNGFrames(job, Palette::BuiltIn()).ok());
  SLXGraphic graphic;
  ASSERT_TRUE(LoadSLX(dir.File("out/walk.slx"), graphic).ok());
  ASSERT_EQ(graphic.FrameCount, 2);
  EXPECT_EQ(graphic.Frame(2).ColourFile, "walk_002.png");
  EXPECT_EQ(graphic.Frame(2).DataFile, "walk_002d.png");
  EXPECT_EQ(graphic.Frame(2).CenterX, -1);
  EXPECT_EQ(graphic.Frame(2).CenterY, 5);
  EXPECT_TRUE(HasPNGSignature(test::ReadFileBytes(graphic.DataPath(2))));
  cDIBSection data;
  ASSERT_TRUE(LoadFrameBitmap(graphic.DataPath(1), data).ok());
  EXPECT_EQ(data.GetPixel(1, 0), kDataPlayerOutline);

  // A damaged frame is named, and no SLX is written.
  test::WriteFileBytes(dir.File("bad.png"), test::ReadFileBytes(dir.File("a.png")).substr(0, 40));
  job.frames = {dir.File("a.png"), dir.File("bad.png")};
  job.slx_path = dir.File("out/bad.slx");
  Status bad = ImportPNGFrames(job, Palette::BuiltIn());
  EXPECT_EQ(bad.Headline(), kMsgErrorImportingFrames);
  EXPECT_NE(bad.Detail().find("frame 2"), std::string::npos) << bad.message();
  EXPECT_NE(bad.Detail().find("bad.png"), std::string::npos) << bad.message();
  EXPECT_FALSE(fs::exists(dir.File("out/bad.slx")));

  // A file that is no PNG file at all says so.
  test::WriteFileBytes(dir.File("text.png"), "just some text");
  job.frames = {dir.File("text.png")};
  Status text = ImportPNGFrames(job, Palette::BuiltIn());
  EXPECT_NE(text.Detail().find("text.png: not a PNG file"), std::string::npos) << text.message();

  // An output that is one of the frames is refused before anything is
  // written.
  job.frames = {dir.File("a.png")};
  job.slx_path = dir.File("out/c.slx");
  job.slp_path = dir.File("a.png");
  Status over = ImportPNGFrames(job, Palette::BuiltIn());
  EXPECT_EQ(over.Headline(), kMsgErrorImportingFrames);
  EXPECT_TRUE(HasPNGSignature(test::ReadFileBytes(dir.File("a.png"))));
  EXPECT_FALSE(fs::exists(dir.File("out/c.slx")));
}

}  // namespace
}  // namespace zorv
