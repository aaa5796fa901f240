// One frame of a sprite in memory: its colour bitmap, its data bitmap (in
// the six data colours) and its hot spot. The SLP decoder gives frames in
// this form and the SLP encoder takes them.
#pragma once

#include <cstdint>

#include "codec/DIBSection.h"

namespace zorv {

struct FrameBitmaps {
  cDIBSection Colour;
  cDIBSection Data;
  int32_t CenterX = 0;
  int32_t CenterY = 0;
};

}  // namespace zorv
