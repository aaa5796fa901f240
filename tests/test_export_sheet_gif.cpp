// Sprite sheets and animated GIFs of the real samples, read back with
// nlohmann_json, libpng and giflib: every pixel is compared with the PNG
// export of the same frame with the same options (itself checked against
// the decoder in test_export), every hot spot with the SLP's frame table.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "codec/ExportFrames.h"
#include "codec/SLPReader.h"
#include "tests/GIFReadBack.h"
#include "tests/PNGReadBack.h"
#include "tests/SLPTestFiles.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;

Palette LoadPaletteFile(const std::string& path) {
  Palette palette;
  EXPECT_TRUE(LoadPalette(path, palette).ok()) << path;
  return palette;
}

std::vector<SLPFrameInfo> FrameTable(const std::string& slp) {
  SLPFile file;
  SLPHeader header;
  std::vector<SLPFrameInfo> info;
  EXPECT_TRUE(ReadSLPHeader(slp, file, header, info).ok()) << slp;
  return info;
}

// The frames of the SLP as single RGBA PNG pictures with the settings,
// read back.
std::vector<test::PNGReadBack> PlainFrames(const std::string& slp, const Palette& palette,
                                           ExportSettings settings, const std::string& folder) {
  settings.Format = ExportFormat::kPNG;
  fs::create_directories(folder);
  Status exported = ExportSLPFrames(slp, folder, "f", palette, settings);
  EXPECT_TRUE(exported.ok()) << exported.message();
  std::vector<test::PNGReadBack> frames;
  for (int32_t i = 1; fs::exists(ExportFramePath(folder, "f", i)); ++i) {
    frames.push_back(test::ReadPNGBack(ExportFramePath(folder, "f", i)));
    EXPECT_TRUE(frames.back().ok) << frames.back().error;
  }
  return frames;
}

struct Rect {
  int64_t x, y, width, height;
  bool Holds(int64_t px, int64_t py) const {
    return px >= x && py >= y && px < x + width && py < y + height;
  }
};

bool Overlap(const Rect& a, const Rect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
         b.y < a.y + a.height;
}

// Checks the sheet folder/title.png and its list folder/title.json against
// the SLP's frame table and its frames exported one by one.
void ExpectSheet(const std::string& slp, const Palette& palette, const ExportSettings& settings,
                 const test::TempDir& dir, const std::string& title) {
  const std::string folder = dir.File("sheet");
  fs::create_directories(folder);
  ExportSettings sheet_settings = settings;
  sheet_settings.Format = ExportFormat::kSheet;
  Status exported = ExportSLPFrames(slp, folder, title, palette, sheet_settings);
  ASSERT_TRUE(exported.ok()) << exported.message();
  // Only the sheet and its list: no frame pictures.
  EXPECT_FALSE(fs::exists(ExportFramePath(folder, title, 1)));
  const std::vector<test::PNGReadBack> plain =
      PlainFrames(slp, palette, settings, dir.File("plain"));
  const std::vector<SLPFrameInfo> table = FrameTable(slp);
  ASSERT_EQ(plain.size(), table.size());

  const test::PNGReadBack sheet = test::ReadPNGBack(SheetPicturePath(folder, title));
  ASSERT_TRUE(sheet.ok) << sheet.error;
  ASSERT_EQ(sheet.colour_type, PNG_COLOR_TYPE_RGBA);
  const nlohmann::json list =
      nlohmann::json::parse(test::ReadFileBytes(SheetJSONPath(folder, title)));
  EXPECT_EQ(list.at("image"), title + ".png");
  EXPECT_EQ(list.at("width"), sheet.width);
  EXPECT_EQ(list.at("height"), sheet.height);
  ASSERT_EQ(list.at("frames").size(), table.size());

  std::vector<Rect> rects;
  for (size_t i = 0; i < table.size(); ++i) {
    SCOPED_TRACE("frame " + std::to_string(i + 1));
    const nlohmann::json& entry = list["frames"][i];
    EXPECT_EQ(entry.at("frame"), i + 1);
    const Rect r{entry.at("x"), entry.at("y"), entry.at("width"), entry.at("height")};
    EXPECT_EQ(r.width, table[i].Width);
    EXPECT_EQ(r.height, table[i].Height);
    EXPECT_EQ(entry.at("hotspot").at("x"), table[i].HotSpotX);
    EXPECT_EQ(entry.at("hotspot").at("y"), table[i].HotSpotY);
    ASSERT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.width <= sheet.width &&
                r.y + r.height <= sheet.height)
        << "rectangle " << r.x << "," << r.y << " " << r.width << "x" << r.height
        << " outside the sheet of " << sheet.width << "x" << sheet.height;
    for (const Rect& other : rects) ASSERT_FALSE(Overlap(r, other));
    rects.push_back(r);
    const test::PNGReadBack& frame = plain[i];
    ASSERT_EQ(frame.width, r.width);
    ASSERT_EQ(frame.height, r.height);
    int wrong = 0;
    for (uint32_t y = 0; y < frame.height && wrong < 5; ++y)
      for (uint32_t x = 0; x < frame.width && wrong < 5; ++x)
        if (std::memcmp(frame.RGBA(x, y), sheet.RGBA(static_cast<uint32_t>(r.x + x),
                                                     static_cast<uint32_t>(r.y + y)),
                        4) != 0) {
          ++wrong;
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") differs in the sheet";
        }
  }
  int wrong = 0;
  for (uint32_t y = 0; y < sheet.height && wrong < 5; ++y)
    for (uint32_t x = 0; x < sheet.width && wrong < 5; ++x) {
      bool inside = false;
      for (const Rect& r : rects) inside = inside || r.Holds(x, y);
      if (!inside && sheet.RGBA(x, y)[3] != 0) {
        ++wrong;
        ADD_FAILURE() << "sheet pixel (" << x << ", " << y << ") lies in no frame but is not "
                      << "transparent";
      }
    }
}

