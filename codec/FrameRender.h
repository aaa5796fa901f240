// The pictures made from a frame for other programs: RGBA in a chosen
// player's colours, and 8-bit paletted with exact indices.
#pragma once

#include "codec/FramePixels.h"
#include "codec/PNGFiles.h"
#include "codec/Palettes.h"
#include "codec/PlayerColours.h"
#include "common/Status.h"

namespace zorv {

struct RenderOptions {
  int Player = 1;             // player colour: entries 16 x Player + index
  int ShadowAlpha = 128;      // alpha of the black shadow pixels (RGBA)
  bool Outlines = false;      // draw outline pixels instead of leaving them transparent
  int TransparentIndex = 255; // the transparent pixels' index (paletted)
  int ShadowIndex = 254;      // the shadow pixels' index (paletted)
};

// Checks the option values alone: a player 1..8, alpha and indices 0..255,
// transparent and shadow indices that differ.
Status CheckRenderOptions(const RenderOptions& options);

// The palette entry of the player's brightest shade (of entries 16 x player
// to 16 x player + 7, the largest sum of red, green and blue; the lowest
// entry of equals): the colour of player-colour outlines.
int BrightestPlayerShade(const Palette& palette, int player);

// The frame in RGBA: transparent pixels alpha 0; normal pixels their
// palette colour; player colour the entry 16 x player + index (an entry
// beyond 255 fails); shadow black with the shadow alpha; outlines
// transparent unless drawn (player-colour outline the brightest shade,
// black outline black), all drawn pixels opaque.
Status RenderRGBA(const FramePixels& pixels, const Palette& palette,
                  const RenderOptions& options, RGBAImage& image);

// The frame with palette indices and the whole palette: transparent pixels
// (and outlines not drawn) the transparent index, marked transparent;
// shadow the shadow index; normal pixels their index; player colour
// 16 + index as in the SLP; drawn outlines the first player's brightest
// shade and the palette's black. A frame whose own pixels use the
// transparent or the shadow index fails, since a paint program could no
// longer tell them apart.
Status RenderIndexed(const FramePixels& pixels, const Palette& palette,
                     const RenderOptions& options, IndexedImage& image);

}  // namespace zorv
