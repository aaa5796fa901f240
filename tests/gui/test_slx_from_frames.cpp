#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "app/gui/EditorWindows.h"
#include "codec/DIBSection.h"
#include "codec/SLX.h"
#include "common/gui/Look.h"
#include "project/gui/EditorForm.h"
#include "tests/gui/support/ScriptedPlatform.h"
#include "tests/support/TestSupport.h"
#include "tools/FramesToSLX.h"
#include "tools/gui/FrameView.h"
#include "tools/gui/SLXFromFramesForm.h"

namespace zorv::gui {
namespace {

namespace fs = std::filesystem;

constexpr QRgb kNavy = 0xFF000080;

QRgb Inverted(QRgb colour) { return 0xFF000000 | (~colour & 0x00FFFFFF); }

class FramesFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = &windows.FramesDialog();
    form->show();
    QApplication::processEvents();
  }

  // A frame bitmap of one colour with a marker pixel of another at (1, 1).
  std::string Bitmap(const std::string& name, int width, int height, ColourValue colour) {
    cDIBSection bitmap;
    EXPECT_TRUE(bitmap.Create(width, height));
    bitmap.Fill(colour);
    bitmap.SetPixel(1, 1, RGBColour(1, 2, 3));
    EXPECT_TRUE(bitmap.SavePicture(frames.File(name)).ok());
    return frames.File(name);
  }

  void Add(const std::vector<std::string>& paths) {
    platform.multi_file_answers.push_back(paths);
    QTest::mouseClick(form->FileAddButton(), Qt::LeftButton);
  }

  void Select(int row) { form->FramesListBox()->setCurrentRow(row); }

  std::vector<std::string> ListLines() const {
    std::vector<std::string> lines;
    for (int i = 0; i < form->FramesListBox()->count(); ++i)
      lines.push_back(FromQ(form->FramesListBox()->item(i)->text()));
    return lines;
  }

  void Mouse(QEvent::Type type, Qt::MouseButton button, QPoint local, QPoint global) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton
                                  : type == QEvent::MouseMove      ? held_
                                                                   : Qt::MouseButtons(button);
    if (type == QEvent::MouseButtonPress) held_ = button;
    QMouseEvent event(type, QPointF(local), QPointF(global),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QApplication::sendEvent(form->FramePicBox(), &event);
  }
  void Press(Qt::MouseButton button, QPoint local, QPoint global = {500, 400}) {
    Mouse(QEvent::MouseButtonPress, button, local, global);
  }
  void Move(QPoint local, QPoint global = {500, 400}) {
    Mouse(QEvent::MouseMove, Qt::NoButton, local, global);
  }
  void Release() { Mouse(QEvent::MouseButtonRelease, held_, {0, 0}, {0, 0}); }

  QPoint Centre() const { return form->CentralPoint(); }

  test::ScriptedPlatform platform;
  test::TempDir frames;
  test::TempDir out;
  // After the platform, so that the windows go first.
  EditorWindows windows;
  SLXFromFramesForm* form = nullptr;
  Qt::MouseButton held_ = Qt::NoButton;
};

