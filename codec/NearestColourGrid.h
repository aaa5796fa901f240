// An exact nearest-colour search over 256 palette colours that looks at a
// few entries instead of all of them.
//
// The RGB cube is cut into cubes of kCellSize on a side. For each cube the
// grid keeps, in index order, every entry that can be nearest to some
// colour inside it: those whose smallest possible distance to the cube is
// no more than the largest distance from the cube to the entry that is
// nearest at worst. Any entry that is nearest to a colour of the cube,
// ties included, passes that test, so scanning a cube's list in index
// order and keeping the first smallest distance gives exactly what a scan
// of all 256 entries gives. Entries repeating a colour of a lower index are
// left out: the lower index always wins over them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "codec/ColourValue.h"

namespace zorv {

class NearestColourGrid {
 public:
  // Cells of 16 (building narrows cubes of 64 and 32 down to them).
  static constexpr int kCellBits = 4;
  static constexpr int kCellSize = 1 << kCellBits;
  static constexpr int kCellsPerSide = 256 / kCellSize;
  static constexpr int kCells = kCellsPerSide * kCellsPerSide * kCellsPerSide;

  struct Candidate {
    uint8_t red, green, blue, index;
  };

  // Built for colours (only their low 24 bits count).
  explicit NearestColourGrid(const std::array<ColourValue, 256>& colours);

  // The lowest index of the colours nearest to v by squared RGB distance.
  uint8_t Nearest(ColourValue v) const { return NearestAmong(CandidatesOf(CellOf(v)), v); }

  static int CellOf(ColourValue v) {
    return (RedOf(v) >> kCellBits) | ((GreenOf(v) >> kCellBits) << kCellBits) |
           ((BlueOf(v) >> kCellBits) << (2 * kCellBits));
  }
  std::span<const Candidate> CandidatesOf(int cell) const {
    return {candidates_.data() + cell_start_[cell], candidates_.data() + cell_ends_[cell]};
  }
  // The candidates of from (in their order) that can be nearest to a colour
  // of the cube of size on a side whose lowest red, green and blue are
  // those of low. When from holds every entry that can be nearest to a
  // colour of the cube, so does to.
  static void Narrow(std::span<const Candidate> from, ColourValue low, int size,
                     std::vector<Candidate>& to);

  // How many candidates all cells hold together.
  size_t CandidateCount() const { return candidates_.size(); }

  // The first candidate at the smallest distance from v.
  static uint8_t NearestAmong(std::span<const Candidate> candidates, ColourValue v) {
    const int red = RedOf(v), green = GreenOf(v), blue = BlueOf(v);
    int32_t best = INT32_MAX;
    uint8_t result = 0;
    for (const Candidate& c : candidates) {
      const int dr = c.red - red, dg = c.green - green, db = c.blue - blue;
      const int32_t d = dr * dr + dg * dg + db * db;
      if (d < best) {
        best = d;
        result = c.index;
      }
    }
    return result;
  }

 private:
  // Cell c's candidates are candidates_[cell_start_[c] .. cell_ends_[c]).
  std::array<uint32_t, kCells> cell_start_{}, cell_ends_{};
  std::vector<Candidate> candidates_;
};

}  // namespace zorv
