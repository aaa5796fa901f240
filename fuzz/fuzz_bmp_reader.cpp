// BMP file bytes of any header kind, depth and compression.
#include <cstdint>

#include "codec/DIBSection.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zorv::fuzz::InitialiseProgramState();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zorv::cDIBSection bitmap;
  zorv::Status status = zorv::DecodeBMP(zorv::fuzz::AsBytes(data, size), bitmap);
  if (status) {
    // The memory must match the size. Small pictures are read pixel by
    // pixel; large ones (a few bytes of RLE can describe hundreds of
    // megabytes of black) only at their corners, so the check itself does
    // not run into the time limit.
    if (bitmap.ImageSize() != static_cast<uint64_t>(bitmap.BytesPerScanLine()) *
                                  static_cast<uint64_t>(bitmap.Height())) {
      __builtin_trap();
    }
    const int32_t w = bitmap.Width(), h = bitmap.Height();
    uint32_t sum = 0;
    if (int64_t{w} * h <= (int64_t{1} << 20)) {
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) sum += static_cast<uint32_t>(bitmap.GetPixel(x, y));
    } else {
      for (int32_t y : {0, h - 1})
        for (int32_t x : {0, w - 1}) sum += static_cast<uint32_t>(bitmap.GetPixel(x, y));
    }
    static volatile uint32_t sink;
    sink = sum;  // keeps the reads
  } else if (!bitmap.IsEmpty()) {
    __builtin_trap();  // a failed decode leaves the bitmap empty
  }
  return 0;
}
