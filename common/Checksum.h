// CRC-32 (zlib's) of bytes and of files, and the CRC of two pieces joined
// from the CRCs of each, so that the checksum of a file assembled from
// known pieces costs no second read of its bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/Status.h"

namespace zorv {

// The CRC of bytes following bytes whose CRC is crc (0 for none).
uint32_t ExtendCRC32(uint32_t crc, std::string_view bytes);

// The CRC of the bytes of CRC first followed by length_second bytes of CRC
// second.
uint32_t CombineCRC32(uint32_t first, uint32_t second, int64_t length_second);

// The CRC of length bytes at offset of the file at path, read in blocks.
Status FileStretchCRC32(const std::string& path, int64_t offset, int64_t length, uint32_t& crc);

// The CRC of a whole file, and its size.
Status FileCRC32(const std::string& path, uint32_t& crc, int64_t& size);

// Eight lower-case hexadecimal digits, and back (false when it is not that).
std::string CRCText(uint32_t crc);
bool ParseCRCText(std::string_view text, uint32_t& crc);

}  // namespace zorv
