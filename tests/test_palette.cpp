#include <gtest/gtest.h>

#include "codec/Palettes.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

class PaletteTest : public ::testing::Test {
 protected:
  const Palette& built_in = Palette::BuiltIn();
  // A JASC-PAL file of the built-in colours, with the given first three lines.
  std::string JascText(const std::string& first, const std::string& count = "256") {
    std::string text = first + "\r\n0100\r\n" + count + "\r\n";
    for (int i = 0; i < 256; ++i) {
      ColourValue v = built_in.Colour(i);
      text += std::to_string(RedOf(v)) + " " + std::to_string(GreenOf(v)) + " " +
              std::to_string(BlueOf(v)) + "\r\n";
    }
    return text;
  }
};

TEST_F(PaletteTest, BuiltInPaletteHoldsTheGameColours) {
  EXPECT_EQ(built_in.Colour(0), RGBColour(0, 0, 0));
  EXPECT_EQ(built_in.Colour(1), RGBColour(0, 74, 161));
  EXPECT_EQ(built_in.Colour(16), RGBColour(0, 0, 82));
  EXPECT_EQ(built_in.Colour(23), RGBColour(205, 250, 255));
  EXPECT_EQ(built_in.Colour(56), RGBColour(134, 126, 118));
  EXPECT_EQ(built_in.Colour(107), RGBColour(228, 162, 82));
  EXPECT_EQ(built_in.Colour(252), RGBColour(255, 0, 255));
  EXPECT_EQ(built_in.Colour(255), RGBColour(255, 255, 255));
  // A palette starts as the game's, and loading with no file gives it too.
  EXPECT_EQ(Palette().Colours(), built_in.Colours());
  Palette loaded(PaletteTable{});
  ASSERT_TRUE(LoadPalette("", loaded));
  EXPECT_EQ(loaded.Colours(), built_in.Colours());
}

TEST_F(PaletteTest, BuiltInPaletteMatchesTheSampleUnitPalette) {
  ZORV_REQUIRE_SAMPLES();
  Palette palette;
  ASSERT_TRUE(LoadPalette(test::SamplesDir() + "unit.pal", palette));
  EXPECT_EQ(palette.Colours(), built_in.Colours());
  ASSERT_TRUE(LoadPalette(test::SamplesDir() + "screen.pal", palette));
  EXPECT_NE(palette.Colours(), built_in.Colours());
}

TEST_F(PaletteTest, NearestIndexPrefersExactMatchesAndTheLowestIndex) {
  EXPECT_EQ(NearestPaletteIndex(built_in, RGBColour(0, 0, 0)), 0);  // not 10 or 48
  EXPECT_EQ(NearestPaletteIndex(built_in, RGBColour(255, 255, 255)), 135);  // not 255
  EXPECT_EQ(NearestPaletteIndex(built_in, RGBColour(255, 0, 255)), 252);
  EXPECT_EQ(NearestPaletteIndex(built_in, RGBColour(1, 1, 1)), 0);
  EXPECT_EQ(NearestPaletteIndex(built_in, RGBColour(128, 128, 128)), 56);
  // Player shades are not excluded.
  EXPECT_EQ(NearestPaletteIndex(built_in, RGBColour(0, 0, 82)), 16);
  EXPECT_EQ(built_in.ExactIndex(RGBColour(0, 0, 82)), 16);
  EXPECT_EQ(built_in.ExactIndex(RGBColour(1, 1, 1)), -1);
}

TEST_F(PaletteTest, NearestIndexAgreesWithAPlainScanForManyColours) {
  // The search, and the matcher that remembers its answers, must give
  // exactly what two plain passes give.
  auto plain = [this](ColourValue v) {
    for (int i = 0; i < 256; ++i)
      if (built_in.Colour(i) == v) return i;
    int32_t best = 200000;
    int result = 0;
    for (int i = 0; i < 256; ++i) {
      int32_t d = ColourDistance(v, built_in.Colour(i));
      if (d < best) { best = d; result = i; }
    }
    return result;
  };
  PaletteMatcher matcher(built_in);
  uint32_t seed = 12345;
  for (int n = 0; n < 20000; ++n) {
    seed = seed * 1103515245u + 12345u;
    ColourValue v = static_cast<ColourValue>((seed >> 4) & 0xFFFFFF);
    ASSERT_EQ(NearestPaletteIndex(built_in, v), plain(v)) << "colour " << v;
    ASSERT_EQ(matcher.Nearest(v), plain(v)) << "colour " << v;
    ASSERT_EQ(matcher.Nearest(v), plain(v)) << "colour " << v << " (remembered)";
  }
}

