#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <map>
#include <set>

#include "app/gui/EditorWindows.h"
#include "autogen/gui/SLXAutoGenForm.h"
#include "autogen/gui/SLXAutoGenFormButtons.h"
#include "codec/DIBSection.h"
#include "codec/SLX.h"
#include "project/gui/EditorForm.h"
#include "tests/gui/support/ScriptedPlatform.h"
#include "tests/support/TestSupport.h"
#include "tools/gui/FrameView.h"
#include "tools/gui/SLXDocument.h"
#include "tools/gui/SLXEditorForm.h"

namespace zorv::gui {
namespace {

using Dialog = SLXAutoGenForm;

constexpr ColourValue kMagentaColour = RGBColour(255, 0, 255);
constexpr ColourValue kGrey = RGBColour(100, 100, 100);

// The scripted platform, also noting where the colour dialog starts and
// under which application name settings are kept.
class AutoGenPlatform : public test::ScriptedPlatform {
 public:
  std::vector<ColourValue> colour_dialog_starts;
  std::set<std::string> applications;
  int setting_writes = 0;

  std::optional<ColourValue> ChooseColour(ColourValue initial) override {
    colour_dialog_starts.push_back(initial);
    return ScriptedPlatform::ChooseColour(initial);
  }
  std::string GetSetting(const std::string& application, const std::string& section,
                         const std::string& key, const std::string& fallback) override {
    applications.insert(application);
    return ScriptedPlatform::GetSetting(application, section, key, fallback);
  }
  void SaveSetting(const std::string& application, const std::string& section,
                   const std::string& key, const std::string& value) override {
    applications.insert(application);
    ++setting_writes;
    ScriptedPlatform::SaveSetting(application, section, key, value);
  }
};

QColor Shown(const QWidget* button) {
  return const_cast<QWidget*>(button)->grab().toImage().pixelColor(button->width() / 2,
                                                                     button->height() / 2);
}
QColor AsQ(ColourValue c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

std::map<ColourValue, int> CountColours(const cDIBSection& bitmap) {
  std::map<ColourValue, int> counts;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) ++counts[bitmap.GetPixel(x, y)];
  return counts;
}

// One frame: a mask-coloured picture with one grey pixel, and its hot spot.
struct FramePlan {
  int width, height, pixel_x, pixel_y, center_x, center_y;
};

class AutoGenFormTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (SLXEditorForm* editor = windows.ExistingEditor()) {
      platform.message_answers.push_back(MsgAnswer::No);
      editor->close();
    }
  }

  std::string WriteGraphic(const std::string& name, const std::vector<FramePlan>& frames) {
    SLXGraphic graphic;
    graphic.Path = dir.File(name + ".slx");
    graphic.FrameCount = static_cast<int32_t>(frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
      const FramePlan& f = frames[i];
      cDIBSection colour, data;
      EXPECT_TRUE(colour.Create(f.width, f.height));
      EXPECT_TRUE(data.Create(f.width, f.height));
      colour.Fill(kMagentaColour);
      colour.SetPixel(f.pixel_x, f.pixel_y, kGrey);
      data.Fill(kDataNormal);
      const std::string c = name + std::to_string(i + 1) + ".bmp";
      const std::string d = name + std::to_string(i + 1) + "d.bmp";
      EXPECT_TRUE(colour.SavePicture(dir.File(c)));
      EXPECT_TRUE(data.SavePicture(dir.File(d)));
      graphic.Frames.push_back(SLXFrame{c, d, f.center_x, f.center_y});
    }
    EXPECT_TRUE(SaveSLX(graphic));
    return graphic.Path;
  }

  // Loads the graphic into the editor and opens the dialog from its menu.
  SLXEditorForm& LoadAndOpen(const std::string& path) {
    const Status loaded = windows.Document().LoadFile(path, true);
    EXPECT_TRUE(loaded) << loaded.message();
    SLXEditorForm& editor = windows.Editor();
    editor.MenuAction("menu_auto_gendata")->trigger();
    return editor;
  }

  cDIBSection ReadBitmap(const std::string& name) {
    cDIBSection bitmap;
    EXPECT_TRUE(bitmap.CreateFromPicture(dir.File(name)));
    return bitmap;
  }

  // The graphic as the editor's document holds it.
  const SLXGraphic& Graphic() { return windows.Document().Graphic(); }

  // The graphic as it is on disk now.
  SLXGraphic OnDisk(const std::string& path) {
    SLXGraphic graphic;
    graphic.Path = path;
    const Status parsed = ParseSLX(test::ReadFileBytes(path), graphic);
    EXPECT_TRUE(parsed) << parsed.message();
    return graphic;
  }

