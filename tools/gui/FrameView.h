// A view of one frame bitmap (the SLX editor's two views, the frames
// dialog's picture): shows the picture at one screen pixel per bitmap
// pixel, can carry a transient crosshair mark, and passes its mouse on.
// Frames may be larger than their window or be dragged anywhere in it, so a
// view never paints where another control of its window lies: the controls
// stay readable on top of any frame.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QSize>
#include <QWidget>
#include <functional>
#include <optional>

namespace zorv::gui {

// Inverts, by exclusive-or, the white lines of the 25 x 25 crosshair whose
// centre pixel lies at centre: row 12 and column 12 of the stamp.
void StampCrosshair(QImage& image, QPoint centre);

class FrameView : public QWidget {
 public:
  explicit FrameView(QWidget* parent);

  // The persistent picture; the view takes its size.
  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }
  // Shows that there is no picture to show (a bitmap that could not be
  // loaded), at the given size, instead of whatever was shown before.
  void ShowPlaceholder(QSize size);

  // A mark drawn over the picture until the next ClearMark.
  void SetMark(QPoint centre);
  void ClearMark();
  std::optional<QPoint> Mark() const { return mark_; }
  // What the view shows: the picture with the mark stamped in.
  QImage Shown() const;

  std::function<void(Qt::MouseButton, QPoint view, QPoint global)> on_press;
  std::function<void(QPoint view, QPoint global)> on_move;
  std::function<void(Qt::MouseButton)> on_release;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // The parts of the view that other controls of the window lie over.
  QRegion CoveredByControls() const;

  QImage picture_;
  std::optional<QPoint> mark_;
};

}  // namespace zorv::gui
