// One frame of a sprite in memory: its colour bitmap, its data bitmap (in
// the six data colours) and its hot spot. The SLP decoder gives frames in
// this form and the SLP encoder takes them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec/DIBSection.h"
#include "common/Status.h"

namespace zorv {

struct FrameBitmaps {
  cDIBSection Colour;
  cDIBSection Data;
  int32_t CenterX = 0;
  int32_t CenterY = 0;
};

// Loads the BMP or PNG file of a frame (or an icon). Its size is read from its
// headers first: a picture larger than a frame may be (kMaxSLPFramePixels,
// the most an SLP frame holds) is refused before any memory is taken for it,
// however small the file that declares it.
Status LoadFrameBitmap(const std::string& path, cDIBSection& bitmap);

// Whether a frame file's name asks for a PNG file: its extension is .png,
// in any case. Frames are written in the kind of file their names say, so
// that paint programs, which go by the name, open them.
bool IsPNGFrameName(const std::string& path);

// Writes a frame's bitmap at path: a lossless PNG file when the name asks
// for one, else a 24-bit BMP file (SavePicture). A file there that is one
// of inputs is refused.
Status SaveFrameBitmap(const cDIBSection& bitmap, const std::string& path,
                       const std::vector<std::string>& inputs = {});

}  // namespace zorv
