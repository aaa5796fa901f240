#include "codec/SLPFrameEncoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "codec/DataColours.h"

namespace zorv {
namespace {

// Data pixels compared as colour values, straight from pixel memory.
ColourValue DataPixel(const uint8_t* row, int32_t x) {
  const uint8_t* p = row + 3 * static_cast<size_t>(x);
  return p[2] | (p[1] << 8) | (p[0] << 16);
}

bool IsTransparent(const uint8_t* row, int32_t x) { return DataPixel(row, x) == kDataTransparent; }

// The end of the run of data pixels equal to the one at x: the first pixel
// after x, up to end, of another colour (or end).
int32_t RunEnd(const uint8_t* row, int32_t x, int32_t end) {
  const ColourValue kind = DataPixel(row, x);
  // Sprites are mostly short runs: their first pixels one by one.
  int32_t e = x + 1;
  const int32_t first_pixels_end = std::min(end, x + 8);
  while (e < first_pixels_end && DataPixel(row, e) == kind) ++e;
  if (e < first_pixels_end || e == end) return e;
  if constexpr (std::endian::native == std::endian::little) {
    // A long run, as in large pictures: each byte against the byte of the
    // pixel before, eight at a time. All bytes from pixel e - 1 on being
    // equal to those three before them makes every pixel equal to the run's
    // first; the first byte that is not starts the pixel that ends it.
    size_t at = 3 * static_cast<size_t>(e - 1);
    const size_t reach = 3 * static_cast<size_t>(end);
    for (; at + 11 <= reach; at += 8) {
      uint64_t here, next;
      std::memcpy(&here, row + at, 8);
      std::memcpy(&next, row + at + 3, 8);
      if (here != next) {
        const auto byte = static_cast<size_t>(std::countr_zero(here ^ next)) / 8;
        return static_cast<int32_t>((at + 3 + byte) / 3);
      }
    }
    // Every pixel whose bytes all lay below at + 3 matched.
    e = static_cast<int32_t>((at + 3) / 3);
  }
  while (e < end && DataPixel(row, e) == kind) ++e;
  return e;
}

}  // namespace

SLPRowEdges FindRowEdges(const cDIBSection& data, int32_t y) {
  const int32_t width = data.Width();
  const uint8_t* row = data.Row(y);
  int32_t first = 0;
  while (first < width && IsTransparent(row, first)) ++first;
  if (first == width) return {static_cast<int16_t>(width), 0};
  int32_t last = width - 1;
  while (IsTransparent(row, last)) --last;
  return {static_cast<int16_t>(first), static_cast<int16_t>(width - 1 - last)};
}

bool EncodeSLPFrame(const cDIBSection& colour, const cDIBSection& data, SLPRunEncoder& encoder,
                    SLPEncodedFrame& frame, SLPRunFault& fault) {
  const int32_t width = data.Width(), height = data.Height();
  frame.edges.resize(static_cast<size_t>(height));
  frame.row_offsets.resize(static_cast<size_t>(height));
  frame.commands.clear();
  if (colour.Width() != width || colour.Height() != height) {
    fault = SLPRunFault{};
    return false;
  }
  for (int32_t y = 0; y < height; ++y) {
    const SLPRowEdges edges = FindRowEdges(data, y);
    frame.edges[static_cast<size_t>(y)] = edges;
    frame.row_offsets[static_cast<size_t>(y)] = static_cast<uint32_t>(frame.commands.size());
    const uint8_t* row = data.Row(y);
    // The span between the margins, cut into runs of one data colour.
    const int32_t end = width - edges.Right;
    int32_t x = edges.Left;
    while (x < end) {
      const ColourValue kind = DataPixel(row, x);
      const int32_t run_end = RunEnd(row, x, end);
      if (!encoder.AppendRun(frame.commands, colour, x, y, run_end - x, kind)) {
        fault = SLPRunFault{run_end == end, x, y, run_end - x, kind};
        return false;
      }
      x = run_end;
    }
    frame.commands.push_back(slp::kEndOfRow);
  }
  return true;
}

}  // namespace zorv