TEST_F(FramesFormTest, ControlsStartWhereAndAsTheDialogPlacesThem) {
  EXPECT_EQ(form->windowTitle(), "Create SLX from frames");
  EXPECT_EQ(form->size(), QSize(376, 385));
  EXPECT_EQ(form->palette().color(QPalette::Window), QColor(0, 0, 128));
  struct Place {
    QWidget* control;
    const char* name;
    QRect rect;
  };
  for (const Place& p : std::initializer_list<Place>{
           {form->FramesListBox(), "FramesListBox", {8, 8, 129, 297}},
           {form->FileMoveButton(0), "FileMoveButton_0", {8, 312, 65, 17}},
           {form->FileMoveButton(1), "FileMoveButton_1", {72, 312, 65, 17}},
           {form->FileRemoveButton(), "FileRemoveButton", {8, 336, 65, 17}},
           {form->FileAddButton(), "FileAddButton", {72, 336, 65, 17}},
           {form->FrameCountLabel(), "FrameCountLabel", {16, 360, 121, 17}},
           {form->CenterLabel(), "CenterLabel", {152, 8, 113, 17}},
           {form->CenterXBox(), "CenterXBox", {168, 24, 41, 19}},
           {form->CenterYBox(), "CenterYBox", {232, 24, 41, 19}},
           {form->SuffixBox(), "SuffixBox", {296, 73, 65, 22}},
           {form->CreateSLXButton(), "CreateSLXButton", {144, 112, 225, 33}},
           {form->Crosshair(), "Crosshair", {160, 168, 25, 25}}}) {
    EXPECT_EQ(p.control->objectName(), p.name);
    EXPECT_EQ(p.control->geometry(), p.rect) << p.name;
  }
  for (auto [name, text] : std::initializer_list<std::pair<const char*, const char*>>{
           {"CenterXLabel", "X:"}, {"CenterYLabel", "Y:"},
           {"SuffixLabel", "Data bitmap filename suffix:"}}) {
    auto* label = form->findChild<QLabel*>(name);
    ASSERT_NE(label, nullptr) << name;
    EXPECT_EQ(label->text(), text);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::white));
  }
  EXPECT_EQ(form->FileMoveButton(0)->text(), "Move up");
  EXPECT_EQ(form->FileMoveButton(1)->text(), "Move down");
  EXPECT_EQ(form->FileRemoveButton()->text(), "Remove");
  EXPECT_EQ(form->FileAddButton()->text(), "Add frames");
  EXPECT_EQ(form->CreateSLXButton()->text(), "Copy images and create SLX");
  EXPECT_EQ(form->CreateSLXButton()->font().family(), "Arial");
  // Every caption fits its button, whatever font stands in for Arial.
  for (QPushButton* button : {form->FileMoveButton(0), form->FileMoveButton(1),
                              form->FileRemoveButton(), form->FileAddButton(),
                              form->CreateSLXButton()})
    EXPECT_LT(button->fontMetrics().horizontalAdvance(button->text()), button->width() - 4)
        << button->text().toStdString();
  EXPECT_EQ(form->FramesListBox()->font().family(), "Arial");
  EXPECT_EQ(form->CenterXBox()->palette().color(QPalette::Base), QColor(224, 224, 224));
  EXPECT_EQ(form->FramesListBox()->palette().color(QPalette::Base), QColor(224, 224, 224));
  EXPECT_EQ(form->FrameCountLabel()->text(), "Frames: 0");
  EXPECT_EQ(form->CenterLabel()->text(), "Central point:");
  EXPECT_EQ(form->CenterXBox()->text(), "30");
  EXPECT_EQ(form->CenterYBox()->text(), "30");
  EXPECT_EQ(form->SuffixBox()->text(), "data");
  EXPECT_FALSE(form->FileMoveButton(0)->isEnabled());
  EXPECT_FALSE(form->FileMoveButton(1)->isEnabled());
  EXPECT_FALSE(form->FileRemoveButton()->isEnabled());
  EXPECT_TRUE(form->FileAddButton()->isEnabled());
  EXPECT_EQ(form->FramePicBox()->pos(), QPoint(192, 176));
  EXPECT_FALSE(form->Crosshair()->isVisible());
}

TEST_F(FramesFormTest, TheCrosshairIsBlackWithWhiteLinesAndMarksTheCentralPoint) {
  const QImage& cross = form->CrosshairImage();
  ASSERT_EQ(cross.size(), QSize(25, 25));
  int white = 0;
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 25; ++x) {
      const bool on_line = x == 12 || y == 12;
      EXPECT_EQ(cross.pixel(x, y) & 0xFFFFFF, on_line ? 0xFFFFFFu : 0u) << x << "," << y;
      white += on_line;
    }
  EXPECT_EQ(white, 49);

  // Marked on the picture (30, 30) by exclusive-or: the lines invert, the
  // rest of the picture stays.
  const QImage& plain = form->FramePicBox()->Picture();
  const QImage shown = form->FramePicBox()->Shown();
  EXPECT_EQ(shown.pixel(30, 30), Inverted(plain.pixel(30, 30)));
  EXPECT_EQ(shown.pixel(18, 30), Inverted(plain.pixel(18, 30)));
  EXPECT_EQ(shown.pixel(30, 42), Inverted(plain.pixel(30, 42)));
  EXPECT_EQ(shown.pixel(31, 31), plain.pixel(31, 31));
  EXPECT_EQ(shown.pixel(30, 43), plain.pixel(30, 43));
  EXPECT_EQ(form->SurfaceMark(), QPoint(192 + 30 - 12, 176 + 30 - 12));
}

