// The SLP sprite format, named once for the reader and the writer: the
// records of the file, the limits this program keeps to, and the row
// command bytes with what each one means.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zorv {

// The 32 bytes at offset 0 of an SLP file.
struct SLPHeader {
  std::array<char, 4> Version{};   // "2.0N" as written; ignored on reading
  int32_t FrameCount = 0;
  std::array<char, 24> Comment{};  // not used on reading
};

// One 32-byte record of the frame table, which starts at offset 32.
struct SLPFrameInfo {
  uint32_t CommandTableOffset = 0;  // the rows' command offsets
  uint32_t OutlineTableOffset = 0;  // the rows' edges (SLPRowEdges)
  uint32_t PaletteOffset = 0;
  uint32_t Properties = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t HotSpotX = 0;
  int32_t HotSpotY = 0;
};

// Transparent pixels before the first and after the last coded pixel of a
// row; Left = kSLPEmptyRow marks a row that is transparent from edge to edge.
struct SLPRowEdges {
  int16_t Left = 0;
  int16_t Right = 0;
};

inline constexpr size_t kSLPHeaderSize = 32;
inline constexpr size_t kSLPFrameInfoSize = 32;
inline constexpr int16_t kSLPEmptyRow = -32768;

// What the writer puts into the header and every frame record.
inline constexpr char kSLPVersion[4] = {'2', '.', '0', 'N'};
inline constexpr char kSLPComment[] = "Mod Editor by Brakmol ";  // 22 characters, then two zeros
inline constexpr uint32_t kSLPProperties = 24;

// The frames a reader accepts: each side within the bitmap's limit and at
// most this many pixels, so a damaged size cannot ask for gigabytes.
inline constexpr int64_t kMaxSLPFramePixels = int64_t{1} << 24;
// Larger files are refused before they are read.
inline constexpr uint64_t kMaxSLPFileBytes = uint64_t{256} << 20;

// The row commands. A count rides in the bits above the command's low bits
// or, where those hold 0 or the command has none, in the byte after it.
namespace slp {
inline constexpr uint8_t kShortCopy = 0x00;          // low 2 bits; count b >> 2, no count byte
inline constexpr uint8_t kShortSkip = 0x01;          // low 2 bits; count b >> 2, or the next byte
inline constexpr uint8_t kLongCopy = 0x02;           // count (b & 0xF0) * 16 + next
inline constexpr uint8_t kLongSkip = 0x03;           // count (b >> 4) * 256 + next
inline constexpr uint8_t kPlayerCopy = 0x06;         // count b >> 4, or next; index bytes follow
inline constexpr uint8_t kFill = 0x07;               // count b >> 4, or next; one index follows
inline constexpr uint8_t kPlayerFill = 0x0A;         // count b >> 4, or next; one index follows
inline constexpr uint8_t kShadow = 0x0B;             // count b >> 4, or next
inline constexpr uint8_t kPlayerShadeRun = 0x0E;     // shade b >> 4; count next
inline constexpr uint8_t kEndOfRow = 0x0F;
inline constexpr uint8_t kPlayerOutlinePixel = 0x4E;
inline constexpr uint8_t kPlayerOutlineRun = 0x5E;   // count next
inline constexpr uint8_t kBlackOutlinePixel = 0x6E;
inline constexpr uint8_t kBlackOutlineRun = 0x7E;    // count next

// The largest counts each way of carrying one.
inline constexpr size_t kMaxNibbleCount = 15;   // in the high 4 bits
inline constexpr size_t kMaxShortCount = 63;    // in the high 6 bits
inline constexpr size_t kMaxByteCount = 255;    // in the next byte
inline constexpr size_t kMaxLongCount = 4095;   // 4 high bits and the next byte
}  // namespace slp

// What a command byte means.
enum class SLPCommand : uint8_t {
  kEndOfRow,
  kPlayerOutlineRun,
  kPlayerOutlinePixel,
  kBlackOutlinePixel,
  kBlackOutlineRun,
  kFill,
  kShadow,
  kLongSkip,
  kPlayerShadeRun,
  kPlayerCopy,
  kPlayerFill,
  kShortSkip,
  kLongCopy,
  kShortCopy,
};

// The tests run in this order, which settles the bytes that pass more than
// one (0x4E, 0x5E, 0x6E and 0x7E have the low nibble 0x0E of a player run
// of one shade).
constexpr SLPCommand ClassifySLPCommand(uint8_t b) {
  if ((b & 0x0F) == slp::kEndOfRow) return SLPCommand::kEndOfRow;
  if (b == slp::kPlayerOutlineRun) return SLPCommand::kPlayerOutlineRun;
  if (b == slp::kPlayerOutlinePixel) return SLPCommand::kPlayerOutlinePixel;
  if (b == slp::kBlackOutlinePixel) return SLPCommand::kBlackOutlinePixel;
  if (b == slp::kBlackOutlineRun) return SLPCommand::kBlackOutlineRun;
  if ((b & 0x0F) == slp::kFill) return SLPCommand::kFill;
  if ((b & 0x0F) == slp::kShadow) return SLPCommand::kShadow;
  if ((b & 0x0F) == slp::kLongSkip) return SLPCommand::kLongSkip;
  if ((b & 0x0F) == slp::kPlayerShadeRun) return SLPCommand::kPlayerShadeRun;
  if ((b & 0x0F) == slp::kPlayerCopy) return SLPCommand::kPlayerCopy;
  if ((b & 0x0F) == slp::kPlayerFill) return SLPCommand::kPlayerFill;
  if ((b & 0x03) == slp::kShortSkip) return SLPCommand::kShortSkip;
  if ((b & 0x0F) == slp::kLongCopy) return SLPCommand::kLongCopy;
  return SLPCommand::kShortCopy;
}

// The 32 header bytes the writer gives a file of frame_count frames.
std::string EncodeSLPHeader(int32_t frame_count);
// The 32 bytes of one frame record.
std::string EncodeSLPFrameInfo(const SLPFrameInfo& frame);
// The records from their bytes (32 each, the caller has checked).
SLPHeader DecodeSLPHeader(std::string_view bytes);
SLPFrameInfo DecodeSLPFrameInfo(std::string_view bytes);

}  // namespace zorv
