#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>
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

constexpr ColourValue kRed = RGBColour(255, 0, 0);
constexpr ColourValue kBlue = RGBColour(0, 0, 255);
constexpr ColourValue kWhite = RGBColour(255, 255, 255);
constexpr ColourValue kBlack = RGBColour(0, 0, 0);
constexpr ColourValue kBrown = RGBColour(120, 80, 40);  // hue 30: neither shadow nor player

cDIBSection Filled(int32_t width, int32_t height, ColourValue colour) {
  cDIBSection bitmap;
  EXPECT_TRUE(bitmap.Create(width, height));
  bitmap.Fill(colour);
  return bitmap;
}

// The kind ClassifyPixels gives a single colour.
ColourValue KindOf(ColourValue colour, const AutoGenOptions& options) {
  cDIBSection picture = Filled(1, 1, colour);
  cDIBSection data = Filled(1, 1, kBlack);
  ClassifyPixels(picture, data, options);
  return data.GetPixel(0, 0);
}

std::vector<std::pair<int, int>> PixelsOf(const cDIBSection& bitmap, ColourValue colour) {
  std::vector<std::pair<int, int>> found;
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    for (int32_t x = 0; x < bitmap.Width(); ++x)
      if (bitmap.GetPixel(x, y) == colour) found.emplace_back(x, y);
  return found;
}

bool SamePixels(const cDIBSection& a, const cDIBSection& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
  return true;
}

AutoGenOptions NoCropNoOutlines() {
  AutoGenOptions options;
  options.AutoCrop = false;
  options.Outlines = false;
  return options;
}

// ---- Colour rules ---------------------------------------------------------

TEST(ColoursWithin, SumsTheThreeChannelDifferencesAgainstTheLimit) {
  EXPECT_TRUE(ColoursWithin(RGBColour(240, 10, 5), kRed, 30));
  EXPECT_FALSE(ColoursWithin(RGBColour(240, 10, 6), kRed, 30));
  EXPECT_TRUE(ColoursWithin(RGBColour(240, 10, 6), kRed, 31));
  // Symmetric, and each channel counts whichever way it differs.
  EXPECT_TRUE(ColoursWithin(kRed, RGBColour(240, 10, 5), 30));
  EXPECT_FALSE(ColoursWithin(RGBColour(255, 0, 31), kRed, 30));
  EXPECT_FALSE(ColoursWithin(RGBColour(255, 31, 0), kRed, 30));
  // Limit 0 is exact equality.
  EXPECT_TRUE(ColoursWithin(kRed, kRed, 0));
  EXPECT_FALSE(ColoursWithin(RGBColour(254, 0, 0), kRed, 0));
  // The largest difference there is.
  EXPECT_TRUE(ColoursWithin(kBlack, kWhite, 765));
  EXPECT_FALSE(ColoursWithin(kBlack, kWhite, 764));
}

TEST(RGBToHSV, RoundsHalvesToEvenAndKeepsTheFactorInSinglePrecision) {
  // 7.5 x 3 = 22.5 goes to 22.
  HSV a = RGBToHSV(RGBColour(8, 3, 0));
  EXPECT_EQ(a.H, 22);
  EXPECT_EQ(a.S, 100);
  EXPECT_EQ(a.V, 3);
  // 60 / 56 in single precision times 7 lies just below 7.5: 7, not 8.
  HSV b = RGBToHSV(RGBColour(100, 51, 44));
  EXPECT_EQ(b.H, 7);
  EXPECT_EQ(b.S, 56);
  EXPECT_EQ(b.V, 39);
  // Saturation halves: 0.5 -> 0, 1.5 -> 2.
  EXPECT_EQ(RGBToHSV(RGBColour(200, 199, 199)).S, 0);
  EXPECT_EQ(RGBToHSV(RGBColour(200, 197, 197)).S, 2);
}

TEST(RGBToHSV, CoversEverySextantOfTheHueCircle) {
  EXPECT_EQ(RGBToHSV(kRed).H, 0);
  EXPECT_EQ(RGBToHSV(RGBColour(255, 255, 0)).H, 60);
  EXPECT_EQ(RGBToHSV(RGBColour(0, 255, 0)).H, 120);
  EXPECT_EQ(RGBToHSV(RGBColour(0, 255, 255)).H, 180);
  EXPECT_EQ(RGBToHSV(kBlue).H, 240);
  EXPECT_EQ(RGBToHSV(RGBColour(255, 0, 255)).H, 300);
  // Red with a touch of blue wraps to just below 360, and rounds up to it.
  EXPECT_EQ(RGBToHSV(RGBColour(200, 0, 16)).H, 355);
  EXPECT_EQ(RGBToHSV(RGBColour(255, 0, 1)).H, 360);
  EXPECT_EQ(RGBToHSV(RGBColour(0, 60, 200)).H, 222);
}

TEST(RGBToHSV, GreysHaveNoHueAndNoSaturation) {
  HSV grey = RGBToHSV(RGBColour(128, 128, 128));
  EXPECT_EQ(grey.H, 0);
  EXPECT_EQ(grey.S, 0);
  EXPECT_EQ(grey.V, 50);
  EXPECT_EQ(RGBToHSV(kWhite).V, 100);
  EXPECT_EQ(RGBToHSV(kBlack).V, 0);
}

TEST(ColourHue, IsTheHSVHueExceptForGreys) {
  EXPECT_EQ(ColourHue(kBlue), 240);
  EXPECT_EQ(ColourHue(RGBColour(100, 51, 44)), 7);
  EXPECT_EQ(ColourHue(kBlack), kGreyHue);
  EXPECT_EQ(ColourHue(kWhite), kGreyHue);
  EXPECT_EQ(ColourHue(RGBColour(77, 77, 77)), -500);
  // Nearly grey is not grey.
  EXPECT_NE(ColourHue(RGBColour(77, 77, 78)), kGreyHue);
}

TEST(IsPlayerShade, HueWithinToleranceOfThePlayerColour) {
  const int32_t blue = ColourHue(kBlue);
  EXPECT_TRUE(IsPlayerShade(RGBColour(20, 20, 200), blue, 15));
  // Hue 222 is 18 away.
  EXPECT_FALSE(IsPlayerShade(RGBColour(0, 60, 200), blue, 15));
  EXPECT_FALSE(IsPlayerShade(RGBColour(0, 60, 200), blue, 17));
  EXPECT_TRUE(IsPlayerShade(RGBColour(0, 60, 200), blue, 18));
}

