#include "codec/SLPFrameEncoder.h"

#include "codec/DataColours.h"

namespace zorv {
namespace {

// Data pixels compared as colour values, straight from pixel memory.
ColourValue DataPixel(const uint8_t* row, int32_t x) {
  const uint8_t* p = row + 3 * static_cast<size_t>(x);
  return p[2] | (p[1] << 8) | (p[0] << 16);
}

bool IsTransparent(const uint8_t* row, int32_t x) { return DataPixel(row, x) == kDataTransparent; }

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
      int32_t run_end = x + 1;
      while (run_end < end && DataPixel(row, run_end) == kind) ++run_end;
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
