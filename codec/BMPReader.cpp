#include "codec/DIBSection.h"

namespace zorv {

Status DecodeBMP(std::string_view, cDIBSection& bitmap) {
  bitmap.ClearUp();
  return Status::Fail("BMP reading is not built yet");
}

}  // namespace zorv