TEST(IsPlayerShade, DarkBrightAndGreyPixelsHaveASmallerLimit) {
  const int32_t blue = ColourHue(kBlue);
  // Value 8: limit = tolerance - 6.
  EXPECT_TRUE(IsPlayerShade(RGBColour(0, 0, 20), blue, 15));
  EXPECT_TRUE(IsPlayerShade(RGBColour(0, 0, 20), blue, 6));
  EXPECT_FALSE(IsPlayerShade(RGBColour(0, 0, 20), blue, 5));
  // Value 100: limit = tolerance - 10.
  EXPECT_TRUE(IsPlayerShade(kBlue, blue, 15));
  EXPECT_TRUE(IsPlayerShade(kBlue, blue, 10));
  EXPECT_FALSE(IsPlayerShade(kBlue, blue, 9));
  // White: value 100 and saturation 0, limit = tolerance - 40.
  const int32_t red = ColourHue(kRed);
  EXPECT_FALSE(IsPlayerShade(kWhite, red, 39));
  EXPECT_TRUE(IsPlayerShade(kWhite, red, 40));
  // Black: limit = tolerance - 60, never reached.
  EXPECT_FALSE(IsPlayerShade(kBlack, red, kMaxPlayerTolerance));
}

TEST(IsPlayerShade, NoWrapAroundAtThreeHundredSixtyDegrees) {
  const int32_t red = ColourHue(kRed);
  ASSERT_EQ(red, 0);
  // Hue 5 and hue 355 are both 5 degrees from red on the circle; only the
  // first counts.
  EXPECT_TRUE(IsPlayerShade(RGBColour(200, 16, 0), red, 5));
  EXPECT_FALSE(IsPlayerShade(RGBColour(200, 16, 0), red, 4));
  for (int32_t tolerance = 0; tolerance <= kMaxPlayerTolerance; ++tolerance)
    EXPECT_FALSE(IsPlayerShade(RGBColour(200, 0, 16), red, tolerance)) << tolerance;
}

TEST(IsPlayerShade, AGreyPlayerColourMatchesNothing) {
  const int32_t grey = ColourHue(RGBColour(90, 90, 90));
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    ColourValue c = static_cast<ColourValue>(random() & 0xFFFFFF);
    EXPECT_FALSE(IsPlayerShade(c, grey, kMaxPlayerTolerance)) << c;
  }
  EXPECT_FALSE(IsPlayerShade(RGBColour(90, 90, 90), grey, kMaxPlayerTolerance));
}

TEST(IsSolidDataColour, OnlyNormalPlayerAndShadow) {
  EXPECT_TRUE(IsSolidDataColour(kDataNormal));
  EXPECT_TRUE(IsSolidDataColour(kDataPlayer));
  EXPECT_TRUE(IsSolidDataColour(kDataShadow));
  EXPECT_FALSE(IsSolidDataColour(kDataTransparent));
  EXPECT_FALSE(IsSolidDataColour(kDataPlayerOutline));
  EXPECT_FALSE(IsSolidDataColour(kDataBlackOutline));
  EXPECT_FALSE(IsSolidDataColour(kBlack));
  EXPECT_FALSE(IsSolidDataColour(RGBColour(254, 255, 255)));
  EXPECT_FALSE(IsSolidDataColour(-1));
}

// ---- Classification -------------------------------------------------------

TEST(ClassifyPixels, MaskBeatsShadowBeatsPlayer) {
  AutoGenOptions options = NoCropNoOutlines();
  options.PlayerColour = kBlue;
  options.PlayerTolerance = 15;
  // The mask colour is also the shadow colour and has the player hue.
  options.MaskColour = kBlue;
  options.ShadowColour = kBlue;
  options.ShadowTolerance = 30;
  EXPECT_EQ(KindOf(kBlue, options), kDataTransparent);
  // Within the shadow tolerance and with the player hue: shadow.
  EXPECT_EQ(KindOf(RGBColour(0, 0, 250), options), kDataShadow);
  // Player hue but outside the shadow tolerance: player colour.
  EXPECT_EQ(KindOf(RGBColour(20, 20, 200), options), kDataPlayer);
  EXPECT_EQ(KindOf(kBrown, options), kDataNormal);
}

TEST(ClassifyPixels, TheMaskTestHasNoTolerance) {
  AutoGenOptions options = NoCropNoOutlines();
  EXPECT_EQ(KindOf(kMagenta, options), kDataTransparent);
  EXPECT_EQ(KindOf(RGBColour(254, 0, 255), options), kDataNormal);
  EXPECT_EQ(KindOf(RGBColour(255, 1, 255), options), kDataNormal);
  EXPECT_EQ(KindOf(RGBColour(255, 0, 254), options), kDataNormal);
}

TEST(ClassifyPixels, ShadowToleranceBoundariesAndNoShadow) {
  AutoGenOptions options = NoCropNoOutlines();
  options.ShadowColour = kRed;
  options.ShadowTolerance = 0;
  EXPECT_EQ(KindOf(kRed, options), kDataShadow);
  EXPECT_EQ(KindOf(RGBColour(254, 0, 0), options), kDataNormal);
  options.ShadowTolerance = 30;
  EXPECT_EQ(KindOf(RGBColour(240, 10, 5), options), kDataShadow);
  EXPECT_EQ(KindOf(RGBColour(240, 10, 6), options), kDataNormal);
  options.ShadowColour = kNoShadow;
  options.ShadowTolerance = kMaxShadowTolerance;
  EXPECT_EQ(KindOf(kRed, options), kDataNormal);
  EXPECT_EQ(KindOf(kBlack, options), kDataNormal);
}

TEST(ClassifyPixels, PlayerToleranceBoundariesAndPlayerColoursOff) {
  AutoGenOptions options = NoCropNoOutlines();
  options.PlayerTolerance = 15;
  EXPECT_EQ(KindOf(RGBColour(20, 20, 200), options), kDataPlayer);
  EXPECT_EQ(KindOf(RGBColour(0, 60, 200), options), kDataNormal);
  EXPECT_EQ(KindOf(RGBColour(0, 0, 20), options), kDataPlayer);
  EXPECT_EQ(KindOf(kBlue, options), kDataPlayer);
  options.PlayerTolerance = 18;
  EXPECT_EQ(KindOf(RGBColour(0, 60, 200), options), kDataPlayer);
  options.PlayerColours = false;
  EXPECT_EQ(KindOf(kBlue, options), kDataNormal);
  options.PlayerColours = true;
  options.PlayerColour = RGBColour(60, 60, 60);
  EXPECT_EQ(KindOf(kBlue, options), kDataNormal);
}

