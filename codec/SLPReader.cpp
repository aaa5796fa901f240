#include "codec/SLPReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <utility>

#include "codec/DataColours.h"
#include "codec/FrameBitmaps.h"
#include "codec/SLX.h"
#include "codec/WideRowStores.h"
#include "common/FileIO.h"
#include "common/Functions.h"
#include "common/LittleEndian.h"

namespace zorv {
namespace {

// Blocks of the fixed colours the decoder paints, worked out by the
// compiler. Transparent and outline pixels are magenta in the colour
// bitmap too, shadow pixels red.
constexpr PixelBlock ColourBlock(ColourValue v) {
  return BlockOf(static_cast<uint8_t>(BlueOf(v)), static_cast<uint8_t>(GreenOf(v)),
                 static_cast<uint8_t>(RedOf(v)));
}
constexpr PixelBlock kBlackBlock = BlockOf(0, 0, 0), kMagentaBlock = ColourBlock(kDataTransparent),
                     kWhiteBlock = ColourBlock(kDataNormal), kGreenBlock = ColourBlock(kDataPlayer),
                     kRedBlock = ColourBlock(kDataShadow), kBlueBlock = ColourBlock(kDataPlayerOutline),
                     kYellowBlock = ColourBlock(kDataBlackOutline);

// A fixed colour's pixel word, for single pixels.
constexpr uint32_t WordOf(const PixelBlock& block) {
  return uint32_t{block.bytes[0]} | uint32_t{block.bytes[1]} << 8 |
         uint32_t{block.bytes[2]} << 16 | uint32_t{block.bytes[3]} << 24;
}
// Classify for every byte, worked out once by the compiler.
constexpr std::array<SLPCommand, 256> kCommandOf = [] {
  std::array<SLPCommand, 256> table{};
  for (int b = 0; b < 256; ++b) table[b] = ClassifySLPCommand(static_cast<uint8_t>(b));
  return table;
}();

// The bytes of an SLP file a frame's decoding may read, at the file's own
// offsets: the whole file when it is held in memory, or for a file on disk
// the pieces the frame uses (its two tables and each row's commands, as far
// as a row may reach).
struct FileBytes {
  struct Piece {
    uint64_t offset = 0;
    std::string_view bytes;
  };
  uint64_t size = 0;          // the whole file's
  std::vector<Piece> pieces;  // by offset, none overlapping another
  // The whole file, when it is held whole; pieces are not used then. (A
  // piece would cost a vector, taken and given back for every frame.)
  bool whole = false;
  std::string_view whole_bytes;

  void HoldWhole(std::string_view bytes) {
    whole = true;
    whole_bytes = bytes;
    pieces.clear();
  }

  // The bytes from offset to the end of the piece that holds it; empty when
  // no piece does.
  std::string_view From(uint64_t offset) const {
    if (whole)
      return offset < whole_bytes.size() ? whole_bytes.substr(static_cast<size_t>(offset))
                                         : std::string_view();
    auto after = std::upper_bound(pieces.begin(), pieces.end(), offset,
                                  [](uint64_t o, const Piece& p) { return o < p.offset; });
    if (after == pieces.begin()) return {};
    const Piece& piece = *(after - 1);
    if (offset - piece.offset >= piece.bytes.size()) return {};
    return piece.bytes.substr(static_cast<size_t>(offset - piece.offset));
  }
};

// How far one row's commands normally reach: a row coded any sensible way
// takes at most three bytes a pixel. Rows that run on longer (on commands
// that paint nothing) are still valid; their frames are decoded from the
// whole file instead.
uint64_t UsualRowBytes(int32_t width) { return 4 * static_cast<uint64_t>(width) + 64; }

// Why the edges of a coded row do not fit a frame of width; nullptr when
// they do.
const char* RowEdgesFault(int32_t left, int32_t right, int32_t width) {
  if (left < 0 || right < 0) return "negative row edges";
  if (left > width) return "the left edge lies past the row's width";
  if (right > width - left) return "the right edge runs past the row's width";
  return nullptr;
}

// Draws one frame. All reads go through the file's bytes, each checked
// against the file's end and the row's reach, and all writes stay inside
// the rows (and the bytes after a row, which are put back), so a damaged
// file can only make it fail.
class FrameDecoder {
 public:
  FrameDecoder(const FileBytes& file, const SLPFrameInfo& frame, const Palette& palette,
               cDIBSection& colour, cDIBSection& data)
      : file_(file), frame_(frame), colour_(colour), data_(data),
        palette_(palette.PixelWords()) {
    if (file.whole) {
      whole_begin_ = reinterpret_cast<const uint8_t*>(file.whole_bytes.data());
      whole_end_ = whole_begin_ + file.whole_bytes.size();
      end_is_file_end_ = true;
    }
  }

  // After a failed Decode: the frame's rows reach further than the pieces
  // it was given, so it must be decoded from the whole file.
  bool NeedsWholeFile() const { return needs_whole_file_; }

