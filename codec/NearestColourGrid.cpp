#include "codec/NearestColourGrid.h"

#include <algorithm>

namespace zorv {

void NearestColourGrid::Narrow(std::span<const Candidate> from, ColourValue low, int size,
                               std::vector<Candidate>& to) {
  // Written without branches on the colours: building is the grid's cost.
  const std::array<int, 3> first{RedOf(low), GreenOf(low), BlueOf(low)};
  const std::array<int, 3> last{first[0] + size - 1, first[1] + size - 1, first[2] + size - 1};
  // Squares of the largest and smallest distance from a candidate to the cube.
  auto farthest = [&](const Candidate& c) {
    const std::array<int, 3> at{c.red, c.green, c.blue};
    int32_t sum = 0;
    for (int axis = 0; axis < 3; ++axis) {
      const int far = std::max(at[axis] - first[axis], last[axis] - at[axis]);
      sum += far * far;
    }
    return sum;
  };
  auto nearest = [&](const Candidate& c) {
    const std::array<int, 3> at{c.red, c.green, c.blue};
    int32_t sum = 0;
    for (int axis = 0; axis < 3; ++axis) {
      const int near = std::max({0, first[axis] - at[axis], at[axis] - last[axis]});
      sum += near * near;
    }
    return sum;
  };
  int32_t worst_nearest = INT32_MAX;
  for (const Candidate& c : from) worst_nearest = std::min(worst_nearest, farthest(c));
  to.resize(from.size());
  size_t kept = 0;
  for (const Candidate& c : from) {
    to[kept] = c;
    kept += nearest(c) <= worst_nearest ? 1 : 0;
  }
  to.resize(kept);
}

NearestColourGrid::NearestColourGrid(const std::array<ColourValue, 256>& colours) {
  // Entries whose colour a lower index already has can never be the answer.
  std::vector<Candidate> distinct;
  for (int j = 0; j < 256; ++j) {
    const ColourValue v = colours[j] & 0xFFFFFF;
    if (std::none_of(colours.begin(), colours.begin() + j,
                     [v](ColourValue c) { return (c & 0xFFFFFF) == v; }))
      distinct.push_back({static_cast<uint8_t>(RedOf(v)), static_cast<uint8_t>(GreenOf(v)),
                          static_cast<uint8_t>(BlueOf(v)), static_cast<uint8_t>(j)});
  }
  // Cubes of 64, then 32, then the cells: each narrows its parent's list
  // rather than all 256 entries, which keeps building cheap.
  candidates_.reserve(kCells * 8);
  std::vector<Candidate> of64, of32, of_cell;
  for (int r64 = 0; r64 < 256; r64 += 64)
    for (int g64 = 0; g64 < 256; g64 += 64)
      for (int b64 = 0; b64 < 256; b64 += 64) {
        Narrow(distinct, RGBColour(r64, g64, b64), 64, of64);
        for (int r32 = r64; r32 < r64 + 64; r32 += 32)
          for (int g32 = g64; g32 < g64 + 64; g32 += 32)
            for (int b32 = b64; b32 < b64 + 64; b32 += 32) {
              Narrow(of64, RGBColour(r32, g32, b32), 32, of32);
              for (int r = r32; r < r32 + 32; r += kCellSize)
                for (int g = g32; g < g32 + 32; g += kCellSize)
                  for (int b = b32; b < b32 + 32; b += kCellSize) {
                    Narrow(of32, RGBColour(r, g, b), kCellSize, of_cell);
                    const int cell = CellOf(RGBColour(r, g, b));
                    cell_start_[cell] = static_cast<uint32_t>(candidates_.size());
                    candidates_.insert(candidates_.end(), of_cell.begin(), of_cell.end());
                    cell_ends_[cell] = static_cast<uint32_t>(candidates_.size());
                  }
            }
      }
  candidates_.shrink_to_fit();
}

}  // namespace zorv
