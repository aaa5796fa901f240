// Export and PNG reading from hostile bytes. The first byte chooses: bit 5
// set, the rest is a PNG file for the reader; otherwise the rest is an SLP
// file whose frames are exported (bit 0 paletted, bits 1-3 the player less
// one, bit 4 outlines) and every picture is read back, which must give
// exactly the pixels that were written.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "codec/FrameRender.h"
#include "codec/PNGFiles.h"
#include "codec/SLPReader.h"
#include "fuzz/FuzzSupport.h"

namespace {

// Frames larger than this are left out: they cost time, not coverage.
constexpr int64_t kMaxFuzzPixels = 1 << 16;

void CheckReadBack(const std::string& png, const zorv::RGBAImage& written) {
  zorv::PNGPicture read;
  if (!zorv::DecodePNG(png, read) || read.Paletted || read.RGBA.Pixels != written.Pixels)
    __builtin_trap();
}

void CheckReadBack(const std::string& png, const zorv::IndexedImage& written) {
  zorv::PNGPicture read;
  if (!zorv::DecodePNG(png, read) || !read.Paletted || read.Indexed.Indices != written.Indices ||
      read.Indexed.Colours != written.Colours || read.Indexed.Alpha != written.Alpha)
    __builtin_trap();
}

void ExportFrames(const std::string& bytes, uint8_t settings) {
  zorv::SLPFile file{std::string(bytes)};
  zorv::SLPHeader header;
  std::vector<zorv::SLPFrameInfo> frames;
  if (!zorv::ReadSLPHeader(file, header, frames)) return;
  zorv::RenderOptions options;
  options.Player = 1 + ((settings >> 1) & 7);
  options.Outlines = (settings & 0x10) != 0;
  options.ShadowAlpha = settings;
  zorv::FramePixels pixels;
  std::string png;
  for (const zorv::SLPFrameInfo& frame : frames) {
    if (int64_t{frame.Width} * frame.Height > kMaxFuzzPixels) continue;
    if (!zorv::FramePixelsFromSLP(file, frame, pixels)) continue;
    if (pixels.Width != frame.Width || pixels.Height != frame.Height) __builtin_trap();
    if (pixels.Width == 0 || pixels.Height == 0) continue;
    if (settings & 1) {
      zorv::IndexedImage image;
      if (!zorv::RenderIndexed(pixels, zorv::Palette::BuiltIn(), options, image)) continue;
      if (!zorv::EncodeIndexedPNG(image, png)) __builtin_trap();
      CheckReadBack(png, image);
    } else {
      zorv::RGBAImage image;
      if (!zorv::RenderRGBA(pixels, zorv::Palette::BuiltIn(), options, image)) continue;
      if (!zorv::EncodeRGBAPNG(image, png)) __builtin_trap();
      CheckReadBack(png, image);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zorv::fuzz::InitialiseProgramState();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string rest(zorv::fuzz::AsBytes(data + 1, size - 1));
  if (data[0] & 0x20) {
    zorv::PNGPicture picture;
    if (zorv::DecodePNG(rest, picture)) {
      const size_t pixels = static_cast<size_t>(picture.RGBA.Width) * picture.RGBA.Height;
      if (picture.RGBA.Pixels.size() != 4 * pixels) __builtin_trap();
      if (picture.Paletted && picture.Indexed.Indices.size() != pixels) __builtin_trap();
    }
    return 0;
  }
  ExportFrames(rest, data[0]);
  return 0;
}
