// JASC-PAL text through ParsePaletteFile, and as a file through LoadPalette;
// the built-in palette is put back after each input.
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
  if (zorv::LoadPalette(folder->File("input.pal"))) {
    // Matching works on whatever palette was loaded.
    (void)zorv::NearestPaletteIndex(zorv::RGBColour(12, 200, 77));
  }
  if (!zorv::LoadPalette("")) std::abort();
  folder->Clear();
  return 0;
}