  // Every file in the folder with its bytes.
  std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
      if (entry.is_regular_file())
        files[entry.path().filename().string()] = test::ReadFileBytes(entry.path().string());
    return files;
  }

  // Expects the frame's bitmaps to be the generated ones for a single grey
  // pixel: a 5 x 5 crop with the pixel in the middle, surrounded by four
  // player-colour outline pixels and sixteen black-outline pixels.
  void ExpectGeneratedSinglePixel(const std::string& prefix, int frame) {
    const std::string n = std::to_string(frame);
    cDIBSection colour = ReadBitmap(prefix + n + ".bmp");
    cDIBSection data = ReadBitmap(prefix + n + "d.bmp");
    EXPECT_EQ(colour.Width(), 5) << "frame " << frame;
    EXPECT_EQ(colour.Height(), 5) << "frame " << frame;
    EXPECT_EQ(colour.GetPixel(2, 2), kGrey) << "frame " << frame;
    std::map<ColourValue, int> kinds = CountColours(data);
    EXPECT_EQ(kinds[kDataNormal], 1) << "frame " << frame;
    EXPECT_EQ(kinds[kDataPlayerOutline], 4) << "frame " << frame;
    EXPECT_EQ(kinds[kDataBlackOutline], 16) << "frame " << frame;
    EXPECT_EQ(kinds[kDataTransparent], 4) << "frame " << frame;
    EXPECT_EQ(data.GetPixel(2, 2), kDataNormal) << "frame " << frame;
  }

  test::TempDir dir;
  AutoGenPlatform platform;
  // Declared after the platform, so the windows go before it.
  EditorWindows windows;
};

// ---- The window and its controls ------------------------------------------

TEST_F(AutoGenFormTest, StartsFromItsDesignWithTheDefaultColours) {
  Dialog& dialog = windows.AutoGeneration();
  EXPECT_EQ(dialog.windowTitle(), "Data-bitmap auto-generation");
  EXPECT_EQ(dialog.size(), QSize(372, 279));
  const char* captions[8] = {"Mask:",     "Shadow:",         "Outlines:",  "Auto-crop:",
                             "Tolerance:", "Player colours:", "Tolerance:", "Fix purple border:"};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(dialog.Labels(i)->text(), captions[i]) << i;
    EXPECT_EQ(dialog.findChild<QLabel*>(QString("Labels(%1)").arg(i)), dialog.Labels(i)) << i;
  }
  EXPECT_EQ(dialog.ShadowOption(0)->text(), "From graphic:");
  EXPECT_EQ(dialog.ShadowOption(1)->text(), "None");
  EXPECT_EQ(dialog.PlayerCOption(0)->text(), "On");
  EXPECT_EQ(dialog.PlayerCOption(1)->text(), "Off");
  EXPECT_EQ(dialog.PreviewButton()->text(), "Preview on current frame");
  EXPECT_EQ(dialog.ApplyFrameButton()->text(), "Apply to current frame");
  EXPECT_EQ(dialog.ApplyAnimButton()->text(), "Apply to animation");
  EXPECT_TRUE(dialog.MaskColourButton()->text().isEmpty());

  // Places of the controls, the option buttons of player colours inside
  // their container.
  EXPECT_EQ(dialog.ToleranceScroll()->geometry(), QRect(176, 112, 105, 17));
  EXPECT_EQ(dialog.ShadowToleranceScroll()->geometry(), QRect(240, 56, 105, 17));
  EXPECT_EQ(dialog.PlayerCOption(1)->parentWidget(), dialog.Frame1());
  EXPECT_EQ(dialog.PlayerCOption(1)->geometry(), QRect(0, 24, 49, 17));
  EXPECT_EQ(dialog.Frame1()->geometry(), QRect(112, 104, 49, 41));
  EXPECT_EQ(dialog.ApplyAnimButton()->geometry(), QRect(272, 232, 89, 33));
  EXPECT_EQ(dialog.findChild<QScrollBar*>("ShadowToleranceScroll"), dialog.ShadowToleranceScroll());
  EXPECT_EQ(dialog.findChild<QWidget*>("PlayerCButton"), dialog.PlayerCButton());

  // With nothing stored: magenta, red and blue, and nothing written.
  EXPECT_EQ(dialog.MaskColour(), 16711935);
  EXPECT_EQ(dialog.ShadowColour(), 255);
  EXPECT_EQ(dialog.PlayerColour(), 16711680);
  EXPECT_EQ(Shown(dialog.MaskColourButton()), QColor(255, 0, 255));
  EXPECT_EQ(Shown(dialog.ShadowColourButton()), QColor(255, 0, 0));
  EXPECT_EQ(Shown(dialog.PlayerCButton()), QColor(0, 0, 255));
  EXPECT_EQ(platform.setting_writes, 0);

  EXPECT_TRUE(dialog.ShadowOption(0)->isChecked());
  EXPECT_FALSE(dialog.ShadowOption(1)->isChecked());
  EXPECT_TRUE(dialog.PlayerCOption(0)->isChecked());
  EXPECT_TRUE(dialog.OutlinesCheck()->isChecked());
  EXPECT_TRUE(dialog.AutocropCheck()->isChecked());
  EXPECT_FALSE(dialog.FixPurpleCheck()->isChecked());
  EXPECT_EQ(dialog.ToleranceLabel()->text(), "(30%)");
  EXPECT_EQ(dialog.ShadowToleranceLabel()->text(), "(0%)");

  QScrollBar* player = dialog.ToleranceScroll();
  EXPECT_EQ(player->minimum(), 0);
  EXPECT_EQ(player->maximum(), 50);
  EXPECT_EQ(player->singleStep(), 1);
  EXPECT_EQ(player->pageStep(), 5);
  EXPECT_EQ(player->value(), 15);
  QScrollBar* shadow = dialog.ShadowToleranceScroll();
  EXPECT_EQ(shadow->minimum(), 0);
  EXPECT_EQ(shadow->maximum(), 300);
  EXPECT_EQ(shadow->singleStep(), 3);
  EXPECT_EQ(shadow->pageStep(), 15);
  EXPECT_EQ(shadow->value(), 0);

  for (auto which : {Dialog::kMask, Dialog::kShadow, Dialog::kPlayer}) {
    EXPECT_EQ(dialog.ColourTimer(which)->interval(), 100);
    EXPECT_FALSE(dialog.ColourTimer(which)->isActive());
  }
  EXPECT_EQ(dialog.ColourTimer(Dialog::kPlayer)->objectName(), "PlayerColourTimer");
}