TEST(ExportSheet, UnitFramesForPlayersOneAndEightWithShadowAlphaAndOutlines) {
  ZORV_REQUIRE_SAMPLES();
  const Palette palette = LoadPaletteFile(test::SamplesDir() + "unit.pal");
  for (int player : {1, 8}) {
    SCOPED_TRACE("player " + std::to_string(player));
    test::TempDir dir;
    ExportSettings settings;
    settings.Render.Player = player;
    settings.Render.ShadowAlpha = player == 1 ? 128 : 77;
    settings.Render.Outlines = player == 8;
    ExpectSheet(test::SamplesDir() + "unit.slp", palette, settings, dir, "unit");
  }
}

TEST(ExportSheet, TheLargeScreenFrame) {
  ZORV_REQUIRE_SAMPLES();
  test::TempDir dir;
  ExpectSheet(test::SamplesDir() + "screen.slp",
              LoadPaletteFile(test::SamplesDir() + "screen.pal"), ExportSettings{}, dir,
              "screen");
}

// An SLX whose frames are PNG files: its frame sizes come from the PNG
// headers, and the sheet is the SLP's.
TEST(ExportSheet, AnSLXWithPNGFramesGivesTheSLPsSheet) {
  ZORV_REQUIRE_SAMPLES();
  test::TempDir dir;
  const std::string slp = test::SamplesDir() + "unit.slp";
  const Palette palette = LoadPaletteFile(test::SamplesDir() + "unit.pal");
  fs::create_directories(dir.File("slx"));
  ASSERT_TRUE(
      ConvertSLPToSLX(slp, dir.File("slx/unit.slx"), palette, FrameFileFormat::kPNG).ok());
  ExportSettings settings;
  settings.Format = ExportFormat::kSheet;
  fs::create_directories(dir.File("a"));
  fs::create_directories(dir.File("b"));
  Status from_slp = ExportSLPFrames(slp, dir.File("a"), "unit", palette, settings);
  Status from_slx = ExportSLXFrames(dir.File("slx/unit.slx"), dir.File("b"), "unit", palette,
                                    settings);
  ASSERT_TRUE(from_slp.ok()) << from_slp.message();
  ASSERT_TRUE(from_slx.ok()) << from_slx.message();
  EXPECT_EQ(test::ReadFileBytes(SheetJSONPath(dir.File("a"), "unit")),
            test::ReadFileBytes(SheetJSONPath(dir.File("b"), "unit")));
  EXPECT_EQ(test::ReadPNGBack(SheetPicturePath(dir.File("a"), "unit")).pixels,
            test::ReadPNGBack(SheetPicturePath(dir.File("b"), "unit")).pixels);
}

