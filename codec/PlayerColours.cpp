#include "codec/PlayerColours.h"

#include "codec/DataColours.h"
#include "codec/PlayerColourIndex.h"

namespace zorv {

cDIBSection InPlayerColours(const cDIBSection& colour, const cDIBSection& data,
                            const Palette& palette, int player) {
  cDIBSection shown = colour;
  if (player < kMinPlayer || player > kMaxPlayer || colour.Width() != data.Width() ||
      colour.Height() != data.Height())
    return shown;
  PaletteMatcher matcher(palette);
  const int first_shade = 16 * player;
  for (int32_t y = 0; y < data.Height(); ++y)
    for (int32_t x = 0; x < data.Width(); ++x)
      if (data.GetPixel(x, y) == kDataPlayer)
        shown.SetPixel(x, y, palette.Colour(first_shade +
                                            PlayerColourIndex(matcher, colour.GetPixel(x, y))));
  return shown;
}

}  // namespace zorv