TEST_F(AutoGenFormTest, SliderLabelsShowPercentagesOfTheValue) {
  Dialog& dialog = windows.AutoGeneration();
  QScrollBar* shadow = dialog.ShadowToleranceScroll();
  QLabel* shadow_label = dialog.ShadowToleranceLabel();
  const std::vector<std::pair<int, const char*>> shadow_cases = {
      {1, "(0%)"}, {2, "(0%)"}, {3, "(1%)"}, {100, "(33%)"}, {299, "(99%)"}, {300, "(100%)"}};
  for (const auto& [value, text] : shadow_cases) {
    shadow->setValue(value);
    EXPECT_EQ(shadow_label->text(), text) << value;
  }
  // The arrows and the track step by 3 and 15: one and five percent.
  shadow->setValue(0);
  shadow->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(shadow_label->text(), "(1%)");
  shadow->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(shadow_label->text(), "(6%)");

  // The player slider shows only even percentages, 0 to 100.
  QScrollBar* player = dialog.ToleranceScroll();
  std::set<QString> seen;
  for (int value = 0; value <= 50; ++value) {
    player->setValue(value);
    seen.insert(dialog.ToleranceLabel()->text());
  }
  EXPECT_EQ(seen.size(), 51u);
  EXPECT_TRUE(seen.count("(0%)"));
  EXPECT_TRUE(seen.count("(48%)"));
  EXPECT_TRUE(seen.count("(100%)"));
  EXPECT_FALSE(seen.count("(1%)"));
  EXPECT_FALSE(seen.count("(99%)"));

  // Dragging the thumb leaves the label alone until it is let go.
  player->setValue(10);
  player->setSliderDown(true);
  player->setSliderPosition(40);
  EXPECT_EQ(dialog.ToleranceLabel()->text(), "(20%)");
  EXPECT_EQ(dialog.ReadOptions(1, false).PlayerTolerance, 10);
  player->setSliderDown(false);
  EXPECT_EQ(dialog.ToleranceLabel()->text(), "(80%)");
  EXPECT_EQ(dialog.ReadOptions(1, false).PlayerTolerance, 40);
}

TEST_F(AutoGenFormTest, FixPurpleAsksBeforeTicking) {
  Dialog& dialog = windows.AutoGeneration();
  platform.message_answers = {MsgAnswer::No};
  dialog.FixPurpleCheck()->click();
  ASSERT_EQ(platform.messages.size(), 1u);
  const Message& question = platform.messages[0];
  EXPECT_EQ(question.text,
            "This will delete any borders around the image which are either the mask colour or "
            "purple -- use it when you accidentally did 'generate data' with the default mask "
            "colour and ended up with a purple rectangle around the image. Are you sure you "
            "want to continue?");
  EXPECT_EQ(question.title, "Confirmation");
  EXPECT_EQ(question.icon, MsgIcon::None);
  EXPECT_EQ(question.buttons, MsgButtons::YesNo);
  EXPECT_FALSE(dialog.FixPurpleCheck()->isChecked());
  EXPECT_FALSE(dialog.ReadOptions(1, false).FixPurple);
  EXPECT_EQ(platform.messages.size(), 1u);  // answering No asks nothing more

  platform.message_answers = {MsgAnswer::Yes};
  dialog.FixPurpleCheck()->click();
  EXPECT_EQ(platform.messages.size(), 2u);
  EXPECT_TRUE(dialog.FixPurpleCheck()->isChecked());
  EXPECT_TRUE(dialog.ReadOptions(1, false).FixPurple);
  dialog.FixPurpleCheck()->click();  // unticking asks nothing
  EXPECT_EQ(platform.messages.size(), 2u);
  EXPECT_FALSE(dialog.FixPurpleCheck()->isChecked());
}

