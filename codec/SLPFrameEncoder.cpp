#include "codec/SLPFrameEncoder.h"

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

// The first x from from on (before end) whose pixel differs from the one at
// from; end when none does. Data rows are long runs of a few colours, so
// four pixels (twelve bytes) are compared at once while they fit before
// end, then one at a time.
int32_t RunEnd(const uint8_t* row, int32_t from, int32_t end) {
  const uint8_t* const first = row + 3 * static_cast<size_t>(from);
  uint8_t pattern[12];
  for (int k = 0; k < 4; ++k) std::memcpy(pattern + 3 * k, first, 3);
  uint64_t low;
  uint32_t high;
  std::memcpy(&low, pattern, 8);
  std::memcpy(&high, pattern + 8, 4);
  int32_t x = from + 1;
  for (; x + 4 <= end; x += 4) {
    const uint8_t* p = row + 3 * static_cast<size_t>(x);
    uint64_t here_low;
    uint32_t here_high;
    std::memcpy(&here_low, p, 8);
    std::memcpy(&here_high, p + 8, 4);
    if (here_low != low || here_high != high) break;
  }
  for (; x < end; ++x) {
    const uint8_t* p = row + 3 * static_cast<size_t>(x);
    if (p[0] != first[0] || p[1] != first[1] || p[2] != first[2]) break;
  }
  return x;
}

}  // namespace

SLPRowEdges FindRowEdges(const cDIBSection& data, int32_t y) {
  const int32_t width = data.Width();
  const uint8_t* row = data.Row(y);
  if (width == 0) return {0, 0};
  const int32_t first = IsTransparent(row, 0) ? RunEnd(row, 0, width) : 0;
  if (first == width) return {static_cast<int16_t>(width), 0};
  int32_t last = width - 1;
  if (IsTransparent(row, last)) {
    // Four pixels at a time from the right while they lie after first.
    constexpr uint8_t kFour[12] = {0xFF, 0, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0, 0xFF};
    while (last - 4 > first && std::memcmp(row + 3 * static_cast<size_t>(last - 4), kFour, 12) == 0)
      last -= 4;
    while (IsTransparent(row, last)) --last;
  }
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