  Status Decode() {
    const int32_t width = frame_.Width, height = frame_.Height;
    if (width < 0 || height < 0)
      return Status::Fail("the frame has a negative size (" + SizeText() + ")");
    if (width > cDIBSection::kMaxDimension || height > cDIBSection::kMaxDimension ||
        int64_t{width} * height > kMaxSLPFramePixels)
      return Status::Fail("the frame is too large (" + SizeText() + ")");
    if (uint64_t{frame_.OutlineTableOffset} + 4 * uint64_t(height) > file_.size)
      return Status::Fail("the frame's row edge table lies outside the file");
    // Every row's edges and command offset are checked before any pixel
    // memory is taken: a damaged table fails at once, whatever size the
    // frame claims. The rows are then drawn from the tables as they stand.
    edge_table_ = file_.From(frame_.OutlineTableOffset);
    offset_table_ = file_.From(frame_.CommandTableOffset);
    int32_t first_fault = 0;
    if (edge_table_.size() / 4 >= static_cast<size_t>(height) &&
        offset_table_.size() / 4 >= static_cast<size_t>(height))
      first_fault = FirstBadRowQuickly(height);
    if (first_fault >= 0) {
      for (int32_t y = first_fault; y < height; ++y)
        if (!CheckRowHead(y)) return Status::Fail("row " + std::to_string(y) + ": " + fault_);
    }
    // The bitmaps' memory is taken as it is, the last frame's pixels and
    // all: every byte of a row is painted, padding included, and rows that
    // end short are made black, as a new bitmap would be.
    for (cDIBSection* bitmap : {&colour_, &data_}) {
      if (!bitmap->Reshape(width, height))
        return Status::Fail("no memory for a frame of " + SizeText() + " pixels");
    }
    // Bottom row first: that is the order of the rows in the bitmaps'
    // memory, so what the wide stores write past a row lands in rows not
    // drawn yet, which are painted over in full. Rows with room for the
    // wide stores after them are drawn in place, walking the memory row by
    // row; the top rows, near its end, through a buffer.
    const size_t row_bytes = 3 * static_cast<size_t>(width);
    const size_t stride = static_cast<size_t>(colour_.BytesPerScanLine());
    uint8_t* colour_row = colour_.DIBSectionBitsPtr();
    uint8_t* data_row = data_.DIBSectionBitsPtr();
    const RowTables tables = Tables();
    // Row y has y * stride bytes of memory after its pixels, and its
    // padding: the rows from last_in_place to the bottom have kRowGuard or
    // more. A frame of no width has none.
    const int32_t last_in_place =
        stride == 0 ? height : static_cast<int32_t>((kRowGuard + row_bytes - 1) / stride);
    int32_t y = height - 1;
    for (; y >= last_in_place; --y, colour_row += stride, data_row += stride) {
      if (!DecodeRow(tables, y, colour_row, data_row))
        return Status::Fail("row " + std::to_string(y) + ": " + fault_);
      // Four zero bytes cover the padding (at most three); the rest falls
      // into the row above, drawn next.
      static constexpr uint8_t kZeros[4] = {};
      std::memcpy(colour_row + row_bytes, kZeros, 4);
      std::memcpy(data_row + row_bytes, kZeros, 4);
    }
    for (; y >= 0; --y, colour_row += stride, data_row += stride)
      if (!DrawRowThroughBuffer(tables, y, colour_row, data_row))
        return Status::Fail("row " + std::to_string(y) + ": " + fault_);
    return Status::Ok();
  }

 private:
  // How many bytes after a row the wide stores may write.
  static constexpr size_t kRowGuard = 64;
  static_assert(kRowGuard >= kRowStoreSpill);
  // Rows drawn in a buffer (see DrawRowThroughBuffer) fit on the stack up
  // to this size.
  static constexpr size_t kRowBufferOnStack = 4096;

  std::string SizeText() const {
    return std::to_string(frame_.Width) + " x " + std::to_string(frame_.Height);
  }

  bool Fault(std::string what) {
    fault_ = std::move(what);
    return false;
  }
  bool PastEnd() { return Fault("the commands run past the end of the file"); }
  // The commands ran out of bytes: the file's, or those read for the row.
  bool RowEnded() {
    if (end_is_file_end_) return PastEnd();
    needs_whole_file_ = true;
    return Fault("the row reaches beyond the bytes read for it");
  }
  bool PastWidth() {
    return Fault("the commands run past the row's width of " +
                 std::to_string(frame_.Width) + " pixels");
  }
  bool BadPlayerIndex(int index) {
    return Fault("player-colour index " + std::to_string(index) + " lies above 239");
  }

  // Checks row y's edges and command offset: the edges fit the width and
  // the commands begin inside the file. The tables lie each in one piece of
  // the file's bytes, so a row's entry is there when the bytes from the
  // table's start reach it.
  bool CheckRowHead(int32_t y) {
    const size_t at = 4 * static_cast<size_t>(y);
    if (edge_table_.size() < at + 4)
      return Fault("the frame's row edge table lies outside the file");
    const int32_t left = le::I16(edge_table_, at), right = le::I16(edge_table_, at + 2);
    if (left == kSLPEmptyRow) return true;
    if (const char* fault = RowEdgesFault(left, right, frame_.Width)) return Fault(fault);
    if (offset_table_.size() < at + 4) return Fault("the command offset lies outside the file");
    if (le::U32(offset_table_, at) >= file_.size) return PastEnd();
    return true;
  }