TEST_F(AutoGenFormTest, OptionsAreReadFromTheControls) {
  Dialog& dialog = windows.AutoGeneration();
  AutoGenOptions options = dialog.ReadOptions(4, true);
  EXPECT_EQ(options.Frame, 4);
  EXPECT_TRUE(options.Save);
  EXPECT_EQ(options.MaskColour, RGBColour(255, 0, 255));
  EXPECT_EQ(options.ShadowColour, RGBColour(255, 0, 0));
  EXPECT_EQ(options.PlayerColour, RGBColour(0, 0, 255));
  EXPECT_TRUE(options.Outlines);
  EXPECT_TRUE(options.AutoCrop);
  EXPECT_TRUE(options.PlayerColours);
  EXPECT_FALSE(options.FixPurple);
  EXPECT_EQ(options.PlayerTolerance, 15);
  EXPECT_EQ(options.ShadowTolerance, 0);
  EXPECT_FALSE(dialog.ReadOptions(2, false).Save);

  // "None" passes no shadow, the colour and its setting stay as they were
  // and come back with "From graphic:".
  platform.colour_answers = {RGBColour(1, 2, 3)};
  dialog.ChooseColour(Dialog::kShadow);
  const auto stored = platform.settings;
  dialog.ShadowOption(1)->click();
  EXPECT_EQ(dialog.ReadOptions(1, true).ShadowColour, kNoShadow);
  EXPECT_EQ(dialog.ShadowColour(), RGBColour(1, 2, 3));
  EXPECT_EQ(platform.settings, stored);
  dialog.ShadowOption(0)->click();
  EXPECT_EQ(dialog.ReadOptions(1, true).ShadowColour, RGBColour(1, 2, 3));

  dialog.PlayerCOption(1)->click();
  dialog.OutlinesCheck()->click();
  dialog.AutocropCheck()->click();
  dialog.ToleranceScroll()->setValue(50);
  dialog.ShadowToleranceScroll()->setValue(300);
  options = dialog.ReadOptions(1, false);
  EXPECT_FALSE(options.PlayerColours);
  EXPECT_TRUE(dialog.PlayerCOption(1)->isChecked());
  EXPECT_TRUE(dialog.ShadowOption(0)->isChecked());  // a group of its own
  EXPECT_FALSE(options.Outlines);
  EXPECT_FALSE(options.AutoCrop);
  EXPECT_EQ(options.PlayerTolerance, 50);
  EXPECT_EQ(options.ShadowTolerance, 300);
  EXPECT_TRUE(CheckAutoGenOptions(options));
}

// ---- Colours and the settings store ---------------------------------------

TEST_F(AutoGenFormTest, StoredColoursAreRestoredAndBadOnesFallBack) {
  platform.settings["Auto-gen/Mask colour"] = "65280";
  platform.settings["Auto-gen/Shadow colour"] = "purple";
  platform.settings["Auto-gen/Player colour"] = "16777216";  // beyond white
  Dialog& dialog = windows.AutoGeneration();
  EXPECT_EQ(platform.applications, std::set<std::string>{"Zorv Mod Editor"});
  EXPECT_EQ(dialog.MaskColour(), RGBColour(0, 255, 0));
  EXPECT_EQ(Shown(dialog.MaskColourButton()), QColor(0, 255, 0));
  EXPECT_EQ(dialog.ShadowColour(), RGBColour(255, 0, 0));
  EXPECT_EQ(dialog.PlayerColour(), RGBColour(0, 0, 255));
  EXPECT_EQ(Shown(dialog.PlayerCButton()), QColor(0, 0, 255));
  EXPECT_EQ(dialog.ReadOptions(1, false).MaskColour, RGBColour(0, 255, 0));
  // Each bad value read by a dialog made afresh, as on a new run.
  for (const char* bad : {"", "-1", "12abc", " "}) {
    platform.settings["Auto-gen/Mask colour"] = bad;
    EditorWindows fresh;
    EXPECT_EQ(fresh.AutoGeneration().MaskColour(), RGBColour(255, 0, 255)) << '"' << bad << '"';
  }
  EXPECT_EQ(platform.setting_writes, 0);  // reading writes nothing back
}