TEST(ClassifyPixels, EveryPixelOfAPictureGetsItsOwnKind) {
  // Many colours through the cache, each checked against the rules one by
  // one.
  AutoGenOptions options = NoCropNoOutlines();
  options.ShadowTolerance = 90;
  options.PlayerTolerance = 30;
  cDIBSection picture;
  ASSERT_TRUE(picture.Create(97, 61));
  std::mt19937 random(11);
  for (int32_t y = 0; y < picture.Height(); ++y)
    for (int32_t x = 0; x < picture.Width(); ++x) {
      uint32_t pick = random();
      ColourValue c = (pick & 3) == 0   ? kMagenta
                      : (pick & 3) == 1 ? RGBColour(200 + (pick >> 8) % 56, (pick >> 16) % 40, 0)
                                        : static_cast<ColourValue>((pick >> 2) & 0xFFFFFF);
      picture.SetPixel(x, y, c);
    }
  cDIBSection data = Filled(97, 61, kBlack);
  ClassifyPixels(picture, data, options);
  const int32_t player_hue = ColourHue(options.PlayerColour);
  std::set<ColourValue> kinds;
  for (int32_t y = 0; y < picture.Height(); ++y)
    for (int32_t x = 0; x < picture.Width(); ++x) {
      ColourValue c = picture.GetPixel(x, y);
      ColourValue expected =
          c == options.MaskColour                                          ? kDataTransparent
          : ColoursWithin(c, options.ShadowColour, options.ShadowTolerance) ? kDataShadow
          : IsPlayerShade(c, player_hue, options.PlayerTolerance)          ? kDataPlayer
                                                                           : kDataNormal;
      ASSERT_EQ(data.GetPixel(x, y), expected) << x << "," << y;
      kinds.insert(expected);
    }
  EXPECT_EQ(kinds.size(), 4u);
}

// ---- Outlines -------------------------------------------------------------

TEST(AddOutlines, ASinglePixelGetsFourPlayerAndSixteenBlackOutlinePixels) {
  for (ColourValue solid : {kDataNormal, kDataPlayer, kDataShadow}) {
    cDIBSection data = Filled(11, 11, kDataTransparent);
    data.SetPixel(5, 5, solid);
    AddOutlines(data);
    auto player = PixelsOf(data, kDataPlayerOutline);
    auto black = PixelsOf(data, kDataBlackOutline);
    EXPECT_EQ(player, (std::vector<std::pair<int, int>>{{5, 4}, {4, 5}, {6, 5}, {5, 6}}));
    ASSERT_EQ(black.size(), 16u);
    for (auto [x, y] : black) {
      int dx = std::abs(x - 5), dy = std::abs(y - 5);
      EXPECT_TRUE(dx <= 2 && dy <= 2 && dx + dy >= 2 && !(dx == 2 && dy == 2)) << x << "," << y;
    }
    for (auto [x, y] : std::vector<std::pair<int, int>>{{3, 3}, {7, 3}, {3, 7}, {7, 7}})
      EXPECT_EQ(data.GetPixel(x, y), kDataTransparent);
    EXPECT_EQ(data.GetPixel(5, 5), solid);
    EXPECT_EQ(PixelsOf(data, kDataTransparent).size(), 121u - 21u);
  }
}

TEST(AddOutlines, NeighboursOutsideTheBitmapDoNotCount) {
  cDIBSection data = Filled(3, 3, kDataTransparent);
  data.SetPixel(0, 0, kDataNormal);
  AddOutlines(data);
  EXPECT_EQ(PixelsOf(data, kDataPlayerOutline),
            (std::vector<std::pair<int, int>>{{1, 0}, {0, 1}}));
  EXPECT_EQ(PixelsOf(data, kDataBlackOutline),
            (std::vector<std::pair<int, int>>{{2, 0}, {1, 1}, {2, 1}, {0, 2}, {1, 2}}));
  EXPECT_EQ(data.GetPixel(2, 2), kDataTransparent);

  cDIBSection line = Filled(1, 1, kDataNormal);
  AddOutlines(line);
  EXPECT_EQ(line.GetPixel(0, 0), kDataNormal);
  cDIBSection empty;
  AddOutlines(empty);  // nothing to do, nothing touched
  EXPECT_TRUE(empty.IsEmpty());
}

TEST(AddOutlines, OutlinePixelsFeedNothingOfTheirOwnKind) {
  cDIBSection data = Filled(9, 9, kDataTransparent);
  data.SetPixel(2, 2, kDataPlayerOutline);
  data.SetPixel(6, 6, kDataBlackOutline);
  AddOutlines(data);
  // The existing player outline grows no more player outline, only black.
  EXPECT_EQ(PixelsOf(data, kDataPlayerOutline).size(), 1u);
  EXPECT_EQ(PixelsOf(data, kDataBlackOutline).size(), 8u + 1u);
  EXPECT_EQ(data.GetPixel(7, 7), kDataTransparent);
}

// ---- Cropping and the whole frame -----------------------------------------

TEST(FindContentBounds, SpansEveryPixelThatIsNotBackground) {
  cDIBSection picture = Filled(20, 15, kMagenta);
  picture.SetPixel(7, 3, kBrown);
  picture.SetPixel(2, 9, kBrown);
  picture.SetPixel(16, 11, kBrown);
  ContentBounds bounds = FindContentBounds(picture, kMagenta, false);
  ASSERT_TRUE(bounds.Found);
  EXPECT_EQ(bounds.Left, 2);
  EXPECT_EQ(bounds.Top, 3);
  EXPECT_EQ(bounds.Right, 16);
  EXPECT_EQ(bounds.Bottom, 11);
  EXPECT_FALSE(FindContentBounds(Filled(4, 4, kMagenta), kMagenta, false).Found);
  EXPECT_FALSE(FindContentBounds(cDIBSection{}, kMagenta, false).Found);
  // With fix purple magenta is background even under another mask.
  cDIBSection bordered = Filled(6, 6, kMagenta);
  bordered.SetPixel(0, 0, kWhite);
  bordered.SetPixel(3, 4, kBrown);
  ContentBounds fixed = FindContentBounds(bordered, kWhite, true);
  EXPECT_TRUE(fixed.Found && fixed.Left == 3 && fixed.Top == 4 && fixed.Right == 3 &&
              fixed.Bottom == 4);
  EXPECT_EQ(FindContentBounds(bordered, kWhite, false).Right, 5);
}

TEST(GenerateFrameBitmaps, CropsToTheContentWithATwoPixelMargin) {
  cDIBSection picture = Filled(10, 10, kMagenta);
  picture.SetPixel(3, 4, kBrown);
  AutoGenOptions options;
  options.Outlines = false;
  GeneratedFrame out;
  ASSERT_TRUE(GenerateFrameBitmaps(picture, options, 6, 9, out).ok());
  EXPECT_TRUE(out.Cropped);
  ASSERT_EQ(out.Colour.Width(), 5);
  ASSERT_EQ(out.Colour.Height(), 5);
  EXPECT_EQ(out.Data.Width(), 5);
  EXPECT_EQ(out.Data.Height(), 5);
  // The hot spot moves with the picture: by (-1, -2).
  EXPECT_EQ(out.CenterX, 5);
  EXPECT_EQ(out.CenterY, 7);
  EXPECT_EQ(PixelsOf(out.Colour, kBrown), (std::vector<std::pair<int, int>>{{2, 2}}));
  EXPECT_EQ(PixelsOf(out.Colour, kMagenta).size(), 24u);
  EXPECT_EQ(PixelsOf(out.Data, kDataNormal), (std::vector<std::pair<int, int>>{{2, 2}}));
  EXPECT_EQ(PixelsOf(out.Data, kDataTransparent).size(), 24u);
}