TEST_F(FramesFormTest, AMarkBeyondThePictureShowsOnTheDialogSurface) {
  form->CenterXBox()->setText("-7");
  form->CenterYBox()->setText("5.9");
  EXPECT_EQ(Centre(), QPoint(-7, 5));
  EXPECT_EQ(form->SurfaceMark(), QPoint(192 - 7 - 12, 176 + 5 - 12));
  const QImage surface = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
  // Row 12 of the mark, left of the picture, inverts the navy background.
  EXPECT_EQ(surface.pixel(192 - 7 - 12, 176 + 5), Inverted(kNavy));
  EXPECT_EQ(surface.pixel(192 - 3, 176 + 5), Inverted(kNavy));
  EXPECT_EQ(surface.pixel(192 - 3, 176 + 6), kNavy);
  // Column 12 reaches above the picture.
  EXPECT_EQ(surface.pixel(192 - 7, 176 - 2), Inverted(kNavy));
  EXPECT_EQ(surface.pixel(192 - 6, 176 - 2), kNavy);
  form->CenterXBox()->setText("3");
  form->CenterYBox()->setText("1");
  const QImage moved = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(moved.pixel(192 + 3, 176 - 4), Inverted(kNavy));
  // The old mark is gone.
  EXPECT_EQ(moved.pixel(192 - 3, 176 + 5), kNavy);
  // Text that is not a number is 0.
  form->CenterXBox()->setText("abc");
  EXPECT_EQ(Centre().x(), 0);
}

