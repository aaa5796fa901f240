// One frame of a sprite in memory: its colour bitmap, its data bitmap (in
// the six data colours) and its hot spot. The SLP decoder gives frames in
// this form and the SLP encoder takes them.
#pragma once

#include <cstdint>
#include <string>

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

}  // namespace zorv