TEST(GenerateFrameBitmaps, CropFillsAreaOutsideTheOldPictureWithTheMaskColour) {
  // Content on the very edge: the margin lies outside the old bitmap.
  const ColourValue mask = RGBColour(0, 128, 128);
  cDIBSection picture = Filled(4, 3, mask);
  picture.SetPixel(0, 0, kBrown);
  picture.SetPixel(3, 2, kBrown);
  AutoGenOptions options;
  options.MaskColour = mask;
  GeneratedFrame out;
  ASSERT_TRUE(GenerateFrameBitmaps(picture, options, 1, 1, out).ok());
  EXPECT_EQ(out.Colour.Width(), 8);
  EXPECT_EQ(out.Colour.Height(), 7);
  EXPECT_EQ(out.CenterX, 3);
  EXPECT_EQ(out.CenterY, 3);
  EXPECT_EQ(PixelsOf(out.Colour, kBrown), (std::vector<std::pair<int, int>>{{2, 2}, {5, 4}}));
  EXPECT_EQ(PixelsOf(out.Colour, mask).size(), 56u - 2u);
  // The outlines fit inside the margin.
  EXPECT_EQ(PixelsOf(out.Data, kDataPlayerOutline).size(), 8u);
  EXPECT_EQ(out.Data.GetPixel(0, 0), kDataTransparent);
  EXPECT_EQ(out.Data.GetPixel(2, 0), kDataBlackOutline);
}

TEST(GenerateFrameBitmaps, AnEmptyFrameBecomesOneTransparentPixel) {
  for (bool outlines : {false, true}) {
    AutoGenOptions options;
    options.Outlines = outlines;
    options.MaskColour = RGBColour(0, 200, 0);
    GeneratedFrame out;
    ASSERT_TRUE(GenerateFrameBitmaps(Filled(30, 20, options.MaskColour), options, 14, 17, out).ok());
    EXPECT_TRUE(out.Cropped);
    ASSERT_EQ(out.Colour.Width(), 1);
    ASSERT_EQ(out.Colour.Height(), 1);
    EXPECT_EQ(out.Colour.GetPixel(0, 0), options.MaskColour);
    EXPECT_EQ(out.Data.GetPixel(0, 0), kDataTransparent);
    EXPECT_EQ(out.CenterX, 0);
    EXPECT_EQ(out.CenterY, 0);
  }
}

TEST(GenerateFrameBitmaps, CroppingTwiceChangesNothingMore) {
  cDIBSection picture = Filled(40, 30, kMagenta);
  for (int x = 9; x < 20; ++x) picture.SetPixel(x, 12 + x % 5, kBrown);
  picture.SetPixel(15, 14, kBlue);
  AutoGenOptions options;
  GeneratedFrame once, twice;
  ASSERT_TRUE(GenerateFrameBitmaps(picture, options, 20, 25, once).ok());
  ASSERT_TRUE(GenerateFrameBitmaps(once.Colour, options, once.CenterX, once.CenterY, twice).ok());
  EXPECT_EQ(once.Colour.Width(), 15);
  EXPECT_EQ(once.Colour.Height(), 9);
  EXPECT_EQ(twice.CenterX, once.CenterX);
  EXPECT_EQ(twice.CenterY, once.CenterY);
  EXPECT_TRUE(SamePixels(twice.Colour, once.Colour));
  EXPECT_TRUE(SamePixels(twice.Data, once.Data));
}

TEST(GenerateFrameBitmaps, FixPurpleCutsAMagentaBorderAndForcesTheCrop) {
  // White background, a magenta frame around it, and magenta inside the
  // picture too.
  cDIBSection picture = Filled(20, 16, kWhite);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 20; ++x)
      if (x < 3 || y < 3 || x >= 17 || y >= 13) picture.SetPixel(x, y, kMagenta);
  for (int32_t x = 6; x <= 10; ++x) picture.SetPixel(x, 7, kBrown);
  picture.SetPixel(8, 7, kMagenta);
  AutoGenOptions options;
  options.MaskColour = kWhite;
  options.AutoCrop = false;
  options.FixPurple = true;
  GeneratedFrame out;
  ASSERT_TRUE(GenerateFrameBitmaps(picture, options, 0, 0, out).ok());
  EXPECT_TRUE(out.Cropped);
  ASSERT_EQ(out.Colour.Width(), 9);
  ASSERT_EQ(out.Colour.Height(), 5);
  EXPECT_EQ(out.CenterX, -4);
  EXPECT_EQ(out.CenterY, -5);
  // The inner magenta stays and is classified by the normal rules.
  EXPECT_EQ(PixelsOf(out.Colour, kMagenta), (std::vector<std::pair<int, int>>{{4, 2}}));
  EXPECT_EQ(out.Data.GetPixel(4, 2), kDataNormal);
  EXPECT_EQ(PixelsOf(out.Data, kDataNormal).size(), 5u);
  EXPECT_EQ(PixelsOf(out.Colour, kWhite).size(), 45u - 5u);

  // Without fix purple the magenta border is picture.
  options.FixPurple = false;
  options.AutoCrop = true;
  ASSERT_TRUE(GenerateFrameBitmaps(picture, options, 0, 0, out).ok());
  EXPECT_EQ(out.Colour.Width(), 24);
  EXPECT_EQ(out.Colour.Height(), 20);
}

TEST(GenerateFrameBitmaps, WithoutCropTheColourBitmapAndHotSpotStay) {
  cDIBSection picture = Filled(7, 5, kMagenta);
  picture.SetPixel(0, 0, kBrown);
  picture.SetPixel(6, 4, kRed);
  AutoGenOptions options;
  options.AutoCrop = false;
  GeneratedFrame out;
  ASSERT_TRUE(GenerateFrameBitmaps(picture, options, -3, 40, out).ok());
  EXPECT_FALSE(out.Cropped);
  EXPECT_TRUE(SamePixels(out.Colour, picture));
  EXPECT_EQ(out.CenterX, -3);
  EXPECT_EQ(out.CenterY, 40);
  EXPECT_EQ(out.Data.GetPixel(0, 0), kDataNormal);
  EXPECT_EQ(out.Data.GetPixel(6, 4), kDataShadow);
  EXPECT_EQ(out.Data.GetPixel(1, 0), kDataPlayerOutline);
  EXPECT_EQ(out.Data.GetPixel(3, 3), kDataTransparent);
}

