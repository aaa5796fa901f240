// Little-endian numbers in byte buffers: the byte order of every binary
// format the program reads and writes (SLP, BMP, MPI, icon row data).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zorv::le {

// Reading at p; the caller has checked that the bytes are there.
inline uint16_t U16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int16_t I16(const uint8_t* p) { return static_cast<int16_t>(U16(p)); }
inline int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

// The same at an offset of a byte string.
inline const uint8_t* At(std::string_view bytes, size_t offset) {
  return reinterpret_cast<const uint8_t*>(bytes.data()) + offset;
}
inline uint16_t U16(std::string_view bytes, size_t offset) { return U16(At(bytes, offset)); }
inline uint32_t U32(std::string_view bytes, size_t offset) { return U32(At(bytes, offset)); }
inline int16_t I16(std::string_view bytes, size_t offset) { return I16(At(bytes, offset)); }
inline int32_t I32(std::string_view bytes, size_t offset) { return I32(At(bytes, offset)); }

// Appending to out.
inline void PutU16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 255));
  out.push_back(static_cast<char>(v >> 8));
}
inline void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 255));
}
inline void PutI16(std::string& out, int16_t v) { PutU16(out, static_cast<uint16_t>(v)); }
inline void PutI32(std::string& out, int32_t v) { PutU32(out, static_cast<uint32_t>(v)); }

// Overwriting four bytes already in out at offset.
inline void SetU32(std::string& out, size_t offset, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<char>((v >> (8 * i)) & 255);
}

}  // namespace zorv::le
