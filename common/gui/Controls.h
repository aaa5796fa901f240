// The controls every window builds, made in the program's look: white
// labels, light grey boxes in the fixed-pitch font, buttons in Arial whose
// captions shrink to fit, check boxes in white Arial.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace zorv::gui {

// A white label in font.
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption,
                  const QFont& font, QRect place);

// A button in Arial of the given size, its caption shrunk to fit.
QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption,
                        double points, QRect place);

// A check box with a white Arial caption (none for an empty one).
QCheckBox* MakeCheck(QWidget* parent, const QString& name, const QString& caption,
                     QRect place);

// A one-line text box, light grey in the fixed-pitch font.
QLineEdit* MakeBox(QWidget* parent, const QString& name, const QString& text, QRect place);

}  // namespace zorv::gui
