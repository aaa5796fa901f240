// The SLX edit state beside the current graphic: where the editor pins each
// view's hot spot. Program-wide, so it outlives the editor window.
#pragma once

#include <cstdint>

#include "autogen/AutoGen.h"

namespace zorv {

// ColourAnchor and DataAnchor, in the editor's client area.
ViewAnchors& SLXAnchors();

// The top-left corner that puts a frame's hot spot (center_x, center_y) on
// anchor.
inline ViewPoint PlaceOnAnchor(ViewPoint anchor, int32_t center_x, int32_t center_y) {
  return ViewPoint{anchor.X - center_x, anchor.Y - center_y};
}

}  // namespace zorv
