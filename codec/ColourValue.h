// The codec's form of a 24-bit colour and its three components.
#pragma once

#include <cstdint>

namespace zorv {

// A colour value: red + 256 * green + 65536 * blue, top byte 0.
using ColourValue = int32_t;

constexpr ColourValue RGBColour(int red, int green, int blue) {
  return red + 256 * green + 65536 * blue;
}
constexpr int RedOf(ColourValue v) { return v & 255; }
constexpr int GreenOf(ColourValue v) { return (v >> 8) & 255; }
constexpr int BlueOf(ColourValue v) { return (v >> 16) & 255; }

// The colour of a 24-bit pixel as it lies in bitmap memory: blue, green,
// red.
constexpr ColourValue ColourOfPixelBytes(const uint8_t* p) {
  return p[2] | (p[1] << 8) | (p[0] << 16);
}

}  // namespace zorv
