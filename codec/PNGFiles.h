// PNG pictures through libpng: RGBA pictures and 8-bit paletted pictures
// (the whole palette in index order, transparency in a tRNS chunk), made in
// memory and written so that a failed write never leaves a broken file, and
// read back with limits on the sizes a file declares.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "codec/ColourValue.h"
#include "common/Status.h"

namespace zorv {

// Four bytes per pixel (red, green, blue, alpha), rows from the top.
struct RGBAImage {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Pixels;
};

// One palette index per pixel, rows from the top, with the palette's
// colours and each entry's alpha (255 opaque, 0 transparent).
struct IndexedImage {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Indices;
  std::array<ColourValue, 256> Colours{};
  std::array<uint8_t, 256> Alpha{};
  int ColourCount = 256;  // palette entries the file holds
};

// What a PNG file gave: always the RGBA pixels; for a paletted file also
// its indices and palette, exactly as stored.
struct PNGPicture {
  RGBAImage RGBA;
  bool Paletted = false;
  IndexedImage Indexed;
};

// The largest picture read: as many pixels as an SLP frame may hold.
inline constexpr int64_t kMaxPNGPixels = int64_t{1} << 24;

inline constexpr const char* kMsgErrorWritingPNG = "Error writing PNG file!";
inline constexpr const char* kMsgErrorReadingPNG = "Error reading PNG file!";

// The bytes of a PNG file holding the picture.
Status EncodeRGBAPNG(const RGBAImage& image, std::string& bytes);
Status EncodeIndexedPNG(const IndexedImage& image, std::string& bytes);

// Writes the picture as a PNG file at path, replacing a file there only
// once the new one is whole.
Status WriteRGBAPNG(const std::string& path, const RGBAImage& image);
Status WriteIndexedPNG(const std::string& path, const IndexedImage& image);

// Reads a PNG file. Pictures of more than kMaxPNGPixels pixels (as the
// header declares them) are refused before any memory is taken for them,
// and so are 16-bit files, whose colours would not come back as stored.
Status DecodePNG(std::string_view bytes, PNGPicture& picture);
Status ReadPNG(const std::string& path, PNGPicture& picture);

// Whether bytes start with the eight bytes every PNG file starts with.
bool HasPNGSignature(std::string_view bytes);
// The width and height a PNG file declares in its first chunk, from its
// first 24 bytes or more; the rest of the file is not looked at.
Status PNGSizeFromHead(std::string_view head, int32_t& width, int32_t& height);

}  // namespace zorv
