// A frame as its kinds of pixel and palette indices, and the pictures made
// from it for other programs: RGBA with a chosen player's colours, and
// 8-bit paletted with exact indices.
#pragma once

#include <cstdint>
#include <vector>

#include "codec/DIBSection.h"
#include "codec/PNGFiles.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "common/Status.h"

namespace zorv {

enum class PixelKind : uint8_t {
  kTransparent,
  kNormal,
  kPlayer,
  kShadow,
  kPlayerOutline,
  kBlackOutline,
};

// One frame, pixel by pixel (rows from the top). Index holds the palette
// index of a normal pixel and the player-colour index of a player-colour
// pixel (0..239 from an SLP, 0..15 from an SLX); 0 for the other kinds.
struct FramePixels {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<PixelKind> Kind;
  std::vector<uint8_t> Index;
};

// The kind a data-bitmap colour marks; false for a colour that marks none.
bool PixelKindOf(ColourValue data_colour, PixelKind& kind);

// A frame of an SLP file with the exact indices its commands hold.
Status FramePixelsFromSLP(const SLPFile& file, const SLPFrameInfo& frame, FramePixels& pixels);

// A frame given as a colour and a data bitmap (an SLX frame): kinds from
// the data bitmap, indices from the colour bitmap as the SLP encoder reads
// them (normal pixels the nearest palette index, player colour that index
// modulo 16). Fails for bitmaps of different sizes and for a data colour
// that marks no kind of pixel.
Status FramePixelsFromBitmaps(const cDIBSection& colour, const cDIBSection& data,
                              PaletteMatcher& matcher, FramePixels& pixels);

inline constexpr int kMinPlayer = 1;
inline constexpr int kMaxPlayer = 8;

struct RenderOptions {
  int Player = 1;             // player colour: entries 16 x Player + index
  int ShadowAlpha = 128;      // alpha of the black shadow pixels (RGBA)
  bool Outlines = false;      // draw outline pixels instead of leaving them transparent
  int TransparentIndex = 255; // the transparent pixels' index (paletted)
  int ShadowIndex = 254;      // the shadow pixels' index (paletted)
};

inline constexpr const char* kMsgErrorExportingFrame = "Error exporting frame!";

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
