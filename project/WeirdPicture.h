// The main window's hidden animation: each tick paints a diagonal of
// coloured pixels, a growing fan from the top left.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace zorv {

struct AnimationPixel {
  int32_t x;
  int32_t y;
  int32_t colour;  // colour value
};

// The pixels of the tick at counter t, or nothing once i x t would leave the
// signed 32-bit range (the animation then stops).
std::optional<std::vector<AnimationPixel>> WeirdPictureTick(int32_t t);

}  // namespace zorv