TEST_F(FramesFormTest, AddFramesAppendsEveryChosenFileInOrder) {
  Add({"C:\\frames\\a.bmp", "C:\\frames\\b.bmp", "C:\\frames\\c.bmp"});
  ASSERT_EQ(platform.file_requests.size(), 1u);
  EXPECT_EQ(platform.file_requests[0].title,
            "Select frames to import (shift/ctrl can select multiple files)");
  EXPECT_EQ(platform.file_requests[0].filter, "BMP files (*.bmp)|*.bmp|PNG files (*.png)|*.png");
  Add({"/home/me/walk1.BMP"});
  Add({"/home/me/walk1.BMP"});
  EXPECT_EQ(form->FramePaths(),
            (std::vector<std::string>{"C:\\frames\\a.bmp", "C:\\frames\\b.bmp",
                                      "C:\\frames\\c.bmp", "/home/me/walk1.BMP",
                                      "/home/me/walk1.BMP"}));
  EXPECT_EQ(ListLines(), (std::vector<std::string>{"a", "b", "c", "walk1", "walk1"}));
  EXPECT_EQ(form->FrameCountLabel()->text(), "Frames: 5");
  EXPECT_EQ(form->FramesListBox()->currentRow(), -1);
  // With no line selected both move buttons are usable; they do nothing.
  EXPECT_TRUE(form->FileMoveButton(0)->isEnabled());
  EXPECT_TRUE(form->FileMoveButton(1)->isEnabled());
  QTest::mouseClick(form->FileMoveButton(0), Qt::LeftButton);
  QTest::mouseClick(form->FileMoveButton(1), Qt::LeftButton);
  form->RemoveFrame();
  EXPECT_EQ(form->FramePaths().size(), 5u);
  // A cancelled dialog changes nothing.
  QTest::mouseClick(form->FileAddButton(), Qt::LeftButton);
  EXPECT_EQ(form->FramePaths().size(), 5u);
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(FramesFormTest, SelectingAFrameShowsItAndSetsTheButtons) {
  const std::string red = Bitmap("red.bmp", 40, 50, RGBColour(255, 0, 0));
  const std::string blue = Bitmap("blue.bmp", 20, 10, RGBColour(0, 0, 255));
  Add({red, blue, red});
  Select(0);
  EXPECT_FALSE(form->FileMoveButton(0)->isEnabled());
  EXPECT_TRUE(form->FileMoveButton(1)->isEnabled());
  EXPECT_TRUE(form->FileRemoveButton()->isEnabled());
  EXPECT_EQ(form->FramePicBox()->size(), QSize(40, 50));
  EXPECT_EQ(form->FramePicBox()->Picture().pixel(1, 1), qRgb(1, 2, 3));
  EXPECT_EQ(form->FramePicBox()->Picture().pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(form->FramePicBox()->Shown().pixel(30, 30), Inverted(qRgb(255, 0, 0)));
  Select(2);
  EXPECT_TRUE(form->FileMoveButton(0)->isEnabled());
  EXPECT_FALSE(form->FileMoveButton(1)->isEnabled());
  Select(1);
  EXPECT_TRUE(form->FileMoveButton(0)->isEnabled());
  EXPECT_TRUE(form->FileMoveButton(1)->isEnabled());
  EXPECT_EQ(form->FramePicBox()->size(), QSize(20, 10));
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(FramesFormTest, MovingSwapsNeighboursAndKeepsTheMovedFrameSelected) {
  const std::string a = Bitmap("a.bmp", 8, 8, RGBColour(10, 10, 10));
  const std::string b = Bitmap("b.bmp", 9, 9, RGBColour(20, 20, 20));
  const std::string c = Bitmap("c.bmp", 10, 10, RGBColour(30, 30, 30));
  Add({a, b, c});
  Select(2);
  QTest::mouseClick(form->FileMoveButton(0), Qt::LeftButton);
  EXPECT_EQ(ListLines(), (std::vector<std::string>{"a", "c", "b"}));
  EXPECT_EQ(form->FramesListBox()->currentRow(), 1);
  EXPECT_EQ(form->FramePicBox()->size(), QSize(10, 10));
  QTest::mouseClick(form->FileMoveButton(0), Qt::LeftButton);
  EXPECT_EQ(form->FramePaths(), (std::vector<std::string>{c, a, b}));
  EXPECT_EQ(form->FramesListBox()->currentRow(), 0);
  EXPECT_FALSE(form->FileMoveButton(0)->isEnabled());
  // At the top "Move up" has nothing to swap with, even when asked directly.
  form->MoveFrame(0);
  EXPECT_EQ(form->FramePaths(), (std::vector<std::string>{c, a, b}));
  QTest::mouseClick(form->FileMoveButton(1), Qt::LeftButton);
  QTest::mouseClick(form->FileMoveButton(1), Qt::LeftButton);
  EXPECT_EQ(form->FramePaths(), (std::vector<std::string>{a, b, c}));
  EXPECT_EQ(form->FramesListBox()->currentRow(), 2);
  EXPECT_FALSE(form->FileMoveButton(1)->isEnabled());
  form->MoveFrame(1);
  EXPECT_EQ(form->FramePaths(), (std::vector<std::string>{a, b, c}));
}

TEST_F(FramesFormTest, MoveAndRemoveDoNothingWithoutASelectedLine) {
  const std::string a = Bitmap("a.bmp", 8, 8, RGBColour(10, 10, 10));
  const std::string b = Bitmap("b.bmp", 9, 9, RGBColour(20, 20, 20));
  const std::string c = Bitmap("c.bmp", 10, 10, RGBColour(30, 30, 30));
  Add({a, b, c});
  QListWidget* list = form->FramesListBox();
  Select(1);
  // A Ctrl+click takes the selection away; the line stays current.
  list->clearSelection();
  ASSERT_EQ(list->currentRow(), 1);
  QTest::mouseClick(form->FileMoveButton(0), Qt::LeftButton);
  QTest::mouseClick(form->FileMoveButton(1), Qt::LeftButton);
  QTest::mouseClick(form->FileRemoveButton(), Qt::LeftButton);
  EXPECT_EQ(form->FramePaths(), (std::vector<std::string>{a, b, c}));
  // Focus arriving by keyboard makes a line current without selecting it.
  list->selectionModel()->setCurrentIndex(list->model()->index(2, 0),
                                          QItemSelectionModel::NoUpdate);
  ASSERT_EQ(list->currentRow(), 2);
  QTest::mouseClick(form->FileMoveButton(0), Qt::LeftButton);
  QTest::mouseClick(form->FileRemoveButton(), Qt::LeftButton);
  EXPECT_EQ(form->FramePaths(), (std::vector<std::string>{a, b, c}));
  EXPECT_EQ(form->FramePicBox()->size(), QSize(9, 9));  // still the last one selected
  // Selected, it moves.
  Select(2);
  QTest::mouseClick(form->FileMoveButton(0), Qt::LeftButton);
  EXPECT_EQ(form->FramePaths(), (std::vector<std::string>{a, c, b}));
  EXPECT_TRUE(list->item(1)->isSelected());
}

TEST_F(FramesFormTest, FramesOfOneNameFromDifferentFoldersAreToldApart) {
  Add({"/home/a/x/walk1.bmp", "/home/b/x/walk1.BMP", "/home/c/walk1.bmp", "/home/a/x/walk1.bmp",
       "/home/d/run.bmp"});
  EXPECT_EQ(ListLines(), (std::vector<std::string>{"walk1 (a/x)", "walk1 (b/x)",
                                                   "walk1 (home/c)", "walk1 (a/x)", "run"}));
  // Every line names its whole path when pointed at.
  EXPECT_EQ(FromQ(form->FramesListBox()->item(1)->toolTip()), "/home/b/x/walk1.BMP");
  EXPECT_EQ(FromQ(form->FramesListBox()->item(4)->toolTip()), "/home/d/run.bmp");
  Add({"C:\\frames\\north\\stand.bmp", "C:\\frames\\south\\stand.bmp"});
  EXPECT_EQ(ListLines()[5], "stand (north)");
  EXPECT_EQ(ListLines()[6], "stand (south)");
  EXPECT_EQ(form->FrameCountLabel()->text(), "Frames: 7");
}

TEST_F(FramesFormTest, CreateRefusesTwoFilesOfOneNameButCopiesOneFileListedTwice) {
  fs::create_directory(frames.path() / "north");
  fs::create_directory(frames.path() / "south");
  const std::string north = Bitmap("north/walk1.bmp", 6, 6, RGBColour(1, 1, 1));
  const std::string south = Bitmap("south/walk1.bmp", 7, 7, RGBColour(2, 2, 2));
  Add({north, south});
  platform.file_answers.push_back(out.File("walk.slx"));
  QTest::mouseClick(form->CreateSLXButton(), Qt::LeftButton);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.LastFirstLine(),
            "Two different frame files would be copied to the same file name!");
  EXPECT_NE(platform.messages[0].text.find(north), std::string::npos);
  EXPECT_NE(platform.messages[0].text.find(south), std::string::npos);
  EXPECT_EQ(platform.messages[0].title, "Error");
  EXPECT_EQ(platform.messages[0].icon, MsgIcon::Exclamation);
  EXPECT_TRUE(fs::is_empty(out.path()));

  // The same file twice is one copy, named in both frames.
  Select(1);
  QTest::mouseClick(form->FileRemoveButton(), Qt::LeftButton);
  Add({north});
  platform.file_answers.push_back(out.File("walk.slx"));
  QTest::mouseClick(form->CreateSLXButton(), Qt::LeftButton);
  EXPECT_EQ(platform.messages.back().text, "SLX created");
  EXPECT_EQ(test::ReadFileBytes(out.File("walk1.bmp")), test::ReadFileBytes(north));
  EXPECT_EQ(test::ReadFileBytes(out.File("walk.slx")),
            "SLX 0.5\r\n2\r\n30,30\r\nwalk1data.bmp\r\nwalk1.bmp\r\n"
            "30,30\r\nwalk1data.bmp\r\nwalk1.bmp\r\n");
}

TEST_F(FramesFormTest, ControlsStayAboveADraggedPicture) {
  const QRgb picture_colour = qRgb(200, 30, 40);
  Add({Bitmap("wide.bmp", 380, 390, RGBColour(200, 30, 40))});
  Select(0);
  // Held by its central point (30, 30) and dragged to the dialog's corner.
  Press(Qt::LeftButton, {100, 100});
  Move(QPoint(30, 30) - form->FramePicBox()->pos());
  Release();
  ASSERT_EQ(form->FramePicBox()->pos(), QPoint(0, 0));
  const QImage shown = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.pixel(150, 250), picture_colour);  // the picture is there
  int controls = 0;
  for (QObject* child : form->children()) {
    auto* control = qobject_cast<QWidget*>(child);
    if (!control || control->isHidden() || control == form->FramePicBox()) continue;
    ++controls;
    const QRect place = control->geometry();
    QWidget* hit = form->childAt(place.center());
    ASSERT_NE(hit, nullptr) << FromQ(control->objectName());
    EXPECT_NE(hit, form->FramePicBox()) << FromQ(control->objectName());
    int picture_pixels = 0;
    for (int y = place.top(); y <= place.bottom(); ++y)
      for (int x = place.left(); x <= place.right(); ++x)
        picture_pixels += shown.pixel(x, y) == picture_colour;
    EXPECT_EQ(picture_pixels, 0) << FromQ(control->objectName());
  }
  EXPECT_EQ(controls, 14);
}

TEST_F(FramesFormTest, RemovingLeavesNoSelectionAndThePictureAsItWas) {
  const std::string a = Bitmap("a.bmp", 8, 8, RGBColour(10, 10, 10));
  const std::string b = Bitmap("b.bmp", 9, 9, RGBColour(20, 20, 20));
  Add({a, b});
  Select(1);
  QTest::mouseClick(form->FileRemoveButton(), Qt::LeftButton);
  EXPECT_EQ(form->FramePaths(), std::vector<std::string>{a});
  EXPECT_EQ(form->FrameCountLabel()->text(), "Frames: 1");
  EXPECT_EQ(form->FramesListBox()->currentRow(), -1);
  EXPECT_EQ(form->FramePicBox()->size(), QSize(9, 9));
  EXPECT_TRUE(form->FileRemoveButton()->isEnabled());
  QTest::mouseClick(form->FileRemoveButton(), Qt::LeftButton);
  EXPECT_EQ(form->FramePaths(), std::vector<std::string>{a});
  Select(0);
  QTest::mouseClick(form->FileRemoveButton(), Qt::LeftButton);
  EXPECT_TRUE(form->FramePaths().empty());
  EXPECT_EQ(form->FrameCountLabel()->text(), "Frames: 0");
  EXPECT_TRUE(form->FileMoveButton(0)->isEnabled());
  EXPECT_FALSE(form->FileMoveButton(1)->isEnabled());
}

TEST_F(FramesFormTest, AFrameThatCannotBeReadIsNamedAndTheDialogCarriesOn) {
  const std::string good = Bitmap("good.bmp", 12, 14, RGBColour(0, 200, 0));
  const std::string bad = frames.File("bad.bmp");
  test::WriteFileBytes(bad, "BM this is no bitmap");
  const std::string gone = frames.File("gone.bmp");
  Add({good, bad, gone});
  Select(0);
  Select(1);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.LastFirstLine(), "Cannot show the frame bitmap!");
  EXPECT_NE(platform.messages[0].text.find(bad), std::string::npos);
  EXPECT_EQ(platform.messages[0].title, "Error");
  EXPECT_EQ(form->FramePicBox()->Picture().pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_NE(form->FramePicBox()->size(), QSize(12, 14));
  Select(2);
  ASSERT_EQ(platform.messages.size(), 2u);
  EXPECT_NE(platform.messages[1].text.find(gone), std::string::npos);
  // Still usable: the list works and the good frame shows again.
  EXPECT_TRUE(form->FileRemoveButton()->isEnabled());
  Select(0);
  EXPECT_EQ(form->FramePicBox()->size(), QSize(12, 14));
  EXPECT_EQ(platform.messages.size(), 2u);
}

TEST_F(FramesFormTest, DraggingThePictureHoldsItByItsCentralPoint) {
  Add({Bitmap("big.bmp", 120, 100, RGBColour(90, 90, 90))});
  Select(0);
  const QPoint home = form->FramePicBox()->pos();
  // Pressed anywhere; the first move brings the central point (30, 30)
  // under the pointer.
  Press(Qt::LeftButton, {70, 60});
  EXPECT_EQ(form->Drag(), SLXFromFramesForm::DragMode::Picture);
  Move({72, 61});
  EXPECT_EQ(form->FramePicBox()->pos(), home + QPoint(72 - 30, 61 - 30));
  // The pointer in the moved picture is on the central point now; the move
  // the picture's own move causes changes nothing.
  Move({30, 30});
  EXPECT_EQ(form->FramePicBox()->pos(), home + QPoint(42, 31));
  Move({25, 38});
  EXPECT_EQ(form->FramePicBox()->pos(), home + QPoint(37, 39));
  EXPECT_EQ(form->SurfaceMark(), form->FramePicBox()->pos() + QPoint(30 - 12, 30 - 12));
  Release();
  EXPECT_EQ(form->Drag(), SLXFromFramesForm::DragMode::None);
  Move({0, 0});
  EXPECT_EQ(form->FramePicBox()->pos(), home + QPoint(37, 39));
  EXPECT_EQ(Centre(), QPoint(30, 30));
}

TEST_F(FramesFormTest, ThePictureFollowsRealPointerEvents) {
  Add({Bitmap("big.bmp", 120, 100, RGBColour(90, 90, 90))});
  Select(0);
  QWidget* picture = form->FramePicBox();
  const QPoint home = picture->pos();
  QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(80, 80));
  QTest::mouseMove(picture, QPoint(90, 85));
  EXPECT_EQ(picture->pos(), home + QPoint(90 - 30, 85 - 30));
  QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(30, 30));
  EXPECT_EQ(form->Drag(), SLXFromFramesForm::DragMode::None);
}

