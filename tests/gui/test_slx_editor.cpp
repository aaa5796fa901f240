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

// Frame i's data bitmap is filled with a data colour of its own.
ColourValue DataColourOf(size_t i) {
  constexpr ColourValue kColours[] = {kDataNormal, kDataPlayer, kDataShadow, kDataPlayerOutline,
                                      kDataBlackOutline};
  return kColours[i % std::size(kColours)];
}

QRgb Rgb(ColourValue colour) {
  return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

class SLXEditorTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (SLXEditorForm* editor = windows.ExistingEditor()) {
      platform.message_answers.push_back(MsgAnswer::No);
      editor->close();
    }
  }

  // Writes an SLX graphic whose frame i has the given size and hot spot; the
  // colour and data bitmaps are filled with colours of their own.
  std::string WriteGraphic(const std::string& name, const std::vector<FrameSpec>& frames) {
    SLXGraphic graphic;
    graphic.Path = dir.File(name + ".slx");
    graphic.FrameCount = static_cast<int32_t>(frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
      cDIBSection colour, data;
      colour.Create(frames[i].width, frames[i].height);
      data.Create(frames[i].width, frames[i].height);
      colour.Fill(RGBColour(10 * static_cast<int>(i), 50, 60));
      data.Fill(DataColourOf(i));
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
  EXPECT_EQ(editor.windowTitle(), "SLX Editor - frame 1 of 3");
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

TEST_F(SLXEditorTest, AViewWhoseBitmapIsMissingShowsNoOtherFramesPicture) {
  std::string path = WriteGraphic("run", {{20, 20, 1, 1}, {30, 10, 2, 2}, {16, 12, 5, 6}});
  std::filesystem::remove(dir.File("run2d.bmp"));
  std::filesystem::remove(dir.File("run3.bmp"));
  SLXEditorForm& editor = Load(path);
  const QImage first_colour = editor.SLXColourPicBox()->Picture();
  const QImage first_data = editor.SLXDataPicBox()->Picture();
  const QPoint colour_anchor = ColourHotSpotOnWindow(editor);
  const QPoint data_anchor = DataHotSpotOnWindow(editor);

  // No data bitmap: an empty data view at the colour view's size, quietly.
  editor.FrameScroll()->setValue(2);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(editor.SLXDataPicBox()->size(), QSize(30, 10));
  EXPECT_NE(editor.SLXDataPicBox()->Picture(), first_data);
  EXPECT_NE(editor.SLXDataPicBox()->Picture().pixel(0, 0), first_data.pixel(0, 0));
  EXPECT_EQ(DataHotSpotOnWindow(editor), data_anchor);

  // No colour bitmap: said once; the colour view is empty, the data view
  // shows this frame's data bitmap, and both lie where this frame's hot spot
  // puts them, as the boxes say.
  editor.FrameScroll()->setValue(3);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(platform.messages[0].text.find("run3.bmp"), std::string::npos);
  EXPECT_NE(editor.SLXColourPicBox()->Picture(), first_colour);
  EXPECT_NE(editor.SLXColourPicBox()->Picture().pixel(0, 0), first_colour.pixel(0, 0));
  EXPECT_EQ(editor.SLXDataPicBox()->size(), QSize(16, 12));
  EXPECT_EQ(editor.SLXDataPicBox()->Picture().pixel(0, 0), Rgb(DataColourOf(2)));
  EXPECT_EQ(editor.CenterXBox()->text(), "5");
  EXPECT_EQ(editor.CenterYBox()->text(), "6");
  EXPECT_EQ(ColourHotSpotOnWindow(editor), colour_anchor);
  EXPECT_EQ(DataHotSpotOnWindow(editor), data_anchor);
  EXPECT_EQ(editor.windowTitle(), "SLX Editor - frame 3 of 3");

  // Another graphic without a data bitmap shows nothing of this one.
  editor.FrameScroll()->setValue(1);
  const QImage data_before = editor.SLXDataPicBox()->Picture();
  std::string other = WriteGraphic("bare", {{8, 8, 0, 0}});
  std::filesystem::remove(dir.File("bare1d.bmp"));
  Load(other);
  EXPECT_EQ(editor.SLXDataPicBox()->size(), QSize(8, 8));
  EXPECT_NE(editor.SLXDataPicBox()->Picture(), data_before.copy(0, 0, 8, 8));
  EXPECT_NE(editor.SLXDataPicBox()->Picture().pixel(0, 0), data_before.pixel(0, 0));
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

TEST_F(SLXEditorTest, PlayerColourMenuShowsPlayerPixelsInTheChosenPlayersShades) {
  // Left half player colour, drawn in player 1's shade 5; right half normal.
  const Palette& palette = Palette::BuiltIn();
  std::string path = WriteGraphic("p", {{20, 10, 5, 5}});
  cDIBSection colour, data;
  ASSERT_TRUE(colour.Create(20, 10) && data.Create(20, 10));
  colour.Fill(palette.Colour(16 + 5));
  data.Fill(kDataNormal);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 10; ++x) data.SetPixel(x, y, kDataPlayer);
  ASSERT_TRUE(colour.SavePicture(dir.File("p1.bmp")));
  ASSERT_TRUE(data.SavePicture(dir.File("p1d.bmp")));
  const std::string files_before = test::ReadFileBytes(path) +
                                   test::ReadFileBytes(dir.File("p1.bmp")) +
                                   test::ReadFileBytes(dir.File("p1d.bmp"));
  SLXEditorForm& editor = Load(path);

  // Eight choices, one at a time, player 1 first.
  for (int n = 1; n <= 8; ++n) {
    QAction* choice = editor.MenuAction("menu_player_choice(" + std::to_string(n) + ")");
    ASSERT_NE(choice, nullptr) << n;
    EXPECT_EQ(choice->text(), QString("Player %1").arg(n));
    EXPECT_EQ(choice->isChecked(), n == 1);
  }
  EXPECT_EQ(editor.SLXColourPicBox()->Picture().pixel(2, 2), Rgb(palette.Colour(21)));

  editor.MenuAction("menu_player_choice(3)")->trigger();
  EXPECT_FALSE(editor.MenuAction("menu_player_choice(1)")->isChecked());
  EXPECT_EQ(windows.Document().Player(), 3);
  EXPECT_EQ(editor.SLXColourPicBox()->Picture().pixel(2, 2), Rgb(palette.Colour(48 + 5)));
  EXPECT_EQ(editor.SLXColourPicBox()->Picture().pixel(15, 2), Rgb(palette.Colour(21)));
  // The zoom window shows what the view shows.
  QTest::mouseClick(editor.ZoomButton(0), Qt::LeftButton);
  EXPECT_EQ(windows.Zoom().OriginalDIB.GetPixel(2, 2), palette.Colour(48 + 5));
  windows.Zoom().close();
  // Shown again, the frame keeps the player.
  windows.Document().RedisplayFrame();
  EXPECT_EQ(editor.SLXColourPicBox()->Picture().pixel(2, 2), Rgb(palette.Colour(48 + 5)));

  editor.MenuAction("menu_player_choice(8)")->trigger();
  EXPECT_EQ(editor.SLXColourPicBox()->Picture().pixel(2, 2), Rgb(palette.Colour(128 + 5)));
  editor.MenuAction("menu_player_choice(1)")->trigger();
  EXPECT_EQ(editor.SLXColourPicBox()->Picture().pixel(2, 2), Rgb(palette.Colour(21)));
  // Only the view changed: no file was written.
  EXPECT_EQ(test::ReadFileBytes(path) + test::ReadFileBytes(dir.File("p1.bmp")) +
                test::ReadFileBytes(dir.File("p1d.bmp")),
            files_before);
}

TEST_F(SLXEditorTest, EveryHotSpotChangeByMouseCountsAsAChange) {
  std::string path = WriteGraphic("m", {{60, 60, 10, 10}, {60, 60, 10, 10}});
  SLXEditorForm& editor = Load(path);
  // A right click on the hot spot itself changes nothing.
  editor.ColourPress(Qt::RightButton, QPoint(10, 10), QPoint(300, 300));
  editor.ColourRelease(Qt::RightButton);
  EXPECT_FALSE(editor.Changed());
  // A right-button drag moves it, and that is a change to save.
  editor.ColourPress(Qt::RightButton, QPoint(10, 10), QPoint(300, 300));
  editor.ColourMove(QPoint(14, 17), QPoint(304, 307));
  editor.ColourRelease(Qt::RightButton);
  EXPECT_TRUE(editor.Changed());
  platform.message_answers = {MsgAnswer::Yes};
  editor.close();
  ASSERT_FALSE(platform.messages.empty());
  EXPECT_EQ(platform.messages.back().text, "Do you want to save any changes to this graphic?");
  ASSERT_TRUE(windows.Document().LoadFile(path, false));
  EXPECT_EQ(Graphic().Frame(1).CenterX, 14);
  EXPECT_EQ(Graphic().Frame(1).CenterY, 17);

  // So is a fine drag, on any frame.
  Load(path);
  EXPECT_FALSE(editor.Changed());
  editor.FrameScroll()->setValue(2);
  editor.MenuAction("menu_center_precision_option(2)")->trigger();
  editor.ColourPress(Qt::RightButton, QPoint(10, 10), QPoint(300, 300));
  editor.ColourMove(QPoint(40, 10), QPoint(330, 300));  // 30 pixels at 15: 2
  editor.ColourRelease(Qt::RightButton);
  EXPECT_EQ(Graphic().Frame(2).CenterX, 12);
  EXPECT_TRUE(editor.Changed());
  platform.message_answers = {MsgAnswer::Yes};
  editor.close();
  ASSERT_TRUE(windows.Document().LoadFile(path, false));
  EXPECT_EQ(Graphic().Frame(2).CenterX, 12);
}

TEST_F(SLXEditorTest, DisplayStartsUncheckedAtEveryOpening) {
  std::string path = WriteGraphic("d", {{30, 30, 10, 10}});
  SLXEditorForm& editor = Load(path);
  EXPECT_FALSE(editor.DisplayChecked());
  editor.CenterXBox()->setText("12");
  EXPECT_TRUE(editor.DisplayChecked());
  platform.message_answers = {MsgAnswer::No};
  editor.close();
  Load(path);
  EXPECT_FALSE(editor.DisplayChecked());
  EXPECT_FALSE(editor.MenuAction("menu_center_display")->isChecked());
  EXPECT_FALSE(editor.SurfaceMark());
  EXPECT_FALSE(editor.SLXColourPicBox()->Mark());
}

TEST_F(SLXEditorTest, HotSpotsStayWithinTheLimitAndTheBoxesShowWhatIsSaved) {
  std::string path = WriteGraphic("h", {{30, 30, 10, 10}});
  SLXEditorForm& editor = Load(path);
  editor.CenterXBox()->setText("99999999999");
  EXPECT_EQ(editor.CenterXBox()->text(), "100000000");
  EXPECT_EQ(Graphic().Frame(1).CenterX, 100000000);
  // A spin at the limit stays there instead of wrapping round.
  editor.CenterXScroll()->setValue(2);
  EXPECT_EQ(editor.CenterXBox()->text(), "100000000");
  EXPECT_EQ(Graphic().Frame(1).CenterX, 100000000);
  editor.CenterYBox()->setText("-99999999999");
  EXPECT_EQ(editor.CenterYBox()->text(), "-100000000");
  editor.CenterYScroll()->setValue(0);
  EXPECT_EQ(editor.CenterYBox()->text(), "-100000000");
  EXPECT_EQ(Graphic().Frame(1).CenterY, -100000000);
  // Back inside, spins count as ever.
  editor.CenterXScroll()->setValue(0);
  EXPECT_EQ(editor.CenterXBox()->text(), "99999999");
  editor.MenuAction("menu_save")->trigger();
  EXPECT_NE(test::ReadFileBytes(path).find("\r\n99999999,-100000000\r\n"), std::string::npos)
      << test::ReadFileBytes(path);

  // A file's hot spot beyond the limit is shown, kept and saved as the limit,
  // which makes the graphic differ from its file.
  std::string far = WriteGraphic(
      "far", {{30, 30, 2147483647, -2147483647 - 1}, {30, 30, -2147483647 - 1, 2147483647}});
  Load(far);
  EXPECT_EQ(editor.CenterXBox()->text(), "100000000");
  EXPECT_EQ(editor.CenterYBox()->text(), "-100000000");
  EXPECT_EQ(Graphic().Frame(1).CenterX, 100000000);
  EXPECT_EQ(Graphic().Frame(1).CenterY, -100000000);
  EXPECT_TRUE(editor.Changed());
  // Frames at opposite ends still line up on their hot spots.
  const QPoint anchor = ColourHotSpotOnWindow(editor);
  editor.FrameScroll()->setValue(2);
  EXPECT_EQ(editor.CenterXBox()->text(), "-100000000");
  EXPECT_EQ(ColourHotSpotOnWindow(editor), anchor);
}

TEST_F(SLXEditorTest, CtrlSSavesChanges) {
  std::string path = WriteGraphic("k", {{30, 30, 10, 10}});
  SLXEditorForm& editor = Load(path);
  editor.CenterXBox()->setText("12");
  editor.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
  QTest::keyClick(&editor, Qt::Key_S, Qt::ControlModifier);
  ASSERT_FALSE(platform.messages.empty());
  EXPECT_EQ(platform.messages.back().text, "Changes saved");
  ASSERT_TRUE(windows.Document().LoadFile(path, false));
  EXPECT_EQ(Graphic().Frame(1).CenterX, 12);
}

TEST_F(SLXEditorTest, TheTitleAndTheFrameSliderTellWhichFrameIsShown) {
  std::string path = WriteGraphic("n", {{5, 5, 0, 0}, {5, 5, 0, 0}, {5, 5, 0, 0}, {5, 5, 0, 0}});
  SLXEditorForm& editor = Load(path);
  std::vector<QRect> places;
  for (QWidget* control : editor.Surface()->findChildren<QWidget*>())
    places.push_back(control->geometry());
  EXPECT_EQ(editor.windowTitle(), "SLX Editor - frame 1 of 4");
  EXPECT_EQ(editor.FrameScroll()->toolTip(), "Frame 1 of 4");
  editor.FrameScroll()->setValue(3);
  EXPECT_EQ(editor.windowTitle(), "SLX Editor - frame 3 of 4");
  EXPECT_EQ(editor.FrameScroll()->toolTip(), "Frame 3 of 4");
  editor.AnimationTick();
  EXPECT_EQ(editor.windowTitle(), "SLX Editor - frame 4 of 4");
  EXPECT_EQ(editor.FrameScroll()->toolTip(), "Frame 4 of 4");
  // Telling it moves no control (the views move only with the frames).
  size_t i = 0;
  for (QWidget* control : editor.Surface()->findChildren<QWidget*>()) {
    if (!dynamic_cast<FrameView*>(control)) {
      EXPECT_EQ(control->geometry(), places[i]) << i;
    }
    ++i;
  }
  // A graphic loaded for conversion has no frame 4: no number is claimed.
  std::string shorter = WriteGraphic("o", {{5, 5, 0, 0}});
  ASSERT_TRUE(windows.Document().LoadFile(shorter, false));
  EXPECT_EQ(editor.windowTitle(), "SLX Editor");
  EXPECT_EQ(editor.FrameScroll()->toolTip(), "");
}

TEST_F(SLXEditorTest, ControlsStayAboveAFrameLargerThanTheWindow) {
  // One frame far larger than the window, set by a point far inside it, so
  // that on release the frame moves up and left over every control.
  std::string path = WriteGraphic("big", {{1200, 800, 10, 10}});
  SLXEditorForm& editor = Load(path);
  editor.ColourPress(Qt::RightButton, QPoint(700, 500), QPoint(600, 500));
  editor.ColourRelease(Qt::RightButton);
  QWidget* surface = editor.Surface();
  ASSERT_TRUE(editor.SLXColourPicBox()->geometry().contains(QRect(0, 0, 400, 200)));
  const QRgb frame_colour = Rgb(RGBColour(0, 50, 60));
  const QImage shown = surface->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.pixel(300, 250), frame_colour);  // the frame is there
  int controls = 0;
  for (QObject* child : surface->children()) {
    auto* control = qobject_cast<QWidget*>(child);
    if (!control || control->isHidden() || dynamic_cast<FrameView*>(control)) continue;
    ++controls;
    const QRect place = control->geometry();
    // The mouse reaches the control (or the one covering the spin cross),
    // not the frame.
    QWidget* hit = surface->childAt(place.center());
    ASSERT_NE(hit, nullptr) << FromQ(control->objectName());
    EXPECT_EQ(dynamic_cast<FrameView*>(hit), nullptr) << FromQ(control->objectName());
    int frame_pixels = 0;
    for (int y = place.top(); y <= place.bottom(); ++y)
      for (int x = place.left(); x <= place.right(); ++x)
        frame_pixels += shown.pixel(x, y) == frame_colour;
    EXPECT_EQ(frame_pixels, 0) << FromQ(control->objectName());
  }
  EXPECT_EQ(controls, 11);
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
