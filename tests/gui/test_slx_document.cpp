#include <gtest/gtest.h>

#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <optional>
#include <string>
#include <vector>

#include "app/gui/EditorWindows.h"
#include "codec/DIBSection.h"
#include "codec/SLX.h"
#include "tests/gui/support/ScriptedPlatform.h"
#include "tests/support/TestSupport.h"
#include "tools/gui/FrameView.h"
#include "tools/gui/SLXDocument.h"
#include "tools/gui/SLXEditorForm.h"

namespace zorv::gui {
namespace {

struct FrameSpec {
  int width, height, center_x, center_y;
};

QColor AsQ(ColourValue c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

// A graphic in memory only; its bitmaps need not exist.
SLXGraphic MakeGraphic(const std::string& path, const std::vector<FrameSpec>& frames) {
  SLXGraphic graphic;
  graphic.Path = path;
  graphic.FrameCount = static_cast<int32_t>(frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    graphic.Frames.push_back(
        SLXFrame{n + ".bmp", n + "d.bmp", frames[i].center_x, frames[i].center_y});
  }
  return graphic;
}

class SLXDocumentTest : public ::testing::Test {
 protected:
  // Writes an SLX graphic and its bitmaps; frame i's colour bitmap is
  // filled with ColourOf(name, i).
  std::string WriteGraphic(const std::string& name, const std::vector<FrameSpec>& frames) {
    SLXGraphic graphic;
    graphic.Path = dir.File(name + ".slx");
    graphic.FrameCount = static_cast<int32_t>(frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
      cDIBSection colour, data;
      EXPECT_TRUE(colour.Create(frames[i].width, frames[i].height));
      EXPECT_TRUE(data.Create(frames[i].width, frames[i].height));
      colour.Fill(ColourOf(name, static_cast<int>(i) + 1));
      data.Fill(kDataNormal);
      const std::string c = name + std::to_string(i + 1) + ".bmp";
      const std::string d = name + std::to_string(i + 1) + "d.bmp";
      EXPECT_TRUE(colour.SavePicture(dir.File(c)));
      EXPECT_TRUE(data.SavePicture(dir.File(d)));
      graphic.Frames.push_back(SLXFrame{c, d, frames[i].center_x, frames[i].center_y});
    }
    EXPECT_TRUE(SaveSLX(graphic));
    return graphic.Path;
  }

  static ColourValue ColourOf(const std::string& name, int frame) {
    return RGBColour(name.empty() ? 0 : name[0], 20 * frame, 90);
  }

  test::TempDir dir;
  test::ScriptedPlatform platform;
  SLXDocument document;
};

// ---- Loading ---------------------------------------------------------------

TEST_F(SLXDocumentTest, LoadForDisplayAsksForTheEditorBeforeTheGraphicIsReplaced) {
  document.Load(MakeGraphic("old.slx", {{5, 5, 0, 0}, {5, 5, 0, 0}}), false);
  std::vector<std::string> heard;
  QObject::connect(&document, &SLXDocument::editorRequested, [&](int frame_count) {
    heard.push_back("editor " + std::to_string(frame_count) + " while " +
                    document.Graphic().Path + " has " +
                    std::to_string(document.Graphic().Frames.size()));
  });
  QObject::connect(&document, &SLXDocument::graphicLoaded, [&] {
    heard.push_back("loaded " + document.Graphic().Path + " has " +
                    std::to_string(document.Graphic().Frames.size()));
  });
  document.Load(MakeGraphic("new.slx", {{5, 5, 1, 1}, {5, 5, 2, 2}, {5, 5, 3, 3}}), true);
  EXPECT_EQ(heard, (std::vector<std::string>{"editor 3 while old.slx has 2",
                                             "loaded new.slx has 3"}));
  EXPECT_EQ(document.Graphic().FrameCount, 3);
  EXPECT_EQ(document.Graphic().Frame(3).CenterX, 3);
}

TEST_F(SLXDocumentTest, LoadWithoutDisplayOnlyTellsOfTheNewGraphic) {
  QSignalSpy requested(&document, &SLXDocument::editorRequested);
  std::vector<size_t> frames_when_loaded;
  QObject::connect(&document, &SLXDocument::graphicLoaded,
                   [&] { frames_when_loaded.push_back(document.Graphic().Frames.size()); });
  document.Load(MakeGraphic("a.slx", {{5, 5, 0, 0}, {5, 5, 0, 0}}), false);
  EXPECT_EQ(requested.count(), 0);
  EXPECT_EQ(frames_when_loaded, (std::vector<size_t>{2}));
  EXPECT_EQ(document.Graphic().Path, "a.slx");
}

TEST_F(SLXDocumentTest, LoadFileReadsTheGraphicAndLoadsItAsAsked) {
  const std::string path = WriteGraphic("f", {{8, 6, 4, 5}, {7, 7, -2, 9}});
  QSignalSpy requested(&document, &SLXDocument::editorRequested);
  QSignalSpy loaded(&document, &SLXDocument::graphicLoaded);

  const Status without = document.LoadFile(path, false);
  ASSERT_TRUE(without) << without.message();
  EXPECT_EQ(requested.count(), 0);
  EXPECT_EQ(loaded.count(), 1);
  EXPECT_EQ(document.Graphic().Path, path);
  EXPECT_EQ(document.Graphic().FrameCount, 2);
  EXPECT_EQ(document.Graphic().Frame(2).CenterX, -2);
  EXPECT_EQ(document.Graphic().Frame(2).CenterY, 9);

  const Status with = document.LoadFile(path, true);
  ASSERT_TRUE(with) << with.message();
  ASSERT_EQ(requested.count(), 1);
  EXPECT_EQ(requested.at(0).at(0).toInt(), 2);
  EXPECT_EQ(loaded.count(), 2);
}

TEST_F(SLXDocumentTest, AFileThatIsNoGraphicChangesNothingAndTellsNothing) {
  const std::string good = WriteGraphic("g", {{5, 5, 1, 2}, {5, 5, 3, 4}, {5, 5, 5, 6}});
  ASSERT_TRUE(document.LoadFile(good, false));
  document.SetCurrentFrame(2);
  document.SetAnimationRange(2, 3);
  QSignalSpy requested(&document, &SLXDocument::editorRequested);
  QSignalSpy loaded(&document, &SLXDocument::graphicLoaded);
  QSignalSpy frame_changed(&document, &SLXDocument::currentFrameChanged);
  QSignalSpy hot_spot(&document, &SLXDocument::hotSpotChanged);

  const std::string bad = dir.File("bad.slx");
  test::WriteFileBytes(bad, "this is no SLX file\r\n");
  for (const std::string& path : {bad, dir.File("missing.slx")}) {
    for (bool show_editor : {true, false}) {
      const Status status = document.LoadFile(path, show_editor);
      EXPECT_FALSE(status) << path;
      EXPECT_EQ(status.Headline(), "Unrecognised file format!") << path;
    }
  }
  EXPECT_EQ(requested.count(), 0);
  EXPECT_EQ(loaded.count(), 0);
  EXPECT_EQ(frame_changed.count(), 0);
  EXPECT_EQ(hot_spot.count(), 0);
  EXPECT_EQ(document.Graphic().Path, good);
  EXPECT_EQ(document.Graphic().FrameCount, 3);
  EXPECT_EQ(document.Graphic().Frame(3).CenterY, 6);
  EXPECT_EQ(document.CurrentFrame(), 2);
  EXPECT_EQ(document.AnimateFirst(), 2);
  EXPECT_EQ(document.AnimateLast(), 3);
}

TEST_F(SLXDocumentTest, LoadAnimatesEveryFrameFromTheFirst) {
  for (bool show_editor : {false, true}) {
    document.Load(MakeGraphic("four.slx", {{5, 5, 0, 0}, {5, 5, 0, 0}, {5, 5, 0, 0},
                                           {5, 5, 0, 0}}),
                  show_editor);
    EXPECT_EQ(document.AnimateFirst(), 1);
    EXPECT_EQ(document.AnimateLast(), 4);
    document.SetCurrentFrame(3);
    document.SetAnimationRange(2, 3);
    EXPECT_EQ(document.CurrentFrame(), 3);
    EXPECT_EQ(document.AnimateFirst(), 2);
    document.Load(MakeGraphic("five.slx", {{5, 5, 0, 0}, {5, 5, 0, 0}, {5, 5, 0, 0},
                                           {5, 5, 0, 0}, {5, 5, 0, 0}}),
                  show_editor);
    EXPECT_EQ(document.CurrentFrame(), 1) << show_editor;
    EXPECT_EQ(document.AnimateFirst(), 1) << show_editor;
    EXPECT_EQ(document.AnimateLast(), 5) << show_editor;
  }
}

// ---- Frame and hot spots ---------------------------------------------------

TEST_F(SLXDocumentTest, SetHotSpotTellsOnlyOfChangesToFramesOfTheGraphic) {
  document.Load(MakeGraphic("h.slx", {{5, 5, 3, 4}, {5, 5, 8, 9}}), false);
  QSignalSpy changed(&document, &SLXDocument::hotSpotChanged);

  document.SetHotSpot(1, 3, 4);  // as it is
  EXPECT_EQ(changed.count(), 0);
  document.SetHotSpot(1, -5, 4);
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed.at(0).at(0).toInt(), 1);
  EXPECT_EQ(document.Graphic().Frame(1).CenterX, -5);
  EXPECT_EQ(document.Graphic().Frame(1).CenterY, 4);
  document.SetHotSpot(2, 8, 10);  // only y differs
  ASSERT_EQ(changed.count(), 2);
  EXPECT_EQ(changed.at(1).at(0).toInt(), 2);
  EXPECT_EQ(document.Graphic().Frame(2).CenterY, 10);
  EXPECT_EQ(document.Graphic().Frame(1).CenterX, -5);  // the other frame untouched

  for (int outside : {0, -1, 3})
    document.SetHotSpot(outside, 1, 1);
  EXPECT_EQ(changed.count(), 2);
  EXPECT_EQ(document.Graphic().Frames.size(), 2u);
  EXPECT_EQ(document.Graphic().Frame(1).CenterX, -5);
  EXPECT_EQ(document.Graphic().Frame(2).CenterX, 8);

  // A count beyond the listed frames does not make a frame of the graphic.
  SLXGraphic short_list = MakeGraphic("s.slx", {{5, 5, 0, 0}});
  short_list.FrameCount = 2;
  document.Load(short_list, false);
  EXPECT_TRUE(document.HasFrame(1));
  EXPECT_FALSE(document.HasFrame(2));
  document.SetHotSpot(2, 7, 7);
  EXPECT_EQ(changed.count(), 2);
  EXPECT_EQ(document.Graphic().Frames.size(), 1u);

  // Hot spots moved by an operation on the graphic: any frame may have.
  document.HotSpotsChanged();
  ASSERT_EQ(changed.count(), 3);
  EXPECT_EQ(changed.at(2).at(0).toInt(), 0);
}

TEST_F(SLXDocumentTest, SetCurrentFrameTellsOnlyOfChanges) {
  document.Load(MakeGraphic("c.slx", {{5, 5, 0, 0}, {5, 5, 0, 0}, {5, 5, 0, 0}}), false);
  QSignalSpy changed(&document, &SLXDocument::currentFrameChanged);
  document.SetCurrentFrame(1);
  EXPECT_EQ(changed.count(), 0);
  document.SetCurrentFrame(3);
  document.SetCurrentFrame(3);
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed.at(0).at(0).toInt(), 3);
  EXPECT_EQ(document.CurrentFrame(), 3);
  document.SetCurrentFrame(2);
  ASSERT_EQ(changed.count(), 2);
  EXPECT_EQ(changed.at(1).at(0).toInt(), 2);
}

TEST_F(SLXDocumentTest, RequestsToTheEditorAreSignalled) {
  document.Load(MakeGraphic("r.slx", {{5, 5, 0, 0}, {5, 5, 0, 0}, {5, 5, 0, 0},
                                      {5, 5, 0, 0}}),
                false);
  QSignalSpy selected(&document, &SLXDocument::frameSelected);
  QSignalSpy frame_changed(&document, &SLXDocument::currentFrameChanged);
  QSignalSpy range_reset(&document, &SLXDocument::frameRangeReset);
  std::vector<AutoGenResult> generated;
  QObject::connect(&document, &SLXDocument::frameGenerated,
                   [&](const AutoGenResult& result) { generated.push_back(result); });

  document.SelectFrame(3);
  ASSERT_EQ(selected.count(), 1);
  EXPECT_EQ(selected.at(0).at(0).toInt(), 3);
  EXPECT_EQ(document.CurrentFrame(), 3);
  ASSERT_EQ(frame_changed.count(), 1);
  EXPECT_EQ(frame_changed.at(0).at(0).toInt(), 3);

  document.ResetFrameRange();
  ASSERT_EQ(range_reset.count(), 1);
  EXPECT_EQ(range_reset.at(0).at(0).toInt(), 4);

  AutoGenResult result;
  result.Frame = 2;
  result.Generated = true;
  result.CenterX = -6;
  result.CenterY = 11;
  result.Views.Move = true;
  result.Views.ColourView = {30, 40};
  document.ShowGenerated(result);
  ASSERT_EQ(generated.size(), 1u);
  EXPECT_EQ(generated[0].Frame, 2);
  EXPECT_TRUE(generated[0].Generated);
  EXPECT_EQ(generated[0].CenterX, -6);
  EXPECT_EQ(generated[0].CenterY, 11);
  EXPECT_TRUE(generated[0].Views.Move);
  EXPECT_EQ(generated[0].Views.ColourView, (ViewPoint{30, 40}));
  // Showing a result is no change of frame or range.
  EXPECT_EQ(document.CurrentFrame(), 3);
  EXPECT_EQ(selected.count(), 1);
  EXPECT_EQ(range_reset.count(), 1);
}

// ---- The document and the editor window ------------------------------------

class DocumentWindowsTest : public SLXDocumentTest {
 protected:
  void TearDown() override {
    if (SLXEditorForm* editor = windows.ExistingEditor()) {
      platform.message_answers.push_back(MsgAnswer::No);
      editor->close();
    }
  }

