// Auto-generation on a fuzzed colour bitmap with fuzzed settings. The first
// kOptionBytes bytes choose the settings, the rest is the BMP file.
//
// In memory, the passes (crop, classification, outlines, fix purple) must
// give a data bitmap the size of the colour bitmap, holding data colours
// only, where a background pixel is transparent or outline and any other is
// not, no transparent pixel touches a solid one and every black outline
// pixel has a player-colour outline beside it. A crop keeps the content and
// moves the hot spot with it.
//
// Through files (one bit of the settings), the frame of a one-frame SLX is
// saved: either the colour bitmap, the data bitmap and the SLX all hold the
// result, or all three are as they were.
#include <cstdint>
#include <string>
#include <string_view>

#include "autogen/AutoGen.h"
#include "codec/DIBSection.h"
#include "codec/DataColours.h"
#include "codec/FrameBitmaps.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "fuzz/FuzzSupport.h"

namespace {
const zorv::fuzz::FuzzTempFolder* folder = nullptr;

constexpr size_t kOptionBytes = 14;

zorv::ColourValue ColourAt(std::string_view bytes, size_t at) {
  return zorv::RGBColour(static_cast<uint8_t>(bytes[at]), static_cast<uint8_t>(bytes[at + 1]),
                         static_cast<uint8_t>(bytes[at + 2]));
}

struct Settings {
  zorv::AutoGenOptions options;
  bool through_files = false;
  int32_t center_x = 0;
  int32_t center_y = 0;
};

Settings ReadSettings(std::string_view bytes) {
  Settings s;
  const uint8_t flags = static_cast<uint8_t>(bytes[0]);
  s.options.Outlines = flags & 1;
  s.options.AutoCrop = flags & 2;
  s.options.PlayerColours = flags & 4;
  s.options.FixPurple = flags & 8;
  s.through_files = flags & 16;
  s.options.MaskColour = (flags & 32) ? zorv::kMagenta : ColourAt(bytes, 1);
  s.options.ShadowColour = (flags & 64) ? zorv::kNoShadow : ColourAt(bytes, 4);
  s.options.PlayerColour = ColourAt(bytes, 7);
  s.options.PlayerTolerance = static_cast<uint8_t>(bytes[10]) % (zorv::kMaxPlayerTolerance + 1);
  s.options.ShadowTolerance =
      (static_cast<uint8_t>(bytes[11]) | static_cast<uint8_t>(bytes[12]) << 8) %
      (zorv::kMaxShadowTolerance + 1);
  s.center_x = static_cast<int8_t>(bytes[13]);
  s.center_y = static_cast<int8_t>(bytes[13]) / 3;
  return s;
}

bool IsSolid(zorv::ColourValue kind) {
  return kind == zorv::kDataNormal || kind == zorv::kDataPlayer || kind == zorv::kDataShadow;
}

bool IsBackground(zorv::ColourValue kind) {
  return kind == zorv::kDataTransparent || kind == zorv::kDataPlayerOutline ||
         kind == zorv::kDataBlackOutline;
}

void CheckFrame(const zorv::cDIBSection& input, const Settings& s,
                const zorv::GeneratedFrame& out) {
  const zorv::cDIBSection& colour = out.Colour;
  const zorv::cDIBSection& data = out.Data;
  if (data.Width() != colour.Width() || data.Height() != colour.Height()) __builtin_trap();
  const bool crop = s.options.AutoCrop || s.options.FixPurple;
  if (!crop) {
    if (out.Cropped || out.CenterX != s.center_x || out.CenterY != s.center_y ||
        colour.Width() != input.Width() || colour.Height() != input.Height())
      __builtin_trap();
  }
  if (out.Cropped) {
    const zorv::ContentBounds bounds =
        zorv::FindContentBounds(input, s.options.MaskColour, s.options.FixPurple);
    if (bounds.Found) {
      // The content sits kCropMargin in from the top left of the new frame,
      // pixel for pixel, and the hot spot moved with it.
      const int32_t dx = bounds.Left - zorv::kCropMargin, dy = bounds.Top - zorv::kCropMargin;
      if (out.CenterX != s.center_x - dx || out.CenterY != s.center_y - dy) __builtin_trap();
      if (colour.Width() != bounds.Right - bounds.Left + 1 + 2 * zorv::kCropMargin ||
          colour.Height() != bounds.Bottom - bounds.Top + 1 + 2 * zorv::kCropMargin)
        __builtin_trap();
      for (int32_t y = bounds.Top; y <= bounds.Bottom; ++y)
        for (int32_t x = bounds.Left; x <= bounds.Right; ++x)
          if (colour.GetPixel(x - dx, y - dy) != input.GetPixel(x, y)) __builtin_trap();
    } else if (colour.Width() != 1 || colour.Height() != 1 || out.CenterX != 0 ||
               out.CenterY != 0) {
      __builtin_trap();
    }
  }
  const int32_t w = data.Width(), h = data.Height();
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const zorv::ColourValue kind = data.GetPixel(x, y);
      const bool background = colour.GetPixel(x, y) == s.options.MaskColour;
      if (background ? !IsBackground(kind) : !IsSolid(kind)) __builtin_trap();
      if (!s.options.PlayerColours && kind == zorv::kDataPlayer) __builtin_trap();
      if (s.options.ShadowColour == zorv::kNoShadow && kind == zorv::kDataShadow)
        __builtin_trap();
      if (!s.options.Outlines) {
        if (kind == zorv::kDataPlayerOutline || kind == zorv::kDataBlackOutline) __builtin_trap();
        continue;
      }
      if (kind == zorv::kDataTransparent) {
        if ((x > 0 && IsSolid(data.GetPixel(x - 1, y))) ||
            (x + 1 < w && IsSolid(data.GetPixel(x + 1, y))) ||
            (y > 0 && IsSolid(data.GetPixel(x, y - 1))) ||
            (y + 1 < h && IsSolid(data.GetPixel(x, y + 1))))
          __builtin_trap();
      }
      if (kind == zorv::kDataBlackOutline) {
        bool beside = false;
        for (int32_t ny = y - 1; ny <= y + 1; ++ny)
          for (int32_t nx = x - 1; nx <= x + 1; ++nx)
            if (nx >= 0 && ny >= 0 && nx < w && ny < h &&
                data.GetPixel(nx, ny) == zorv::kDataPlayerOutline)
              beside = true;
        if (!beside) __builtin_trap();
      }
    }
  }
}