TEST(GenerateFrameBitmaps, ContentBeyondTenThousandPixelsIsStillFound) {
  // Tall, narrow bitmaps: the content lies past row and column 10000.
  cDIBSection tall = Filled(1, 10010, kMagenta);
  tall.SetPixel(0, 10005, kBrown);
  AutoGenOptions options;
  GeneratedFrame out;
  ASSERT_TRUE(GenerateFrameBitmaps(tall, options, 0, 10006, out).ok());
  EXPECT_EQ(out.Colour.Width(), 5);
  EXPECT_EQ(out.Colour.Height(), 5);
  EXPECT_EQ(out.CenterY, 3);
  EXPECT_EQ(out.Colour.GetPixel(2, 2), kBrown);

  cDIBSection wide = Filled(10010, 1, kMagenta);
  wide.SetPixel(10002, 0, kBrown);
  ASSERT_TRUE(GenerateFrameBitmaps(wide, options, 0, 0, out).ok());
  EXPECT_EQ(out.Colour.Width(), 5);
  EXPECT_EQ(out.CenterX, -10000);
}

TEST(GenerateFrameBitmaps, RefusesWhatItCannotDo) {
  AutoGenOptions options;
  GeneratedFrame out;
  // Content from edge to edge of the widest bitmap leaves no room for the
  // margin.
  cDIBSection widest = Filled(cDIBSection::kMaxDimension, 1, kBrown);
  EXPECT_FALSE(GenerateFrameBitmaps(widest, options, 0, 0, out).ok());
  options.AutoCrop = false;
  EXPECT_TRUE(GenerateFrameBitmaps(widest, options, 0, 0, out).ok());

  cDIBSection small = Filled(2, 2, kBrown);
  AutoGenOptions bad;
  bad.PlayerTolerance = 51;
  EXPECT_FALSE(GenerateFrameBitmaps(small, bad, 0, 0, out).ok());
  bad = AutoGenOptions{};
  bad.ShadowTolerance = -1;
  EXPECT_FALSE(GenerateFrameBitmaps(small, bad, 0, 0, out).ok());
  bad = AutoGenOptions{};
  bad.MaskColour = 0x1000000;
  EXPECT_FALSE(GenerateFrameBitmaps(small, bad, 0, 0, out).ok());
  bad = AutoGenOptions{};
  bad.ShadowColour = -2;
  EXPECT_FALSE(GenerateFrameBitmaps(small, bad, 0, 0, out).ok());
  bad.ShadowColour = kNoShadow;
  EXPECT_TRUE(GenerateFrameBitmaps(small, bad, 0, 0, out).ok());
}

// ---- On a frame of an SLX graphic, with files ----------------------------

// A graphic in a temporary folder: frames 1 and 3 share the colour bitmap
// a.bmp (10 x 10, one brown pixel at (3, 4)); frame 2 has b.bmp (8 x 6,
// no mask colour at all). graphic is read back from the saved SLX file.
class AutoGenFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    slx_path = dir.File("unit.slx");
    cDIBSection a = Filled(10, 10, kMagenta);
    a.SetPixel(3, 4, kBrown);
    ASSERT_TRUE(a.SavePicture(dir.File("a.bmp")).ok());
    cDIBSection b = Filled(8, 6, kBrown);
    b.SetPixel(7, 5, kBlue);
    ASSERT_TRUE(b.SavePicture(dir.File("b.bmp")).ok());
    SLXGraphic written;
    written.Path = slx_path;
    written.FrameCount = 3;
    written.Frames = {SLXFrame{"a.bmp", "a1d.bmp", 5, 5}, SLXFrame{"b.bmp", "b2d.bmp", 5, 5},
                      SLXFrame{"a.bmp", "a3d.bmp", 7, 1}};
    ASSERT_TRUE(SaveSLX(written));
    ASSERT_TRUE(LoadSLX(slx_path, graphic));
  }

  // Every file of the folder with its bytes.
  std::vector<std::pair<std::string, std::string>> Snapshot() const {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
      if (entry.is_regular_file())
        files.emplace_back(entry.path().filename().string(),
                           test::ReadFileBytes(entry.path().string()));
    std::sort(files.begin(), files.end());
    return files;
  }

  cDIBSection Load(const std::string& name) const {
    cDIBSection bitmap;
    EXPECT_TRUE(bitmap.CreateFromPicture(dir.File(name)).ok()) << name;
    return bitmap;
  }

  test::TempDir dir;
  std::string slx_path;
  SLXGraphic graphic;
};

const ViewAnchors kAnchors{{100, 200}, {300, 210}};

TEST_F(AutoGenFiles, APreviewWritesNothingAndMovesNoHotSpot) {
  auto before = Snapshot();
  AutoGenOptions options;  // crop on, save off
  AutoGenResult result = GenerateDataBitmap(graphic, options, kAnchors);
  EXPECT_TRUE(result.status.ok()) << result.status.message();
  EXPECT_TRUE(result.Generated);
  EXPECT_FALSE(result.Saved);
  EXPECT_TRUE(result.Cropped);
  EXPECT_FALSE(result.HotSpotsMoved);
  EXPECT_EQ(result.Frame, 1);
  EXPECT_EQ(result.Width, 5);
  EXPECT_EQ(result.Height, 5);
  EXPECT_EQ(result.CenterX, 4);
  EXPECT_EQ(result.CenterY, 3);
  EXPECT_EQ(result.ColourBitmap.GetPixel(2, 2), kBrown);
  EXPECT_EQ(result.DataBitmap.GetPixel(2, 2), kDataNormal);
  // The views take the new size and keep their place.
  EXPECT_EQ(result.Views.Width, 5);
  EXPECT_EQ(result.Views.Height, 5);
  EXPECT_FALSE(result.Views.Move);

  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(graphic.Frame(1).CenterX, 5);
  EXPECT_EQ(graphic.Frame(1).CenterY, 5);
  EXPECT_EQ(graphic.Frame(3).CenterX, 7);
}

