#include "codec/SLPFrameEncoder.h"

#include <algorithm>
#include <bit>

#include "codec/ByteWords.h"
#include "codec/DataColours.h"

namespace zorv {
namespace {

// Data pixels compared as colour values, straight from pixel memory.
ColourValue DataPixel(const uint8_t* row, int32_t x) {
  return ColourOfPixelBytes(row + 3 * static_cast<size_t>(x));
}

bool IsTransparent(const uint8_t* row, int32_t x) { return DataPixel(row, x) == kDataTransparent; }

// Where margins and runs end depends on the picture, and sprites are made
// of short runs: a loop that stopped there pixel by pixel would be
// mispredicted at nearly every run. So eight pixels (24 bytes) are
// compared at once, as three words, and the place of the first byte that
// differs gives how many pixels matched, instead of a test per pixel.
// (The place of a byte in a word needs a little-endian host; others take
// the pixel-by-pixel loops.)

// The first differing byte of three words' differences (24: none).
int FirstDifferingByte(uint64_t d0, uint64_t d1, uint64_t d2) {
  const int b0 = std::countr_zero(d0) / 8, b1 = std::countr_zero(d1) / 8,
            b2 = std::countr_zero(d2) / 8;
  return b0 < 8 ? b0 : (b1 < 8 ? 8 + b1 : 16 + b2);
}
// The last differing byte of three words' differences (-1: none).
int LastDifferingByte(uint64_t d0, uint64_t d1, uint64_t d2) {
  const int b0 = std::countl_zero(d0) / 8, b1 = std::countl_zero(d1) / 8,
            b2 = std::countl_zero(d2) / 8;
  return b2 < 8 ? 23 - b2 : (b1 < 8 ? 15 - b1 : 7 - b0);
}

// Eight transparent pixels as they lie in memory, as three words.
struct TransparentWords {
  uint64_t w0, w1, w2;
};
const TransparentWords kTransparentWords = [] {
  uint8_t bytes[24];
  for (int k = 0; k < 8; ++k) {
    bytes[3 * k] = static_cast<uint8_t>(BlueOf(kDataTransparent));
    bytes[3 * k + 1] = static_cast<uint8_t>(GreenOf(kDataTransparent));
    bytes[3 * k + 2] = static_cast<uint8_t>(RedOf(kDataTransparent));
  }
  return TransparentWords{LoadWord(bytes), LoadWord(bytes + 8), LoadWord(bytes + 16)};
}();

// How many of the eight pixels from p on, in a row, are transparent before
// the first that is not.
int32_t TransparentOfEight(const uint8_t* p) {
  return FirstDifferingByte(LoadWord(p) ^ kTransparentWords.w0,
                            LoadWord(p + 8) ^ kTransparentWords.w1,
                            LoadWord(p + 16) ^ kTransparentWords.w2) / 3;
}
// How many of the eight pixels before p, in a row, are transparent after
// the last that is not.
int32_t TransparentBeforeOfEight(const uint8_t* p) {
  return (23 - LastDifferingByte(LoadWord(p - 24) ^ kTransparentWords.w0,
                                 LoadWord(p - 16) ^ kTransparentWords.w1,
                                 LoadWord(p - 8) ^ kTransparentWords.w2)) / 3;
}
// How many of the eight pixels from p on are each equal to the pixel
// before them, before the first that is not.
int32_t SameAsBeforeOfEight(const uint8_t* p) {
  return FirstDifferingByte(LoadWord(p) ^ LoadWord(p - 3), LoadWord(p + 8) ^ LoadWord(p + 5),
                            LoadWord(p + 16) ^ LoadWord(p + 13)) / 3;
}

// The margins of a row of width pixels.
SLPRowEdges RowEdges(const uint8_t* row, int32_t width) {
  int32_t first = 0;
  bool first_found = false;
  if constexpr (kLittleEndianWords) {
    for (; first + 8 <= width; first += 8) {
      const int32_t matched = TransparentOfEight(row + 3 * static_cast<size_t>(first));
      if (matched < 8) {
        first += matched;
        first_found = true;
        break;
      }
    }
  }
  if (!first_found) {
    while (first < width && IsTransparent(row, first)) ++first;
    if (first == width) return {static_cast<int16_t>(width), 0};
  }
  // The pixel at first is not transparent, which ends the scan from the
  // right at the latest.
  int32_t last = width - 1;
  if constexpr (kLittleEndianWords) {
    for (; last - 8 >= first; last -= 8) {
      const int32_t matched = TransparentBeforeOfEight(row + 3 * static_cast<size_t>(last + 1));
      if (matched < 8)
        return {static_cast<int16_t>(first), static_cast<int16_t>(width - 1 - (last - matched))};
    }
  }
  while (IsTransparent(row, last)) --last;
  return {static_cast<int16_t>(first), static_cast<int16_t>(width - 1 - last)};
}

// The end of the run of data pixels from x on of x's colour, kind: the
// first pixel after x, up to end, of another colour (or end). The words
// may reach past end into the bytes after the row, up to readable_end;
// what they find there is not used.
int32_t RunEnd(const uint8_t* row, int32_t x, ColourValue kind, int32_t end,
               const uint8_t* readable_end) {
  int32_t e = x + 1;
  if constexpr (kLittleEndianWords) {
    for (;;) {
      if (e >= end) return end;
      const uint8_t* p = row + 3 * static_cast<size_t>(e);
      if (readable_end - p < 24) break;
      const int32_t matched = SameAsBeforeOfEight(p);
      e += matched;
      if (matched < 8) return std::min(e, end);
    }
  }
  while (e < end && DataPixel(row, e) == kind) ++e;
  return e;
}

}  // namespace

SLPRowEdges FindRowEdges(const cDIBSection& data, int32_t y) {
  return RowEdges(data.Row(y), data.Width());
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
  const uint8_t* const readable_end = data.DIBSectionBitsPtr() + data.ImageSize();
  for (int32_t y = 0; y < height; ++y) {
    const SLPRowEdges edges = RowEdges(data.Row(y), width);
    frame.edges[static_cast<size_t>(y)] = edges;
    frame.row_offsets[static_cast<size_t>(y)] = static_cast<uint32_t>(frame.commands.size());
    const uint8_t* row = data.Row(y);
    // The span between the margins, cut into runs of one data colour.
    const int32_t end = width - edges.Right;
    int32_t x = edges.Left;
    while (x < end) {
      const ColourValue kind = DataPixel(row, x);
      const int32_t run_end = RunEnd(row, x, kind, end, readable_end);
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
