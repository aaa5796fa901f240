// The frames of an SLP file or of an SLX graphic, read one at a time as
// kinds and indices of pixels with their hot spots: what every export
// format is made from.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codec/DIBSection.h"
#include "codec/FramePixels.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "codec/SLX.h"
#include "common/Status.h"

namespace zorv {

class GraphicFrames {
 public:
  // An SLX graphic when slx, else an SLP file. The palette reads SLX
  // colour bitmaps (as the SLP encoder would) and must outlive this.
  Status Open(const std::string& path, bool slx, const Palette& palette);
  int32_t Count() const;
  // The size and hot spot of frame number (from 1), from the file's tables
  // or the bitmap's headers, without its pixels.
  Status Shape(int32_t number, int32_t& width, int32_t& height, int32_t& hot_x, int32_t& hot_y);
  // Frame number (from 1), its hot spot as the file gives it.
  Status Read(int32_t number, FramePixels& pixels, int32_t& hot_x, int32_t& hot_y);

 private:
  bool slx_ = false;
  SLPFile file_;
  std::vector<SLPFrameInfo> infos_;
  SLXGraphic graphic_;
  std::unique_ptr<PaletteMatcher> matcher_;
  cDIBSection colour_, data_;
};

}  // namespace zorv
