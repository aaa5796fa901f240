// The game's 256-colour palette and matching of 24-bit colours to it.
// One palette for the whole program, as the game has.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/Status.h"

namespace zorv {

// A colour value: red + 256 * green + 65536 * blue, top byte 0.
using ColourValue = int32_t;

constexpr ColourValue RGBColour(int red, int green, int blue) {
  return red + 256 * green + 65536 * blue;
}
constexpr int RedOf(ColourValue v) { return v & 255; }
constexpr int GreenOf(ColourValue v) { return (v >> 8) & 255; }
constexpr int BlueOf(ColourValue v) { return (v >> 16) & 255; }

using PaletteTable = std::array<ColourValue, 256>;

// The built-in palette text: 256 entries "R G B" separated by ",".
std::string_view BuiltInPaletteText();

// The current palette (all black until the first load).
const PaletteTable& Palette();
inline ColourValue PaletteColour(int index) { return Palette()[index & 255]; }

// Replaces the whole palette.
void SetPalette(const PaletteTable& table);

// Fills the table of squares the distance uses. Idempotent.
void BuildSquareTable();

// Parses the built-in text form (entries at "," and values at " ").
Status ParseBuiltInPalette(std::string_view text, PaletteTable& table);

// Parses JASC-PAL text: "JASC-PAL", two ignored lines, then 256 lines of
// three numbers 0..255.
Status ParsePaletteFile(std::string_view text, PaletteTable& table);

// An empty path loads the built-in palette; any other path a JASC-PAL file.
// A file that is not a valid palette is reported ("Not valid palette file!")
// and leaves the palette as it was; the result says whether it loaded.
bool LoadPalette(const std::string& path);

// Plain squared distance in RGB.
int32_t ColourDistance(ColourValue a, ColourValue b);

// The lowest palette index whose colour equals v or, when none does, the
// lowest index of the nearest colour. Cached: the same results as scanning
// the palette every call.
uint8_t NearestPaletteIndex(ColourValue v);

}  // namespace zorv