  // CheckRowHead for every row of a frame whose tables hold all its rows:
  // a row's two edges in one load, and no test that the tables' sizes
  // settle. Gives the first row that fails, for CheckRowHead to say why,
  // or -1.
  int32_t FirstBadRowQuickly(int32_t height) const {
    const auto* const edges = reinterpret_cast<const uint8_t*>(edge_table_.data());
    const auto* const offsets = reinterpret_cast<const uint8_t*>(offset_table_.data());
    const auto width = static_cast<uint32_t>(frame_.Width);
    const uint64_t file_size = file_.size;
    for (int32_t y = 0; y < height; ++y) {
      const size_t at = 4 * static_cast<size_t>(y);
      const uint32_t both = le::U32(edges + at);
      const auto left = static_cast<int16_t>(static_cast<uint16_t>(both));
      if (left == kSLPEmptyRow) continue;
      // Edges below zero turn into large numbers here, so one test each
      // covers what RowEdgesFault looks at.
      const auto right = static_cast<int16_t>(static_cast<uint16_t>(both >> 16));
      const auto left_u = static_cast<uint32_t>(left), right_u = static_cast<uint32_t>(right);
      if ((left_u > width) | (right_u > width - left_u) | (le::U32(offsets + at) >= file_size))
        return y;
    }
    return -1;
  }

  // What drawing every row of a frame reads, once checked, held by the
  // caller in locals for the whole frame: the pixel stores could otherwise
  // make the compiler fetch members again for every row.
  struct RowTables {
    const uint8_t* edges;    // each row's left and right edge
    const uint8_t* offsets;  // each coded row's command offset
    int32_t width;
    const uint32_t* words;   // the palette's pixel words
    // The file's bytes when it is held whole, else null.
    const uint8_t* whole_begin;
    const uint8_t* whole_end;
  };
  RowTables Tables() const {
    return {reinterpret_cast<const uint8_t*>(edge_table_.data()),
            reinterpret_cast<const uint8_t*>(offset_table_.data()),
            frame_.Width,
            palette_.data(),
            whole_begin_,
            whole_end_};
  }

  // Draws a row whose wide stores would run past the end of the bitmaps'
  // memory: in a buffer of the decoder's, copied in. The rows drawn before
  // it may have written into its padding, which is cleared again.
  bool DrawRowThroughBuffer(const RowTables& tables, int32_t y, uint8_t* colour_row,
                            uint8_t* data_row) {
    const size_t row_bytes = 3 * static_cast<size_t>(frame_.Width);
    const size_t padding = static_cast<size_t>(colour_.BytesPerScanLine()) - row_bytes;
    uint8_t on_stack[kRowBufferOnStack];
    uint8_t* buffer = on_stack;
    if (2 * (row_bytes + kRowGuard) > sizeof on_stack) {
      row_buffer_.resize(2 * (row_bytes + kRowGuard));
      buffer = row_buffer_.data();
    }
    uint8_t* const colour = buffer;
    uint8_t* const data = colour + row_bytes + kRowGuard;
    if (!DecodeRowApart(tables, y, colour, data)) return false;
    if (row_bytes > 0) {
      std::memcpy(colour_row, colour, row_bytes);
      std::memcpy(data_row, data, row_bytes);
    }
    // The rows drawn before may have written into this row's padding.
    if (padding > 0) {
      std::memset(colour_row + row_bytes, 0, padding);
      std::memset(data_row + row_bytes, 0, padding);
    }
    return true;
  }

  // DecodeRow for the few rows drawn through a buffer, kept out of line.
  [[gnu::noinline]] bool DecodeRowApart(const RowTables& tables, int32_t y, uint8_t* colour,
                                        uint8_t* data) {
    return DecodeRow(tables, y, colour, data);
  }

