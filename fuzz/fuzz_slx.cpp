// SLX text through ParseSLX, and the same text as a file through LoadSLX.
#include <cstdint>

#include "codec/SLX.h"
#include "fuzz/FuzzSupport.h"

namespace {
const zorv::fuzz::FuzzTempFolder* folder = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zorv::fuzz::InitialiseProgramState();
  static const zorv::fuzz::FuzzTempFolder temp("slx");
  folder = &temp;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text = zorv::fuzz::AsBytes(data, size);
  zorv::SLXGraphic parsed;
  if (zorv::ParseSLX(text, parsed)) {
    if (parsed.FrameCount < 0 ||
        parsed.Frames.size() != static_cast<size_t>(parsed.FrameCount)) {
      __builtin_trap();
    }
    // What was read writes back to text that reads the same.
    zorv::SLXGraphic again;
    if (!zorv::ParseSLX(zorv::FormatSLX(parsed), again) ||
        again.FrameCount != parsed.FrameCount) {
      __builtin_trap();
    }
  }
  folder->Write("input.slx", text);
  zorv::SLXGraphic loaded;
  if (zorv::LoadSLX(folder->File("input.slx"), loaded) && loaded.Path != folder->File("input.slx"))
    __builtin_trap();
  folder->Clear();
  return 0;
}
