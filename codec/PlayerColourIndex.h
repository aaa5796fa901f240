// The player-colour index of a colour-bitmap pixel, as the SLP encoder
// codes player-colour runs (codec/RunEncoder.cpp, AppendPlayerRun): the
// nearest palette index, modulo 16. Whoever reads player colour from an SLX
// frame without coding it (the exporter) takes it from here, so that both
// read the same shade from the same pixel.
#pragma once

#include <cstdint>

#include "codec/Palettes.h"

namespace zorv {

// The index 0..15 the encoder would write for a player-colour pixel of
// this colour: the matcher's nearest index (the encoder's own search) mod 16.
inline uint8_t PlayerColourIndex(PaletteMatcher& matcher, ColourValue colour) {
  return static_cast<uint8_t>(matcher.Nearest(colour) % 16);
}

}  // namespace zorv