TEST_F(FramesFormTest, TheRightButtonDragsTheCentralPointFinelyWithoutAJump) {
  Press(Qt::RightButton, {50, 40}, {600, 300});
  EXPECT_EQ(form->Drag(), SLXFromFramesForm::DragMode::CentralPoint);
  Move({51, 40}, {601, 300});
  EXPECT_EQ(Centre(), QPoint(30, 30));
  EXPECT_EQ(form->CenterXBox()->text(), "30");
  Move({75, 15}, {625, 275});
  EXPECT_EQ(Centre(), QPoint(31, 29));
  EXPECT_EQ(form->CenterXBox()->text(), "31");
  EXPECT_EQ(form->CenterYBox()->text(), "29");
  EXPECT_EQ(form->FramePicBox()->Mark(), QPoint(31, 29));
  Move({150, 40}, {700, 300});
  EXPECT_EQ(Centre(), QPoint(34, 30));
  Release();
  EXPECT_EQ(form->Drag(), SLXFromFramesForm::DragMode::None);
  // The picture never moves in this drag.
  EXPECT_EQ(form->FramePicBox()->pos(), QPoint(192, 176));

  // The next drag starts from the point where the last one ended.
  form->CenterXBox()->setText("-3");
  Press(Qt::RightButton, {0, 0}, {600, 300});
  Move({0, 0}, {599, 300});
  EXPECT_EQ(Centre(), QPoint(-4, 30));
  Release();
}

