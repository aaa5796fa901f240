// The look every window shares: navy backgrounds, white labels, light grey
// boxes in a fixed-pitch font, buttons in Arial; positions given in twips.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <string>

class QWidget;
class QLabel;
class QAbstractButton;

namespace zorv::gui {

inline constexpr int kTwipsPerPixel = 15;
inline int Px(int twips) { return twips / kTwipsPerPixel; }
inline int Twips(int pixels) { return pixels * kTwipsPerPixel; }
inline QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(Px(left), Px(top), Px(width), Px(height));
}

QColor NavyColour();       // 0, 0, 128
QColor LightGreyColour();  // 224, 224, 224

// "Fixedsys" when the system has it, otherwise its fixed-pitch font.
QFont FixedFont();
// "Arial" or the nearest sans font, at the given point size.
QFont ArialFont(double points, bool bold = false);
// "Tahoma" or the nearest sans font.
QFont TahomaFont(double points = 8.25);

// Makes the application draw in the program's look where a window's own
// colours cannot say it: every scroll bar's arrows in black, on every
// window. The application object calls it once; later calls do nothing.
void InstallLook();

void StyleWindow(QWidget* window);        // navy background
void StyleLabel(QLabel* label);           // white text on navy
void StyleCheck(QAbstractButton* check);  // white text on navy
// Light grey, fixed-pitch font. A drop-down list is light grey all over,
// its face and its open list alike.
void StyleBox(QWidget* box);
void StyleButton(QAbstractButton* button, double points = 9.75);
// Where Arial is missing its stand-in runs wider: shrinks the control's
// font until the caption fits its width less reserved pixels (the margin
// of a button, the box of a check box), rather than cutting the caption.
void FitCaption(QAbstractButton* control, int reserved = 8);

QString ToQ(const std::string& text);
std::string FromQ(const QString& text);

}  // namespace zorv::gui