  // Decodes row y's commands into the two rows of pixels given, each
  // followed by kRowGuard bytes that may be written. The row's head has
  // been checked.
  [[gnu::always_inline]] bool DecodeRow(const RowTables& tables, int32_t y, uint8_t* colour,
                                        uint8_t* data) {
    const int32_t width = tables.width;
    const uint32_t* const words = tables.words;
    const size_t at = 4 * static_cast<size_t>(y);
    const uint32_t both = le::U32(tables.edges + at);
    const int32_t left = static_cast<int16_t>(static_cast<uint16_t>(both));
    const int32_t right = static_cast<int16_t>(static_cast<uint16_t>(both >> 16));
    if (left == kSLPEmptyRow) {
      FillBlockPair(colour, data, width, kMagentaBlock, kMagentaBlock);
      return true;
    }
    const uint32_t start = le::U32(tables.offsets + at);
    FillBlockPair(colour, data, left, kMagentaBlock, kMagentaBlock);

    // The row's commands: from its offset to the end of the bytes held
    // there (the file's end, when the whole file is held).
    // The read position and the end are locals, not members: the pixel
    // stores write through byte pointers, which as far as the compiler
    // knows could change any member, and it would fetch them again after
    // every store.
    const uint8_t* p;
    const uint8_t* end;
    if (tables.whole_begin) {
      // The row heads were checked to start inside the file.
      p = tables.whole_begin + start;
      end = tables.whole_end;  // the file's end: end_is_file_end_ is set
    } else {
      const std::string_view row = file_.From(start);
      end_is_file_end_ = start + row.size() == file_.size;
      p = reinterpret_cast<const uint8_t*>(row.data());
      end = p + row.size();
    }
    // The next byte, if the row reaches it.
    const auto next = [&p, end](int32_t& n) {
      if (p >= end) return false;
      n = *p++;
      return true;
    };
    // The count in the high nibble, or in the next byte when that is 0.
    const auto nibble_count = [&next](uint8_t b, int32_t& n) {
      n = b >> 4;
      return n != 0 || next(n);
    };

    const uintptr_t end_address = reinterpret_cast<uintptr_t>(end);
    int32_t x = left;
    for (;;) {
      if (p >= end) return RowEnded();
      const uint8_t b = *p++;
      int32_t n = 0;
      uint8_t* const c = colour + 3 * static_cast<size_t>(x);
      uint8_t* const d = data + 3 * static_cast<size_t>(x);
      // The commands sprites are mostly made of come first, as plain
      // tests that the processor foresees far better than the switch's
      // jump through a table. Each takes only a command that fits; the
      // switch decodes the rest, and says what is wrong with those that
      // fail.
      if (b == slp::kPlayerOutlinePixel) {
        if (x >= width) return PastWidth();
        PutWord(c, WordOf(kMagentaBlock));
        PutWord(d, WordOf(kBlueBlock));
        x += 1;
        continue;
      }
      if ((b & 3) == slp::kShortCopy) {
        n = b >> 2;
        // Room for eight pixels' bytes, tested on addresses as numbers: the
        // difference of two pointers would take registers the loop needs.
        if (n <= width - x &&
            reinterpret_cast<uintptr_t>(p) + 8 + static_cast<uint32_t>(n) <= end_address) {
          CopyWordsInEightsWithData(c, d, p, n, words, kWhiteBlock);
          p += n;
          x += n;
          // An outline pixel often closes a copy, and the row often ends
          // there. The room the copy's eight pixels needed leaves at least
          // seven bytes to look at.
          if (*p == slp::kPlayerOutlinePixel && x < width) {
            PutWord(colour + 3 * static_cast<size_t>(x), WordOf(kMagentaBlock));
            PutWord(data + 3 * static_cast<size_t>(x), WordOf(kBlueBlock));
            ++p;
            x += 1;
            if (*p == slp::kEndOfRow && right == width - x) {
              FillBlockPair(colour + 3 * static_cast<size_t>(x), data + 3 * static_cast<size_t>(x),
                            right, kMagentaBlock, kMagentaBlock);
              return true;
            }
          }
          continue;
        }
      } else if (b == slp::kEndOfRow && right == width - x) {
        // Rows usually end where their edges say.
        FillBlockPair(c, d, right, kMagentaBlock, kMagentaBlock);
        return true;
      } else if ((b & 3) == slp::kShortSkip && b >= 4) {
        n = b >> 2;
        if (n <= width - x) {
          FillBlockPair(c, d, n, kMagentaBlock, kMagentaBlock);
          x += n;
          continue;
        }
      } else if (b == slp::kPlayerOutlineRun && p < end) {
        n = *p;
        if (n <= width - x) {
          ++p;
          FillBlockPair(c, d, n, kMagentaBlock, kBlueBlock);
          x += n;
          continue;
        }
      }
      // Every case reads its count, checks that the pixels fit in the row
      // and the bytes in the file, then paints both bitmaps.
      switch (kCommandOf[b]) {
        case SLPCommand::kEndOfRow:
          if (right > width - x) return Fault("the right edge runs past the row's width");
          FillBlockPair(c, d, right, kMagentaBlock, kMagentaBlock);
          // Rows usually end where their edges say.
          if (x + right < width) {
            FillBlockPair(c + 3 * static_cast<size_t>(right), d + 3 * static_cast<size_t>(right),
                          width - x - right, kBlackBlock, kBlackBlock);
          }
          return true;
        case SLPCommand::kPlayerOutlineRun:
        case SLPCommand::kBlackOutlineRun:
          if (!next(n)) return RowEnded();
          if (n > width - x) return PastWidth();
          FillBlockPair(c, d, n, kMagentaBlock,
                        b == slp::kPlayerOutlineRun ? kBlueBlock : kYellowBlock);
          break;
        case SLPCommand::kPlayerOutlinePixel:
        case SLPCommand::kBlackOutlinePixel:
          n = 1;
          if (n > width - x) return PastWidth();
          PutWord(c, WordOf(kMagentaBlock));
          PutWord(d, b == slp::kPlayerOutlinePixel ? WordOf(kBlueBlock) : WordOf(kYellowBlock));
          break;
        case SLPCommand::kFill:
          if (!nibble_count(b, n) || p >= end) return RowEnded();
          if (n > width - x) return PastWidth();
          FillWord(c, n, words[*p++]);
          FillBlocks(d, n, kWhiteBlock);
          break;
        case SLPCommand::kShadow:
          if (!nibble_count(b, n)) return RowEnded();
          if (n > width - x) return PastWidth();
          FillBlockPair(c, d, n, kRedBlock, kRedBlock);
          break;
        case SLPCommand::kLongSkip:
          if (!next(n)) return RowEnded();
          n += (b >> 4) * 256;
          if (n > width - x) return PastWidth();
          FillBlockPair(c, d, n, kMagentaBlock, kMagentaBlock);
          break;
        case SLPCommand::kPlayerShadeRun:
          if (!next(n)) return RowEnded();
          if (n > width - x) return PastWidth();
          FillWord(c, n, words[16 + (b >> 4)]);
          FillBlocks(d, n, kGreenBlock);
          break;
        case SLPCommand::kPlayerCopy: {
          if (!nibble_count(b, n)) return RowEnded();
          if (n > width - x) return PastWidth();
          if (end - p < n) return RowEnded();
          const uint8_t* index = p;
          for (int32_t k = 0; k < n; ++k) {
            if (index[k] > 239) return BadPlayerIndex(index[k]);
            PutWord(c + 3 * k, words[16 + index[k]]);
          }
          p += n;
          FillBlocks(d, n, kGreenBlock);
          break;
        }
        case SLPCommand::kPlayerFill: {
          if (!nibble_count(b, n) || p >= end) return RowEnded();
          if (n > width - x) return PastWidth();
          const uint8_t index = *p++;
          if (index > 239) return BadPlayerIndex(index);
          FillWord(c, n, words[16 + index]);
          FillBlocks(d, n, kGreenBlock);
          break;
        }
        case SLPCommand::kShortSkip:
          n = b >> 2;
          if (n == 0 && !next(n)) return RowEnded();
          if (n > width - x) return PastWidth();
          FillBlockPair(c, d, n, kMagentaBlock, kMagentaBlock);
          break;
        case SLPCommand::kLongCopy:
        case SLPCommand::kShortCopy:
          if (kCommandOf[b] == SLPCommand::kLongCopy) {
            if (!next(n)) return RowEnded();
            n += (b & 0xF0) * 16;
          } else {
            n = b >> 2;  // no count byte; 0 is a copy of nothing
          }
          if (n > width - x) return PastWidth();
          if (end - p < n) return RowEnded();
          // Short copies, and those not at the end of the bytes held, in
          // eights.
          if (end - p >= n + 8) {
            CopyWordsInEightsWithData(c, d, p, n, words, kWhiteBlock);
          } else {
            CopyWords(c, p, n, words);
            FillBlocks(d, n, kWhiteBlock);
          }
          p += n;
          break;
      }
      x += n;
    }
  }