TEST_F(AutoGenFiles, ApplyingACropMovesTheHotSpotOfEveryFrameSharingTheColourBitmap) {
  AutoGenOptions options;
  options.Save = true;
  AutoGenResult result = GenerateDataBitmap(graphic, options, kAnchors);
  ASSERT_TRUE(result.status.ok()) << result.status.message();
  EXPECT_TRUE(result.Saved);
  EXPECT_TRUE(result.HotSpotsMoved);
  // Frame 1 moved by (-1, -2); frame 3 shares a.bmp and takes the same hot
  // spot; frame 2 keeps its own.
  EXPECT_EQ(graphic.Frame(1).CenterX, 4);
  EXPECT_EQ(graphic.Frame(1).CenterY, 3);
  EXPECT_EQ(graphic.Frame(3).CenterX, 4);
  EXPECT_EQ(graphic.Frame(3).CenterY, 3);
  EXPECT_EQ(graphic.Frame(2).CenterX, 5);
  EXPECT_EQ(graphic.Frame(2).CenterY, 5);
  // The views put the new hot spot on the anchors.
  EXPECT_TRUE(result.Views.Move);
  EXPECT_EQ(result.Views.ColourView.X, 96);
  EXPECT_EQ(result.Views.ColourView.Y, 197);
  EXPECT_EQ(result.Views.DataView.X, 296);
  EXPECT_EQ(result.Views.DataView.Y, 207);

  // Both bitmaps on disk are the result; frame 3's data bitmap was not
  // made; the SLX file holds the new hot spots.
  EXPECT_TRUE(SamePixels(Load("a.bmp"), result.ColourBitmap));
  EXPECT_TRUE(SamePixels(Load("a1d.bmp"), result.DataBitmap));
  EXPECT_EQ(test::ReadFileBytes(dir.File("a1d.bmp")), result.DataBitmap.BMPBytes());
  EXPECT_FALSE(FileExists(dir.File("a3d.bmp")));
  SLXGraphic saved;
  ASSERT_TRUE(ParseSLX(test::ReadFileBytes(slx_path), saved).ok());
  EXPECT_EQ(FormatSLX(saved), FormatSLX(graphic));
  EXPECT_EQ(saved.Frames[2].CenterX, 4);

  // Frame 3 now reads the cropped a.bmp: a second crop changes nothing.
  options.Frame = 3;
  AutoGenResult again = GenerateDataBitmap(graphic, options, kAnchors);
  ASSERT_TRUE(again.status.ok()) << again.status.message();
  EXPECT_EQ(again.Width, 5);
  EXPECT_EQ(again.CenterX, 4);
  EXPECT_EQ(again.CenterY, 3);
  EXPECT_TRUE(SamePixels(Load("a3d.bmp"), result.DataBitmap));
}

TEST_F(AutoGenFiles, ApplyingWithoutCropRewritesTheColourBitmapAndKeepsTheHotSpot) {
  // Mark the file so that a rewrite shows: reserved header bytes set.
  std::string original = test::ReadFileBytes(dir.File("b.bmp"));
  original[6] = 'Z';
  test::WriteFileBytes(dir.File("b.bmp"), original);
  AutoGenOptions options;
  options.Frame = 2;
  options.AutoCrop = false;
  options.Save = true;
  AutoGenResult result = GenerateDataBitmap(graphic, options, kAnchors);
  ASSERT_TRUE(result.status.ok()) << result.status.message();
  EXPECT_FALSE(result.Cropped);
  EXPECT_FALSE(result.HotSpotsMoved);
  EXPECT_FALSE(result.Views.Move);
  EXPECT_EQ(result.Views.Width, 8);
  EXPECT_EQ(result.Views.Height, 6);
  EXPECT_EQ(graphic.Frame(2).CenterX, 5);
  EXPECT_EQ(test::ReadFileBytes(dir.File("b.bmp")), result.ColourBitmap.BMPBytes());
  cDIBSection data = Load("b2d.bmp");
  EXPECT_EQ(PixelsOf(data, kDataNormal).size(), 47u);
  EXPECT_EQ(data.GetPixel(7, 5), kDataPlayer);
}

TEST_F(AutoGenFiles, ApplyingToAnEmptyFrameGivesEverySharingFrameHotSpotZero) {
  ASSERT_TRUE(Filled(12, 9, kMagenta).SavePicture(dir.File("a.bmp")).ok());
  AutoGenOptions options;
  options.Frame = 3;
  options.Save = true;
  AutoGenResult result = GenerateDataBitmap(graphic, options, kAnchors);
  ASSERT_TRUE(result.status.ok()) << result.status.message();
  for (int32_t frame : {1, 3}) {
    EXPECT_EQ(graphic.Frame(frame).CenterX, 0);
    EXPECT_EQ(graphic.Frame(frame).CenterY, 0);
  }
  cDIBSection colour = Load("a.bmp"), data = Load("a3d.bmp");
  EXPECT_EQ(colour.Width(), 1);
  EXPECT_EQ(colour.GetPixel(0, 0), kMagenta);
  EXPECT_EQ(data.Width(), 1);
  EXPECT_EQ(data.GetPixel(0, 0), kDataTransparent);
  EXPECT_EQ(result.Views.ColourView.X, 100);
  EXPECT_EQ(result.Views.DataView.Y, 210);
}

TEST_F(AutoGenFiles, AMissingOrUnreadableColourBitmapFailsByNameAndChangesNothing) {
  for (bool missing : {true, false}) {
    SCOPED_TRACE(missing ? "missing" : "unreadable");
    if (missing)
      std::filesystem::remove(dir.File("b.bmp"));
    else
      test::WriteFileBytes(dir.File("b.bmp"), "BM not really a bitmap");
    auto before = Snapshot();
    AutoGenOptions options;
    options.Frame = 2;
    options.Save = true;
    AutoGenResult result = GenerateDataBitmap(graphic, options, kAnchors);
    EXPECT_FALSE(result.status.ok());
    EXPECT_FALSE(result.Generated);
    EXPECT_FALSE(result.Views.Move);
    EXPECT_NE(result.status.message().find(dir.File("b.bmp")), std::string::npos)
        << result.status.message();
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(graphic.Frame(2).CenterX, 5);
  }
}

TEST_F(AutoGenFiles, FrameNumbersOutsideTheGraphicAndBadSettingsFail) {
  auto before = Snapshot();
  for (int32_t frame : {0, -1, 4, INT32_MAX, INT32_MIN}) {
    AutoGenOptions options;
    options.Frame = frame;
    options.Save = true;
    AutoGenResult result = GenerateDataBitmap(graphic, options);
    EXPECT_FALSE(result.status.ok()) << frame;
    EXPECT_FALSE(result.Generated) << frame;
    EXPECT_NE(result.status.message().find("3 frames"), std::string::npos)
        << result.status.message();
  }
  {
    AutoGenOptions options;
    options.Save = true;
    options.ShadowTolerance = 301;
    AutoGenResult result = GenerateDataBitmap(graphic, options);
    EXPECT_FALSE(result.Generated);
    EXPECT_NE(result.status.message().find("shadow tolerance"), std::string::npos)
        << result.status.message();
  }
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(graphic.Frame(1).CenterX, 5);
}

