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
// It cuts the colour cube into small cubes of kCubeSize on a side and, the
// first time a colour falls in one, works out the answer for every colour
// of that cube at once from the palette grid's few candidates. Most cubes
// lie wholly inside one entry's region and share that entry's block of
// answers; the others get a block of their own. From then on every colour
// of the cube costs two table reads and no comparison of distances, which
// is what a rendered picture with its hundreds of thousands of colours
// near entries' borders needs.
class PaletteMatcher {
 public:
  explicit PaletteMatcher(const Palette& palette);
  const Palette& palette() const { return palette_; }
  // The same answer as Palette::Nearest.
  uint8_t Nearest(ColourValue v) {
    uint32_t block = cubes_[CubeOf(v)];
    if (block == kNotAsked) [[unlikely]]
      block = FirstInCube(v);
    return answers_[(size_t{block} << kCubeAnswerBits) | PlaceInCube(v)];
  }
  // Nearest for each of n pixels stored as a 24-bit bitmap row stores them
  // (blue, green, red), into indices[0..n).
  void NearestOfPixels(const uint8_t* pixels, size_t n, uint8_t* indices);

 private:
  static constexpr int kCubeBits = 2;
  static constexpr int kCubeSize = 1 << kCubeBits;
  static constexpr int kCubesPerSide = 256 / kCubeSize;
  static constexpr size_t kCubes = size_t{kCubesPerSide} * kCubesPerSide * kCubesPerSide;
  // A block holds the answers for the kCubeSize^3 colours of one cube.
  static constexpr int kCubeAnswerBits = 3 * kCubeBits;
  static constexpr size_t kBlockSize = size_t{1} << kCubeAnswerBits;

  // A cube's entry is the number of its block of answers, or kNotAsked
  // while no colour of it was asked. Blocks 1 to 256 answer index 0 to 255
  // for every colour, for the cubes that lie inside one entry's region;
  // the blocks after them belong to one cube each.
  static constexpr uint32_t kNotAsked = 0;
  static constexpr uint32_t BlockOfIndex(int index) { return static_cast<uint32_t>(index) + 1; }
  static constexpr uint32_t kFirstOwnBlock = 257;

  static int CubeOf(ColourValue v) {
    return (RedOf(v) >> kCubeBits) | ((GreenOf(v) >> kCubeBits) << (8 - kCubeBits)) |
           ((BlueOf(v) >> kCubeBits) << (16 - 2 * kCubeBits));
  }
  static int PlaceInCube(ColourValue v) {
    constexpr int kMask = kCubeSize - 1;
    return (RedOf(v) & kMask) | ((GreenOf(v) & kMask) << kCubeBits) |
           ((BlueOf(v) & kMask) << (2 * kCubeBits));
  }
  // Fills v's cube entry, with a block of its own when more than one entry
  // can be nearest to a colour of the cube, and gives that entry.
  uint32_t FirstInCube(ColourValue v);

  struct FreeMemory {
    void operator()(void* p) const { std::free(p); }
  };
  const Palette& palette_;
  std::shared_ptr<const NearestColourGrid> grid_;
  // Zeroed memory from the system: the parts for cubes never asked about
  // cost nothing.
  std::unique_ptr<uint32_t[], FreeMemory> cubes_;
  // Blocks of answers, kBlockSize bytes each, numbered from 0 (block 0 is
  // never read). Against the game palette a job that meets every colour
  // makes about 88,000 blocks of its own, some 5.5 MB.
  std::vector<uint8_t> answers_;
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
