// Reading PNG files back in the tests with libpng's own row reader (not the
// program's reader): the header, the palette and tRNS chunks as stored, and
// the raw rows without any transformation.
#pragma once

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace zorv::test {

struct PNGReadBack {
  bool ok = false;
  std::string error;
  uint32_t width = 0, height = 0;
  int colour_type = -1, bit_depth = 0;
  std::vector<png_color> palette;    // PLTE, in order
  std::vector<uint8_t> transparency; // tRNS alpha values, in order
  std::vector<uint8_t> pixels;       // rows from the top, as stored

  // Pixel (x, y) of an 8-bit RGBA picture: bytes red, green, blue, alpha.
  const uint8_t* RGBA(uint32_t x, uint32_t y) const { return &pixels[4 * (y * width + x)]; }
  uint8_t Index(uint32_t x, uint32_t y) const { return pixels[y * width + x]; }
  // The alpha tRNS gives palette entry i (opaque beyond its end).
  uint8_t EntryAlpha(size_t i) const { return i < transparency.size() ? transparency[i] : 255; }
};

inline PNGReadBack ReadPNGBack(const std::string& path) {
  PNGReadBack result;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    result.error = "cannot open " + path;
    return result;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    result.error = "libpng could not start";
    return result;
  }
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    result = PNGReadBack{};
    result.error = "libpng failed on " + path;
    return result;
  }
  png_init_io(png, file);
  png_read_info(png, info);
  result.width = png_get_image_width(png, info);
  result.height = png_get_image_height(png, info);
  result.colour_type = png_get_color_type(png, info);
  result.bit_depth = png_get_bit_depth(png, info);
  png_colorp plte = nullptr;
  int entries = 0;
  if (png_get_PLTE(png, info, &plte, &entries) & PNG_INFO_PLTE)
    result.palette.assign(plte, plte + entries);
  png_bytep trans = nullptr;
  int trans_count = 0;
  if (png_get_tRNS(png, info, &trans, &trans_count, nullptr) & PNG_INFO_tRNS && trans)
    result.transparency.assign(trans, trans + trans_count);
  const size_t row_bytes = png_get_rowbytes(png, info);
  result.pixels.resize(row_bytes * result.height);
  for (uint32_t y = 0; y < result.height; ++y) rows.push_back(&result.pixels[y * row_bytes]);
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  result.ok = true;
  return result;
}

// PNG bytes made to declare another size, the header's CRC made right
// again so that only the size is wrong.
inline std::string WithDeclaredSize(std::string bytes, uint32_t width, uint32_t height) {
  auto put = [&](size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<char>((v >> (24 - 8 * k)) & 255);
  };
  put(16, width);
  put(20, height);
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(bytes.data() + 12), 17);
  put(29, static_cast<uint32_t>(crc));
  return bytes;
}

}  // namespace zorv::test
