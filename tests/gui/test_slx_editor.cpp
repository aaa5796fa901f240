#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <filesystem>

#include "app/gui/EditorWindows.h"
#include "codec/DIBSection.h"
#include "codec/SLX.h"
#include "common/gui/Look.h"
#include "tests/gui/support/ScriptedPlatform.h"
#include "tests/support/TestSupport.h"
#include "tools/gui/FrameView.h"
#include "tools/gui/SLXDocument.h"
#include "tools/gui/SLXEditorForm.h"
#include "tools/gui/ZoomForm.h"

namespace zorv::gui {
namespace {

struct FrameSpec {
  int width, height, center_x, center_y;
};

class SLXEditorTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (SLXEditorForm* editor = windows.ExistingEditor()) {
      platform.message_answers.push_back(MsgAnswer::No);
      editor->close();
    }
  }

  // Writes an SLX graphic whose frame i has the given size and hot spot; the
  // colour bitmaps are filled with a colour of their own.
  std::string WriteGraphic(const std::string& name, const std::vector<FrameSpec>& frames) {
    SLXGraphic graphic;
    graphic.Path = dir.File(name + ".slx");
    graphic.FrameCount = static_cast<int32_t>(frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
      cDIBSection colour, data;
      colour.Create(frames[i].width, frames[i].height);
      data.Create(frames[i].width, frames[i].height);
      colour.Fill(RGBColour(10 * static_cast<int>(i), 50, 60));
      data.Fill(kDataNormal);
      std::string c = name + std::to_string(i + 1) + ".bmp";
      std::string d = name + std::to_string(i + 1) + "d.bmp";
      EXPECT_TRUE(colour.SavePicture(dir.File(c)));
      EXPECT_TRUE(data.SavePicture(dir.File(d)));
      graphic.Frames.push_back(SLXFrame{c, d, frames[i].center_x, frames[i].center_y});
    }
    EXPECT_TRUE(SaveSLX(graphic));
    return graphic.Path;
  }

  // Loads the graphic for display, which opens the editor.
  SLXEditorForm& Load(const std::string& path) {
    const Status loaded = windows.Document().LoadFile(path, true);
    EXPECT_TRUE(loaded) << loaded.message();
    return windows.Editor();
  }

  const SLXGraphic& Graphic() { return windows.Document().Graphic(); }

  QPoint ColourHotSpotOnWindow(SLXEditorForm& editor) {
    const SLXFrame& frame = Graphic().Frame(windows.Document().CurrentFrame());
    return editor.SLXColourPicBox()->pos() + QPoint(frame.CenterX, frame.CenterY);
  }
  QPoint DataHotSpotOnWindow(SLXEditorForm& editor) {
    const SLXFrame& frame = Graphic().Frame(windows.Document().CurrentFrame());
    return editor.SLXDataPicBox()->pos() + QPoint(frame.CenterX, frame.CenterY);
  }

  test::TempDir dir;
  test::ScriptedPlatform platform;
  // Declared after the platform, so the windows go before it.
  EditorWindows windows;
};

TEST_F(SLXEditorTest, FramesLineUpOnTheirHotSpots) {
  std::string path = WriteGraphic("walk", {{40, 30, 10, 20}, {25, 50, 3, 44}, {60, 12, -5, -5}});
  SLXEditorForm& editor = Load(path);
  EXPECT_TRUE(editor.isVisible());
  EXPECT_EQ(editor.windowTitle(), "SLX Editor");
  EXPECT_EQ(editor.FrameScroll()->maximum(), 3);
  // First display: the colour view stays at its place, the data view starts
  // 25 pixels right of it.
  EXPECT_EQ(editor.SLXColourPicBox()->pos(), QPoint(16, 104));
  EXPECT_EQ(editor.SLXColourPicBox()->size(), QSize(40, 30));
  EXPECT_EQ(editor.SLXDataPicBox()->x(), 16 + 40 + 25);
  const QPoint colour_anchor = ColourHotSpotOnWindow(editor);
  const QPoint data_anchor = DataHotSpotOnWindow(editor);
  for (int frame = 2; frame <= 3; ++frame) {
    editor.FrameScroll()->setValue(frame);
    EXPECT_EQ(windows.Document().CurrentFrame(), frame);
    EXPECT_EQ(ColourHotSpotOnWindow(editor), colour_anchor) << frame;
    EXPECT_EQ(DataHotSpotOnWindow(editor), data_anchor) << frame;
  }
  // A hot spot of (-5, -5) puts the view 5 pixels right of and below the anchor.
  EXPECT_EQ(editor.SLXColourPicBox()->pos(), colour_anchor + QPoint(5, 5));
  EXPECT_EQ(editor.CenterXBox()->text(), "-5");
  EXPECT_FALSE(editor.Changed());  // showing a frame is no edit
}