TEST_F(AutoGenFormTest, ColourDialogStartsFromTheColourAndStoresTheChoice) {
  Dialog& dialog = windows.AutoGeneration();
  dialog.show();
  platform.colour_answers = {RGBColour(10, 20, 30)};
  QTest::mouseClick(dialog.PlayerCButton(), Qt::LeftButton);
  ASSERT_EQ(platform.colour_dialog_starts.size(), 1u);
  EXPECT_EQ(platform.colour_dialog_starts[0], RGBColour(0, 0, 255));
  EXPECT_EQ(dialog.PlayerColour(), RGBColour(10, 20, 30));
  EXPECT_EQ(Shown(dialog.PlayerCButton()), QColor(10, 20, 30));
  EXPECT_EQ(platform.settings["Auto-gen/Player colour"], std::to_string(RGBColour(10, 20, 30)));
  EXPECT_EQ(platform.applications, std::set<std::string>{"Zorv Mod Editor"});

  // Cancelled: the colour stays, nothing is written.
  const int writes = platform.setting_writes;
  QTest::mouseClick(dialog.PlayerCButton(), Qt::LeftButton);
  EXPECT_EQ(platform.colour_dialog_starts.back(), RGBColour(10, 20, 30));
  EXPECT_EQ(dialog.PlayerColour(), RGBColour(10, 20, 30));
  EXPECT_EQ(platform.setting_writes, writes);

  // Each button has its own colour and key.
  platform.colour_answers = {RGBColour(0, 0, 0)};
  QTest::mouseClick(dialog.MaskColourButton(), Qt::LeftButton);
  EXPECT_EQ(platform.colour_dialog_starts.back(), RGBColour(255, 0, 255));
  EXPECT_EQ(platform.settings["Auto-gen/Mask colour"], "0");
  EXPECT_EQ(dialog.PlayerColour(), RGBColour(10, 20, 30));

  // A new run of the dialog takes them from the store.
  EditorWindows fresh;
  Dialog& again = fresh.AutoGeneration();
  EXPECT_EQ(again.MaskColour(), RGBColour(0, 0, 0));
  EXPECT_EQ(again.PlayerColour(), RGBColour(10, 20, 30));
  EXPECT_EQ(again.ShadowColour(), RGBColour(255, 0, 0));
}

TEST_F(AutoGenFormTest, RightButtonPicksFromTheScreenWhileHeld) {
  Dialog& dialog = windows.AutoGeneration();
  dialog.show();
  ColourButton* button = dialog.ShadowColourButton();
  QTest::mousePress(button, Qt::RightButton);
  EXPECT_TRUE(dialog.ColourTimer(Dialog::kShadow)->isActive());
  EXPECT_FALSE(dialog.ColourTimer(Dialog::kMask)->isActive());
  EXPECT_FALSE(dialog.ColourTimer(Dialog::kPlayer)->isActive());
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
  EXPECT_TRUE(platform.colour_dialog_starts.empty());  // no colour dialog

  // The colour follows the pointer over the screen, stored at once.
  platform.screen[{700, 20}] = RGBColour(12, 34, 56);
  platform.screen[{3, 600}] = RGBColour(200, 100, 0);
  platform.cursor = {700, 20};
  dialog.ScreenPickTick(Dialog::kShadow);
  EXPECT_EQ(dialog.ShadowColour(), RGBColour(12, 34, 56));
  EXPECT_EQ(Shown(button), QColor(12, 34, 56));
  EXPECT_EQ(platform.settings["Auto-gen/Shadow colour"], std::to_string(RGBColour(12, 34, 56)));
  platform.cursor = {3, 600};
  dialog.ScreenPickTick(Dialog::kShadow);
  EXPECT_EQ(dialog.ShadowColour(), RGBColour(200, 100, 0));
  EXPECT_EQ(platform.settings["Auto-gen/Shadow colour"], std::to_string(RGBColour(200, 100, 0)));
  EXPECT_EQ(dialog.ReadOptions(1, false).ShadowColour, RGBColour(200, 100, 0));

  // Released far from the button: the pick ends, the last colour stays.
  QTest::mouseRelease(button, Qt::RightButton, {}, QPoint(-300, 400));
  EXPECT_FALSE(dialog.ColourTimer(Dialog::kShadow)->isActive());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(dialog.ShadowColour(), RGBColour(200, 100, 0));
  EXPECT_EQ(dialog.MaskColour(), RGBColour(255, 0, 255));

  // A dialog closed while the button is held ends the pick and the
  // crosshair with it.
  QTest::mousePress(dialog.MaskColourButton(), Qt::RightButton);
  EXPECT_TRUE(dialog.ColourTimer(Dialog::kMask)->isActive());
  dialog.close();
  EXPECT_FALSE(dialog.ColourTimer(Dialog::kMask)->isActive());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(AutoGenFormTest, TheTimerRunsTheTickAndPicksThePixelUnderThePointer) {
  Dialog& dialog = windows.AutoGeneration();
  dialog.show();
  platform.cursor = {40, 50};
  platform.screen[{40, 50}] = RGBColour(9, 8, 7);
  dialog.StartScreenPick(Dialog::kPlayer);
  // The real timer calls the same tick; wait for it without asking for a
  // time, only that it happens.
  EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.PlayerColour() == RGBColour(9, 8, 7); }));
  dialog.StopScreenPick(Dialog::kPlayer);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// ---- Opening and closing --------------------------------------------------