  // Declared after the platform, so the windows go before it.
  EditorWindows windows;
};

TEST_F(DocumentWindowsTest, LoadingForDisplayMakesAndOpensTheEditor) {
  const std::string path = WriteGraphic("d", {{12, 9, 2, 3}, {6, 6, 1, 1}, {6, 6, 1, 1}});
  ASSERT_EQ(windows.ExistingEditor(), nullptr);
  ASSERT_TRUE(windows.Document().LoadFile(path, true));
  SLXEditorForm* editor = windows.ExistingEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->FrameScroll()->maximum(), 3);
  EXPECT_EQ(editor->FrameScroll()->value(), 1);
  EXPECT_EQ(editor->SLXColourPicBox()->size(), QSize(12, 9));
  EXPECT_EQ(editor->SLXColourPicBox()->Picture().pixelColor(0, 0), AsQ(ColourOf("d", 1)));
  EXPECT_EQ(editor->CenterYBox()->text(), "3");

  // The slider is reset before the shorter graphic is in place, so no frame
  // of either graphic is missed on the way.
  editor->FrameScroll()->setValue(3);
  const std::string shorter = WriteGraphic("e", {{7, 5, 4, 4}});
  ASSERT_TRUE(windows.Document().LoadFile(shorter, true));
  EXPECT_EQ(windows.ExistingEditor(), editor);  // the same window
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(editor->FrameScroll()->maximum(), 1);
  EXPECT_EQ(editor->FrameScroll()->value(), 1);
  EXPECT_EQ(editor->SLXColourPicBox()->size(), QSize(7, 5));
  EXPECT_EQ(editor->CenterXBox()->text(), "4");
}

