// A frame's colour bitmap as it shows in the colours of another player:
// every player-colour pixel (green in the data bitmap) takes the shade of
// that player the game would draw it in.
#pragma once

#include "codec/DIBSection.h"
#include "codec/Palettes.h"

namespace zorv {

inline constexpr int kMinPlayer = 1;
inline constexpr int kMaxPlayer = 8;

// colour with each pixel that data marks as player colour replaced by
// palette entry 16 x player + its player-colour index (PlayerColourIndex);
// other pixels as they are. Bitmaps of different sizes, or a player outside
// kMinPlayer..kMaxPlayer, give colour unchanged.
cDIBSection InPlayerColours(const cDIBSection& colour, const cDIBSection& data,
                            const Palette& palette, int player);

}  // namespace zorv
