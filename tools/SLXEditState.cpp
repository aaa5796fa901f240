#include "tools/SLXEditState.h"

#include <cmath>

namespace zorv {

ViewAnchors& SLXAnchors() {
  static ViewAnchors anchors;
  return anchors;
}

int32_t FineDragCoordinate(int32_t start, int32_t movement, int32_t factor) {
  if (factor <= 0) factor = 1;
  return start + static_cast<int32_t>(std::floor(static_cast<double>(movement) / factor));
}

}  // namespace zorv