std::string ReadOrEmpty(const std::string& path) {
  std::string bytes;
  if (!zorv::ReadWholeFile(path, bytes)) return {};
  return bytes;
}

// One frame of a one-frame SLX saved through GenerateDataBitmap.
void CheckSavedFrame(std::string_view bmp, const Settings& s) {
  zorv::SLXGraphic graphic;
  graphic.Path = folder->File("g.slx");
  graphic.FrameCount = 1;
  graphic.Frames.push_back(zorv::SLXFrame{"c.bmp", "d.bmp", s.center_x, s.center_y});
  const std::string slx_text = zorv::FormatSLX(graphic);
  const std::string data_before = "not yet a bitmap";
  folder->Write("g.slx", slx_text);
  folder->Write("c.bmp", bmp);
  folder->Write("d.bmp", data_before);
  zorv::AutoGenOptions options = s.options;
  options.Frame = 1;
  options.Save = true;
  const zorv::AutoGenResult result = zorv::GenerateDataBitmap(graphic, options);
  const std::string colour_after = ReadOrEmpty(folder->File("c.bmp"));
  const std::string data_after = ReadOrEmpty(folder->File("d.bmp"));
  const std::string slx_after = ReadOrEmpty(folder->File("g.slx"));
  if (!result.status) {
    // Nothing changed, on disk or in the graphic.
    if (result.Saved || colour_after != bmp || data_after != data_before ||
        slx_after != slx_text || graphic.Frame(1).CenterX != s.center_x ||
        graphic.Frame(1).CenterY != s.center_y)
      __builtin_trap();
    return;
  }
  if (!result.Saved || !result.Generated) __builtin_trap();
  // All three files hold the result (the colour bitmap saved as the
  // program saves bitmaps, cropped or not).
  if (data_after != result.DataBitmap.BMPBytes() ||
      colour_after != result.ColourBitmap.BMPBytes())
    __builtin_trap();
  zorv::SLXGraphic reloaded;
  if (!zorv::LoadSLX(folder->File("g.slx"), reloaded) || reloaded.FrameCount != 1 ||
      reloaded.Frame(1).CenterX != result.CenterX || reloaded.Frame(1).CenterY != result.CenterY)
    __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zorv::fuzz::InitialiseProgramState();
  static const zorv::fuzz::FuzzTempFolder temp("autogen");
  folder = &temp;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = zorv::fuzz::AsBytes(data, size);
  if (bytes.size() < kOptionBytes) return 0;
  const Settings s = ReadSettings(bytes);
  const std::string_view bmp = bytes.substr(kOptionBytes);
  if (!zorv::CheckAutoGenOptions(s.options)) __builtin_trap();
  if (s.through_files) {
    CheckSavedFrame(bmp, s);
    folder->Clear();
    return 0;
  }
  // Loaded as a frame is: a picture larger than a frame is refused from
  // its headers.
  folder->Write("c.bmp", bmp);
  zorv::cDIBSection colour;
  if (zorv::LoadFrameBitmap(folder->File("c.bmp"), colour)) {
    zorv::GeneratedFrame out;
    if (zorv::GenerateFrameBitmaps(colour, s.options, s.center_x, s.center_y, out))
      CheckFrame(colour, s, out);
  }
  folder->Clear();
  return 0;
}
