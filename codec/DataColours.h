// The six colours of a data bitmap, one per kind of pixel. Every producer
// and consumer of SLX frames (the SLP reader and writer, auto-generation,
// the editor) takes them from here.
#pragma once

#include "codec/Palettes.h"

namespace zorv {

inline constexpr ColourValue kDataTransparent = RGBColour(255, 0, 255);    // magenta
inline constexpr ColourValue kDataNormal = RGBColour(255, 255, 255);       // white
inline constexpr ColourValue kDataPlayer = RGBColour(0, 255, 0);           // green
inline constexpr ColourValue kDataShadow = RGBColour(255, 0, 0);           // red
inline constexpr ColourValue kDataPlayerOutline = RGBColour(0, 0, 255);    // blue
inline constexpr ColourValue kDataBlackOutline = RGBColour(255, 255, 0);   // yellow

// Magenta as a picture colour: the colour bitmap's transparent pixels, the
// default mask colour and the purple border auto-generation can cut away.
inline constexpr ColourValue kMagenta = kDataTransparent;

}  // namespace zorv
