#include "tools/gui/FrameView.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace zorv::gui {

void StampCrosshair(QImage& image, QPoint centre) {
  if (image.format() != QImage::Format_RGB32) image = image.convertToFormat(QImage::Format_RGB32);
  auto invert = [&image](int x, int y) {
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return;
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    line[x] ^= 0x00FFFFFF;
  };
  for (int i = -12; i <= 12; ++i) {
    invert(centre.x() + i, centre.y());
    if (i != 0) invert(centre.x(), centre.y() + i);
  }
}

namespace {
// The pixel under the pointer, rounded down.
QPoint Pixel(QPointF position) {
  return QPoint(static_cast<int>(std::floor(position.x())), static_cast<int>(std::floor(position.y())));
}

// Dark grey crossed by two lighter diagonals: plainly no frame, and unlike
// any colour the data bitmaps use.
QImage PlaceholderPicture(QSize size) {
  QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  image.fill(QColor(64, 64, 64));
  QPainter painter(&image);
  painter.setPen(QColor(160, 160, 160));
  painter.drawLine(0, 0, image.width() - 1, image.height() - 1);
  painter.drawLine(0, image.height() - 1, image.width() - 1, 0);
  return image;
}

}  // namespace

FrameView::FrameView(QWidget* parent) : QWidget(parent) {}

void FrameView::SetPicture(const QImage& picture) {
  picture_ = picture.convertToFormat(QImage::Format_RGB32);
  resize(picture_.size());
  update();
}

void FrameView::ShowPlaceholder(QSize size) {
  picture_ = PlaceholderPicture(size);
  resize(picture_.size());
  update();
}

void FrameView::SetMark(QPoint centre) {
  mark_ = centre;
  update();
}

void FrameView::ClearMark() {
  mark_.reset();
  update();
}

QImage FrameView::Shown() const {
  QImage shown = picture_;
  if (mark_ && !shown.isNull()) StampCrosshair(shown, *mark_);
  return shown;
}

QRegion FrameView::CoveredByControls() const {
  QRegion covered;
  const QWidget* window = parentWidget();
  if (!window) return covered;
  for (const QObject* child : window->children()) {
    const auto* control = qobject_cast<const QWidget*>(child);
    // Other frame views are pictures too; they overlap by stacking order.
    if (!control || control->isHidden() || control->isWindow() ||
        dynamic_cast<const FrameView*>(control))
      continue;
    covered += control->geometry().translated(-pos());
  }
  return covered;
}

void FrameView::paintEvent(QPaintEvent*) {
  const QRegion visible = QRegion(rect()) - CoveredByControls();
  if (visible.isEmpty()) return;
  QPainter painter(this);
  painter.setClipRegion(visible);
  if (picture_.isNull()) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  painter.drawImage(0, 0, Shown());
}

void FrameView::mousePressEvent(QMouseEvent* event) {
  if (on_press) on_press(event->button(), Pixel(event->position()), Pixel(event->globalPosition()));
}

void FrameView::mouseMoveEvent(QMouseEvent* event) {
  if (on_move) on_move(Pixel(event->position()), Pixel(event->globalPosition()));
}

void FrameView::mouseReleaseEvent(QMouseEvent* event) {
  if (on_release) on_release(event->button());
}

}  // namespace zorv::gui
