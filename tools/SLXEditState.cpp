#include "tools/SLXEditState.h"

namespace zorv {

ViewAnchors& SLXAnchors() {
  static ViewAnchors anchors;
  return anchors;
}

}  // namespace zorv
