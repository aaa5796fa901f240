#include "common/gui/Controls.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/gui/Look.h"

namespace zorv::gui {

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption,
                  const QFont& font, QRect place) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  StyleLabel(label);
  label->setFont(font);
  label->setGeometry(place);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption,
                        double points, QRect place) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  StyleButton(button, points);
  button->setGeometry(place);
  FitCaption(button);
  return button;
}

QCheckBox* MakeCheck(QWidget* parent, const QString& name, const QString& caption,
                     QRect place) {
  auto* check = new QCheckBox(caption, parent);
  check->setObjectName(name);
  StyleCheck(check);
  check->setFont(ArialFont(8.25));
  check->setGeometry(place);
  // The box itself takes about 22 pixels of the width.
  if (!caption.isEmpty()) FitCaption(check, 22);
  return check;
}

QLineEdit* MakeBox(QWidget* parent, const QString& name, const QString& text, QRect place) {
  auto* box = new QLineEdit(text, parent);
  box->setObjectName(name);
  StyleBox(box);
  box->setTextMargins(0, 0, 0, 0);
  box->setGeometry(place);
  return box;
}

}  // namespace zorv::gui
