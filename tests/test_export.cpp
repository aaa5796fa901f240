// Exporting frames as PNG: every pixel of the pictures read back with
// libpng is compared with what the SLP decoder's frames and the palette
// say it must be.
#include <gtest/gtest.h>

#include <filesystem>

#include "codec/DataColours.h"
#include "codec/ExportFrames.h"
#include "codec/FrameRender.h"
#include "codec/SLPReader.h"
#include "codec/SLPWriter.h"
#include "codec/SLX.h"
#include "tests/PNGReadBack.h"
#include "tests/SLPTestFiles.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

test::CommandResult Zorv(const std::string& arguments) {
  return test::RunCommand(Quote(test::ZorvProgram()) + " " + arguments);
}

std::vector<FrameBitmaps> Decode(const std::string& path, const Palette& palette) {
  SLPFile file;
  SLPHeader header;
  std::vector<SLPFrameInfo> info;
  std::vector<FrameBitmaps> frames;
  EXPECT_TRUE(ReadSLPHeader(path, file, header, info).ok()) << path;
  EXPECT_TRUE(DecodeSLP(file, palette, frames).ok()) << path;
  return frames;
}

Palette LoadPaletteFile(const std::string& path) {
  Palette palette;
  EXPECT_TRUE(LoadPalette(path, palette).ok()) << path;
  return palette;
}

// A palette of 256 different colours whose red byte is the entry's own
// number: the decoder draws each pixel through it as its exact index.
Palette IndexRevealingPalette() {
  PaletteTable table;
  for (int i = 0; i < 256; ++i) table[static_cast<size_t>(i)] = RGBColour(i, 77, 255 - i);
  return Palette(table);
}

// The palette moved so that the entries the decoder takes for the first
// player's shades (16 + index) hold the shades of player: decoded through
// it, player-colour pixels come out as that player's colour.
Palette PlayerShiftedPalette(const Palette& palette, int player) {
  PaletteTable table = palette.Colours();
  const int shift = 16 * (player - 1);
  for (int entry = 16; entry + shift < 256; ++entry)
    table[static_cast<size_t>(entry)] = palette.Colour(entry + shift);
  return Palette(table);
}

// The brightest of the player's eight shades by the sum of its channels.
ColourValue BrightestShade(const Palette& palette, int player) {
  ColourValue best = 0;
  int best_sum = -1;
  for (int entry = 16 * player; entry < 16 * player + 8; ++entry) {
    const ColourValue c = palette.Colour(entry);
    if (RedOf(c) + GreenOf(c) + BlueOf(c) > best_sum) {
      best_sum = RedOf(c) + GreenOf(c) + BlueOf(c);
      best = c;
    }
  }
  return best;
}

