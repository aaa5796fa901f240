// The game's 256-colour palette and the matching of 24-bit colours to it.
//
// A Palette is a value: built once from its 256 colours and never changed
// afterwards, so any number of conversions on any threads can share one.
// The game's own palette is the constant Palette::BuiltIn().
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codec/ColourValue.h"
#include "codec/NearestColourGrid.h"
#include "common/Status.h"
#include "common/TextLines.h"

namespace zorv {

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
  std::array<uint32_t, 256> pixel_words_{};
  // The nearest-colour search, built at the first search for a colour not
  // in the palette (a palette used only for decoding never needs it) and
  // shared by the palette's copies, on any threads.
  struct LazyGrid {
    std::once_flag built;
    std::shared_ptr<const NearestColourGrid> grid;
  };
  std::shared_ptr<LazyGrid> lazy_grid_;
  // The search over this palette's colours, built at the first call. A
  // matcher keeps it alive for as long as it lives.
  const std::shared_ptr<const NearestColourGrid>& Grid() const;
  friend class PaletteMatcher;
};

// Nearest matches for the many lookups of one job. Each job (each thread)
// has its own; the palette it matches against may be shared.
//
// It cuts the colour cube into small cubes of kCubeSize on a side and
// narrows the palette grid's candidates down to each cube the first time a
// colour falls in it. Most cubes lie wholly inside one entry's region and
// then answer with one table read; the others keep their few candidates.
class PaletteMatcher {
 public:
  explicit PaletteMatcher(const Palette& palette);
  const Palette& palette() const { return palette_; }
  // The same answer as Palette::Nearest.
  uint8_t Nearest(ColourValue v) {
    // Colours of cubes on a border are remembered, as their search costs
    // most; the table is small enough to stay in the processor's cache.
    uint64_t& remembered = remembered_[(static_cast<uint32_t>(v) * 2654435761u) >> kRememberShift];
    if ((remembered & ~uint64_t{0xFF}) == Key(v)) return static_cast<uint8_t>(remembered);
    const uint64_t cube = cubes_[CubeOf(v)];
    if ((cube & 0xFFFFFFFF) == kSingle) return static_cast<uint8_t>(cube >> 32);
    const uint8_t index =
        cube == 0 ? FirstInCube(v) : NearestColourGrid::NearestAmong(CandidatesOf(cube), v);
    remembered = Key(v) | index;
    return index;
  }

 private:
  static constexpr int kCubeBits = 2;
  static constexpr int kCubeSize = 1 << kCubeBits;
  static constexpr int kCubesPerSide = 256 / kCubeSize;
  static constexpr size_t kCubes = size_t{kCubesPerSide} * kCubesPerSide * kCubesPerSide;

  // A cube's entry: 0 while no colour of it was asked; else the number of
  // its candidates in the low 32 bits and, above them, the answer itself
  // when that number is 1, or where its candidates start in candidates_.
  static constexpr uint64_t kSingle = 1;
  static int CubeOf(ColourValue v) {
    return (RedOf(v) >> kCubeBits) | ((GreenOf(v) >> kCubeBits) << (8 - kCubeBits)) |
           ((BlueOf(v) >> kCubeBits) << (16 - 2 * kCubeBits));
  }
  std::span<const NearestColourGrid::Candidate> CandidatesOf(uint64_t cube) const {
    return {candidates_.data() + (cube >> 32), static_cast<size_t>(cube & 0xFFFFFFFF)};
  }
  uint8_t FirstInCube(ColourValue v);

  // Answers remembered for colours of border cubes: the colour plus one (so
  // that zeroed memory is empty) above the index's eight bits.
  static constexpr int kRememberShift = 20;
  static constexpr size_t kRemembered = size_t{1} << (32 - kRememberShift);
  static uint64_t Key(ColourValue v) { return (static_cast<uint64_t>(v) + 1) << 8; }

  struct FreeMemory {
    void operator()(void* p) const { std::free(p); }
  };
  const Palette& palette_;
  std::shared_ptr<const NearestColourGrid> grid_;
  // Zeroed memory from the system: the parts for cubes never asked about
  // cost nothing.
  std::unique_ptr<uint64_t[], FreeMemory> cubes_;
  std::unique_ptr<uint64_t[], FreeMemory> remembered_;
  std::vector<NearestColourGrid::Candidate> candidates_;
  std::vector<NearestColourGrid::Candidate> narrowed_;
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
