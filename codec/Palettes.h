// The game's 256-colour palette and the matching of 24-bit colours to it.
//
// A Palette is a value: built once from its 256 colours and never changed
// afterwards, so any number of conversions on any threads can share one.
// The game's own palette is the constant Palette::BuiltIn().
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/Status.h"
#include "common/TextLines.h"

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

class Palette {
 public:
  // The game's palette.
  Palette();
  // Any 256 colours; only the low 24 bits of each count.
  explicit Palette(const PaletteTable& colours);

  // The game's palette, parsed from the built-in text once.
  static const Palette& BuiltIn();

  const PaletteTable& Colours() const { return colours_; }
  ColourValue Colour(int index) const { return colours_[static_cast<size_t>(index & 255)]; }

  // Colour i as the bytes a 24-bit bitmap row holds for it (blue, green,
  // red) and then blue again, so that a decoder can store a pixel with one
  // four-byte write whose last byte the next pixel overwrites.
  uint32_t PixelWord(int index) const { return pixel_words_[static_cast<size_t>(index & 255)]; }
  const std::array<uint32_t, 256>& PixelWords() const { return pixel_words_; }

  // The lowest index whose colour equals v or, when none does, the lowest
  // index of the nearest colour by squared distance in RGB.
  uint8_t Nearest(ColourValue v) const;
  // The lowest index whose colour equals v; -1 when none does.
  int ExactIndex(ColourValue v) const;

  bool operator==(const Palette& other) const { return colours_ == other.colours_; }

 private:
  void BuildTables();

  PaletteTable colours_{};
  // Exact matches: an open-addressing table from colour to lowest index.
  static constexpr int kExactSlots = 1024;
  std::array<ColourValue, kExactSlots> exact_colour_{};
  std::array<uint8_t, kExactSlots> exact_index_{};
  // The colours split into channels, so the distance pass vectorises.
  alignas(32) std::array<int32_t, 256> red_{};
  alignas(32) std::array<int32_t, 256> green_{};
  alignas(32) std::array<int32_t, 256> blue_{};
  std::array<uint32_t, 256> pixel_words_{};
};

// Nearest matches with a memory of the answers already given, for the many
// lookups of one job. Each job (each thread) has its own; the palette it
// matches against may be shared.
class PaletteMatcher {
 public:
  explicit PaletteMatcher(const Palette& palette);
  const Palette& palette() const { return palette_; }
  // Palette::Nearest, answered from memory when v was asked before.
  uint8_t Nearest(ColourValue v);

 private:
  struct Slot {
    ColourValue colour = -1;  // -1: empty
    uint8_t index = 0;
  };
  static constexpr size_t kSlots = size_t{1} << 16;
  const Palette& palette_;
  std::unique_ptr<Slot[]> slots_;
};

// The built-in palette text: 256 entries "R G B" separated by ",".
std::string_view BuiltInPaletteText();

// Parses the built-in text form (entries at "," and values at " ").
Status ParseBuiltInPalette(std::string_view text, PaletteTable& table);

// Parses JASC-PAL text: "JASC-PAL", two ignored lines, then 256 lines of
// three numbers 0..255.
Status ParsePaletteFile(LineSource& lines, PaletteTable& table);
Status ParsePaletteFile(std::string_view text, PaletteTable& table);

inline constexpr const char* kMsgNotValidPalette = "Not valid palette file!";

// An empty path gives the built-in palette; any other path a JASC-PAL
// file. A file that is not a valid palette fails with "Not valid palette
// file!" and the reason, and leaves palette as it was.
Status LoadPalette(const std::string& path, Palette& palette);

// Plain squared distance in RGB.
int32_t ColourDistance(ColourValue a, ColourValue b);

// palette.Nearest(v), under the name the codec's texts use.
inline uint8_t NearestPaletteIndex(const Palette& palette, ColourValue v) {
  return palette.Nearest(v);
}

}  // namespace zorv
