// Coding one frame's two bitmaps into SLP rows in memory: the row edges,
// the offset of each row's commands and the commands themselves. The SLP
// writer places these in the file; keeping the coding apart from the file
// lets it be measured and tested on its own.
#pragma once

#include <cstdint>
#include <vector>

#include "codec/DIBSection.h"
#include "codec/RunEncoder.h"
#include "codec/SLPFormat.h"

namespace zorv {

struct SLPEncodedFrame {
  std::vector<SLPRowEdges> edges;      // one per row, from the top
  std::vector<uint32_t> row_offsets;   // where each row starts in commands
  SLPBytes commands;                   // all rows, each ended by 0x0F
};

// Why a run could not be coded, and where.
struct SLPRunFault {
  bool last_run_of_row = false;  // the row's last run, or one followed by another
  int32_t x = 0;                 // the run's first pixel
  int32_t y = 0;
  int32_t length = 0;
  ColourValue data_colour = 0;
};

// The margins of data row y: transparent (magenta) pixels before the first
// and after the last pixel of any other colour; a wholly transparent row
// gives left = width, right = 0.
SLPRowEdges FindRowEdges(const cDIBSection& data, int32_t y);

// Codes every row of a frame whose colour and data bitmaps have the same
// size, through encoder (and so its palette). False when a run cannot be
// coded; fault then says which.
bool EncodeSLPFrame(const cDIBSection& colour, const cDIBSection& data, SLPRunEncoder& encoder,
                    SLPEncodedFrame& frame, SLPRunFault& fault);

}  // namespace zorv