TEST_F(AutoGenFiles, ColourAndDataBitmapsThatAreOneFileAreNotOverwritten) {
  graphic.Frame(2).DataFile = "b.bmp";
  auto before = Snapshot();
  AutoGenOptions options;
  options.Frame = 2;
  options.Save = true;
  AutoGenResult result = GenerateDataBitmap(graphic, options);
  EXPECT_FALSE(result.status.ok());
  EXPECT_FALSE(result.Saved);
  EXPECT_NE(result.status.message().find("same file"), std::string::npos)
      << result.status.message();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(AutoGenFiles, AFailedBitmapWriteLeavesFilesAndHotSpotsAsTheyWere) {
  // A read-only data bitmap: neither bitmap may be replaced, no hot spot
  // moves, the SLX file stays.
  ASSERT_TRUE(Filled(10, 10, kDataTransparent).SavePicture(dir.File("a1d.bmp")).ok());
  std::filesystem::permissions(dir.File("a1d.bmp"), std::filesystem::perms::owner_read);
  auto before = Snapshot();
  AutoGenOptions options;
  options.Save = true;
  AutoGenResult result = GenerateDataBitmap(graphic, options, kAnchors);
  EXPECT_FALSE(result.status.ok());
  EXPECT_FALSE(result.Saved);
  EXPECT_FALSE(result.HotSpotsMoved);
  EXPECT_FALSE(result.Views.Move);
  EXPECT_EQ(result.status.Headline(), "Error saving bitmap!");
  EXPECT_NE(result.status.message().find("a1d.bmp"), std::string::npos)
      << result.status.message();
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(graphic.Frame(1).CenterX, 5);
  EXPECT_EQ(graphic.Frame(3).CenterY, 1);
}

TEST_F(AutoGenFiles, AnSLXFileThatCannotBeWrittenLeavesTheFrameExactlyAsItWas) {
  // The bitmaps and the SLX file go together: cropping the bitmaps without
  // the hot spots that go with them would put the frame out of step.
  std::filesystem::permissions(slx_path, std::filesystem::perms::owner_read);
  auto before = Snapshot();
  const SLXGraphic graphic_before = graphic;
  AutoGenOptions options;
  options.Save = true;
  AutoGenResult result = GenerateDataBitmap(graphic, options, kAnchors);
  EXPECT_FALSE(result.status.ok());
  EXPECT_EQ(result.status.Headline(), "Error saving SLX file!");
  EXPECT_NE(result.status.message().find("left as it was"), std::string::npos)
      << result.status.message();
  EXPECT_FALSE(result.Saved);
  EXPECT_TRUE(result.Generated);
  EXPECT_FALSE(result.HotSpotsMoved);
  EXPECT_FALSE(result.Views.Move);
  EXPECT_EQ(FormatSLX(graphic), FormatSLX(graphic_before));
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(AutoGenFiles, FrameNamesLeadingOutOfTheFolderAreNeverWrittenThrough) {
  // A folder beside the graphic's, with a file someone keeps there.
  const std::filesystem::path outside = dir.path().parent_path() /
                                        (dir.path().filename().string() + "-outside");
  std::filesystem::create_directories(outside);
  const std::string notes = (outside / "notes.txt").string();
  test::WriteFileBytes(notes, "my notes");
  struct Case {
    const char* why;
    std::string data_file;
  };
  std::filesystem::create_directories(dir.File("sub"));
  std::filesystem::create_symlink(outside, dir.File("sub/link"));
  const std::string up = "../" + outside.filename().string() + "/notes.txt";
  const std::vector<Case> cases = {
      {"up and out", up},
      {"up and out, other separator", "..\\" + outside.filename().string() + "\\notes.txt"},
      {"up inside a longer name", "sub/../../" + outside.filename().string() + "/notes.txt"},
      {"absolute", notes},
      {"out through a link", "sub/link/notes.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    graphic.Frame(2).DataFile = c.data_file;
    auto before = Snapshot();
    AutoGenOptions options;
    options.Frame = 2;
    options.Save = true;
    AutoGenResult result = GenerateDataBitmap(graphic, options, kAnchors);
    EXPECT_FALSE(result.status.ok());
    EXPECT_NE(result.status.message().find(c.data_file), std::string::npos)
        << result.status.message();
    EXPECT_EQ(test::ReadFileBytes(notes), "my notes");
    EXPECT_EQ(Snapshot(), before);
    // A preview reads through the same name and writes nothing.
    options.Save = false;
    EXPECT_TRUE(GenerateDataBitmap(graphic, options, kAnchors).status.ok());
  }
  // A subfolder below the graphic's folder is fine.
  graphic.Frame(2).DataFile = "sub/b2d.bmp";
  AutoGenOptions options;
  options.Frame = 2;
  options.Save = true;
  AutoGenResult result = GenerateDataBitmap(graphic, options, kAnchors);
  EXPECT_TRUE(result.status.ok()) << result.status.message();
  EXPECT_TRUE(FileExists(dir.File("sub/b2d.bmp")));
  std::filesystem::remove_all(outside);
}

TEST_F(AutoGenFiles, ABitmapThatIsTheSLXFileItselfIsNotWritten) {
  graphic.Frame(2).DataFile = "unit.slx";
  ASSERT_EQ(graphic.DataPath(2), slx_path);
  auto before = Snapshot();
  AutoGenOptions options;
  options.Frame = 2;
  options.Save = true;
  AutoGenResult result = GenerateDataBitmap(graphic, options, kAnchors);
  EXPECT_FALSE(result.status.ok());
  EXPECT_NE(result.status.message().find("SLX file itself"), std::string::npos)
      << result.status.message();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(AutoGenFiles, AColourBitmapDeclaringAHugePictureIsRefusedBeforeItIsRead) {
  // A run-length BMP of a few bytes that claims 32767 x 10922 pixels.
  std::string bmp = "BM";
  const std::string palette(4 * 256, '\0');
  const std::string pixels = std::string("\0\1", 2);  // end of bitmap at once
  const uint32_t offset = 14 + 40 + static_cast<uint32_t>(palette.size());
  test::PutU32(bmp, offset + static_cast<uint32_t>(pixels.size()));
  test::PutU32(bmp, 0);
  test::PutU32(bmp, offset);
  for (uint32_t v : {40u, 32767u, 10922u}) test::PutU32(bmp, v);
  test::PutU16(bmp, 1);
  test::PutU16(bmp, 8);
  for (uint32_t v : {1u, static_cast<uint32_t>(pixels.size()), 0u, 0u, 256u, 0u})
    test::PutU32(bmp, v);
  test::WriteFileBytes(dir.File("b.bmp"), bmp + palette + pixels);
  auto before = Snapshot();
  AutoGenOptions options;
  options.Frame = 2;
  options.Save = true;
  options.AutoCrop = false;
  AutoGenResult result = GenerateDataBitmap(graphic, options, kAnchors);
  EXPECT_FALSE(result.Generated);
  EXPECT_NE(result.status.message().find("32767 x 10922"), std::string::npos)
      << result.status.message();
  EXPECT_EQ(Snapshot(), before);
}

// ---- Every frame of a graphic ----------------------------------------------

TEST_F(AutoGenFiles, GeneratingAllFramesTriesEachOneAndCountsTheFailures) {
  // Frame 2's colour bitmap is gone; frames 1 and 3 are still made.
  std::filesystem::remove(dir.File("b.bmp"));
  // The run sets the frame and saving itself.
  AutoGenOptions options;
  options.Frame = 2;
  options.Save = false;
  std::vector<std::string> events;
  std::vector<AutoGenResult> results;
  const std::string slx_before = test::ReadFileBytes(slx_path);
  const AutoGenBatch batch = GenerateAllDataBitmaps(
      graphic, options,
      [&](const ProgressStep& step) {
        events.push_back(step.caption + " (" + std::to_string(step.step) + " of " +
                         std::to_string(step.total) + ", level " + std::to_string(step.level) +
                         ")");
      },
      [&](const AutoGenResult& result) {
        events.push_back("frame " + std::to_string(result.Frame) +
                         (result.status.ok() ? " done" : " failed"));
        results.push_back(result);
        // The SLX file is written once, after the last frame, not once a
        // frame (which made the work grow with the square of the frames).
        EXPECT_EQ(test::ReadFileBytes(slx_path), slx_before) << result.Frame;
        return true;
      });
  EXPECT_TRUE(batch.status.ok()) << batch.status.message();
  EXPECT_EQ(batch.Failed, 1);
  EXPECT_EQ(batch.Done, 2);
  EXPECT_EQ(events, (std::vector<std::string>{
                        "Generating frame 1 (1 of 3, level 0)", "frame 1 done",
                        "Generating frame 2 (2 of 3, level 0)", "frame 2 failed",
                        "Generating frame 3 (3 of 3, level 0)", "frame 3 done"}));

  // Each frame's own result: frame 1 cropped and saved, frame 2 named the
  // missing bitmap, frame 3 read the already cropped a.bmp.
  ASSERT_EQ(results.size(), 3u);
  EXPECT_TRUE(results[0].Saved);
  EXPECT_TRUE(results[0].HotSpotsMoved);
  EXPECT_EQ(results[0].Width, 5);
  EXPECT_FALSE(results[1].Generated);
  EXPECT_EQ(results[1].status.Headline().rfind("Cannot read the colour bitmap of frame 2", 0), 0u)
      << results[1].status.message();
  EXPECT_NE(results[1].status.message().find(dir.File("b.bmp")), std::string::npos);
  EXPECT_TRUE(results[2].Saved);
  EXPECT_EQ(results[2].Width, 5);
  EXPECT_EQ(results[2].CenterX, 4);
  EXPECT_EQ(results[2].CenterY, 3);

  // What was made is on disk and in the SLX file.
  EXPECT_TRUE(SamePixels(Load("a1d.bmp"), results[0].DataBitmap));
  EXPECT_TRUE(SamePixels(Load("a3d.bmp"), results[2].DataBitmap));
  EXPECT_FALSE(FileExists(dir.File("b2d.bmp")));
  EXPECT_EQ(graphic.Frame(2).CenterX, 5);
  SLXGraphic saved;
  ASSERT_TRUE(ParseSLX(test::ReadFileBytes(slx_path), saved).ok());
  EXPECT_EQ(FormatSLX(saved), FormatSLX(graphic));
  EXPECT_EQ(saved.Frames[0].CenterX, 4);
  EXPECT_EQ(saved.Frames[2].CenterY, 3);
}

TEST_F(AutoGenFiles, GeneratingAllFramesOfAGoodGraphicFailsNone) {
  // Without listeners too.
  const AutoGenBatch batch = GenerateAllDataBitmaps(graphic, AutoGenOptions{});
  EXPECT_TRUE(batch.status.ok()) << batch.status.message();
  EXPECT_EQ(batch.Failed, 0);
  EXPECT_EQ(batch.Done, 3);
  for (const char* name : {"a1d.bmp", "b2d.bmp", "a3d.bmp"})
    EXPECT_TRUE(FileExists(dir.File(name))) << name;
  EXPECT_EQ(graphic.Frame(3).CenterX, 4);
}

TEST_F(AutoGenFiles, GeneratingAllFramesCanBeStoppedAndKeepsTheFramesDone) {
  std::vector<int32_t> heard;
  const AutoGenBatch batch = GenerateAllDataBitmaps(
      graphic, AutoGenOptions{}, {}, [&](const AutoGenResult& result) {
        heard.push_back(result.Frame);
        return result.Frame < 2;
      });
  EXPECT_TRUE(batch.status.ok()) << batch.status.message();
  EXPECT_EQ(heard, (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(batch.Done, 2);
  EXPECT_TRUE(FileExists(dir.File("a1d.bmp")));
  EXPECT_TRUE(FileExists(dir.File("b2d.bmp")));
  EXPECT_FALSE(FileExists(dir.File("a3d.bmp")));
  // The frames done are in the SLX file: frame 1's crop moved frames 1 and 3.
  SLXGraphic saved;
  ASSERT_TRUE(LoadSLX(slx_path, saved).ok());
  EXPECT_EQ(saved.Frame(1).CenterX, 4);
  EXPECT_EQ(saved.Frame(3).CenterX, 4);
}

TEST_F(AutoGenFiles, AnSLXFileThatCannotBeWrittenPutsEveryFrameBack) {
  // Writable when the run starts, not when it ends: every frame's files
  // and hot spots go back to what they were.
  auto before = Snapshot();
  const std::string colour_before = test::ReadFileBytes(dir.File("a.bmp"));
  const SLXGraphic graphic_before = graphic;
  std::vector<std::string> after_each;
  const AutoGenBatch batch = GenerateAllDataBitmaps(
      graphic, AutoGenOptions{}, {}, [&](const AutoGenResult& result) {
        after_each.push_back(test::ReadFileBytes(dir.File("a.bmp")));
        if (result.Frame == 3)
          std::filesystem::permissions(slx_path, std::filesystem::perms::owner_read);
        return true;
      });
  EXPECT_FALSE(batch.status.ok());
  EXPECT_EQ(batch.status.Headline(), "Error saving SLX file!");
  EXPECT_NE(batch.status.message().find("put back"), std::string::npos)
      << batch.status.message();
  // The frames were written on the way (frame 1's crop of a.bmp was there).
  ASSERT_EQ(after_each.size(), 3u);
  EXPECT_NE(after_each[0], colour_before);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(FormatSLX(graphic), FormatSLX(graphic_before));

  // An SLX file that is read-only from the start stops the run before any
  // frame is done.
  int frames_done = 0;
  const AutoGenBatch refused = GenerateAllDataBitmaps(
      graphic, AutoGenOptions{}, {}, [&](const AutoGenResult&) {
        ++frames_done;
        return true;
      });
  EXPECT_EQ(refused.status.Headline(), "Error saving SLX file!");
  EXPECT_EQ(frames_done, 0);
  EXPECT_EQ(Snapshot(), before);
}

}  // namespace
}  // namespace zorv
