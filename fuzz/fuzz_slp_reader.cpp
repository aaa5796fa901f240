// SLP bytes straight from memory: the header, the frame table and the
// decoding of every frame the table lists.
#include <cstdint>
#include <string>
#include <vector>

#include "codec/SLPReader.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zorv::fuzz::InitialiseProgramState();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zorv::SLPFile file{std::string(zorv::fuzz::AsBytes(data, size))};
  zorv::SLPHeader header;
  std::vector<zorv::SLPFrameInfo> frames;
  if (!zorv::ReadSLPHeader(file, header, frames)) return 0;
  for (const zorv::SLPFrameInfo& frame : frames) {
    zorv::cDIBSection colour;
    zorv::cDIBSection mask;
    if (zorv::DecodeSLPFrame(file, frame, zorv::Palette::BuiltIn(), colour, mask)) {
      // A decoded frame has exactly the size its record gives.
      if (colour.Width() != frame.Width || colour.Height() != frame.Height ||
          mask.Width() != frame.Width || mask.Height() != frame.Height) {
        __builtin_trap();
      }
    }
  }
  return 0;
}
