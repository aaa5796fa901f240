// ConvertSLPToSLX on a fuzzed SLP file in a private folder: the BMP and SLX
// files it writes land there and are removed after each input.
#include <cstdint>

#include "codec/SLPReader.h"
#include "fuzz/FuzzSupport.h"

namespace {
const zorv::fuzz::FuzzTempFolder* folder = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zorv::fuzz::InitialiseProgramState();
  static const zorv::fuzz::FuzzTempFolder temp("slp_to_slx");
  folder = &temp;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  folder->Write("input.slp", zorv::fuzz::AsBytes(data, size));
  (void)zorv::ConvertSLPToSLX(folder->File("input.slp"), folder->File("output.slx"),
                              zorv::Palette::BuiltIn());
  folder->Clear();
  return 0;
}