TEST_F(FramesFormTest, TheFineDragWrapsThePointerRoundTheScreen) {
  platform.screen_size = {800, 600};
  Press(Qt::RightButton, {10, 10}, {700, 300});
  Move({109, 10}, {799, 300});  // 99 pixels right: 3
  EXPECT_EQ(Centre().x(), 33);
  EXPECT_EQ(platform.cursor, (Point{1, 300}));
  Move({-689, 10}, {1, 300});  // where the pointer was put: no change
  EXPECT_EQ(Centre().x(), 33);
  Move({-688, 10}, {2, 300});  // the 100th pixel to the right: 4
  EXPECT_EQ(Centre().x(), 34);
  Move({-638, 10}, {52, 300});
  EXPECT_EQ(Centre().x(), 36);
  // And back over the left edge.
  Move({-690, 10}, {0, 300});
  EXPECT_EQ(platform.cursor, (Point{798, 300}));
  Move({108, 10}, {798, 300});
  EXPECT_EQ(Centre().x(), 33);
  // The bottom edge wraps to the top.
  Move({108, 309}, {798, 599});
  EXPECT_EQ(platform.cursor, (Point{798, 1}));
  EXPECT_EQ(Centre().y(), 30 + 299 / 25);
  Release();
}

TEST_F(FramesFormTest, OtherButtonsPressedOnThePictureDoNothing) {
  Press(Qt::MiddleButton, {5, 5});
  EXPECT_EQ(form->Drag(), SLXFromFramesForm::DragMode::None);
  Move({50, 50});
  EXPECT_EQ(form->FramePicBox()->pos(), QPoint(192, 176));
  EXPECT_EQ(Centre(), QPoint(30, 30));
  Release();
}

