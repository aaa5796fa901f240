// JASC-PAL text through ParsePaletteFile, and as a file through LoadPalette.
#include <cstdint>
#include <cstdlib>

#include "codec/Palettes.h"
#include "fuzz/FuzzSupport.h"

namespace {
const zorv::fuzz::FuzzTempFolder* folder = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zorv::fuzz::InitialiseProgramState();
  static const zorv::fuzz::FuzzTempFolder temp("palette");
  folder = &temp;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text = zorv::fuzz::AsBytes(data, size);
  zorv::PaletteTable table{};
  if (zorv::ParsePaletteFile(text, table)) {
    for (zorv::ColourValue colour : table) {
      if (colour < 0 || colour > 0xFFFFFF) __builtin_trap();
    }
  }
  folder->Write("input.pal", text);
  zorv::Palette palette;
  if (zorv::LoadPalette(folder->File("input.pal"), palette)) {
    // Matching works on whatever palette was loaded, and finds its own
    // colours exactly.
    (void)zorv::NearestPaletteIndex(palette, zorv::RGBColour(12, 200, 77));
    if (palette.Colour(palette.Nearest(palette.Colour(77))) != palette.Colour(77))
      __builtin_trap();
  } else if (palette.Colours() != zorv::Palette::BuiltIn().Colours()) {
    // A refused file leaves the palette as it was.
    __builtin_trap();
  }
  folder->Clear();
  return 0;
}
