// A frame shown in another player's colours, held against the indices the
// SLP file itself holds (read apart from any colour matching).
#include <gtest/gtest.h>

#include "codec/DataColours.h"
#include "codec/FramePixels.h"
#include "codec/PlayerColours.h"
#include "codec/SLPReader.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

TEST(PlayerColours, EveryPlayerColourPixelTakesThePlayersShadeOfItsIndex) {
  if (test::SamplesDir().empty()) GTEST_SKIP() << "ZORV_SAMPLES is not set";
  Palette palette;
  ASSERT_TRUE(LoadPalette(test::SamplesDir() + "unit.pal", palette));
  SLPFile file;
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  ASSERT_TRUE(ReadSLPHeader(test::SamplesDir() + "unit.slp", file, header, frames));
  int player_pixels = 0;
  for (size_t f = 0; f < frames.size(); ++f) {
    SCOPED_TRACE("frame " + std::to_string(f + 1));
    cDIBSection colour, data;
    ASSERT_TRUE(DecodeSLPFrame(file, frames[f], palette, colour, data));
    FramePixels exact;
    ASSERT_TRUE(FramePixelsFromSLP(file, frames[f], exact));
    for (int player : {1, 2, 8}) {
      const cDIBSection shown = InPlayerColours(colour, data, palette, player);
      for (int32_t y = 0; y < data.Height(); ++y)
        for (int32_t x = 0; x < data.Width(); ++x) {
          const size_t at = static_cast<size_t>(y) * data.Width() + x;
          if (exact.Kind[at] == PixelKind::kPlayer) {
            ++player_pixels;
            ASSERT_EQ(shown.GetPixel(x, y), palette.Colour(16 * player + exact.Index[at] % 16))
                << "player " << player << " at " << x << "," << y;
          } else {
            ASSERT_EQ(shown.GetPixel(x, y), colour.GetPixel(x, y));
          }
        }
    }
  }
  EXPECT_GT(player_pixels, 0);
}

TEST(PlayerColours, NoPlayerOrMismatchedBitmapsLeaveThePictureAsItIs) {
  cDIBSection colour, data, small;
  ASSERT_TRUE(colour.Create(4, 3) && data.Create(4, 3) && small.Create(3, 3));
  colour.Fill(RGBColour(1, 2, 3));
  data.Fill(kDataPlayer);
  small.Fill(kDataPlayer);
  const Palette& palette = Palette::BuiltIn();
  for (int player : {0, 9}) {
    const cDIBSection shown = InPlayerColours(colour, data, palette, player);
    EXPECT_EQ(shown.GetPixel(2, 1), RGBColour(1, 2, 3)) << player;
  }
  EXPECT_EQ(InPlayerColours(colour, small, palette, 3).GetPixel(2, 1), RGBColour(1, 2, 3));
  EXPECT_NE(InPlayerColours(colour, data, palette, 3).GetPixel(2, 1), RGBColour(1, 2, 3));
}

}  // namespace
}  // namespace zorv
