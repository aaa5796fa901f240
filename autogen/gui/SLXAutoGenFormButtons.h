// The two kinds of button of the auto-generation dialog that plain push
// buttons do not cover: a colour swatch that also answers the right mouse
// button, and a button whose caption wraps onto several lines.
#pragma once

#include <QColor>
#include <QPushButton>
#include <functional>

namespace zorv::gui {

// A button without caption whose face shows a colour. A left click is an
// ordinary click; the right button is passed on as a press and a release.
// The button keeps the mouse while a button is held, so the release comes
// back here wherever the pointer is by then.
class ColourButton : public QPushButton {
 public:
  explicit ColourButton(QWidget* parent);

  void SetColour(QColor colour);
  QColor Colour() const { return colour_; }

  std::function<void()> on_right_press;
  std::function<void()> on_right_release;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QColor colour_;
  bool right_held_ = false;
};

// A push button whose caption is broken at blanks to fit its width, as
// the dialog's narrow, two-line-high buttons need. text() stays the whole
// caption.
class WrappingButton : public QPushButton {
 public:
  WrappingButton(const QString& caption, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace zorv::gui