TEST_F(SLXEditorTest, MissingDataBitmapKeepsThePictureAtTheColourSize) {
  std::string path = WriteGraphic("run", {{20, 20, 1, 1}, {30, 10, 2, 2}});
  std::filesystem::remove(dir.File("run2d.bmp"));
  SLXEditorForm& editor = Load(path);
  const QImage first_data = editor.SLXDataPicBox()->Picture();
  editor.FrameScroll()->setValue(2);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(editor.SLXDataPicBox()->size(), QSize(30, 10));
  EXPECT_EQ(editor.SLXDataPicBox()->Picture(), first_data);
}

TEST_F(SLXEditorTest, UnreadableFramesAreReportedAndTheEditorStaysUsable) {
  std::string path = WriteGraphic("bad", {{20, 20, 1, 1}, {30, 10, 2, 2}});
  test::WriteFileBytes(dir.File("bad2.bmp"), "not a bitmap");
  SLXEditorForm& editor = Load(path);
  editor.FrameScroll()->setValue(2);
  ASSERT_FALSE(platform.messages.empty());
  EXPECT_NE(platform.messages.back().text.find("bad2.bmp"), std::string::npos);
  // The unreadable frame keeps its own hot spot; the boxes show it.
  EXPECT_EQ(Graphic().Frame(2).CenterX, 2);
  EXPECT_EQ(editor.CenterXBox()->text(), "2");
  editor.FrameScroll()->setValue(1);
  EXPECT_EQ(editor.SLXColourPicBox()->size(), QSize(20, 20));
  EXPECT_EQ(Graphic().Frame(1).CenterX, 1);
  // A short graphic loaded for conversion while a later frame is shown.
  std::string longer = WriteGraphic("long", {{5, 5, 0, 0}, {5, 5, 0, 0}, {5, 5, 0, 0}});
  Load(longer);
  editor.FrameScroll()->setValue(3);
  std::string shorter = WriteGraphic("short", {{5, 5, 0, 0}});
  ASSERT_TRUE(windows.Document().LoadFile(shorter, false));
  EXPECT_NE(platform.messages.back().text.find("Frame 3"), std::string::npos);
}

TEST_F(SLXEditorTest, SecondGraphicTakesItsAnchorsFromTheViewsPresentPlaces) {
  std::string first = WriteGraphic("a", {{40, 30, 10, 20}});
  std::string second = WriteGraphic("b", {{10, 10, 4, 4}});
  SLXEditorForm& editor = Load(first);
  // Pan the colour view by 7, 3 with the left button.
  editor.ColourPress(Qt::LeftButton, QPoint(5, 5), QPoint(100, 100));
  editor.ColourMove(QPoint(12, 8), QPoint(107, 103));
  editor.ColourRelease(Qt::LeftButton);
  EXPECT_EQ(editor.SLXColourPicBox()->pos(), QPoint(23, 107));
  EXPECT_EQ(windows.Document().Anchors().ColourAnchor.X, 23 + 10);
  Load(second);
  EXPECT_EQ(editor.SLXColourPicBox()->pos(), QPoint(23, 107));
  EXPECT_EQ(windows.Document().Anchors().ColourAnchor.X, 23 + 4);
}

TEST_F(SLXEditorTest, TypingAHotSpotStoresItAndDrawsTheMark) {
  std::string path = WriteGraphic("t", {{30, 30, 10, 10}});
  SLXEditorForm& editor = Load(path);
  EXPECT_FALSE(editor.DisplayChecked());
  editor.CenterXBox()->setText("-7");
  EXPECT_EQ(Graphic().Frame(1).CenterX, -7);
  EXPECT_TRUE(editor.Changed());
  EXPECT_TRUE(editor.DisplayChecked());
  // The mark lies partly on the window surface left of the colour view.
  ASSERT_TRUE(editor.SurfaceMark());
  EXPECT_EQ(editor.SurfaceMark()->x(), editor.SLXColourPicBox()->x() - 7);
  ASSERT_TRUE(editor.SLXColourPicBox()->Mark());
  EXPECT_EQ(*editor.SLXColourPicBox()->Mark(), QPoint(-7, 10));
  // Within the view the stamp inverts row 10 from x = 0 to x = 5.
  const QImage shown = editor.SLXColourPicBox()->Shown();
  const QImage picture = editor.SLXColourPicBox()->Picture();
  EXPECT_EQ(shown.pixel(5, 10) & 0xFFFFFF, ~picture.pixel(5, 10) & 0xFFFFFF);
  EXPECT_EQ(shown.pixel(6, 10), picture.pixel(6, 10));
  EXPECT_EQ(shown.pixel(5, 11), picture.pixel(5, 11));
  // Text that is no number counts as 0; fractions go down.
  editor.CenterYBox()->setText("x");
  EXPECT_EQ(Graphic().Frame(1).CenterY, 0);
  editor.CenterYBox()->setText("-3.5");
  EXPECT_EQ(Graphic().Frame(1).CenterY, -4);
  // Unchecking Display removes the marks.
  editor.MenuAction("menu_center_display")->trigger();
  EXPECT_FALSE(editor.DisplayChecked());
  EXPECT_FALSE(editor.SurfaceMark());
  EXPECT_FALSE(editor.SLXColourPicBox()->Mark());
}

