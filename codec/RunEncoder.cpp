#include "codec/RunEncoder.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "codec/ByteWords.h"
#include "codec/DataColours.h"

namespace zorv {
namespace {

void Put(SLPBytes& out, size_t value) { out.push_back(static_cast<uint8_t>(value)); }

using slp::kMaxByteCount;
using slp::kMaxNibbleCount;
using slp::kMaxShortCount;

// Counts up to 255 in chunks: (n div 255) chunks of 255, then one of
// n mod 255, written even when that is 0.
template <typename EmitChunk>
void InChunksOf255(size_t n, EmitChunk emit) {
  for (size_t i = 0; i < n / kMaxByteCount; ++i) emit(kMaxByteCount);
  emit(n % kMaxByteCount);
}

// A command byte carrying its count in the high nibble.
size_t WithNibbleCount(uint8_t command, size_t count) { return count * 16 + command; }

// Shadow and the two outline runs: a count in a following byte.
void AppendCountedRun(SLPBytes& out, uint8_t command, size_t n) {
  if (n <= kMaxByteCount) {
    Put(out, command);
    Put(out, n);
    return;
  }
  InChunksOf255(n, [&](size_t count) {
    Put(out, command);
    Put(out, count);
  });
}

// Whether the n >= 4 pixels from p on are all of one colour: each byte
// equal to the byte three after it, eight bytes at a time, the last eight
// overlapping those before. Reads only the n pixels.
bool OneColour(const uint8_t* p, size_t n) {
  const size_t bytes = 3 * (n - 1);  // at least 9
  for (size_t k = 0; k + 8 <= bytes; k += 8)
    if (LoadWord(p + k) != LoadWord(p + k + 3)) return false;
  return LoadWord(p + bytes - 8) == LoadWord(p + bytes - 5);
}

// Palette indices of n pixels from p on, in the first n bytes of indices:
// the vector only grows, so that runs shorter than the last one do not
// clear bytes they then overwrite.
std::span<const uint8_t> IndicesOf(const uint8_t* p, size_t n, PaletteMatcher& matcher,
                                   std::vector<uint8_t>& indices) {
  if (indices.size() < n) indices.resize(n);
  matcher.NearestOfPixels(p, n, indices.data());
  return std::span<const uint8_t>(indices.data(), n);
}

void AppendPlayerRun(SLPBytes& out, std::span<const uint8_t> indices) {
  const size_t n = indices.size();
  auto chunk = [&](size_t start, size_t count) {
    if (count <= kMaxNibbleCount) {
      Put(out, WithNibbleCount(slp::kPlayerCopy, count));
    } else {
      Put(out, slp::kPlayerCopy);
      Put(out, count);
    }
    for (size_t k = 0; k < count; ++k) Put(out, indices[start + k] % 16);
  };
  if (n <= kMaxByteCount) {
    chunk(0, n);
    return;
  }
  // Long runs always carry the count byte, the last chunk too.
  size_t start = 0;
  InChunksOf255(n, [&](size_t count) {
    Put(out, slp::kPlayerCopy);
    Put(out, count);
    for (size_t k = 0; k < count; ++k) Put(out, indices[start + k] % 16);
    start += count;
  });
}

}  // namespace

void AppendCopy(SLPBytes& out, std::span<const uint8_t> block) {
  const size_t m = block.size();
  if (m == 0) return;
  if (m <= kMaxShortCount) {
    Put(out, m * 4 + slp::kShortCopy);
  } else if (m <= kMaxCopyCount) {
    Put(out, WithNibbleCount(slp::kLongCopy, m / 256));
    Put(out, m % 256);
  } else {
    // Too long for one count field: consecutive long copies of the same
    // pixels.
    for (size_t start = 0; start < m; start += kMaxCopyCount) {
      const size_t count = std::min(kMaxCopyCount, m - start);
      Put(out, WithNibbleCount(slp::kLongCopy, count / 256));
      Put(out, count % 256);
      out.insert(out.end(), block.begin() + static_cast<ptrdiff_t>(start),
                 block.begin() + static_cast<ptrdiff_t>(start + count));
    }
    return;
  }
  out.insert(out.end(), block.begin(), block.end());
}

void AppendFill(SLPBytes& out, uint8_t index, size_t count) {
  if (count == 0) return;
  if (count <= kMaxNibbleCount) {
    Put(out, WithNibbleCount(slp::kFill, count));
    Put(out, index);
  } else if (count <= kMaxByteCount) {
    Put(out, slp::kFill);
    Put(out, count);
    Put(out, index);
  } else {
    InChunksOf255(count, [&](size_t chunk) {
      Put(out, slp::kFill);
      Put(out, chunk);
      Put(out, index);
    });
  }
}

namespace {

// Bit 7 of each byte is set where the bytes of a and b are equal (exact:
// no carry crosses from one byte into the next).
uint64_t EqualBytes(uint64_t a, uint64_t b) {
  constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  const uint64_t x = a ^ b;
  return ~(((x & kLow7) + kLow7) | x | kLow7);
}

// The first position from i on where four equal indices start, looking six
// positions at a time; stops early (at most at end - 9) where fewer than
// nine indices are left, the rest being for the caller to look at one by
// one.
size_t SkipToFourEqual(const uint8_t* at, size_t i, size_t end) {
  if constexpr (kLittleEndianWords) {
    for (; i + 9 <= end; i += 6) {
      const uint64_t here = LoadWord(at + i), next = LoadWord(at + i + 1);
      // Byte k: index i + k equals the one after it, for k = 0..7; then
      // byte k: indices i + k to i + k + 3 are equal, for k = 0..5.
      const uint64_t equal = EqualBytes(here, next);
      const uint64_t four = equal & (equal >> 8) & (equal >> 16);
      if (four != 0) return i + static_cast<size_t>(std::countr_zero(four)) / 8;
    }
  }
  return i;
}

}  // namespace

void AppendIndices(SLPBytes& out, std::span<const uint8_t> indices) {
  // Every run of four or more equal indices is one fill; what lies between
  // fills is one copy (or several where it is too long for one count).
  // Sprites of many colours are mostly copies: stretches without four
  // equal indices are passed over a word at a time.
  const size_t n = indices.size();
  // Too short for a fill.
  if (n < 4) {
    AppendCopy(out, indices);
    return;
  }
  const uint8_t* const at = indices.data();
  size_t copy_from = 0;
  for (size_t i = 0; i < n;) {
    i = SkipToFourEqual(at, i, n);
    if (i >= n) break;
    const uint8_t c = at[i];
    size_t j = i + 1;
    while (j < n && at[j] == c) ++j;
    if (j - i >= 4) {
      AppendCopy(out, indices.subspan(copy_from, i - copy_from));
      AppendFill(out, c, j - i);
      copy_from = j;
    }
    i = j;
  }
  AppendCopy(out, indices.subspan(copy_from));
}

bool SLPRunEncoder::AppendRun(SLPBytes& out, const cDIBSection& colour, int32_t first_x,
                              int32_t y, int32_t n, ColourValue data_colour) {
  if (n < 1) return false;
  const size_t count = static_cast<size_t>(n);
  switch (data_colour) {
    case kDataTransparent:
      if (count <= kMaxShortCount) {
        Put(out, count * 4 + slp::kShortSkip);
      } else if (count <= slp::kMaxLongCount) {
        Put(out, WithNibbleCount(slp::kLongSkip, count / 256));
        Put(out, count % 256);
      } else {
        return false;
      }
      return true;
    case kDataShadow:
      if (count <= kMaxNibbleCount)
        Put(out, WithNibbleCount(slp::kShadow, count));
      else
        AppendCountedRun(out, slp::kShadow, count);
      return true;
    case kDataBlackOutline:
      if (count == 1)
        Put(out, slp::kBlackOutlinePixel);
      else
        AppendCountedRun(out, slp::kBlackOutlineRun, count);
      return true;
    case kDataPlayerOutline:
      if (count == 1)
        Put(out, slp::kPlayerOutlinePixel);
      else
        AppendCountedRun(out, slp::kPlayerOutlineRun, count);
      return true;
    case kDataPlayer:
    case kDataNormal: {
      if (first_x < 0 || y < 0 || y >= colour.Height() || n > colour.Width() - first_x)
        return false;
      const uint8_t* pixels = colour.Row(y) + 3 * static_cast<size_t>(first_x);
      // A run of one colour (each pixel equal to the next) is one fill,
      // found without looking up every pixel: large blank areas cost a
      // comparison of bytes.
      if (data_colour == kDataNormal && count >= 4 && OneColour(pixels, count)) {
        AppendFill(out, matcher_.Nearest(ColourOfPixelBytes(pixels)), count);
        return true;
      }
      const std::span<const uint8_t> indices = IndicesOf(pixels, count, matcher_, indices_);
      if (data_colour == kDataPlayer)
        AppendPlayerRun(out, indices);
      else
        AppendIndices(out, indices);
      return true;
    }
    default:
      return false;
  }
}

SLPBytes EncodeRun(const cDIBSection& colour, int32_t first_x, int32_t y, int32_t n,
                   ColourValue data_colour, const Palette& palette) {
  SLPBytes out;
  SLPRunEncoder(palette).AppendRun(out, colour, first_x, y, n, data_colour);
  return out;
}

SLPBytes EncodeIndices(std::span<const uint8_t> indices) {
  SLPBytes out;
  AppendIndices(out, indices);
  return out;
}

SLPBytes EncodeCopy(std::span<const uint8_t> block) {
  SLPBytes out;
  AppendCopy(out, block);
  return out;
}

SLPBytes EncodeFill(uint8_t index, size_t count) {
  SLPBytes out;
  AppendFill(out, index, count);
  return out;
}

}  // namespace zorv