TEST_F(AutoGenFormTest, TheEditorMenuOpensOneDialogThatDoesNotBlock) {
  std::string path = WriteGraphic("m", {{10, 10, 3, 4, 5, 5}});
  SLXEditorForm& editor = LoadAndOpen(path);
  Dialog* dialog = windows.ExistingAutoGeneration();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->windowModality(), Qt::NonModal);
  EXPECT_TRUE(editor.isEnabled());
  // Changed settings last while it stays open; another opening reuses it.
  dialog->ToleranceScroll()->setValue(40);
  editor.MenuAction("menu_auto_gendata")->trigger();
  EXPECT_EQ(windows.ExistingAutoGeneration(), dialog);
  EXPECT_EQ(dialog->ToleranceScroll()->value(), 40);
  // Closed and opened again: the design state and the stored colours.
  dialog->close();
  platform.settings["Auto-gen/Mask colour"] = "255";
  editor.MenuAction("menu_auto_gendata")->trigger();
  EXPECT_EQ(windows.ExistingAutoGeneration(), dialog);
  EXPECT_EQ(dialog->ToleranceScroll()->value(), 15);
  EXPECT_EQ(dialog->ToleranceLabel()->text(), "(30%)");
  EXPECT_EQ(dialog->MaskColour(), 255);
}

TEST_F(AutoGenFormTest, ClosingTheMainWindowClosesTheDialog) {
  EditorForm& main_window = windows.Main();
  main_window.show();
  windows.AutoGeneration().Open();
  EXPECT_TRUE(windows.AutoGeneration().isVisible());
  main_window.close();
  EXPECT_FALSE(windows.AutoGeneration().isVisible());
}

// ---- The three buttons ----------------------------------------------------

TEST_F(AutoGenFormTest, PreviewShowsTheResultAndWritesNothing) {
  std::string path = WriteGraphic("p", {{10, 10, 3, 4, 5, 5}, {12, 9, 6, 6, 1, 1}});
  SLXEditorForm& editor = LoadAndOpen(path);
  Dialog& dialog = *windows.ExistingAutoGeneration();
  editor.FrameScroll()->setValue(1);
  const QPoint colour_place = editor.SLXColourPicBox()->pos();
  const auto before = Snapshot();
  dialog.PreviewButton()->click();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_TRUE(Snapshot() == before);
  // Cropped in the views, which stay where they were; the hot spot stays.
  EXPECT_EQ(editor.SLXColourPicBox()->size(), QSize(5, 5));
  EXPECT_EQ(editor.SLXDataPicBox()->size(), QSize(5, 5));
  EXPECT_EQ(editor.SLXColourPicBox()->pos(), colour_place);
  EXPECT_EQ(Graphic().Frame(1).CenterX, 5);
  EXPECT_EQ(Graphic().Frame(1).CenterY, 5);
  EXPECT_EQ(editor.CenterXBox()->text(), "5");
  const QImage data = editor.SLXDataPicBox()->Picture();
  EXPECT_EQ(data.pixelColor(2, 2), AsQ(kDataNormal));
  EXPECT_EQ(data.pixelColor(2, 1), AsQ(kDataPlayerOutline));
  EXPECT_EQ(data.pixelColor(0, 2), AsQ(kDataBlackOutline));
  EXPECT_EQ(data.pixelColor(0, 0), AsQ(kDataTransparent));
  EXPECT_EQ(editor.FrameScroll()->value(), 1);
  // The preview lasts until the editor shows a frame again.
  editor.FrameScroll()->setValue(2);
  editor.FrameScroll()->setValue(1);
  EXPECT_EQ(editor.SLXColourPicBox()->size(), QSize(10, 10));
}

TEST_F(AutoGenFormTest, ApplyWritesTheEditorsFrameAndMovesItsHotSpot) {
  std::string path = WriteGraphic("a", {{10, 10, 3, 4, 5, 5}, {12, 9, 6, 6, 1, 1},
                                        {8, 8, 1, 1, 0, 0}});
  SLXEditorForm& editor = LoadAndOpen(path);
  Dialog& dialog = *windows.ExistingAutoGeneration();
  editor.FrameScroll()->setValue(2);
  const auto before = Snapshot();
  dialog.ApplyFrameButton()->click();
  EXPECT_TRUE(platform.messages.empty());
  ExpectGeneratedSinglePixel("a", 2);
  // The pixel at (6, 6) is now at (2, 2): the hot spot moves by (-4, -4).
  const SLXGraphic saved = OnDisk(path);
  EXPECT_EQ(saved.Frame(2).CenterX, 1 - 4);
  EXPECT_EQ(saved.Frame(2).CenterY, 1 - 4);
  EXPECT_EQ(saved.Frame(1).CenterX, 5);
  EXPECT_EQ(saved.Frame(3).CenterX, 0);
  auto after = Snapshot();
  for (const char* untouched : {"a1.bmp", "a1d.bmp", "a3.bmp", "a3d.bmp"})
    EXPECT_TRUE(after[untouched] == before.at(untouched)) << untouched << " was changed";
  // The editor stays on the frame, its views moved to put the new hot spot
  // on the anchors.
  EXPECT_EQ(editor.FrameScroll()->value(), 2);
  EXPECT_EQ(editor.CenterXBox()->text(), "-3");
  EXPECT_EQ(editor.SLXColourPicBox()->size(), QSize(5, 5));
  const ViewAnchors& anchors = windows.Document().Anchors();
  EXPECT_EQ(editor.SLXColourPicBox()->pos() + QPoint(-3, -3),
            QPoint(anchors.ColourAnchor.X, anchors.ColourAnchor.Y));
  EXPECT_EQ(editor.SLXDataPicBox()->pos() + QPoint(-3, -3),
            QPoint(anchors.DataAnchor.X, anchors.DataAnchor.Y));
  EXPECT_EQ(Graphic().Frame(2).CenterX, -3);
  // Applied again: the same size and hot spot.
  dialog.ApplyFrameButton()->click();
  EXPECT_EQ(OnDisk(path).Frame(2).CenterX, -3);
  ExpectGeneratedSinglePixel("a", 2);
}