// Exports frames first..last (0: to the end) of the SLP as a GIF and checks
// it against the frame table and the frames exported one by one: one GIF
// frame per frame, the delay, the loop, a canvas just large enough for
// every frame placed on the common hot spot, and every pixel there.
// Returns the number of opaque pixels over all frames.
int64_t ExpectGIF(const std::string& slp, const Palette& palette, ExportSettings settings,
                  int32_t first, int32_t last, int delay_cs) {
  test::TempDir dir;
  const std::vector<test::PNGReadBack> plain =
      PlainFrames(slp, palette, settings, dir.File("plain"));
  const std::vector<SLPFrameInfo> table = FrameTable(slp);
  if (last == 0) last = static_cast<int32_t>(table.size());
  settings.Format = ExportFormat::kGIF;
  settings.FirstFrame = first;
  settings.LastFrame = last;
  Status exported = ExportSLPFrames(slp, dir.File(""), "anim", palette, settings);
  EXPECT_TRUE(exported.ok()) << exported.message();
  const test::GIFReadBack gif = test::ReadGIFBack(GIFPath(dir.File(""), "anim"));
  EXPECT_TRUE(gif.ok) << gif.error;
  if (!gif.ok) return -1;
  EXPECT_TRUE(gif.loops_for_ever);
  EXPECT_EQ(gif.frames.size(), static_cast<size_t>(last - first + 1));
  if (gif.frames.size() != static_cast<size_t>(last - first + 1)) return -1;

  // The common hot spot lies as far right and down as the frame whose hot
  // spot lies furthest in; the canvas reaches to the furthest frame edge.
  int64_t hot_x = 0, hot_y = 0, width = 1, height = 1;
  for (int32_t i = first; i <= last; ++i) {
    hot_x = std::max<int64_t>(hot_x, table[i - 1].HotSpotX);
    hot_y = std::max<int64_t>(hot_y, table[i - 1].HotSpotY);
  }
  for (int32_t i = first; i <= last; ++i) {
    width = std::max<int64_t>(width, hot_x - table[i - 1].HotSpotX + table[i - 1].Width);
    height = std::max<int64_t>(height, hot_y - table[i - 1].HotSpotY + table[i - 1].Height);
  }
  EXPECT_EQ(gif.width, width);
  EXPECT_EQ(gif.height, height);

  int64_t opaque = 0;
  for (int32_t i = first; i <= last; ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    const test::GIFFrameBack& shown = gif.frames[static_cast<size_t>(i - first)];
    const test::PNGReadBack& frame = plain[static_cast<size_t>(i - 1)];
    EXPECT_EQ(shown.delay, delay_cs);
    EXPECT_NE(shown.transparent, NO_TRANSPARENT_COLOR);
    EXPECT_EQ(shown.disposal, DISPOSE_BACKGROUND);
    // Every frame is a whole canvas, so that nothing of the frame before
    // stays where this one is transparent.
    EXPECT_EQ(shown.left, 0);
    EXPECT_EQ(shown.top, 0);
    EXPECT_EQ(shown.width, gif.width);
    EXPECT_EQ(shown.height, gif.height);
    EXPECT_EQ(shown.colours.size(), 256u);
    if (shown.width != gif.width || shown.height != gif.height || shown.colours.size() != 256)
      return -1;
    const int64_t x0 = hot_x - table[i - 1].HotSpotX, y0 = hot_y - table[i - 1].HotSpotY;
    int wrong = 0;
    for (int y = 0; y < shown.height && wrong < 5; ++y)
      for (int x = 0; x < shown.width && wrong < 5; ++x) {
        const int64_t fx = x - x0, fy = y - y0;
        const bool in_frame = fx >= 0 && fy >= 0 && fx < frame.width && fy < frame.height;
        const uint8_t* want =
            in_frame ? frame.RGBA(static_cast<uint32_t>(fx), static_cast<uint32_t>(fy)) : nullptr;
        const int index = shown.Index(x, y);
        std::string why;
        if (!want || want[3] < 128) {
          if (index != shown.transparent) why = "should be transparent";
        } else if (index == shown.transparent) {
          why = "should be opaque";
        } else {
          ++opaque;
          const GifColorType& c = shown.colours[static_cast<size_t>(index)];
          if (c.Red != want[0] || c.Green != want[1] || c.Blue != want[2])
            why = "shows " + std::to_string(c.Red) + " " + std::to_string(c.Green) + " " +
                  std::to_string(c.Blue) + ", not " + std::to_string(want[0]) + " " +
                  std::to_string(want[1]) + " " + std::to_string(want[2]);
        }
        if (!why.empty()) {
          ++wrong;
          ADD_FAILURE() << "canvas pixel (" << x << ", " << y << "): " << why;
        }
      }
  }
  return opaque;
}

