// A frame as its kinds of pixel and palette indices, read from an SLP file
// with the exact indices it holds, or from an SLX frame's two bitmaps as the
// SLP encoder reads them. The exporter makes its pictures from this form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec/DIBSection.h"
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

// "(x, y)": where a pixel is, for messages.
std::string PixelPlaceText(int32_t x, int32_t y);

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

inline constexpr const char* kMsgErrorExportingFrame = "Error exporting frame!";

}  // namespace zorv
