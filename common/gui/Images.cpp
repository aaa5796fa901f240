#include "common/gui/Images.h"

#include <cstring>

namespace zorv::gui {

QImage ToQImage(const cDIBSection& bitmap) {
  if (bitmap.Width() <= 0 || bitmap.Height() <= 0) return QImage();
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB888);
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* from = bitmap.Row(y);
    uchar* to = image.scanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      to[3 * x] = from[3 * x + 2];
      to[3 * x + 1] = from[3 * x + 1];
      to[3 * x + 2] = from[3 * x];
    }
  }
  return image;
}

void FromQImage(const QImage& image, cDIBSection& bitmap) {
  QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  if (!bitmap.Create(rgb.width(), rgb.height())) return;
  for (int y = 0; y < rgb.height(); ++y) {
    const uchar* from = rgb.constScanLine(y);
    uint8_t* to = bitmap.Row(y);
    for (int x = 0; x < rgb.width(); ++x) {
      to[3 * x] = from[3 * x + 2];
      to[3 * x + 1] = from[3 * x + 1];
      to[3 * x + 2] = from[3 * x];
    }
  }
}

}  // namespace zorv::gui