TEST(ExportGIF, AllUnitFramesOnTheirHotSpotsEveryTenthOfASecond) {
  ZORV_REQUIRE_SAMPLES();
  const Palette palette = LoadPaletteFile(test::SamplesDir() + "unit.pal");
  EXPECT_GT(ExpectGIF(test::SamplesDir() + "unit.slp", palette, ExportSettings{}, 1, 0, 10), 0);
}

TEST(ExportGIF, ARangeOfFramesForPlayerEightWithOutlinesAndAnotherDelay) {
  ZORV_REQUIRE_SAMPLES();
  const Palette palette = LoadPaletteFile(test::SamplesDir() + "unit.pal");
  ExportSettings settings;
  settings.Render.Player = 8;
  settings.Render.Outlines = true;
  settings.DelayMs = 70;
  EXPECT_GT(ExpectGIF(test::SamplesDir() + "unit.slp", palette, settings, 12, 31, 7), 0);
  settings.DelayMs = 1234;  // kept to hundredths: 123
  EXPECT_GT(ExpectGIF(test::SamplesDir() + "unit.slp", palette, settings, 50, 50, 123), 0);
}

// A GIF has one transparent index and no partial alpha: shadow pixels of
// alpha 128 and more are drawn black, lighter ones are left out. One row:
// normal 5 and 6, two shadow pixels, player colour 3 and 7, a player and a
// black outline (left out without --outlines), a transparent pixel.
TEST(ExportGIF, ShadowIsBlackFromAlpha128AndLeftOutBelow) {
  test::TempDir dir;
  const std::string slp = dir.File("kinds.slp");
  test::WriteFileBytes(slp, test::BuildSLP({test::OneRowFrame(
                                9, 0, 0, {0x08, 5, 6, 0x2B, 0x26, 3, 7, 0x4E, 0x6E, 0x05, 0x0F})}));
  ExportSettings settings;
  settings.Render.ShadowAlpha = 128;
  EXPECT_EQ(ExpectGIF(slp, Palette::BuiltIn(), settings, 1, 0, 10), 6);
  settings.Render.ShadowAlpha = 127;
  EXPECT_EQ(ExpectGIF(slp, Palette::BuiltIn(), settings, 1, 0, 10), 4);
}

TEST(ExportGIF, TheScreenInItsOwnPalette) {
  ZORV_REQUIRE_SAMPLES();
  EXPECT_GT(ExpectGIF(test::SamplesDir() + "screen.slp",
                      LoadPaletteFile(test::SamplesDir() + "screen.pal"), ExportSettings{}, 1, 0,
                      10),
            0);
}

TEST(ExportGIF, FramesOutsideTheGraphicAreRefusedAndNothingIsWritten) {
  ZORV_REQUIRE_SAMPLES();
  test::TempDir dir;
  struct Range {
    int32_t first, last;
  };
  for (const Range range : {Range{5, 3}, Range{0, 2}, Range{49, 51}, Range{51, 0}}) {
    ExportSettings settings;
    settings.Format = ExportFormat::kGIF;
    settings.FirstFrame = range.first;
    settings.LastFrame = range.last;
    Status exported = ExportSLPFrames(test::SamplesDir() + "unit.slp", dir.File(""), "anim",
                                      Palette::BuiltIn(), settings);
    EXPECT_FALSE(exported.ok()) << range.first << "-" << range.last;
    EXPECT_EQ(exported.Headline(), kMsgErrorExporting);
    EXPECT_NE(exported.Detail().find("unit.slp"), std::string::npos) << exported.Detail();
    EXPECT_NE(exported.Detail().find("which has 50"), std::string::npos) << exported.Detail();
    EXPECT_FALSE(fs::exists(GIFPath(dir.File(""), "anim")));
  }
}

}  // namespace
}  // namespace zorv