TEST_F(FramesFormTest, CreateWritesTheSLXFromTheBoxesAndKeepsTheList) {
  const std::string walk = Bitmap("walk1.BMP", 6, 6, RGBColour(1, 1, 1));
  const std::string stand = Bitmap("stand.bmp", 7, 7, RGBColour(2, 2, 2));
  Add({walk, stand});
  form->CenterXBox()->setText("12.7");
  form->CenterYBox()->setText("-3.5");
  form->SuffixBox()->setText("_mask");
  fs::create_directory(out.path() / "sub");
  const std::string slx = out.File("walk.slx");
  platform.file_answers.push_back(slx);
  QTest::mouseClick(form->CreateSLXButton(), Qt::LeftButton);

  const gui::FileDialogRequest& request = platform.file_requests.back();
  EXPECT_EQ(request.title, "Select name for SLX -- MUST BE IN AN EMPTY DIRECTORY!");
  EXPECT_EQ(request.filter, "SLX file (*.slx)|*.slx");
  EXPECT_EQ(request.initial_name, "something.slx");
  EXPECT_TRUE(request.path_must_exist);
  EXPECT_EQ(test::ReadFileBytes(slx),
            "SLX 0.5\r\n2\r\n12,-4\r\nwalk1_mask.bmp\r\nwalk1.bmp\r\n"
            "12,-4\r\nstand_mask.bmp\r\nstand.bmp\r\n");
  EXPECT_EQ(test::ReadFileBytes(out.File("walk1.bmp")), test::ReadFileBytes(walk));
  EXPECT_EQ(test::ReadFileBytes(out.File("stand.bmp")), test::ReadFileBytes(stand));
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text, "SLX created");
  EXPECT_EQ(platform.messages[0].title, "Success");
  EXPECT_EQ(platform.messages[0].icon, MsgIcon::Information);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->FramePaths().size(), 2u);
  EXPECT_EQ(form->FrameCountLabel()->text(), "Frames: 2");

  // The same folder again is no longer empty.
  platform.file_answers.push_back(out.File("again.slx"));
  QTest::mouseClick(form->CreateSLXButton(), Qt::LeftButton);
  EXPECT_EQ(platform.messages.back().text, kFolderNotEmptyText);
  EXPECT_EQ(platform.messages.back().title, "Error");
  EXPECT_EQ(platform.messages.back().icon, MsgIcon::Exclamation);
  EXPECT_FALSE(fs::exists(out.path() / "again.slx"));

  // An SLX named like a frame's copy is refused the same way.
  test::TempDir empty;
  platform.file_answers.push_back(empty.File("WALK1.bmp"));
  QTest::mouseClick(form->CreateSLXButton(), Qt::LeftButton);
  ASSERT_EQ(platform.messages.size(), 3u);
  EXPECT_EQ(platform.LastFirstLine(), kSLXNamedLikeAFrameText);
  EXPECT_EQ(platform.messages.back().title, "Error");
  EXPECT_EQ(platform.messages.back().icon, MsgIcon::Exclamation);
  EXPECT_TRUE(fs::is_empty(empty.path()));
}

