// Icon conversion of a fuzzed BMP file: a bitmap that converts gives icon
// row data that describes it (flags, size, one row per line, each row's
// offset where the row before it ends and each row ended by 0x0F); one that
// does not convert leaves no output.
#include <cstdint>
#include <string>

#include "codec/DIBSection.h"
#include "codec/SLPFormat.h"
#include "codec/SLPWriter.h"
#include "common/FileIO.h"
#include "common/LittleEndian.h"
#include "fuzz/FuzzSupport.h"

namespace {
const zorv::fuzz::FuzzTempFolder* folder = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zorv::fuzz::InitialiseProgramState();
  static const zorv::fuzz::FuzzTempFolder temp("icon");
  folder = &temp;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  folder->Write("icon.bmp", zorv::fuzz::AsBytes(data, size));
  const std::string out = folder->File("icon.dat");
  constexpr int32_t kFlags = 0x215;
  const zorv::Status converted =
      zorv::ConvertBMPToIcon(folder->File("icon.bmp"), out, kFlags, zorv::Palette::BuiltIn());
  std::string icon;
  const bool written = zorv::ReadWholeFile(out, icon).ok();
  if (!converted) {
    if (written) __builtin_trap();
    folder->Clear();
    return 0;
  }
  int32_t bmp_width = 0, bmp_height = 0;
  if (!written || icon.size() < 12 ||
      !zorv::ReadPictureSize(folder->File("icon.bmp"), bmp_width, bmp_height))
    __builtin_trap();
  const int32_t width = zorv::le::I32(icon, 4), height = zorv::le::I32(icon, 8);
  if (zorv::le::I32(icon, 0) != kFlags || width != bmp_width || height != bmp_height)
    __builtin_trap();
  const uint64_t rows_at = 12 + 4 * static_cast<uint64_t>(height);
  if (icon.size() < rows_at + static_cast<uint64_t>(height)) __builtin_trap();
  for (int32_t y = 0; y < height; ++y) {
    const uint64_t start = zorv::le::U32(icon, 12 + 4 * static_cast<size_t>(y));
    const uint64_t end = y + 1 < height
                             ? zorv::le::U32(icon, 12 + 4 * static_cast<size_t>(y) + 4)
                             : icon.size() - rows_at;
    if (y == 0 && start != 0) __builtin_trap();
    if (end <= start || rows_at + end > icon.size()) __builtin_trap();
    if (static_cast<uint8_t>(icon[rows_at + end - 1]) != zorv::slp::kEndOfRow) __builtin_trap();
  }
  folder->Clear();
  return 0;
}
