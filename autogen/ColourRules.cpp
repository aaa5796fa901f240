#include "autogen/ColourRules.h"

#include <algorithm>
#include <cstdlib>

#include "codec/DataColours.h"
#include "common/Functions.h"

namespace zorv {
namespace {

int32_t RoundToInt(double value) { return static_cast<int32_t>(RoundHalfEven(value)); }

}  // namespace

bool ColoursWithin(ColourValue a, ColourValue b, int32_t limit) {
  int32_t sum = std::abs(RedOf(a) - RedOf(b));
  if (sum > limit) return false;
  sum += std::abs(GreenOf(a) - GreenOf(b));
  if (sum > limit) return false;
  sum += std::abs(BlueOf(a) - BlueOf(b));
  return sum <= limit;
}

HSV RGBToHSV(ColourValue x) {
  const int32_t r = RedOf(x), g = GreenOf(x), b = BlueOf(x);
  const int32_t max = std::max({r, g, b});
  const int32_t min = std::min({r, g, b});
  HSV hsv;
  hsv.V = RoundToInt(max * 100.0 / 255.0);
  if (max == min) return hsv;
  const int32_t spread = max - min;
  hsv.S = RoundToInt(spread * 100.0 / max);
  // The factor is rounded to single precision; the product and the sum are
  // exact in double precision, so only the final rounding remains.
  const double factor = static_cast<double>(60.0f / static_cast<float>(spread));
  double hue;
  if (max == r) {
    hue = factor * (g - b);
    if (b > g) hue += 360.0;
  } else if (max == g) {
    hue = factor * (b - r) + 120.0;
  } else {
    hue = factor * (r - g) + 240.0;
  }
  hsv.H = RoundToInt(hue);
  return hsv;
}

int32_t ColourHue(ColourValue x) {
  const int32_t r = RedOf(x), g = GreenOf(x), b = BlueOf(x);
  if (r == g && g == b) return kGreyHue;
  return RGBToHSV(x).H;
}

bool IsPlayerShade(ColourValue x, int32_t player_hue, int32_t tolerance) {
  const HSV hsv = RGBToHSV(x);
  int32_t limit = tolerance;
  if (hsv.V < 10)
    limit -= (10 - hsv.V) * 3;
  else if (hsv.V > 90)
    limit -= hsv.V - 90;
  if (hsv.S < 10) limit -= (10 - hsv.S) * 3;
  return std::abs(static_cast<int64_t>(player_hue) - hsv.H) <= limit;
}

bool IsSolidDataColour(ColourValue x) {
  return x == kDataNormal || x == kDataPlayer || x == kDataShadow;
}

}  // namespace zorv