TEST_F(SLXEditorTest, SpinButtonsStepTheBoxes) {
  std::string path = WriteGraphic("s", {{30, 30, 10, 10}});
  SLXEditorForm& editor = Load(path);
  editor.CenterXBox()->setText("");
  editor.CenterXScroll()->setValue(2);
  EXPECT_EQ(editor.CenterXBox()->text(), "1");
  EXPECT_EQ(editor.CenterXScroll()->value(), 1);
  editor.CenterYBox()->setText("");
  editor.CenterYScroll()->setValue(0);
  EXPECT_EQ(editor.CenterYBox()->text(), "-1");
  EXPECT_EQ(Graphic().Frame(1).CenterY, -1);
}

TEST_F(SLXEditorTest, RightButtonSetsTheHotSpotAndReleaseMovesTheView) {
  std::string path = WriteGraphic("r", {{60, 60, 10, 10}});
  SLXEditorForm& editor = Load(path);
  const ViewPoint anchor = windows.Document().Anchors().ColourAnchor;
  editor.ColourPress(Qt::RightButton, QPoint(20, 31), QPoint(300, 300));
  EXPECT_EQ(editor.CenterXBox()->text(), "20");
  EXPECT_EQ(editor.CenterYBox()->text(), "31");
  EXPECT_FALSE(editor.Changed());  // mouse edits are not counted
  editor.ColourRelease(Qt::RightButton);
  EXPECT_EQ(editor.SLXColourPicBox()->pos(), QPoint(anchor.X - 20, anchor.Y - 31));
}

TEST_F(SLXEditorTest, FineDragMovesByAFractionOfThePointerAndWrapsAtTheEdge) {
  std::string path = WriteGraphic("f", {{60, 60, 10, 10}});
  SLXEditorForm& editor = Load(path);
  editor.MenuAction("menu_center_precision_option(3)")->trigger();
  EXPECT_EQ(editor.PrecisionFactor(), 50);
  platform.screen_size = {1000, 800};
  editor.ColourPress(Qt::RightButton, QPoint(20, 20), QPoint(500, 400));
  editor.ColourMove(QPoint(21, 20), QPoint(501, 400));
  EXPECT_EQ(editor.CenterXBox()->text(), "20");  // no jump on the first move
  editor.ColourMove(QPoint(120, 20), QPoint(600, 400));
  EXPECT_EQ(editor.CenterXBox()->text(), "22");
  editor.ColourMove(QPoint(220, 20), QPoint(700, 400));
  EXPECT_EQ(editor.CenterXBox()->text(), "24");  // 100 pixels further: 2 more
  // The pointer reaches the right edge and reappears at column 1.
  editor.ColourMove(QPoint(519, 20), QPoint(999, 400));
  EXPECT_EQ(platform.cursor, (Point{1, 400}));
  const int at_edge = editor.CenterXBox()->text().toInt();
  EXPECT_EQ(at_edge, 20 + (519 - 20) / 50);
  // Further right from column 1: the hot spot goes on moving the same way.
  editor.ColourMove(QPoint(519 - (999 - 101), 20), QPoint(101, 400));
  EXPECT_EQ(editor.CenterXBox()->text().toInt(), 20 + (519 + 100 - 20) / 50);
  editor.MenuAction("menu_center_precision_option(2)")->trigger();
  EXPECT_EQ(editor.PrecisionFactor(), 15);
  EXPECT_FALSE(editor.MenuAction("menu_center_precision_option(3)")->isChecked());
}

