// A sprite sheet's JSON list through ParseSheetList, for a sheet whose size
// the first two bytes give (1 to 256 each); every frame it accepts is cut
// out of a paletted sheet of that size.
#include <cstdint>
#include <cstdlib>

#include "fuzz/FuzzSupport.h"
#include "tools/SheetList.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zorv::fuzz::InitialiseProgramState();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t width = data[0] + 1, height = data[1] + 1;
  const std::string text(zorv::fuzz::AsBytes(data + 2, size - 2));
  std::vector<zorv::SheetFrame> frames;
  if (!zorv::ParseSheetList(text, width, height, frames)) {
    if (!frames.empty()) __builtin_trap();
    return 0;
  }
  if (frames.empty() || frames.size() > zorv::kMaxSheetFrames) __builtin_trap();
  zorv::PNGPicture sheet;
  sheet.RGBA = zorv::RGBAImage{width, height,
                               std::vector<uint8_t>(static_cast<size_t>(width * height) * 4, 9)};
  sheet.Paletted = true;
  sheet.Indexed.Width = width;
  sheet.Indexed.Height = height;
  sheet.Indexed.Indices.assign(static_cast<size_t>(width * height), 3);
  zorv::PNGPicture cut;
  for (const zorv::SheetFrame& frame : frames) {
    if (frame.Width < 1 || frame.Height < 1 || frame.X < 0 || frame.Y < 0 ||
        frame.X + frame.Width > width || frame.Y + frame.Height > height)
      __builtin_trap();
    zorv::CutSheetFrame(sheet, frame, cut);
  }
  return 0;
}