TEST_F(AutoGenFormTest, TheControlsReachTheGeneratedBitmaps) {
  // One row of a red, a blue and a grey pixel on the mask colour.
  SLXGraphic graphic;
  graphic.Path = dir.File("c.slx");
  graphic.FrameCount = 1;
  cDIBSection colour, data;
  ASSERT_TRUE(colour.Create(6, 3));
  colour.Fill(kMagentaColour);
  colour.SetPixel(1, 1, RGBColour(255, 0, 0));
  colour.SetPixel(2, 1, RGBColour(0, 0, 255));
  colour.SetPixel(3, 1, kGrey);
  ASSERT_TRUE(colour.SavePicture(dir.File("c1.bmp")));
  graphic.Frames.push_back(SLXFrame{"c1.bmp", "c1d.bmp", 2, 2});
  ASSERT_TRUE(SaveSLX(graphic));
  LoadAndOpen(graphic.Path);
  Dialog& dialog = *windows.ExistingAutoGeneration();
  dialog.OutlinesCheck()->click();
  dialog.AutocropCheck()->click();
  dialog.ApplyFrameButton()->click();
  data = ReadBitmap("c1d.bmp");
  ASSERT_EQ(data.Width(), 6);  // not cropped
  EXPECT_EQ(data.GetPixel(1, 1), kDataShadow);
  EXPECT_EQ(data.GetPixel(2, 1), kDataPlayer);
  EXPECT_EQ(data.GetPixel(3, 1), kDataNormal);
  EXPECT_EQ(data.GetPixel(0, 1), kDataTransparent);  // no outlines
  EXPECT_EQ(OnDisk(graphic.Path).Frame(1).CenterX, 2);

  dialog.ShadowOption(1)->click();
  dialog.PlayerCOption(1)->click();
  dialog.ApplyFrameButton()->click();
  data = ReadBitmap("c1d.bmp");
  EXPECT_EQ(data.GetPixel(1, 1), kDataNormal);
  EXPECT_EQ(data.GetPixel(2, 1), kDataNormal);
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(AutoGenFormTest, ApplyToAnimationGoesThroughEveryFrameAndEndsOnTheLast) {
  std::vector<FramePlan> frames;
  for (int i = 0; i < 5; ++i) frames.push_back({12, 10, 2 + i, 3 + i % 3, 5, 6 + i});
  std::string path = WriteGraphic("w", frames);
  SLXEditorForm& editor = LoadAndOpen(path);
  Dialog& dialog = *windows.ExistingAutoGeneration();
  editor.FrameScroll()->setValue(3);
  std::vector<int> slider_values;
  QObject::connect(editor.FrameScroll(), &QScrollBar::valueChanged,
                   [&](int value) { slider_values.push_back(value); });
  dialog.ApplyAnimButton()->click();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(slider_values, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(editor.FrameScroll()->value(), 5);
  EXPECT_EQ(windows.Document().CurrentFrame(), 5);
  const SLXGraphic saved = OnDisk(path);
  for (int i = 0; i < 5; ++i) {
    ExpectGeneratedSinglePixel("w", i + 1);
    EXPECT_EQ(saved.Frame(i + 1).CenterX, frames[i].center_x - (frames[i].pixel_x - 2)) << i;
    EXPECT_EQ(saved.Frame(i + 1).CenterY, frames[i].center_y - (frames[i].pixel_y - 2)) << i;
  }
  EXPECT_EQ(editor.CenterXBox()->text().toInt(), saved.Frame(5).CenterX);
}

TEST_F(AutoGenFormTest, AnimationStopsAtAMissingColourBitmapAndCanBeRunAgain) {
  std::vector<FramePlan> frames;
  for (int i = 0; i < 5; ++i) frames.push_back({12, 10, 2 + i, 4, 7, 7});
  std::string path = WriteGraphic("x", frames);
  SLXEditorForm& editor = LoadAndOpen(path);
  Dialog& dialog = *windows.ExistingAutoGeneration();
  const std::string lost = test::ReadFileBytes(dir.File("x3.bmp"));
  std::filesystem::remove(dir.File("x3.bmp"));
  const auto before = Snapshot();
  dialog.ApplyAnimButton()->click();

  // One message, from generation, naming the frame and its file.
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(platform.messages[0].text.find("frame 3"), std::string::npos);
  EXPECT_NE(platform.messages[0].text.find("x3.bmp"), std::string::npos);
  EXPECT_EQ(platform.messages[0].title, "Error");
  // Frames 1 and 2 done, 3 to 5 as they were; the editor on frame 2.
  ExpectGeneratedSinglePixel("x", 1);
  ExpectGeneratedSinglePixel("x", 2);
  auto after = Snapshot();
  for (const char* untouched : {"x3d.bmp", "x4.bmp", "x4d.bmp", "x5.bmp", "x5d.bmp"})
    EXPECT_TRUE(after[untouched] == before.at(untouched)) << untouched << " was changed";
  EXPECT_EQ(editor.FrameScroll()->value(), 2);
  EXPECT_EQ(windows.Document().CurrentFrame(), 2);
  SLXGraphic saved = OnDisk(path);
  EXPECT_EQ(saved.Frame(3).CenterX, 7);
  EXPECT_EQ(saved.Frame(3).CenterY, 7);
  EXPECT_EQ(Graphic().Frame(3).CenterX, 7);

  // The dialog goes on working: with the bitmap back, a second run does
  // every frame, the done ones coming out the same.
  test::WriteFileBytes(dir.File("x3.bmp"), lost);
  dialog.ApplyAnimButton()->click();
  EXPECT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(editor.FrameScroll()->value(), 5);
  saved = OnDisk(path);
  for (int i = 0; i < 5; ++i) {
    ExpectGeneratedSinglePixel("x", i + 1);
    EXPECT_EQ(saved.Frame(i + 1).CenterX, 7 - (frames[i].pixel_x - 2)) << i;
  }
}

TEST_F(AutoGenFormTest, AnimationStopsWhereAFrameCannotBeWritten) {
  std::vector<FramePlan> frames;
  for (int i = 0; i < 4; ++i) frames.push_back({12, 10, 5, 5, 7, 7});
  std::string path = WriteGraphic("y", frames);
  SLXEditorForm& editor = LoadAndOpen(path);
  Dialog& dialog = *windows.ExistingAutoGeneration();
  // A folder where frame 2's data bitmap should go.
  std::filesystem::remove(dir.File("y2d.bmp"));
  std::filesystem::create_directory(dir.File("y2d.bmp"));
  const auto before = Snapshot();
  dialog.ApplyAnimButton()->click();
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_NE(platform.messages[0].text.find("Error saving bitmap!"), std::string::npos);
  ExpectGeneratedSinglePixel("y", 1);
  auto after = Snapshot();
  for (const char* untouched : {"y3.bmp", "y3d.bmp", "y4.bmp", "y4d.bmp"})
    EXPECT_TRUE(after[untouched] == before.at(untouched)) << untouched << " was changed";
  EXPECT_EQ(editor.FrameScroll()->value(), 2);
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("y2d.bmp")));
  // A preview still works on the frame that failed.
  dialog.PreviewButton()->click();
  EXPECT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(editor.SLXDataPicBox()->size(), QSize(5, 5));
}

