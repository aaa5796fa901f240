// Pixel stores for drawing one row of a 24-bit bitmap from left to right in
// whole words and 48-byte blocks rather than byte by byte. Small sprites
// are mostly short spans, where exact three-byte stores and the loops that
// end them cost more than the pixels themselves.
//
// Every store may write up to kRowStoreSpill bytes past the pixels it is
// meant for. That is harmless as long as the row is drawn from left to
// right (the next span overwrites what spilt into it) and the
// kRowStoreSpill bytes after the row's last pixel may be written and are
// put back by the caller once the row is drawn.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zorv {

// FillWord's sixteen pixel words from a span's start reach furthest.
inline constexpr size_t kRowStoreSpill = 49;

// Sixteen pixels of one colour as they lie in bitmap memory.
struct PixelBlock {
  uint8_t bytes[48];
};

constexpr PixelBlock BlockOf(uint8_t blue, uint8_t green, uint8_t red) {
  PixelBlock block{};
  for (int k = 0; k < 16; ++k) {
    block.bytes[3 * k] = blue;
    block.bytes[3 * k + 1] = green;
    block.bytes[3 * k + 2] = red;
  }
  return block;
}

// The stores are the decoder's inner loops; they stay inline however large
// the decoder grows.

// n pixels from p on in block's colour, sixteen at a time (always at least
// one block, so n == 0 still writes 48 bytes). The byte counts are signed,
// so a count below zero stops after the first block as zero does, with no
// test of its own.
[[gnu::always_inline]] inline void FillBlocks(uint8_t* p, int32_t n, const PixelBlock& block) {
  const ptrdiff_t bytes = 3 * static_cast<ptrdiff_t>(n);
  ptrdiff_t k = 0;
  do {
    std::memcpy(p + k, block.bytes, sizeof block.bytes);
    k += static_cast<ptrdiff_t>(sizeof block.bytes);
  } while (k < bytes);
}

// FillBlocks of the same n pixels in two rows, in block_c's colour at c and
// block_d's at d, with one loop: a frame's margins, skips and outlines are
// painted in both bitmaps at once.
[[gnu::always_inline]] inline void FillBlockPair(uint8_t* c, uint8_t* d, int32_t n,
                                                 const PixelBlock& block_c,
                                                 const PixelBlock& block_d) {
  const ptrdiff_t bytes = 3 * static_cast<ptrdiff_t>(n);
  ptrdiff_t k = 0;
  do {
    std::memcpy(c + k, block_c.bytes, sizeof block_c.bytes);
    std::memcpy(d + k, block_d.bytes, sizeof block_d.bytes);
    k += static_cast<ptrdiff_t>(sizeof block_c.bytes);
  } while (k < bytes);
}

// One pixel from a pixel word (blue, green, red and a fourth byte that the
// next pixel overwrites).
[[gnu::always_inline]] inline void PutWord(uint8_t* p, uint32_t word) {
  std::memcpy(p, &word, 4);
}

// n pixels from p on in the colour of word: sixteen one by one (whatever
// n, so that short fills end in no loop), the rest copied from the first
// sixteen a block at a time.
[[gnu::always_inline]] inline void FillWord(uint8_t* p, int32_t n, uint32_t word) {
  for (int32_t k = 0; k < 16; ++k) PutWord(p + 3 * k, word);
  uint8_t* const end = p + 3 * static_cast<size_t>(n);
  for (uint8_t* q = p + 48; q < end; q += 48) std::memcpy(q, p, 48);
}

// Four pixels from their pixel words, packed into twelve bytes and stored
// with two stores rather than four.
[[gnu::always_inline]] inline void PutFourWords(uint8_t* p, uint64_t w0, uint64_t w1,
                                                uint64_t w2, uint64_t w3) {
  const uint64_t low = (w0 & 0xFFFFFF) | (w1 & 0xFFFFFF) << 24 | w2 << 48;
  const uint32_t high = static_cast<uint32_t>(((w2 >> 16) & 0xFF) | (w3 & 0xFFFFFF) << 8);
  std::memcpy(p, &low, 8);
  std::memcpy(p + 8, &high, 4);
}

// n pixels from p on, pixel k in the colour of words[index[k]], four at a
// time with the last one by one. Reads exactly n index bytes.
[[gnu::always_inline]] inline void CopyWords(uint8_t* p, const uint8_t* index, int32_t n,
                                             const uint32_t* words) {
  int32_t k = 0;
  for (; k + 4 <= n; k += 4, p += 12)
    PutFourWords(p, words[index[k]], words[index[k + 1]], words[index[k + 2]],
                 words[index[k + 3]]);
  for (; k < n; ++k, p += 3) PutWord(p, words[index[k]]);
}

// CopyWords eight pixels at a time, with no loop ending at n for the
// processor to mispredict on short copies (reads index bytes up to n
// rounded up to a multiple of 8, and draws as many pixels), and the same
// pixels at d in block_d's colour in the same loop (at least eight of
// each, so n == 0 still writes them).
[[gnu::always_inline]] inline void CopyWordsInEightsWithData(uint8_t* c, uint8_t* d,
                                                             const uint8_t* index, int32_t n,
                                                             const uint32_t* words,
                                                             const PixelBlock& block_d) {
  int32_t k = 0;
  do {
    for (int j = 0; j < 8; ++j) PutWord(c + 3 * j, words[index[j]]);
    std::memcpy(d, block_d.bytes, 24);
    k += 8;
    c += 24;
    d += 24;
    index += 8;
  } while (k < n);
}

}  // namespace zorv
