// Eight bytes of memory as one word, for comparing runs of pixels and
// indices several bytes at a time. Equality of words does not depend on
// the byte order; where a caller needs the place of a differing byte, it
// asks for a little-endian host.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace zorv {

inline constexpr bool kLittleEndianWords = std::endian::native == std::endian::little;

inline uint64_t LoadWord(const uint8_t* p) {
  uint64_t word;
  std::memcpy(&word, p, 8);
  return word;
}

}  // namespace zorv
