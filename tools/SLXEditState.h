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

// The hot spot of a fine drag: where it was when the drag started, moved by
// the pointer's movement (screen wrapping included) divided by the factor,
// rounded down.
int32_t FineDragCoordinate(int32_t start, int32_t movement, int32_t factor);

}  // namespace zorv
