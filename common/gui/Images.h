// Bitmaps of the core shown in windows, and pictures of windows taken back.
#pragma once

#include <QImage>

#include "codec/DIBSection.h"

namespace zorv::gui {

QImage ToQImage(const cDIBSection& bitmap);
void FromQImage(const QImage& image, cDIBSection& bitmap);

}  // namespace zorv::gui
