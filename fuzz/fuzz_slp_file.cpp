// SLP bytes as a file on disk, where each frame is read in pieces (its
// tables and its rows) or, when a row runs on further, from the whole file:
// every frame must come out exactly as from the same bytes in memory, with
// the same failure when it fails.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "codec/SLPReader.h"
#include "fuzz/FuzzSupport.h"

namespace {
const zorv::fuzz::FuzzTempFolder* folder = nullptr;

bool SamePixels(const zorv::cDIBSection& a, const zorv::cDIBSection& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() && a.ImageSize() == b.ImageSize() &&
         (a.ImageSize() == 0 ||
          std::memcmp(a.DIBSectionBitsPtr(), b.DIBSectionBitsPtr(), a.ImageSize()) == 0);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zorv::fuzz::InitialiseProgramState();
  static const zorv::fuzz::FuzzTempFolder temp("slp_file");
  folder = &temp;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(zorv::fuzz::AsBytes(data, size));
  folder->Write("input.slp", bytes);
  const zorv::Palette& palette = zorv::Palette::BuiltIn();
  zorv::SLPFile memory(bytes), disk;
  zorv::SLPHeader memory_header, disk_header;
  std::vector<zorv::SLPFrameInfo> memory_frames, disk_frames;
  const zorv::Status from_memory = zorv::ReadSLPHeader(memory, memory_header, memory_frames);
  const zorv::Status from_disk =
      zorv::ReadSLPHeader(folder->File("input.slp"), disk, disk_header, disk_frames);
  if (from_memory.ok() != from_disk.ok() || memory_frames.size() != disk_frames.size())
    __builtin_trap();
  // The most a frame may read: its two tables and each row's usual reach.
  uint64_t allowed = bytes.size() + 32 + 32 * static_cast<uint64_t>(disk_frames.size());
  // Bitmaps are kept from frame to frame, as the converters keep them: a
  // frame of the same size is drawn over the last.
  zorv::cDIBSection memory_colour, memory_data, disk_colour, disk_data;
  for (size_t i = 0; i < memory_frames.size(); ++i) {
    const zorv::SLPFrameInfo& frame = disk_frames[i];
    if (frame.Width >= 0 && frame.Height >= 0)
      allowed += 8 * static_cast<uint64_t>(frame.Height) +
                 static_cast<uint64_t>(frame.Height) * (4 * static_cast<uint64_t>(frame.Width) + 64);
    const zorv::Status a =
        zorv::DecodeSLPFrame(memory, memory_frames[i], palette, memory_colour, memory_data);
    const zorv::Status b =
        zorv::DecodeSLPFrame(disk, disk_frames[i], palette, disk_colour, disk_data);
    if (a.ok() != b.ok() || a.message() != b.message() ||
        !SamePixels(memory_colour, disk_colour) || !SamePixels(memory_data, disk_data))
      __builtin_trap();
  }
  // Reading in pieces never reads more than the frames ask: at most the
  // whole file once, and each frame's tables and rows.
  if (disk.BytesRead() > allowed) __builtin_trap();
  disk.Close();
  folder->Clear();
  return 0;
}
