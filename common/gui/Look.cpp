#include "common/gui/Look.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QPalette>
#include <QWidget>

namespace zorv::gui {

QColor NavyColour() { return QColor(0, 0, 128); }
QColor LightGreyColour() { return QColor(224, 224, 224); }

QFont FixedFont() {
  if (QFontDatabase::families().contains("Fixedsys")) return QFont("Fixedsys", 9);
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::TypeWriter);
  font.setPointSizeF(9);
  return font;
}

namespace {
QFont SansFont(const char* family, double points, bool bold) {
  QFont font(family);
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}
}  // namespace

QFont ArialFont(double points, bool bold) { return SansFont("Arial", points, bold); }
QFont TahomaFont(double points) { return SansFont("Tahoma", points, false); }

void StyleWindow(QWidget* window) {
  QPalette palette = window->palette();
  palette.setColor(QPalette::Window, NavyColour());
  palette.setColor(QPalette::WindowText, Qt::white);
  window->setPalette(palette);
  window->setAutoFillBackground(true);
}

void StyleLabel(QLabel* label) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::white);
  label->setPalette(palette);
}

void StyleCheck(QAbstractButton* check) {
  QPalette palette = check->palette();
  palette.setColor(QPalette::WindowText, Qt::white);
  check->setPalette(palette);
}

void StyleBox(QWidget* box) {
  QPalette palette = box->palette();
  palette.setColor(QPalette::Base, LightGreyColour());
  palette.setColor(QPalette::Button, LightGreyColour());
  palette.setColor(QPalette::Text, Qt::black);
  palette.setColor(QPalette::ButtonText, Qt::black);
  box->setPalette(palette);
  box->setFont(FixedFont());
}

void StyleButton(QAbstractButton* button, double points) {
  button->setFont(ArialFont(points));
}

void FitCaption(QAbstractButton* control, int reserved) {
  constexpr double kSmallest = 6.0;
  QFont font = control->font();
  while (font.pointSizeF() > kSmallest &&
         QFontMetrics(font).horizontalAdvance(control->text()) > control->width() - reserved)
    font.setPointSizeF(font.pointSizeF() - 0.25);
  control->setFont(font);
}

QString ToQ(const std::string& text) { return QString::fromLocal8Bit(text.c_str()); }
std::string FromQ(const QString& text) { return text.toLocal8Bit().toStdString(); }

}  // namespace zorv::gui