TEST_F(FramesFormTest, CancellingTheSaveDialogWritesNothing) {
  Add({Bitmap("a.bmp", 3, 3, 0)});
  QTest::mouseClick(form->CreateSLXButton(), Qt::LeftButton);
  EXPECT_EQ(platform.file_requests.size(), 2u);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_TRUE(fs::is_empty(out.path()));
}

TEST_F(FramesFormTest, AFrameThatVanishedIsNamedAndNothingIsLeftBehind) {
  const std::string a = Bitmap("a.bmp", 3, 3, 0);
  const std::string b = Bitmap("b.bmp", 3, 3, 0);
  Add({a, b});
  fs::remove(b);
  platform.file_answers.push_back(out.File("x.slx"));
  QTest::mouseClick(form->CreateSLXButton(), Qt::LeftButton);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.LastFirstLine(), "Error copying frame 2!");
  EXPECT_NE(platform.messages.back().text.find(b), std::string::npos);
  EXPECT_EQ(platform.messages.back().title, "Error");
  EXPECT_EQ(platform.messages.back().icon, MsgIcon::Critical);
  EXPECT_TRUE(fs::is_empty(out.path()));
}

// --- the one dialog of a set of windows ------------------------------------

class FramesInstanceTest : public ::testing::Test {
 protected:
  test::ScriptedPlatform platform;
  EditorWindows windows;
};

TEST_F(FramesInstanceTest, OpeningAfreshResetsWhatTheLastOpeningLeft) {
  EXPECT_EQ(windows.ExistingFramesDialog(), nullptr);
  SLXFromFramesForm& dialog = windows.FramesDialog();
  EXPECT_EQ(windows.ExistingFramesDialog(), &dialog);
  dialog.Open();
  platform.multi_file_answers.push_back({"/f/a.bmp", "/f/b.bmp"});
  dialog.AddFrames();
  QApplication::processEvents();
  // Nothing is selected until the user selects it.
  EXPECT_EQ(dialog.FramesListBox()->currentRow(), -1);
  EXPECT_TRUE(platform.messages.empty());
  dialog.CenterXBox()->setText("7");
  dialog.SuffixBox()->setText("");
  // Opening an open dialog only brings it forward.
  dialog.Open();
  EXPECT_EQ(dialog.FramePaths().size(), 2u);
  dialog.close();
  dialog.Open();
  EXPECT_EQ(&windows.FramesDialog(), &dialog);
  EXPECT_TRUE(dialog.FramePaths().empty());
  EXPECT_EQ(dialog.FramesListBox()->count(), 0);
  EXPECT_EQ(dialog.FrameCountLabel()->text(), "Frames: 0");
  EXPECT_EQ(dialog.CenterXBox()->text(), "30");
  EXPECT_EQ(dialog.SuffixBox()->text(), "data");
  // Another set of windows starts without a dialog and makes its own.
  EditorWindows fresh;
  EXPECT_EQ(fresh.ExistingFramesDialog(), nullptr);
  SLXFromFramesForm& other = fresh.FramesDialog();
  EXPECT_NE(&other, &dialog);
  EXPECT_EQ(fresh.ExistingFramesDialog(), &other);
  EXPECT_EQ(windows.ExistingFramesDialog(), &dialog);
}

TEST_F(FramesInstanceTest, TheMainWindowOpensTheDialogAndClosesItWhenItCloses) {
  EditorForm& editor = windows.Main();
  editor.show();
  EXPECT_EQ(windows.ExistingFramesDialog(), nullptr);
  editor.ShowSLXFromFrames();
  ASSERT_NE(windows.ExistingFramesDialog(), nullptr);
  EXPECT_TRUE(windows.ExistingFramesDialog()->isVisible());
  EXPECT_TRUE(platform.messages.empty());
  editor.close();
  EXPECT_FALSE(windows.ExistingFramesDialog()->isVisible());
}

}  // namespace
}  // namespace zorv::gui
