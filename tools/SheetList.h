// A sprite sheet's list of frames, as `zorv export --format sheet` writes it
// (title.json beside title.png): each frame's rectangle in the sheet picture
// and its hot spot. Read with limits, so that a hostile list is refused
// with a message before any memory is taken for what it claims.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec/PNGFiles.h"
#include "common/Status.h"

namespace zorv {

struct SheetFrame {
  int32_t X = 0, Y = 0, Width = 0, Height = 0;  // the rectangle in the sheet
  int32_t HotSpotX = 0, HotSpotY = 0;
};

// The most frames a list may name, and the largest list file read.
inline constexpr size_t kMaxSheetFrames = 65535;
inline constexpr uint64_t kMaxSheetListBytes = uint64_t{16} << 20;

// Parses the JSON text of a list: {"frames": [{"x", "y", "width", "height",
// "hotspot": {"x", "y"}}, ...]} in frame order (a "frame" number, when
// given, must be the entry's place, counted from 1). Every rectangle must
// lie inside a picture of sheet_width x sheet_height. Failures say which
// frame and field.
Status ParseSheetList(const std::string& text, int32_t sheet_width, int32_t sheet_height,
                      std::vector<SheetFrame>& frames);
Status ReadSheetList(const std::string& path, int32_t sheet_width, int32_t sheet_height,
                     std::vector<SheetFrame>& frames);

// The part of the sheet picture under the rectangle, as a picture of its
// own: RGBA pixels, and for a paletted sheet its indices and palette.
void CutSheetFrame(const PNGPicture& sheet, const SheetFrame& frame, PNGPicture& picture);

}  // namespace zorv