TEST_F(DocumentWindowsTest, AClosedEditorFollowsAGraphicLoadedWithoutDisplay) {
  const std::string first = WriteGraphic("p", {{12, 9, 2, 3}});
  const std::string second = WriteGraphic("q", {{20, 15, -4, 7}, {5, 5, 0, 0}});
  ASSERT_TRUE(windows.Document().LoadFile(first, true));
  SLXEditorForm& editor = windows.Editor();
  editor.close();
  ASSERT_FALSE(editor.isVisible());

  ASSERT_TRUE(windows.Document().LoadFile(second, false));
  EXPECT_EQ(windows.ExistingEditor(), &editor);
  EXPECT_FALSE(editor.isVisible());  // not opened
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(editor.SLXColourPicBox()->Picture().pixelColor(0, 0), AsQ(ColourOf("q", 1)));
  EXPECT_EQ(editor.SLXColourPicBox()->size(), QSize(20, 15));
  EXPECT_EQ(editor.CenterXBox()->text(), "-4");
  EXPECT_EQ(editor.CenterYBox()->text(), "7");
  EXPECT_EQ(windows.Document().Graphic().Frame(1).CenterX, -4);  // showing it changed nothing
}

TEST_F(DocumentWindowsTest, LoadingWithoutDisplayMakesNoEditor) {
  const std::string path = WriteGraphic("n", {{6, 6, 1, 1}, {6, 6, 2, 2}});
  ASSERT_TRUE(windows.Document().LoadFile(path, false));
  EXPECT_EQ(windows.ExistingEditor(), nullptr);
  EXPECT_EQ(windows.Document().Graphic().Path, path);
  EXPECT_EQ(windows.Document().Graphic().FrameCount, 2);
  EXPECT_TRUE(platform.messages.empty());
}

}  // namespace
}  // namespace zorv::gui
