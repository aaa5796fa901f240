// ConvertSLXToSLP on a fuzzed SLX graphic with fuzzed frame bitmaps. One
// input holds the SLX text and the bitmaps, separated by kPartMarker: the
// text becomes input.slx and the parts after it 1.bmp, 2.bmp, ... beside it
// (BMP or PNG bytes: frames are told apart by content),
// the names the seed graphics use. An SLP the writer makes must read back
// through the SLP reader: the same frames, hot spots and data bitmaps, and
// normal pixels in their nearest palette colours.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "codec/DIBSection.h"
#include "codec/SLPReader.h"
#include "codec/SLPWriter.h"
#include "codec/SLX.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/SLXBundle.h"

namespace {
const zorv::fuzz::FuzzTempFolder* folder = nullptr;

void CheckReadsBack(const zorv::SLXGraphic& graphic, const std::string& slp_path) {
  zorv::SLPFile file;
  zorv::SLPHeader header;
  std::vector<zorv::SLPFrameInfo> frames;
  if (!zorv::ReadSLPHeader(slp_path, file, header, frames) ||
      frames.size() != static_cast<size_t>(graphic.FrameCount)) {
    __builtin_trap();
  }
  for (int32_t i = 1; i <= graphic.FrameCount; ++i) {
    const zorv::SLPFrameInfo& info = frames[static_cast<size_t>(i - 1)];
    if (info.HotSpotX != graphic.Frame(i).CenterX || info.HotSpotY != graphic.Frame(i).CenterY)
      __builtin_trap();
    zorv::cDIBSection colour, data, read_colour, read_data;
    if (!colour.CreateFromPicture(graphic.ColourPath(i)) ||
        !data.CreateFromPicture(graphic.DataPath(i)) ||
        !zorv::DecodeSLPFrame(file, info, zorv::Palette::BuiltIn(), read_colour, read_data) ||
        read_data.Width() != data.Width() || read_data.Height() != data.Height()) {
      __builtin_trap();
    }
    for (int32_t y = 0; y < data.Height(); ++y) {
      for (int32_t x = 0; x < data.Width(); ++x) {
        const zorv::ColourValue kind = data.GetPixel(x, y);
        if (read_data.GetPixel(x, y) != kind) __builtin_trap();
        const zorv::Palette& palette = zorv::Palette::BuiltIn();
        if (kind == zorv::kDataNormal &&
            read_colour.GetPixel(x, y) !=
                palette.Colour(zorv::NearestPaletteIndex(palette, colour.GetPixel(x, y)))) {
          __builtin_trap();
        }
      }
    }
  }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zorv::fuzz::InitialiseProgramState();
  static const zorv::fuzz::FuzzTempFolder temp("slx_to_slp");
  folder = &temp;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string_view> parts = zorv::fuzz::SplitBundle(zorv::fuzz::AsBytes(data, size));
  folder->Write("input.slx", parts[0]);
  for (size_t i = 1; i < parts.size(); ++i) {
    folder->Write(std::to_string(i) + ".bmp", parts[i]);
  }
  zorv::SLXGraphic graphic;
  if (zorv::LoadSLX(folder->File("input.slx"), graphic)) {
    if (zorv::ConvertSLXToSLP(graphic, folder->File("output.slp"), zorv::Palette::BuiltIn())) {
      CheckReadsBack(graphic, folder->File("output.slp"));
    }
  }
  folder->Clear();
  return 0;
}
