#include "tools/gui/ZoomForm.h"

#include <QLabel>
#include <QPixmap>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "common/Functions.h"
#include "common/gui/Images.h"
#include "common/gui/Look.h"

namespace zorv::gui {

ZoomForm::ZoomForm(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setObjectName("ZoomForm");
  setWindowTitle("Zoom display");
  StyleWindow(this);
  zoom_amount_ = new QScrollBar(Qt::Horizontal, this);
  zoom_amount_->setObjectName("ZoomAmount");
  zoom_amount_->setGeometry(TwipsRect(120, 120, 1935, 255));
  zoom_amount_->setRange(1, 100);
  zoom_amount_->setSingleStep(1);
  zoom_amount_->setPageStep(5);
  zoom_amount_->setValue(10);
  // Dragging the thumb redraws only when it is released.
  zoom_amount_->setTracking(false);
  zoom_display_ = new QLabel("100%", this);
  zoom_display_->setObjectName("ZoomAmountDisplay");
  zoom_display_->setGeometry(TwipsRect(2160, 120, 735, 255));
  StyleLabel(zoom_display_);
  zoom_display_->setFont(FixedFont());
  image_box_ = new QLabel(this);
  image_box_->setObjectName("ZoomedImageBox");
  image_box_->setGeometry(TwipsRect(120, 480, 1485, 1260));
  image_box_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setFixedSize(Px(2805), Px(1815));
  connect(zoom_amount_, &QScrollBar::valueChanged, this, &ZoomForm::ZoomChanged);
}

void ZoomForm::ZoomChanged(int value) {
  zoom_display_->setText(QString::number(value * 10) + "%");
  DrawImage();
}

void ZoomForm::DrawImage() {
  const float zoom = static_cast<float>(zoom_amount_->value()) / 10.0f;
  const int width = static_cast<int>(std::floor(zoom * static_cast<float>(OriginalDIB.Width())));
  const int height = static_cast<int>(std::floor(zoom * static_cast<float>(OriginalDIB.Height())));
  const int left = image_box_->x();
  const int top = image_box_->y();
  // The window keeps a margin as wide as the picture's left offset, is never
  // smaller than 3000 x 1000 twips, and never larger than 16-bit twips hold.
  constexpr int kLargestTwips = 32767;
  const int window_width =
      std::min(std::max(Twips(2 * left + width), 3000), kLargestTwips);
  const int window_height =
      std::min(std::max(Twips(height + top + left), 1000), kLargestTwips);
  image_box_->setGeometry(left, top, width, height);
  setFixedSize(Px(window_width), Px(window_height));
  QImage picture = ToQImage(OriginalDIB);
  if (picture.isNull() || width <= 0 || height <= 0) {
    image_box_->setPixmap(QPixmap());
  } else {
    // Only what the window can show is magnified, so a large picture at a
    // high zoom never asks for gigabytes.
    const int shown_width = std::min(width, Px(kLargestTwips));
    const int shown_height = std::min(height, Px(kLargestTwips));
    const int source_width = std::min(
        picture.width(), static_cast<int>(std::ceil(shown_width / zoom)) + 1);
    const int source_height = std::min(
        picture.height(), static_cast<int>(std::ceil(shown_height / zoom)) + 1);
    const int scaled_width = static_cast<int>(std::floor(zoom * static_cast<float>(source_width)));
    const int scaled_height =
        static_cast<int>(std::floor(zoom * static_cast<float>(source_height)));
    QImage shown = picture.copy(0, 0, source_width, source_height)
                       .scaled(std::max(scaled_width, 1), std::max(scaled_height, 1),
                               Qt::IgnoreAspectRatio, Qt::FastTransformation)
                       .copy(0, 0, shown_width, shown_height);
    image_box_->setPixmap(QPixmap::fromImage(shown));
  }
  image_box_->repaint();
}

}  // namespace zorv::gui
