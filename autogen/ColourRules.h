// The colour rules auto-generation classifies pixels by: summed channel
// distance for the shadow, hue distance for player colour.
#pragma once

#include <cstdint>

#include "codec/Palettes.h"

namespace zorv {

// Hue in degrees, saturation and value in percent, each a whole number.
struct HSV {
  int32_t H = 0;
  int32_t S = 0;
  int32_t V = 0;
};

// The hue ColourHue gives a grey: far from every real hue, so no tolerance
// ever reaches it.
inline constexpr int32_t kGreyHue = -500;

// True when |dR| + |dG| + |dB| <= limit. Stops as soon as the running sum
// (red, then green, then blue) is over the limit.
bool ColoursWithin(ColourValue a, ColourValue b, int32_t limit);

// Hue, saturation and value, each rounded half to even. The hue factor
// 60 / (max - min) is held in single precision and the product taken
// exactly, so 100,51,44 gives 7 (the product falls just below 7.5) and
// 8,3,0 gives 22 (22.5 goes to the even neighbour). A tie for the largest
// channel goes to red, then green.
HSV RGBToHSV(ColourValue x);

// The hue of RGBToHSV, or kGreyHue when all channels are equal.
int32_t ColourHue(ColourValue x);

// Whether x is a shade of the player colour: its hue lies within the
// tolerance of player_hue, the tolerance shrinking for dark (value < 10),
// very bright (value > 90) and nearly grey (saturation < 10) pixels. Plain
// difference of the hues: no wrap-around at 360 degrees.
bool IsPlayerShade(ColourValue x, int32_t player_hue, int32_t tolerance);

// The data colours an outline grows from: normal, player colour and shadow.
bool IsSolidDataColour(ColourValue x);

}  // namespace zorv
