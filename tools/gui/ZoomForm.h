// Shows one picture magnified or reduced, 10 % to 1000 % in steps of 10 %.
#pragma once

#include <QWidget>

#include "codec/DIBSection.h"

class QLabel;
class QScrollBar;

namespace zorv::gui {

class ZoomForm : public QWidget {
  Q_OBJECT

 public:
  explicit ZoomForm(QWidget* parent = nullptr);

  // The unmagnified picture; callers fill it, then call DrawImage and show.
  cDIBSection OriginalDIB;

  // Redraws the magnified picture and sizes the window to it.
  void DrawImage();

  QScrollBar* ZoomAmount() const { return zoom_amount_; }
  QLabel* ZoomAmountDisplay() const { return zoom_display_; }
  QLabel* ZoomedImageBox() const { return image_box_; }

 private:
  void ZoomChanged(int value);

  QScrollBar* zoom_amount_;
  QLabel* zoom_display_;
  QLabel* image_box_;
};

}  // namespace zorv::gui
