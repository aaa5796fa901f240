#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QScrollBar>
#include <QTextEdit>
#include <vector>

#include "app/gui/EditorWindows.h"
#include "autogen/gui/SLXAutoGenForm.h"
#include "common/gui/Look.h"
#include "project/gui/EditorForm.h"
#include "tests/gui/support/ScriptedPlatform.h"
#include "tools/gui/SLXEditorForm.h"
#include "tools/gui/ZoomForm.h"

namespace zorv::gui {
namespace {

class LookTest : public ::testing::Test {
 protected:
  test::ScriptedPlatform platform;
  // After the platform, so that the windows go first.
  EditorWindows windows;
};

// Pixels of an arrow drawn in black or dark grey: dark and without the blue
// of the lines the style draws around the buttons on navy windows.
int DarkGreyPixels(const QImage& image, QRect area) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      const int high = std::max({c.red(), c.green(), c.blue()});
      const int low = std::min({c.red(), c.green(), c.blue()});
      count += high < 110 && high - low < 30;
    }
  return count;
}

TEST_F(LookTest, EveryScrollBarShowsItsArrows) {
  std::vector<QScrollBar*> bars;
  for (QWidget* window : std::initializer_list<QWidget*>{&windows.Editor(), &windows.Zoom(),
                                                         &windows.AutoGeneration()})
    for (QScrollBar* bar : window->findChildren<QScrollBar*>()) bars.push_back(bar);
  // The scroll bars inside the main window's lists and text boxes as well.
  EditorForm& main = windows.Main();
  bars.push_back(main.ResourceListBox()->verticalScrollBar());
  bars.push_back(main.ResourceTextDisplay()->verticalScrollBar());
  ASSERT_GE(bars.size(), 8u);
  for (QScrollBar* bar : bars) {
    if (bar->size().width() < 30 && bar->size().height() < 30) bar->resize(17, 120);
    const QImage image = bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // The arrow buttons are the squares at the two ends, inside their lines.
    const int side = bar->orientation() == Qt::Horizontal ? image.height() : image.width();
    const QRect first(0, 0, side, side);
    const QRect last = bar->orientation() == Qt::Horizontal
                           ? QRect(image.width() - side, 0, side, side)
                           : QRect(0, image.height() - side, side, side);
    for (const QRect& button : {first, last})
      EXPECT_GT(DarkGreyPixels(image, button.adjusted(2, 2, -2, -2)), 3)
          << FromQ(bar->objectName()) << " of " << FromQ(bar->window()->objectName());
  }
}

TEST_F(LookTest, DropDownListsAreLightGreyClosedAndOpen) {
  EditorForm& main = windows.Main();
  main.show();
  const QRgb light_grey = qRgb(224, 224, 224);
  for (QComboBox* combo : {main.ResourceReplaceCombo(), main.IconList()}) {
    const std::string name = FromQ(combo->objectName());
    combo->setCurrentIndex(0);
    const QImage face = combo->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Above the caption, and the right half of a short caption's line.
    EXPECT_EQ(face.pixel(face.width() / 2, 3), light_grey) << name;
    EXPECT_EQ(face.pixel(face.width() * 3 / 5, face.height() / 2), light_grey) << name;
    EXPECT_EQ(combo->palette().color(QPalette::Base), QColor(224, 224, 224)) << name;

    combo->showPopup();
    QApplication::processEvents();
    QAbstractItemView* view = combo->view();
    ASSERT_TRUE(view->isVisible()) << name;
    const QImage list = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // A line that is not the current one, beyond its text.
    const QRect line = view->visualRect(combo->model()->index(1, 0));
    ASSERT_TRUE(line.isValid()) << name;
    EXPECT_EQ(list.pixel(list.width() - 4, line.center().y()), light_grey) << name;
    combo->hidePopup();
  }
}

}  // namespace
}  // namespace zorv::gui
