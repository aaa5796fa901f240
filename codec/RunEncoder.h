// The SLP run encoder: one run of a frame row, all pixels of one data kind,
// as SLP command bytes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "codec/DIBSection.h"
#include "codec/Palettes.h"
#include "codec/SLPFormat.h"

namespace zorv {

using SLPBytes = std::vector<uint8_t>;

// The longest copy one command can carry (its count has 12 bits).
inline constexpr size_t kMaxCopyCount = slp::kMaxLongCount;

// Codes runs against one palette. It remembers the colours it has matched,
// so one encoder serves a whole job; each thread has its own.
class SLPRunEncoder {
 public:
  explicit SLPRunEncoder(const Palette& palette) : matcher_(palette) {}

  // Appends the commands for n pixels of row y from first_x on, whose data
  // colour is data_colour; normal and player-colour pixels are read from the
  // colour bitmap. False (out unchanged) when the run cannot be coded: a
  // data colour that is none of the six, a transparent run of 4096 pixels
  // or more, n < 1, or pixels outside the bitmap.
  bool AppendRun(SLPBytes& out, const cDIBSection& colour, int32_t first_x, int32_t y,
                 int32_t n, ColourValue data_colour);

 private:
  PaletteMatcher matcher_;
  std::vector<uint8_t> indices_;
};

// One run coded by a new encoder: the commands, or nothing when the run
// cannot be coded.
SLPBytes EncodeRun(const cDIBSection& colour, int32_t first_x, int32_t y, int32_t n,
                   ColourValue data_colour, const Palette& palette);

// Copy and fill commands for normal pixels given as palette indices: four
// or more equal neighbours become a fill, everything else is copied.
SLPBytes EncodeIndices(std::span<const uint8_t> indices);
void AppendIndices(SLPBytes& out, std::span<const uint8_t> indices);

// One copy command holding the block (short below 64, long from 64). A
// block longer than kMaxCopyCount becomes several long copies.
SLPBytes EncodeCopy(std::span<const uint8_t> block);
void AppendCopy(SLPBytes& out, std::span<const uint8_t> block);

// Fill commands for count pixels of one palette index.
SLPBytes EncodeFill(uint8_t index, size_t count);
void AppendFill(SLPBytes& out, uint8_t index, size_t count);

}  // namespace zorv