::testing::AssertionResult PixelIs(const test::PNGReadBack& png, int32_t x, int32_t y,
                                   ColourValue colour, int alpha) {
  const uint8_t* p = png.RGBA(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
  if (p[3] == alpha && (alpha == 0 || (p[0] == RedOf(colour) && p[1] == GreenOf(colour) &&
                                       p[2] == BlueOf(colour))))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "pixel (" << x << ", " << y << ") is " << int(p[0]) << " " << int(p[1]) << " "
         << int(p[2]) << " alpha " << int(p[3]) << ", not " << RedOf(colour) << " "
         << GreenOf(colour) << " " << BlueOf(colour) << " alpha " << alpha;
}

struct RGBAExpectation {
  int player = 1;
  int shadow_alpha = 128;
  bool outlines = false;
};

// Compares every pixel of every exported frame of an SLP file with the
// decoder's frames: normal pixels from a decoding through the palette,
// player colour from a decoding through the palette shifted to the player.
void ExpectRGBAFrames(const std::string& slp, const Palette& palette, const std::string& folder,
                      const std::string& title, const RGBAExpectation& want) {
  const std::vector<FrameBitmaps> frames = Decode(slp, palette);
  const std::vector<FrameBitmaps> player_frames =
      Decode(slp, PlayerShiftedPalette(palette, want.player));
  ASSERT_EQ(frames.size(), player_frames.size());
  const ColourValue outline = BrightestShade(palette, want.player);
  for (size_t i = 0; i < frames.size(); ++i) {
    const std::string path = ExportFramePath(folder, title, static_cast<int32_t>(i + 1));
    const test::PNGReadBack png = test::ReadPNGBack(path);
    ASSERT_TRUE(png.ok) << png.error;
    const cDIBSection& colour = frames[i].Colour;
    const cDIBSection& data = frames[i].Data;
    ASSERT_EQ(png.colour_type, PNG_COLOR_TYPE_RGBA) << path;
    ASSERT_EQ(png.bit_depth, 8);
    ASSERT_EQ(png.width, static_cast<uint32_t>(data.Width())) << path;
    ASSERT_EQ(png.height, static_cast<uint32_t>(data.Height())) << path;
    int wrong = 0;
    for (int32_t y = 0; y < data.Height() && wrong < 5; ++y)
      for (int32_t x = 0; x < data.Width() && wrong < 5; ++x) {
        ::testing::AssertionResult same = ::testing::AssertionSuccess();
        switch (data.GetPixel(x, y)) {
          case kDataTransparent: same = PixelIs(png, x, y, 0, 0); break;
          case kDataNormal: same = PixelIs(png, x, y, colour.GetPixel(x, y), 255); break;
          case kDataPlayer:
            same = PixelIs(png, x, y, player_frames[i].Colour.GetPixel(x, y), 255);
            break;
          case kDataShadow: same = PixelIs(png, x, y, 0, want.shadow_alpha); break;
          case kDataPlayerOutline:
            same = want.outlines ? PixelIs(png, x, y, outline, 255) : PixelIs(png, x, y, 0, 0);
            break;
          case kDataBlackOutline:
            same = want.outlines ? PixelIs(png, x, y, 0, 255) : PixelIs(png, x, y, 0, 0);
            break;
          default: same = ::testing::AssertionFailure() << "unknown data colour";
        }
        if (!same) {
          ++wrong;
          ADD_FAILURE() << path << ": " << same.message();
        }
      }
  }
}

// Compares every pixel of every exported paletted frame with the indices
// the SLP holds, and the PLTE and tRNS chunks with the palette.
void ExpectIndexedFrames(const std::string& slp, const Palette& palette,
                         const std::string& folder, const std::string& title,
                         int transparent_index, int shadow_index) {
  const std::vector<FrameBitmaps> frames = Decode(slp, IndexRevealingPalette());
  for (size_t i = 0; i < frames.size(); ++i) {
    const std::string path = ExportFramePath(folder, title, static_cast<int32_t>(i + 1));
    const test::PNGReadBack png = test::ReadPNGBack(path);
    ASSERT_TRUE(png.ok) << png.error;
    ASSERT_EQ(png.colour_type, PNG_COLOR_TYPE_PALETTE) << path;
    ASSERT_EQ(png.bit_depth, 8);
    ASSERT_EQ(png.palette.size(), 256u);
    for (int e = 0; e < 256; ++e) {
      const ColourValue c = palette.Colour(e);
      ASSERT_EQ(png.palette[static_cast<size_t>(e)].red, RedOf(c)) << "entry " << e;
      ASSERT_EQ(png.palette[static_cast<size_t>(e)].green, GreenOf(c)) << "entry " << e;
      ASSERT_EQ(png.palette[static_cast<size_t>(e)].blue, BlueOf(c)) << "entry " << e;
      ASSERT_EQ(png.EntryAlpha(static_cast<size_t>(e)), e == transparent_index ? 0 : 255)
          << "entry " << e;
    }
    const cDIBSection& indices = frames[i].Colour;
    const cDIBSection& data = frames[i].Data;
    ASSERT_EQ(png.width, static_cast<uint32_t>(data.Width()));
    ASSERT_EQ(png.height, static_cast<uint32_t>(data.Height()));
    int wrong = 0;
    for (int32_t y = 0; y < data.Height() && wrong < 5; ++y)
      for (int32_t x = 0; x < data.Width() && wrong < 5; ++x) {
        int want = transparent_index;
        const ColourValue kind = data.GetPixel(x, y);
        if (kind == kDataNormal || kind == kDataPlayer)
          want = RedOf(indices.GetPixel(x, y));  // player colour stays 16 + index
        else if (kind == kDataShadow)
          want = shadow_index;
        const int got = png.Index(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
        if (got != want) {
          ++wrong;
          ADD_FAILURE() << path << ": pixel (" << x << ", " << y << ") has index " << got
                        << ", not " << want;
        }
      }
  }
}

class ExportTest : public ::testing::Test {
 protected:
  test::TempDir dir;
};

TEST_F(ExportTest, UnitFramesInRGBAForPlayersOneTwoAndEightWithAndWithoutOutlines) {
  ZORV_REQUIRE_SAMPLES();
  const std::string slp = test::SamplesDir() + "unit.slp", pal = test::SamplesDir() + "unit.pal";
  const Palette palette = LoadPaletteFile(pal);
  for (int player : {1, 2, 8})
    for (bool outlines : {false, true}) {
      SCOPED_TRACE("player " + std::to_string(player) + (outlines ? " with outlines" : ""));
      const std::string out = dir.File("p" + std::to_string(player) + (outlines ? "o" : ""));
      auto run = Zorv("export -q -o " + Quote(out) + " --palette " + Quote(pal) + " --player " +
                      std::to_string(player) + (outlines ? " --outlines " : " ") + Quote(slp));
      ASSERT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(run.err, "");
      EXPECT_TRUE(fs::exists(out + "/unit/unit_050.png"));
      EXPECT_FALSE(fs::exists(out + "/unit/unit_051.png"));
      ExpectRGBAFrames(slp, palette, out + "/unit", "unit", {player, 128, outlines});
    }
}

TEST_F(ExportTest, ScreenFrameInRGBAThroughItsOwnPalette) {
  ZORV_REQUIRE_SAMPLES();
  const std::string slp = test::SamplesDir() + "screen.slp",
                    pal = test::SamplesDir() + "screen.pal";
  auto run = Zorv("export -q -o " + Quote(dir.File("out")) + " --palette " + Quote(pal) +
                  " --player 2 " + Quote(slp));
  ASSERT_EQ(run.status, 0) << run.err;
  ExpectRGBAFrames(slp, LoadPaletteFile(pal), dir.File("out/screen"), "screen", {2, 128, false});
}

// Both palettes name one colour under several indices (unit.pal black and
// white, screen.pal green, the built-in one black and white), so only the
// SLP's own indices give the right picture.
TEST_F(ExportTest, IndexedFramesKeepTheSLPsExactIndicesAndTheWholePalette) {
  ZORV_REQUIRE_SAMPLES();
  for (const std::string name : {"unit", "screen"}) {
    SCOPED_TRACE(name);
    const std::string slp = test::SamplesDir() + name + ".slp",
                      pal = test::SamplesDir() + name + ".pal";
    const std::string out = dir.File(name);
    auto run = Zorv("export -q --format indexed -o " + Quote(out) + " --palette " + Quote(pal) +
                    " " + Quote(slp));
    ASSERT_EQ(run.status, 0) << run.err;
    ExpectIndexedFrames(slp, LoadPaletteFile(pal), out + "/" + name, name, 255, 254);
  }
  // The built-in palette holds black at 0, 10 and 48, all of which the
  // screen uses; other transparent and shadow indices.
  const std::string slp = test::SamplesDir() + "screen.slp";
  auto run = Zorv("export -q --format indexed --transparent-index 7 --shadow-index 9 -o " +
                  Quote(dir.File("builtin")) + " " + Quote(slp));
  ASSERT_EQ(run.status, 0) << run.err;
  ExpectIndexedFrames(slp, Palette::BuiltIn(), dir.File("builtin/screen"), "screen", 7, 9);
}

// One row of every kind: normal 5 and 6, two shadow pixels, player colour
// with indices 3 and 7, a player-colour outline, a black outline and a
// transparent pixel.
test::TestFrame EveryKindFrame() {
  return test::OneRowFrame(9, 0, 0, {0x08, 5, 6, 0x2B, 0x26, 3, 7, 0x4E, 0x6E, 0x05, 0x0F});
}

TEST_F(ExportTest, ShadowAlphaOutlinesAndPlayersOnEveryKindOfPixel) {
  const std::string slp = dir.File("kinds.slp");
  test::WriteFileBytes(slp, test::BuildSLP({EveryKindFrame()}));
  for (int player : {1, 2, 8})
    for (bool outlines : {false, true}) {
      SCOPED_TRACE("player " + std::to_string(player) + (outlines ? " with outlines" : ""));
      const std::string out = dir.File("p" + std::to_string(player) + (outlines ? "o" : ""));
      auto run = Zorv("export -q --shadow-alpha 77 -o " + Quote(out) + " --player " +
                      std::to_string(player) + (outlines ? " --outlines " : " ") + Quote(slp));
      ASSERT_EQ(run.status, 0) << run.err;
      const test::PNGReadBack png = test::ReadPNGBack(out + "/kinds/kinds_001.png");
      ASSERT_TRUE(png.ok) << png.error;
      const Palette& p = Palette::BuiltIn();
      EXPECT_TRUE(PixelIs(png, 0, 0, p.Colour(5), 255));
      EXPECT_TRUE(PixelIs(png, 1, 0, p.Colour(6), 255));
      EXPECT_TRUE(PixelIs(png, 2, 0, 0, 77));
      EXPECT_TRUE(PixelIs(png, 3, 0, 0, 77));
      EXPECT_TRUE(PixelIs(png, 4, 0, p.Colour(16 * player + 3), 255));
      EXPECT_TRUE(PixelIs(png, 5, 0, p.Colour(16 * player + 7), 255));
      if (outlines) {
        EXPECT_TRUE(PixelIs(png, 6, 0, BrightestShade(p, player), 255));
        EXPECT_TRUE(PixelIs(png, 7, 0, RGBColour(0, 0, 0), 255));
      } else {
        EXPECT_TRUE(PixelIs(png, 6, 0, 0, 0));
        EXPECT_TRUE(PixelIs(png, 7, 0, 0, 0));
      }
      EXPECT_TRUE(PixelIs(png, 8, 0, 0, 0));
    }
}

TEST_F(ExportTest, IndexedOutlinesAndShadowOnEveryKindOfPixel) {
  const std::string slp = dir.File("kinds.slp");
  test::WriteFileBytes(slp, test::BuildSLP({EveryKindFrame()}));
  for (bool outlines : {false, true}) {
    const std::string out = dir.File(outlines ? "with" : "without");
    auto run = Zorv("export -q --format indexed --shadow-index 9 --player 5 -o " + Quote(out) +
                    (outlines ? " --outlines " : " ") + Quote(slp));
    ASSERT_EQ(run.status, 0) << run.err;
    const test::PNGReadBack png = test::ReadPNGBack(out + "/kinds/kinds_001.png");
    ASSERT_TRUE(png.ok) << png.error;
    std::vector<int> got;
    for (uint32_t x = 0; x < 9; ++x) got.push_back(png.Index(x, 0));
    // The player's brightest shade of the built-in palette is its last.
    const int player_outline = outlines ? 23 : 255, black_outline = outlines ? 0 : 255;
    EXPECT_EQ(got, (std::vector<int>{5, 6, 9, 9, 19, 23, player_outline, black_outline, 255}));
  }
}

TEST_F(ExportTest, AnSLXExportsLikeTheSLPItWasConvertedFrom) {
  const std::string slp = dir.File("kinds.slp");
  test::WriteFileBytes(slp, test::BuildSLP({EveryKindFrame()}));
  fs::create_directories(dir.File("slx"));
  ASSERT_TRUE(ConvertSLPToSLX(slp, dir.File("slx/kinds.slx"), Palette::BuiltIn()).ok());
  for (const char* format : {"png", "indexed"})
    for (int player : {1, 2, 8}) {
      const std::string options = std::string(" -q --outlines --format ") + format +
                                  " --player " + std::to_string(player) + " -o ";
      auto from_slp = Zorv("export" + options + Quote(dir.File("a")) + " " + Quote(slp));
      auto from_slx =
          Zorv("export" + options + Quote(dir.File("b")) + " " + Quote(dir.File("slx/kinds.slx")));
      ASSERT_EQ(from_slp.status, 0) << from_slp.err;
      ASSERT_EQ(from_slx.status, 0) << from_slx.err;
      const test::PNGReadBack a = test::ReadPNGBack(dir.File("a/kinds/kinds_001.png"));
      const test::PNGReadBack b = test::ReadPNGBack(dir.File("b/kinds/kinds_001.png"));
      ASSERT_TRUE(a.ok && b.ok);
      EXPECT_EQ(a.pixels, b.pixels) << format << ", player " << player;
    }
}

// Colours that are in no palette: the exporter must read them as the SLP
// encoder does, so that the SLX and the SLP made from it show one picture.
TEST_F(ExportTest, OffPaletteSLXColoursGiveThePlayerShadesTheEncoderCodes) {
  const int32_t width = 8;
  cDIBSection colour = test::FilledBitmap(width, 2, kMagenta);
  cDIBSection data = test::FilledBitmap(width, 2, kDataTransparent);
  const ColourValue players[] = {RGBColour(10, 20, 200), RGBColour(200, 30, 40),
                                 RGBColour(90, 250, 250), RGBColour(3, 3, 3)};
  for (int32_t x = 0; x < 4; ++x) {
    colour.SetPixel(x, 0, players[x]);
    data.SetPixel(x, 0, kDataPlayer);
    colour.SetPixel(x, 1, RGBColour(60 * x + 7, 99, 13));
    data.SetPixel(x, 1, kDataNormal);
  }
  data.SetPixel(5, 0, kDataShadow);
  data.SetPixel(6, 0, kDataPlayerOutline);
  data.SetPixel(7, 0, kDataBlackOutline);
  fs::create_directories(dir.File("slx"));
  ASSERT_TRUE(colour.SavePicture(dir.File("slx/g_001.bmp")).ok());
  ASSERT_TRUE(data.SavePicture(dir.File("slx/g_001d.bmp")).ok());
  SLXGraphic graphic;
  graphic.Path = dir.File("slx/g.slx");
  graphic.FrameCount = 1;
  graphic.Frames.push_back({"g_001.bmp", "g_001d.bmp", 3, 4});
  ASSERT_TRUE(SaveSLX(graphic).ok());
  ASSERT_TRUE(ConvertSLXToSLP(graphic, dir.File("g.slp"), Palette::BuiltIn()).ok());

  for (int player : {1, 2, 8}) {
    const std::string options =
        " -q --outlines --player " + std::to_string(player) + " -o ";
    auto from_slx = Zorv("export" + options + Quote(dir.File("a")) + " " + Quote(graphic.Path));
    auto from_slp = Zorv("export" + options + Quote(dir.File("b")) + " " + Quote(dir.File("g.slp")));
    ASSERT_EQ(from_slx.status, 0) << from_slx.err;
    ASSERT_EQ(from_slp.status, 0) << from_slp.err;
    const test::PNGReadBack a = test::ReadPNGBack(dir.File("a/g/g_001.png"));
    const test::PNGReadBack b = test::ReadPNGBack(dir.File("b/g/g_001.png"));
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_EQ(a.pixels, b.pixels) << "player " << player;
    // And what the SLP says: its decoder draws player 1's shades.
    if (player == 1) {
      const std::vector<FrameBitmaps> decoded = Decode(dir.File("g.slp"), Palette::BuiltIn());
      for (int32_t x = 0; x < 4; ++x)
        EXPECT_TRUE(PixelIs(a, x, 0, decoded[0].Colour.GetPixel(x, 0), 255));
    }
  }
}

TEST_F(ExportTest, BadOptionsAreRefusedWithAClearMessage) {
  const std::string slp = dir.File("kinds.slp");
  test::WriteFileBytes(slp, test::BuildSLP({EveryKindFrame()}));
  struct Case {
    std::string options, says;
  };
  for (const Case& c : std::vector<Case>{
           {"--player 9", "--player"},
           {"--player 0", "--player"},
           {"--shadow-alpha 256", "--shadow-alpha"},
           {"--transparent-index 256", "--transparent-index"},
           {"--shadow-index -1", "--shadow-index"},
           {"--format jpeg", "--format"},
           {"--transparent-index 4 --shadow-index 4", "must differ"},
       }) {
    auto run = Zorv("export -q -o " + Quote(dir.File("out")) + " " + c.options + " " + Quote(slp));
    EXPECT_EQ(run.status, 2) << c.options;
    EXPECT_NE(run.err.find("Error: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.options << ": " << run.err;
    EXPECT_FALSE(fs::exists(dir.File("out"))) << c.options;
  }
}

TEST_F(ExportTest, APlayerEntryBeyond255IsRefusedForThatGraphic) {
  // Player-colour index 200: entry 216 for player 1, 328 for player 8.
  const std::string slp = dir.File("high.slp");
  test::WriteFileBytes(slp, test::BuildSLP({test::OneRowFrame(1, 0, 0, {0x16, 200, 0x0F})}));
  auto player_one = Zorv("export -q -o " + Quote(dir.File("one")) + " " + Quote(slp));
  ASSERT_EQ(player_one.status, 0) << player_one.err;
  const test::PNGReadBack png = test::ReadPNGBack(dir.File("one/high/high_001.png"));
  ASSERT_TRUE(png.ok);
  EXPECT_TRUE(PixelIs(png, 0, 0, Palette::BuiltIn().Colour(216), 255));

  auto player_eight = Zorv("export -q --player 8 -o " + Quote(dir.File("eight")) + " " + Quote(slp));
  EXPECT_EQ(player_eight.status, 1);
  EXPECT_NE(player_eight.err.find("high.slp"), std::string::npos) << player_eight.err;
  EXPECT_NE(player_eight.err.find("Frame 1"), std::string::npos) << player_eight.err;
  EXPECT_NE(player_eight.err.find("entry 328, beyond 255"), std::string::npos)
      << player_eight.err;
  EXPECT_FALSE(fs::exists(dir.File("eight/high/high_001.png")));

  // Paletted pictures keep 16 + index whatever the player.
  auto indexed = Zorv("export -q --format indexed --player 8 -o " + Quote(dir.File("ix")) + " " +
                      Quote(slp));
  ASSERT_EQ(indexed.status, 0) << indexed.err;
  EXPECT_EQ(test::ReadPNGBack(dir.File("ix/high/high_001.png")).Index(0, 0), 216);
}

TEST_F(ExportTest, AFrameUsingTheTransparentOrShadowIndexIsRefusedInPalettedPictures) {
  const std::string slp = dir.File("uses.slp");
  test::WriteFileBytes(slp, test::BuildSLP({test::OneRowFrame(1, 0, 0, {0x04, 255, 0x0F})}));
  auto run = Zorv("export -q --format indexed -o " + Quote(dir.File("out")) + " " + Quote(slp));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("transparent index"), std::string::npos) << run.err;
  auto as_shadow = Zorv("export -q --format indexed --transparent-index 3 --shadow-index 255 -o " +
                       Quote(dir.File("out")) + " " + Quote(slp));
  EXPECT_EQ(as_shadow.status, 1);
  EXPECT_NE(as_shadow.err.find("shadow index"), std::string::npos) << as_shadow.err;
  EXPECT_FALSE(fs::exists(dir.File("out/uses/uses_001.png")));
  auto other = Zorv("export -q --format indexed --transparent-index 3 -o " +
                    Quote(dir.File("out")) + " " + Quote(slp));
  ASSERT_EQ(other.status, 0) << other.err;
  EXPECT_EQ(test::ReadPNGBack(dir.File("out/uses/uses_001.png")).Index(0, 0), 255);
}

TEST_F(ExportTest, ADamagedGraphicFailsAloneInABatchOfSLPAndSLXFiles) {
  fs::create_directories(dir.File("in/deep"));
  fs::create_directories(dir.File("in/gfx"));
  const std::string good = test::BuildSLP({EveryKindFrame()});
  test::WriteFileBytes(dir.File("in/good.slp"), good);
  // The same file cut short: its header and frame table are whole, its rows
  // are not.
  test::WriteFileBytes(dir.File("in/deep/cut.slp"), good.substr(0, good.size() - 6));
  ASSERT_TRUE(
      ConvertSLPToSLX(dir.File("in/good.slp"), dir.File("in/gfx/gfx.slx"), Palette::BuiltIn())
          .ok());
  auto run = Zorv("export -j 2 -o " + Quote(dir.File("out")) + " " + Quote(dir.File("in")));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cut.slp"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("good.slp"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("2 converted, 1 failed, 0 skipped"), std::string::npos) << run.out;
  const test::PNGReadBack from_slp = test::ReadPNGBack(dir.File("out/good/good_001.png"));
  const test::PNGReadBack from_slx = test::ReadPNGBack(dir.File("out/gfx/gfx/gfx_001.png"));
  ASSERT_TRUE(from_slp.ok) << from_slp.error;
  ASSERT_TRUE(from_slx.ok) << from_slx.error;
  EXPECT_EQ(from_slp.pixels, from_slx.pixels);
  EXPECT_FALSE(fs::exists(dir.File("out/deep/cut/cut_001.png")));
}

}  // namespace
}  // namespace zorv