TEST_F(PaletteTest, EqualDistancesGoToTheLowerIndex) {
  PaletteTable table{};
  for (int i = 0; i < 256; ++i) table[i] = RGBColour(200, 200, 200);
  table[40] = RGBColour(10, 0, 0);
  table[30] = RGBColour(0, 0, 10);
  const Palette first(table);
  // (5, 0, 5) is 50 from both entries 30 and 40.
  EXPECT_EQ(NearestPaletteIndex(first, RGBColour(5, 0, 5)), 30);
  PaletteMatcher first_matcher(first);
  EXPECT_EQ(first_matcher.Nearest(RGBColour(5, 0, 5)), 30);
  table[30] = RGBColour(0, 0, 12);
  const Palette second(table);
  // Each palette answers for itself; matchers never share answers.
  EXPECT_EQ(NearestPaletteIndex(second, RGBColour(5, 0, 5)), 40);
  EXPECT_EQ(PaletteMatcher(second).Nearest(RGBColour(5, 0, 5)), 40);
  EXPECT_EQ(first_matcher.Nearest(RGBColour(5, 0, 5)), 30);
}

TEST_F(PaletteTest, DistanceIsThePlainSquaredDistance) {
  EXPECT_EQ(ColourDistance(RGBColour(0, 0, 0), RGBColour(255, 255, 255)), 3 * 255 * 255);
  EXPECT_EQ(ColourDistance(RGBColour(10, 20, 30), RGBColour(13, 16, 30)), 9 + 16);
  EXPECT_EQ(ColourDistance(RGBColour(13, 16, 30), RGBColour(10, 20, 30)), 9 + 16);
}

TEST_F(PaletteTest, JascFileLoadsAllColourLinesWhateverTheCountLineSays) {
  test::TempDir dir;
  std::string text = JascText("JASC-PAL", "16");
  // Change entry 200 so the load is visible, and indent it: leading blanks
  // are allowed.
  size_t line_start = 0;
  for (int i = 0; i < 3 + 200; ++i) line_start = text.find("\r\n", line_start) + 2;
  size_t line_end = text.find("\r\n", line_start);
  text.replace(line_start, line_end - line_start, "  1 2 3");
  test::WriteFileBytes(dir.File("a.pal"), text);
  Palette palette;
  const Status loaded = LoadPalette(dir.File("a.pal"), palette);
  ASSERT_TRUE(loaded) << loaded.message();
  EXPECT_EQ(palette.Colour(200), RGBColour(1, 2, 3));
  EXPECT_EQ(palette.Colour(255), RGBColour(255, 255, 255));
}

TEST_F(PaletteTest, MalformedPaletteFilesAreRefusedAndChangeNothing) {
  test::TempDir dir;
  std::string good = JascText("JASC-PAL");
  std::string short_file = good.substr(0, good.rfind("255 255 255"));
  std::string bad_value = good;
  bad_value.replace(bad_value.find("0 74 161"), 8, "0 74 256");
  std::string two_numbers = good;
  two_numbers.replace(two_numbers.find("0 74 161"), 8, "0 74");
  std::string letters = good;
  letters.replace(letters.find("0 74 161"), 8, "0 x4 161");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"lower-case header", JascText("jasc-pal")},
      {"header with trailing blank", JascText("JASC-PAL ")},
      {"empty file", ""},
      {"fewer than 256 colour lines", short_file},
      {"value above 255", bad_value},
      {"line of two numbers", two_numbers},
      {"letters in a value", letters},
  };
  // Start from a palette that differs from the built-in one.
  PaletteTable marked = built_in.Colours();
  marked[7] = RGBColour(9, 9, 9);
  Palette palette(marked);
  for (const auto& [name, text] : cases) {
    test::WriteFileBytes(dir.File("bad.pal"), text);
    const Status status = LoadPalette(dir.File("bad.pal"), palette);
    EXPECT_FALSE(status) << name;
    EXPECT_EQ(status.Headline(), "Not valid palette file!") << name;
    EXPECT_NE(status.Detail().find("bad.pal"), std::string::npos) << name;
    EXPECT_EQ(palette.Colours(), marked) << name;
  }
  const Status status = LoadPalette(dir.File("missing.pal"), palette);
  EXPECT_EQ(status.Headline(), "Not valid palette file!");
  EXPECT_EQ(palette.Colours(), marked);
}

}  // namespace
}  // namespace zorv