TEST_F(AutoGenFormTest, AFrameOutsideTheGraphicIsReportedOnceAndChangesNothing) {
  std::string path = WriteGraphic("z", {{10, 10, 3, 4, 5, 5}, {10, 10, 3, 4, 5, 5}});
  SLXEditorForm& editor = LoadAndOpen(path);
  Dialog& dialog = *windows.ExistingAutoGeneration();
  editor.FrameScroll()->setValue(2);
  // A one-frame graphic loaded for conversion while the editor shows frame 2.
  std::string shorter = WriteGraphic("s", {{10, 10, 3, 4, 5, 5}});
  ASSERT_TRUE(windows.Document().LoadFile(shorter, false));
  const size_t said = platform.messages.size();
  const auto before = Snapshot();
  dialog.ApplyFrameButton()->click();
  ASSERT_EQ(platform.messages.size(), said + 1);
  EXPECT_NE(platform.messages.back().text.find("frame 2"), std::string::npos);
  EXPECT_TRUE(Snapshot() == before);
  // Apply to animation goes by the graphic, not by the slider's old range.
  dialog.ApplyAnimButton()->click();
  EXPECT_EQ(platform.messages.size(), said + 1);
  EXPECT_EQ(editor.FrameScroll()->maximum(), 1);
  EXPECT_EQ(editor.FrameScroll()->value(), 1);
  ExpectGeneratedSinglePixel("s", 1);
}

}  // namespace
}  // namespace zorv::gui