  const FileBytes& file_;
  const SLPFrameInfo& frame_;
  cDIBSection& colour_;
  cDIBSection& data_;
  // The two tables from their starts to the end of the bytes held there.
  std::string_view edge_table_, offset_table_;
  // Whether the row being decoded may read to the end of the file (every
  // row may, when the file is held whole).
  bool end_is_file_end_ = false;
  // The file's bytes when it is held whole: every row reads from them up
  // to the file's end. Null otherwise.
  const uint8_t* whole_begin_ = nullptr;
  const uint8_t* whole_end_ = nullptr;
  bool needs_whole_file_ = false;
  std::string fault_;
  const std::array<uint32_t, 256>& palette_;
  // Rows drawn away from the bitmaps (see DrawRowThroughBuffer), when they
  // are too wide for kRowBufferOnStack.
  std::vector<uint8_t> row_buffer_;
};

// Bytes of a file already read, at their offset in it.
struct HeldBytes {
  uint64_t offset = 0;
  std::string_view bytes;
};

// Reads the file's bytes from start to end into out, copying those held
// already rather than reading them again.
Status ReadRange(const SLPFile& file, uint64_t start, uint64_t end,
                 const std::array<HeldBytes, 2>& held, char* out) {
  uint64_t at = start;
  while (at < end) {
    uint64_t next = end;  // where the stretch from at ends
    const HeldBytes* source = nullptr;
    for (const HeldBytes& h : held) {
      if (h.offset <= at && at < h.offset + h.bytes.size()) {
        source = &h;
        next = std::min(end, h.offset + h.bytes.size());
        break;
      }
      if (h.offset > at && !h.bytes.empty()) next = std::min(next, h.offset);
    }
    char* to = out + (at - start);
    if (source) {
      std::memcpy(to, source->bytes.data() + (at - source->offset), next - at);
    } else if (Status read = file.ReadInto(at, next - at, to); !read) {
      return read;
    }
    at = next;
  }
  return Status::Ok();
}

// The pieces of a file on disk that frame's decoding reads: its row edge
// table, its command offset table (as much as the file holds) and, for
// every row that is coded, its commands as far as a row usually reaches.
// Pieces that meet are read as one, so a frame costs reads in proportion to
// its size, wherever its rows lie. What lies outside the file is left out:
// the decoder then fails as it would on the whole file.
Status ReadFramePieces(const SLPFile& file, const SLPFrameInfo& frame,
                       std::string& storage, FileBytes& bytes) {
  bytes.size = file.Size();
  bytes.pieces.clear();
  storage.clear();
  const int32_t width = frame.Width, height = frame.Height;
  if (width < 0 || height < 0 || width > cDIBSection::kMaxDimension ||
      height > cDIBSection::kMaxDimension || int64_t{width} * height > kMaxSLPFramePixels)
    return Status::Ok();  // refused by the decoder before it reads anything
  const uint64_t size = file.Size();
  const uint64_t table_bytes = 4 * static_cast<uint64_t>(height);
  auto clipped = [size](uint64_t start, uint64_t length) {
    return std::pair<uint64_t, uint64_t>{std::min(start, size), std::min(start + length, size)};
  };
  const std::pair<uint64_t, uint64_t> edge_range = clipped(frame.OutlineTableOffset, table_bytes),
                                     offset_range = clipped(frame.CommandTableOffset, table_bytes);
  std::vector<std::pair<uint64_t, uint64_t>> ranges{edge_range, offset_range};
  std::string edges, offsets;
  if (Status read = file.Read(frame.OutlineTableOffset, table_bytes, edges); !read) return read;
  if (Status read = file.Read(frame.CommandTableOffset, table_bytes, offsets); !read) return read;
  const uint64_t row_reach = UsualRowBytes(width);
  for (int32_t y = 0; y < height; ++y) {
    const size_t at = 4 * static_cast<size_t>(y);
    const bool in_tables = at + 4 <= edges.size() && at + 4 <= offsets.size();
    if (in_tables && le::I16(edges, at) == kSLPEmptyRow) continue;
    const uint64_t start = in_tables ? le::U32(offsets, at) : size;
    if (start >= size ||
        RowEdgesFault(le::I16(edges, at), le::I16(edges, at + 2), width) != nullptr) {
      // The decoder refuses the frame on its tables alone: no row is read.
      ranges.resize(2);
      break;
    }
    ranges.push_back(clipped(start, row_reach));
  }
  // Rows usually follow one another through the file.
  if (!std::is_sorted(ranges.begin(), ranges.end())) std::sort(ranges.begin(), ranges.end());
  // Ranges that meet become one piece, in place.
  size_t pieces = 0;
  uint64_t total = 0;
  for (const auto& range : ranges) {
    if (range.first >= range.second) continue;
    if (pieces > 0 && range.first <= ranges[pieces - 1].second) {
      total -= ranges[pieces - 1].second - ranges[pieces - 1].first;
      ranges[pieces - 1].second = std::max(ranges[pieces - 1].second, range.second);
    } else {
      ranges[pieces++] = range;
    }
    total += ranges[pieces - 1].second - ranges[pieces - 1].first;
  }
  ranges.resize(pieces);
  // All pieces share one block of memory. The tables are read already: a
  // piece holding them copies them.
  const std::array<HeldBytes, 2> held{HeldBytes{edge_range.first, edges},
                                      HeldBytes{offset_range.first, offsets}};
  storage.resize(static_cast<size_t>(total));
  size_t at = 0;
  for (const auto& [start, end] : ranges) {
    if (Status read = ReadRange(file, start, end, held, storage.data() + at); !read) return read;
    bytes.pieces.push_back({start, std::string_view(storage).substr(at, end - start)});
    at += static_cast<size_t>(end - start);
  }
  return Status::Ok();
}

}  // namespace

Status SLPFile::Open(const std::string& path, uint64_t hold_below) {
  Close();
  std::FILE* opened = nullptr;
  if (Status status = OpenForReading(path, opened); !status) return status;
  disk_.reset(opened);
  const int64_t size = FileSize(path);
  if (size < 0) {
    disk_.reset();
    return Status::Fail(path + ": is not a regular file");
  }
  // What the writer makes, the reader takes: nothing larger.
  if (size > static_cast<int64_t>(kMaxSLPFileBytes)) {
    disk_.reset();
    return Status::Fail(path + ": file is too large (more than " +
                        std::to_string(kMaxSLPFileBytes >> 20) + " MB)");
  }
  path_ = path;
  size_ = static_cast<uint64_t>(size);
  if (size_ < hold_below) {
    // Small: one read now instead of a seek and a read for every frame.
    std::string bytes(static_cast<size_t>(size_), '\0');
    const bool read = size_ == 0 || std::fread(bytes.data(), 1, bytes.size(), disk_.get()) == size_;
    disk_.reset();
    if (!read) {
      path_.clear();
      size_ = 0;
      return Status::Fail(path + ": read error");
    }
    bytes_ = std::move(bytes);
  }
  open_ = true;
  return Status::Ok();
}

void SLPFile::Hold(std::string bytes) {
  Close();
  bytes_ = std::move(bytes);
  size_ = bytes_.size();
  open_ = true;
}

void SLPFile::Close() {
  bytes_read_ = 0;
  std::string().swap(bytes_);
  std::string().swap(whole_);
  whole_read_ = false;
  disk_.reset();
  path_.clear();
  size_ = 0;
  open_ = false;
}

Status SLPFile::WholeFile(std::string_view& bytes) const {
  if (!disk_) {
    bytes = bytes_;
    return Status::Ok();
  }
  const std::lock_guard<std::mutex> lock(whole_mutex_);
  if (!whole_read_) {
    std::string whole;
    if (Status read = Read(0, size_, whole); !read) return read;
    whole_ = std::move(whole);
    whole_read_ = true;
  }
  bytes = whole_;
  return Status::Ok();
}

Status SLPFile::Read(uint64_t offset, uint64_t size, std::string& out) const {
  out.clear();
  if (offset >= size_) return Status::Ok();
  size = std::min(size, size_ - offset);
  if (!disk_) {
    out.assign(bytes_, static_cast<size_t>(offset), static_cast<size_t>(size));
    return Status::Ok();
  }
  out.resize(static_cast<size_t>(size));
  Status read = ReadInto(offset, size, out.data());
  if (!read) out.clear();
  return read;
}

Status SLPFile::ReadInto(uint64_t offset, uint64_t size, char* out) const {
  if (offset > size_ || size > size_ - offset)
    return Status::Fail(path_ + ": read beyond the end of the file");
  if (!disk_) {
    std::memcpy(out, bytes_.data() + offset, static_cast<size_t>(size));
    return Status::Ok();
  }
  const std::lock_guard<std::mutex> lock(disk_mutex_);
  bytes_read_ += size;
  if (!SeekTo(disk_.get(), offset) ||
      std::fread(out, 1, static_cast<size_t>(size), disk_.get()) != size)
    return Status::Fail(path_ + ": read error");
  return Status::Ok();
}

Status ReadSLPHeader(const SLPFile& file, SLPHeader& header,
                     std::vector<SLPFrameInfo>& frames) {
  frames.clear();
  if (file.Size() < kSLPHeaderSize)
    return Status::Fail("the file is shorter than an SLP header (" +
                        std::to_string(file.Size()) + " bytes)");
  std::string head;
  if (Status read = file.Read(0, kSLPHeaderSize, head); !read) return read;
  header = DecodeSLPHeader(head);
  if (header.FrameCount < 0)
    return Status::Fail("negative frame count " + std::to_string(header.FrameCount));
  const uint64_t table_end =
      kSLPHeaderSize + kSLPFrameInfoSize * static_cast<uint64_t>(header.FrameCount);
  if (table_end > file.Size())
    return Status::Fail("the frame table of " + std::to_string(header.FrameCount) +
                        " frames is longer than the file");
  std::string table;
  if (Status read = file.Read(kSLPHeaderSize, table_end - kSLPHeaderSize, table); !read)
    return read;
  frames.resize(static_cast<size_t>(header.FrameCount));
  for (size_t i = 0; i < frames.size(); ++i)
    frames[i] = DecodeSLPFrameInfo(std::string_view(table).substr(kSLPFrameInfoSize * i));
  return Status::Ok();
}

Status ReadSLPHeader(const std::string& path, SLPFile& file, SLPHeader& header,
                     std::vector<SLPFrameInfo>& frames) {
  frames.clear();
  Status opened = file.Open(path);
  if (!opened) return opened;
  return ReadSLPHeader(file, header, frames);
}

Status DecodeSLPFrame(const SLPFile& file, const SLPFrameInfo& frame, const Palette& palette,
                      cDIBSection& colour, cDIBSection& data) {
  FileBytes bytes;
  std::string storage;
  Status decoded = Status::Ok();
  if (!file.OnDisk()) {
    bytes.size = file.Bytes().size();
    bytes.HoldWhole(file.Bytes());
  } else {
    decoded = ReadFramePieces(file, frame, storage, bytes);
  }
  if (decoded) {
    FrameDecoder decoder(bytes, frame, palette, colour, data);
    decoded = decoder.Decode();
    if (!decoded && decoder.NeedsWholeFile()) {
      // A row runs on past what was read for it: decode once more from the
      // whole file, which the file keeps for any later frame of its kind.
      std::string_view whole;
      decoded = file.WholeFile(whole);
      if (decoded) {
        bytes.HoldWhole(whole);
        storage.clear();
        decoded = FrameDecoder(bytes, frame, palette, colour, data).Decode();
      }
    }
  }
  if (!decoded) {
    colour.ClearUp();
    data.ClearUp();
  }
  return decoded;
}

Status DecodeSLP(const SLPFile& file, const Palette& palette, std::vector<FrameBitmaps>& frames,
                 const ProgressSink& progress) {
  frames.clear();
  SLPHeader header;
  std::vector<SLPFrameInfo> infos;
  if (Status read = ReadSLPHeader(file, header, infos); !read) return read;
  std::vector<FrameBitmaps> decoded(infos.size());
  const auto count = static_cast<int64_t>(infos.size());
  for (size_t i = 0; i < infos.size(); ++i) {
    const auto number = static_cast<int64_t>(i + 1);
    Tell(progress, "Decoding frame " + NumberText(number), number, count);
    FrameBitmaps& frame = decoded[i];
    if (Status done = DecodeSLPFrame(file, infos[i], palette, frame.Colour, frame.Data); !done)
      return Status::Fail("frame " + NumberText(number) + ": " + done.message());
    frame.CenterX = infos[i].HotSpotX;
    frame.CenterY = infos[i].HotSpotY;
  }
  frames = std::move(decoded);
  return Status::Ok();
}

std::string PadFrameNumber(int32_t number) {
  std::string digits = std::to_string(number);
  if (number >= 0 && digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return digits;
}

std::string SLXPathWithExtension(const std::string& slx_path) {
  if (GetFileName(slx_path).find('.') == std::string::npos) return slx_path + ".slx";
  return slx_path;
}

// SLP files below this size are read whole before they are converted: most
// sprites are a few kilobytes, and a batch converts thousands of them.
constexpr uint64_t kHeldWholeBelow = uint64_t{4} << 20;

Status ConvertSLPToSLX(const std::string& slp_path, const std::string& slx_path,
                       const Palette& palette, const ProgressSink& progress) {
  return ConvertSLPToSLX(slp_path, slx_path, palette, FrameFileFormat::kBMP, progress);
}

namespace {

// A folder is no name for an SLX file (its frames would be hidden files
// named "_001.bmp" and so on).
Status CheckSLXName(const std::string& requested_slx_path) {
  if (requested_slx_path.empty() || IsFolderSeparator(requested_slx_path.back()) ||
      std::filesystem::is_directory(std::filesystem::path(NativePath(requested_slx_path))))
    return Status::Fail(kMsgErrorCreatingSLX,
                        (requested_slx_path.empty() ? std::string("no SLX file name was given")
                                                    : requested_slx_path +
                                                          ": is the name of a folder, not of "
                                                          "an SLX file"));
  return Status::Ok();
}

}  // namespace

Status ConvertSLPToSLX(const std::string& slp_path, const std::string& requested_slx_path,
                       const Palette& palette, FrameFileFormat format,
                       const ProgressSink& progress) {
  if (Status named = CheckSLXName(requested_slx_path); !named) return named;
  SLPFile file;
  if (Status opened = file.Open(slp_path, kHeldWholeBelow); !opened)
    return Status::Fail(kMsgErrorCreatingSLX, AboutFile(slp_path, opened.message()));
  return ConvertSLPToSLX(file, slp_path, {slp_path}, requested_slx_path, palette, format,
                         progress);
}

Status ConvertSLPToSLX(const SLPFile& file, const std::string& slp_path,
                       const std::vector<std::string>& inputs,
                       const std::string& requested_slx_path, const Palette& palette,
                       FrameFileFormat format, const ProgressSink& progress) {
  if (Status named = CheckSLXName(requested_slx_path); !named) return named;
  const std::string slx_path = SLXPathWithExtension(requested_slx_path);
  const std::string folder = GetFolder(slx_path);
  const std::string title = GetFileTitle(slx_path);
  auto fail = [](const std::string& detail) {
    return Status::Fail(kMsgErrorCreatingSLX, detail);
  };

  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  if (Status read = ReadSLPHeader(file, header, frames); !read)
    return fail(AboutFile(slp_path, read.message()));

  SLXGraphic graphic;
  graphic.Path = slx_path;
  graphic.FrameCount = header.FrameCount;
  graphic.Frames.resize(frames.size());
  // No file written may be the SLP file being read.
  if (Status separate = RefuseOverwritingInput(slx_path, inputs); !separate)
    return fail(separate.message());
  // The frame files' names say what kind of file they are.
  const char* extension = format == FrameFileFormat::kPNG ? ".png" : ".bmp";
  cDIBSection colour, data;
  for (int32_t i = 1; i <= header.FrameCount; ++i) {
    Tell(progress, "Decoding frame " + NumberText(i), i, header.FrameCount);
    const SLPFrameInfo& info = frames[static_cast<size_t>(i - 1)];
    if (Status decoded = DecodeSLPFrame(file, info, palette, colour, data); !decoded)
      return fail(slp_path + ": frame " + std::to_string(i) + ": " + decoded.message());
    SLXFrame& frame = graphic.Frame(i);
    frame.CenterX = info.HotSpotX;
    frame.CenterY = info.HotSpotY;
    frame.ColourFile = title + "_" + PadFrameNumber(i) + extension;
    frame.DataFile = title + "_" + PadFrameNumber(i) + "d" + extension;
    if (Status saved = SaveFrameBitmap(colour, folder + frame.ColourFile, inputs); !saved)
      return fail(saved.message());
    if (Status saved = SaveFrameBitmap(data, folder + frame.DataFile, inputs); !saved)
      return fail(saved.message());
  }
  return SaveSLX(graphic);
}

}  // namespace zorv
