#include "common/gui/Look.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleOptionSlider>
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

namespace {

// The platform style draws a scroll bar's arrows in the window text colour,
// which on the program's navy windows is white: white arrows on the light
// buttons of every scroll bar (the editor's frame slider and spin buttons,
// the zoom slider, the scroll bars of lists and text boxes) are invisible.
// The arrows are drawn in black instead; all else is the platform's.
class LookStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;

  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget) const override {
    if (control == CC_ScrollBar) {
      if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option)) {
        QStyleOptionSlider dark_arrows(*bar);
        dark_arrows.palette.setColor(QPalette::WindowText, Qt::black);
        QProxyStyle::drawComplexControl(control, &dark_arrows, painter, widget);
        return;
      }
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
  }
};

// The platform style shades a drop-down list's face and its open list
// towards white; a style sheet keeps both exactly light grey.
void StyleDropDown(QComboBox* combo) {
  combo->setStyleSheet(
      "QComboBox { background-color: rgb(224, 224, 224); color: black;"
      " border: 1px solid rgb(128, 128, 128); padding-left: 2px; }"
      " QComboBox QAbstractItemView { background-color: rgb(224, 224, 224); color: black;"
      " selection-background-color: rgb(0, 0, 128); selection-color: white; }");
}

}  // namespace

void InstallLook() {
  if (dynamic_cast<LookStyle*>(QApplication::style())) return;
  // On the style the application chose (the platform's or -style).
  QApplication::setStyle(new LookStyle(QApplication::style()->name()));
}

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
  if (auto* combo = qobject_cast<QComboBox*>(box)) StyleDropDown(combo);
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
