#include "autogen/gui/SLXAutoGenFormButtons.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace zorv::gui {

ColourButton::ColourButton(QWidget* parent) : QPushButton(parent) {
  setFocusPolicy(Qt::TabFocus);
}

void ColourButton::SetColour(QColor colour) {
  colour_ = colour;
  update();
}

void ColourButton::paintEvent(QPaintEvent*) {
  // The colour covers the whole face; a dark edge sets it off from the
  // navy background, drawn light while the button is pressed.
  QPainter painter(this);
  painter.fillRect(rect(), colour_);
  painter.setPen(isDown() || right_held_ ? QColor(255, 255, 255) : QColor(0, 0, 0));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  if (hasFocus()) {
    painter.setPen(QPen(QColor(128, 128, 128), 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
  }
}

void ColourButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::RightButton) {
    QPushButton::mousePressEvent(event);
    return;
  }
  // Accepting the press makes this button the one that gets the release.
  event->accept();
  right_held_ = true;
  update();
  if (on_right_press) on_right_press();
}

void ColourButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::RightButton) {
    QPushButton::mouseReleaseEvent(event);
    return;
  }
  event->accept();
  if (!right_held_) return;
  right_held_ = false;
  update();
  if (on_right_release) on_right_release();
}

WrappingButton::WrappingButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {}

void WrappingButton::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  const QString caption = option.text;
  option.text.clear();
  painter.drawControl(QStyle::CE_PushButton, option);
  QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  if (isDown()) {
    area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                   style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
  }
  painter.setFont(font());
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                 QPalette::ButtonText));
  painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, caption);
}

}  // namespace zorv::gui