TEST_F(SLXEditorTest, BetweenSetsTheAnimationRangeOrSaysItIsInvalid) {
  std::string path = WriteGraphic("b", {{5, 5, 0, 0}, {5, 5, 0, 0}, {5, 5, 0, 0}, {5, 5, 0, 0}});
  SLXEditorForm& editor = Load(path);
  platform.input_answers = {std::string("3-3")};
  editor.AnimateBetween();
  EXPECT_EQ(platform.messages.back().text, "Animate between what frames?");
  EXPECT_EQ(platform.messages.back().title, "Animation");
  EXPECT_EQ(windows.Document().AnimateFirst(), 3);
  EXPECT_EQ(windows.Document().AnimateLast(), 3);
  for (const char* invalid : {"0-4", "4-3", "2-5"}) {
    platform.input_answers = {std::string(invalid)};
    editor.AnimateBetween();
    EXPECT_EQ(platform.messages.back().text, "Invalid range!") << invalid;
    EXPECT_EQ(platform.messages.back().icon, MsgIcon::Critical);
  }
  size_t said = platform.messages.size();
  for (const char* unreadable : {"5", "", "a-b"}) {
    platform.input_answers = {std::string(unreadable)};
    editor.AnimateBetween();
  }
  editor.AnimateBetween();  // cancelled
  EXPECT_EQ(platform.messages.size(), said + 4);  // only the four input boxes
  EXPECT_EQ(windows.Document().AnimateFirst(), 3);
  // Started below the range, the animation counts up into it, then stays.
  std::vector<int> shown;
  for (int i = 0; i < 4; ++i) {
    editor.AnimationTick();
    shown.push_back(windows.Document().CurrentFrame());
  }
  EXPECT_EQ(shown, (std::vector<int>{2, 3, 3, 3}));
  platform.input_answers = {std::string("1-4")};
  editor.AnimateBetween();
  shown.clear();
  for (int i = 0; i < 3; ++i) {
    editor.AnimationTick();
    shown.push_back(windows.Document().CurrentFrame());
  }
  EXPECT_EQ(shown, (std::vector<int>{4, 1, 2}));
  EXPECT_EQ(editor.FrameScroll()->value(), 2);
}

TEST_F(SLXEditorTest, SavingAndClosingAskAndWriteTheGraphic) {
  std::string path = WriteGraphic("c", {{30, 30, 10, 10}});
  SLXEditorForm& editor = Load(path);
  editor.CenterXBox()->setText("12");
  editor.MenuAction("menu_save")->trigger();
  EXPECT_EQ(platform.messages.back().text, "Changes saved");
  EXPECT_EQ(platform.messages.back().title, "Saved");
  ASSERT_TRUE(windows.Document().LoadFile(path, false));
  EXPECT_EQ(Graphic().Frame(1).CenterX, 12);
  editor.CenterXBox()->setText("13");
  platform.message_answers = {MsgAnswer::Yes};
  editor.close();
  EXPECT_EQ(platform.messages.back().text, "Do you want to save any changes to this graphic?");
  EXPECT_EQ(platform.messages.back().title, "Save changes");
  ASSERT_TRUE(windows.Document().LoadFile(path, false));
  EXPECT_EQ(Graphic().Frame(1).CenterX, 13);
  // Opened again: nothing changed, no question.
  Load(path);
  size_t said = platform.messages.size();
  editor.close();
  EXPECT_EQ(platform.messages.size(), said);
}

TEST_F(SLXEditorTest, ZoomButtonsShowTheFrameBitmapsWithoutTheMark) {
  std::string path = WriteGraphic("z", {{30, 20, 10, 10}});
  std::filesystem::remove(dir.File("z1d.bmp"));
  cDIBSection data;
  ASSERT_TRUE(data.Create(30, 20));
  data.Fill(kDataPlayer);
  ASSERT_TRUE(data.SavePicture(dir.File("z1d.bmp")));
  SLXEditorForm& editor = Load(path);
  editor.CenterXBox()->setText("5");  // draws the mark on the colour view
  QTest::mouseClick(editor.ZoomButton(0), Qt::LeftButton);
  ZoomForm& zoom = windows.Zoom();
  EXPECT_TRUE(zoom.isVisible());
  EXPECT_EQ(zoom.OriginalDIB.Width(), 30);
  EXPECT_EQ(zoom.OriginalDIB.GetPixel(5, 10), RGBColour(0, 50, 60));  // no mark
  QTest::mouseClick(editor.ZoomButton(1), Qt::LeftButton);
  EXPECT_EQ(zoom.OriginalDIB.GetPixel(5, 10), kDataPlayer);
  zoom.close();
}

TEST(Crosshair, StampInvertsTheTwoLinesOnly) {
  QImage image(30, 30, QImage::Format_RGB32);
  image.fill(qRgb(0, 0, 128));
  StampCrosshair(image, QPoint(12, 12));
  int inverted = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x)
      if (image.pixel(x, y) != qRgb(0, 0, 128)) {
        ++inverted;
        EXPECT_TRUE(x == 12 || y == 12) << x << "," << y;
        EXPECT_EQ(image.pixel(x, y), qRgb(255, 255, 127));
      }
  EXPECT_EQ(inverted, 49);
}

}  // namespace
}  // namespace zorv::gui
