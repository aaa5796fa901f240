#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <filesystem>

#include "app/gui/EditorWindows.h"
#include "codec/DIBSection.h"
#include "codec/Palettes.h"
#include "codec/SLX.h"
#include "common/gui/Look.h"
#include "common/gui/ProgressView.h"
#include "package/MPIPackage.h"
#include "package/gui/ProgressIndicator.h"
#include "project/ModProject.h"
#include "project/gui/EditorForm.h"
#include "project/gui/ProjectSettingsForm.h"
#include "tests/gui/support/ScriptedPlatform.h"
#include "tests/support/TestSupport.h"
#include "tools/gui/FrameView.h"
#include "tools/gui/SLXDocument.h"
#include "tools/gui/SLXEditorForm.h"

namespace zorv::gui {
namespace {

class EditorFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    editor = &windows.Main();
    editor->show();
  }

  void SetClientSize(int width_twips, int height_twips) {
    QWidget* client = editor->centralWidget();
    const QSize extra = editor->size() - client->size();
    editor->resize(Px(width_twips) + extra.width(), Px(height_twips) + extra.height());
    QApplication::processEvents();
    ASSERT_EQ(client->size(), QSize(Px(width_twips), Px(height_twips)));
  }

  // A project created through File > New in the temporary folder.
  std::string NewProject() {
    std::string path = dir.File("project.mpr");
    platform.file_answers.push_back(path);
    editor->NewProject();
    return path;
  }

  std::string MakeFile(const std::string& name, const std::string& bytes = "data") {
    std::string path = dir.File(name);
    test::WriteFileBytes(path, bytes);
    return path;
  }

  void Import(const std::string& path) {
    platform.file_answers.push_back(path);
    editor->ImportResource();
  }

  void SaveBitmap(const std::string& name, int width, int height, ColourValue colour) {
    cDIBSection bitmap;
    ASSERT_TRUE(bitmap.Create(width, height));
    bitmap.Fill(colour);
    ASSERT_TRUE(bitmap.SavePicture(dir.File(name)));
  }

  bool Visible(QWidget* w) const { return w->isVisibleTo(editor); }

  test::TempDir dir;
  test::ScriptedPlatform platform;
  // After the platform, so that the windows go first.
  EditorWindows windows;
  // The main window the test works on: windows.Main(), or the main window
  // of a fresh set of windows the test made.
  EditorForm* editor = nullptr;
};

TEST_F(EditorFormTest, StartsWithNoProjectAndEverythingPerResourceHidden) {
  EXPECT_EQ(editor->windowTitle(), "Zorv Mod Editor - version 0.50 (beta)");
  EXPECT_FALSE(editor->MenuAction("menu_file_save")->isEnabled());
  EXPECT_FALSE(editor->ProjectMenu()->isEnabled());
  EXPECT_TRUE(editor->MenuAction("menu_file_new")->isEnabled());
  EXPECT_TRUE(editor->MenuAction("menu_tools_createslx")->isEnabled());
  for (QPushButton* b : {editor->ResAddButton(), editor->ResRemoveButton(),
                         editor->ResMoveButton(0), editor->ResMoveButton(1)})
    EXPECT_FALSE(b->isEnabled()) << b->text().toStdString();
  for (QWidget* w : {static_cast<QWidget*>(editor->ResourceNameBox()),
                     static_cast<QWidget*>(editor->ResourceReplaceCombo()),
                     static_cast<QWidget*>(editor->ResourceTextDisplay()),
                     static_cast<QWidget*>(editor->IconPictureBox()),
                     static_cast<QWidget*>(editor->SLP2SLXButton())})
    EXPECT_FALSE(Visible(w)) << w->objectName().toStdString();
  EXPECT_EQ(editor->ResourceListBox()->count(), 0);
  EXPECT_EQ(editor->ResourceReplaceCombo()->count(), 13);
  EXPECT_EQ(editor->ResourceReplaceCombo()->itemText(12), "skirmland_x1");
  EXPECT_FALSE(editor->windowIcon().isNull());
  EXPECT_EQ(editor->centralWidget()->palette().color(QPalette::Window), QColor(0, 0, 128));
}

TEST_F(EditorFormTest, LayoutFollowsTheClientSizeWithItsMinimums) {
  // Twips become pixels at 15 to the pixel, rounded down.
  SetClientSize(9480, 6510);
  EXPECT_EQ(editor->ResourceListBox()->height(), Px(5400));
  EXPECT_EQ(editor->ResAddButton()->y(), Px(5970));
  EXPECT_EQ(editor->ResRemoveButton()->y(), Px(5970));
  EXPECT_EQ(editor->ResMoveButton(0)->y(), Px(5670));
  EXPECT_EQ(editor->ResMoveButton(1)->y(), Px(5670));
  EXPECT_EQ(editor->Shape1()->y(), Px(5190));
  EXPECT_EQ(editor->ResourceTextDisplay()->width(), Px(9480 - 2880 - 240));
  EXPECT_EQ(editor->ResourceTextDisplay()->height(), Px(6510 - 1730));
  EXPECT_EQ(editor->ResourceTextRevert()->x(), Px(9480 - 1900));
  EXPECT_EQ(editor->ResourceTextSave()->x(), Px(9480 - 3700));
  EXPECT_EQ(editor->ResourceTextSave()->y(), Px(6510 - 1155));
  SetClientSize(1005, 1005);
  EXPECT_EQ(editor->ResourceListBox()->height(), Px(320));
  EXPECT_EQ(editor->ResourceTextDisplay()->width(), Px(640));
  EXPECT_EQ(editor->ResourceTextDisplay()->height(), Px(320));
  EXPECT_EQ(editor->ResAddButton()->y(), Px(1005 - 540));
  EXPECT_EQ(editor->ResMoveButton(0)->y(), Px(320));
  EXPECT_EQ(editor->ResourceTextRevert()->x(), Px(2880));
  EXPECT_EQ(editor->ResourceTextSave()->y(), Px(640));
}

TEST_F(EditorFormTest, ClosingAsksToSaveOnlyWhenAProjectIsOpen) {
  editor->close();
  EXPECT_TRUE(platform.messages.empty());
  EditorWindows fresh;
  editor = &fresh.Main();
  std::string path = NewProject();
  editor->Project().Title = "Changed";
  platform.message_answers.push_back(MsgAnswer::Yes);
  editor->close();
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].text, "Do you want to save any changes to this mod project?");
  EXPECT_EQ(platform.messages[0].title, "Save changes");
  EXPECT_EQ(platform.messages[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(test::ReadFileBytes(path), "Mod Project - v0.50\r\nChanged\r\n0\r\n");
}

TEST_F(EditorFormTest, NewWritesThreeLinesAndOpensTheProject) {
  std::string path = NewProject();
  ASSERT_EQ(platform.file_requests.size(), 1u);
  EXPECT_EQ(platform.file_requests[0].title, "Select name for new project");
  EXPECT_EQ(platform.file_requests[0].filter, "Mod Project file (*.mpr)|*.mpr");
  EXPECT_EQ(platform.file_requests[0].initial_name, "project.mpr");
  EXPECT_TRUE(platform.file_requests[0].prompt_overwrite);
  EXPECT_EQ(test::ReadFileBytes(path), "Mod Project - v0.50\r\nUnnamed\r\n0\r\n");
  EXPECT_TRUE(editor->MenuAction("menu_file_save")->isEnabled());
  EXPECT_TRUE(editor->ProjectMenu()->isEnabled());
  EXPECT_TRUE(editor->ResAddButton()->isEnabled());
  EXPECT_FALSE(editor->ResRemoveButton()->isEnabled());
  // The shared dialog keeps the chosen name for the next command.
  platform.file_answers.push_back(std::nullopt);
  editor->OpenProject();
  EXPECT_EQ(platform.file_requests[1].initial_name, path);
  EXPECT_EQ(platform.file_requests[1].title, "Select project to open");
}

TEST_F(EditorFormTest, OpenRefusesBadFilesAndKeepsTheOpenProject) {
  std::string path = NewProject();
  Import(MakeFile("0815.SLP"));
  std::string wrong = MakeFile("wrong.mpr", "mod project - v0.50\r\nX\r\n0\r\n");
  std::string broken = MakeFile("broken.mpr", "Mod Project - v0.50\r\nX\r\nmany\r\n");
  platform.file_answers = {wrong, broken};
  editor->OpenProject();
  EXPECT_EQ(platform.LastFirstLine(), "Unrecognised file format!");
  EXPECT_EQ(platform.messages.back().icon, MsgIcon::Exclamation);
  editor->OpenProject();
  EXPECT_EQ(platform.LastFirstLine(), "Error opening project file!");
  EXPECT_EQ(editor->Project().FilePath, path);
  EXPECT_EQ(editor->Project().ResourceCount, 1);
  EXPECT_EQ(editor->ResourceListBox()->count(), 1);
  // No project open: a refused file leaves the commands disabled.
  EditorWindows fresh;
  editor = &fresh.Main();
  platform.file_answers = {wrong};
  editor->OpenProject();
  EXPECT_FALSE(editor->MenuAction("menu_file_save")->isEnabled());
  EXPECT_FALSE(editor->ResAddButton()->isEnabled());
}

TEST_F(EditorFormTest, ImportFillsTheEntryFromTheFileName) {
  NewProject();
  Import(MakeFile("0815.SLP"));
  ASSERT_EQ(editor->Project().ResourceCount, 1);
  const ProjectResource& slp = editor->Project().Resource(1);
  EXPECT_EQ(slp.Name, "0815");
  EXPECT_EQ(slp.Kind, KindSLP);
  EXPECT_EQ(slp.ReplaceTarget, 1);
  EXPECT_EQ(slp.ResourceID, 815);
  EXPECT_EQ(editor->ResourceListBox()->item(0)->text(), "[0815]");
  EXPECT_EQ(editor->ResourceListBox()->currentRow(), 0);
  EXPECT_TRUE(Visible(editor->SLP2SLXButton()));
  EXPECT_EQ(editor->ResourceNameBox()->text(), "0815");
  EXPECT_EQ(editor->ResourceReplaceIDBox()->text(), "815");
  Import(MakeFile("README.TXT", "line one\r\nline two"));
  const ProjectResource& readme = editor->Project().Resource(2);
  EXPECT_EQ(readme.Name, "readme");
  EXPECT_EQ(readme.Kind, KindFile);
  EXPECT_EQ(readme.ReplaceTarget, 5);
  EXPECT_EQ(editor->CurrentResource(), 2);
  EXPECT_TRUE(Visible(editor->ResourceTextDisplay()));
  EXPECT_EQ(editor->ResourceTextDisplay()->toPlainText(), "line one\nline two");
  EXPECT_FALSE(editor->ResourceTextSave()->isEnabled());
  Import(MakeFile("picture.gif"));
  EXPECT_EQ(platform.LastFirstLine(), "Unrecognised file extension!");
  EXPECT_EQ(editor->Project().ResourceCount, 2);
  // The dialog offers PNG icons after the data files, which stay as they were.
  ASSERT_FALSE(platform.file_requests.empty());
  EXPECT_EQ(platform.file_requests.back().filter,
            "Data files (slp, slx, bin, wav, bmp, txt, dll, dat, exe)|"
            "*.slp;*.slx;*.bin;*.wav;*.bmp;*.txt;*.dll;*.dat;*.exe|PNG icons (png)|*.png");
  // A cancelled dialog changes nothing.
  editor->ImportResource();
  EXPECT_EQ(editor->Project().ResourceCount, 2);
}

TEST_F(EditorFormTest, RemoveAndMoveKeepTheRightEntrySelected) {
  NewProject();
  Import(MakeFile("1.bin"));
  EXPECT_FALSE(editor->ResRemoveButton()->isEnabled());  // the only entry
  EXPECT_FALSE(editor->ResMoveButton(0)->isEnabled());
  EXPECT_FALSE(editor->ResMoveButton(1)->isEnabled());
  Import(MakeFile("2.bin"));
  Import(MakeFile("3.bin"));
  editor->SelectResource(1);
  QTest::mouseClick(editor->ResMoveButton(1), Qt::LeftButton);
  auto names = [this] {
    std::string out;
    for (int i = 1; i <= editor->Project().ResourceCount; ++i) out += editor->Project().Resource(i).Name;
    return out;
  };
  EXPECT_EQ(names(), "132");
  EXPECT_EQ(editor->CurrentResource(), 3);
  EXPECT_EQ(editor->ResourceListBox()->currentRow(), 2);
  EXPECT_FALSE(editor->ResMoveButton(1)->isEnabled());
  EXPECT_TRUE(editor->ResMoveButton(0)->isEnabled());
  // Removing the last entry selects the new last one; "No" keeps it.
  platform.message_answers = {MsgAnswer::No};
  editor->RemoveResource();
  EXPECT_EQ(editor->Project().ResourceCount, 3);
  EXPECT_EQ(platform.messages.back().text,
            "Are you sure you want to remove this resource from the project?");
  EXPECT_EQ(platform.messages.back().title, "Warning");
  platform.message_answers = {MsgAnswer::Yes};
  editor->RemoveResource();
  EXPECT_EQ(names(), "13");
  EXPECT_EQ(editor->CurrentResource(), 2);
  // Removing the first selects the new first.
  editor->SelectResource(0);
  platform.message_answers = {MsgAnswer::Yes};
  editor->RemoveResource();
  EXPECT_EQ(names(), "3");
  EXPECT_EQ(editor->CurrentResource(), 1);
  EXPECT_FALSE(editor->ResRemoveButton()->isEnabled());
}

TEST_F(EditorFormTest, NameAndIDBoxesFollowTheirRules) {
  NewProject();
  Import(MakeFile("50.wav"));
  QLineEdit* id = editor->ResourceReplaceIDBox();
  auto type_id = [&](const char* text) {
    id->setFocus();
    id->selectAll();
    QTest::keyClicks(id, text);
  };
  type_id("12.7");
  EXPECT_EQ(editor->Project().Resource(1).ResourceID, 12);
  emit id->editingFinished();
  EXPECT_EQ(id->text(), "12");
  type_id("-3.5");
  EXPECT_EQ(editor->Project().Resource(1).ResourceID, -4);
  type_id("x5");
  EXPECT_EQ(editor->Project().Resource(1).ResourceID, 0);
  emit id->editingFinished();
  EXPECT_EQ(id->text(), "0");
  editor->ResourceNameBox()->setText("");
  EXPECT_EQ(editor->ResourceListBox()->item(0)->text(), "[]");
  editor->ResourceNameBox()->setText("Horn");
  EXPECT_EQ(editor->Project().Resource(1).Name, "Horn");
  EXPECT_EQ(editor->ResourceListBox()->item(0)->text(), "[Horn]");
  EXPECT_EQ(editor->ResourceListBox()->currentRow(), 0);
}

TEST_F(EditorFormTest, AutoPlayReplaysEveryReselection) {
  NewProject();
  std::string wav = MakeFile("7.wav", "RIFF");
  Import(wav);
  EXPECT_TRUE(platform.sounds_played.empty());
  editor->AutoSoundPlayCheck()->setChecked(true);
  editor->ResourceNameBox()->setText("a");
  editor->ResourceNameBox()->setText("ab");
  EXPECT_EQ(platform.sounds_played, (std::vector<std::string>{wav, wav}));
  QTest::mouseClick(editor->SoundPlayButton(), Qt::LeftButton);
  EXPECT_EQ(platform.sounds_played.size(), 3u);
}

TEST_F(EditorFormTest, IconControlsShowAndStoreTheFlags) {
  NewProject();
  SaveBitmap("icon.bmp", 36, 36, RGBColour(10, 20, 30));
  Import(dir.File("icon.bmp"));
  editor->Project().Resource(1).IconFlags = 773;
  editor->Project().Resource(1).ReplaceTarget = 1;
  editor->SelectResource(0);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(editor->IconCheck(i)->isChecked(), i == 0 || i == 2) << i;
  EXPECT_EQ(editor->IconList()->currentText(), "Order");
  EXPECT_EQ(editor->ResourceReplaceCombo()->currentText(), "icon");
  EXPECT_EQ(editor->Project().Resource(1).IconFlags, 773);  // filling wrote nothing back
  // Leaving the combo stores "icon".
  editor->ResourceReplaceCombo()->setFocus();
  editor->ResourceNameBox()->setFocus();
  QApplication::processEvents();
  QFocusEvent leave(QEvent::FocusOut);
  QApplication::sendEvent(editor->ResourceReplaceCombo(), &leave);
  EXPECT_EQ(editor->Project().Resource(1).ReplaceTarget, 7);

  editor->Project().Resource(1).IconFlags = 256;
  editor->SelectResource(0);
  QTest::mouseClick(editor->IconCheck(3), Qt::LeftButton,
                    {}, QPoint(5, editor->IconCheck(3)->height() / 2));
  EXPECT_EQ(editor->Project().Resource(1).IconFlags, 264);
  // A category outside the list shows no selection and does not end the program.
  editor->Project().Resource(1).IconFlags = 5 * 256;
  editor->SelectResource(0);
  EXPECT_EQ(editor->IconList()->currentIndex(), -1);
}

TEST_F(EditorFormTest, TargetsOutsideTheListShowNoSelection) {
  NewProject();
  Import(MakeFile("5.bin"));
  editor->Project().Resource(1).ReplaceTarget = 99;
  editor->SelectResource(0);
  EXPECT_EQ(editor->ResourceReplaceCombo()->currentIndex(), -1);
}

TEST_F(EditorFormTest, TextViewSavesPlainTextWithCRLFBetweenLines) {
  NewProject();
  std::string readme = MakeFile("readme.txt", "old");
  Import(readme);
  EXPECT_FALSE(editor->ResourceTextSave()->isEnabled());
  editor->ResourceTextDisplay()->setPlainText("first line\nsecond line");
  EXPECT_TRUE(editor->ResourceTextSave()->isEnabled());
  EXPECT_TRUE(editor->ResourceTextRevert()->isEnabled());
  QTest::mouseClick(editor->ResourceTextSave(), Qt::LeftButton);
  EXPECT_EQ(test::ReadFileBytes(readme), "first line\r\nsecond line");
  EXPECT_FALSE(editor->ResourceTextSave()->isEnabled());
  editor->ResourceTextDisplay()->setPlainText("scratch");
  QTest::mouseClick(editor->ResourceTextRevert(), Qt::LeftButton);
  EXPECT_EQ(editor->ResourceTextDisplay()->toPlainText(), "first line\nsecond line");
  EXPECT_FALSE(editor->ResourceTextRevert()->isEnabled());
}

TEST_F(EditorFormTest, MissingFileShowsOnlyTheEntryControls) {
  NewProject();
  std::string path = MakeFile("10.slp");
  Import(path);
  std::filesystem::remove(path);
  editor->SelectResource(0);
  EXPECT_EQ(platform.LastFirstLine(), "Unable to find file!");
  EXPECT_TRUE(Visible(editor->ResourceNameBox()));
  EXPECT_FALSE(Visible(editor->SLP2SLXButton()));
}

// The palette index of the colour that fills a frame of a graphic made by
// MakeGraphic; the frame's hot spot is (index, -index).
int FrameColourIndex(int first_colour, int frame) { return first_colour + frame - 1; }

// An SLX graphic of small bitmaps in the temporary folder: folder/title.slx
// with frame_count frames.
std::string MakeGraphic(const test::TempDir& dir, const std::string& folder = "art",
                        const std::string& title = "knight", int frame_count = 12,
                        int first_colour = 1) {
  SLXGraphic graphic;
  graphic.Path = dir.File(folder + "/" + title + ".slx");
  std::filesystem::create_directories(dir.File(folder));
  graphic.FrameCount = frame_count;
  for (int i = 1; i <= frame_count; ++i) {
    const int index = FrameColourIndex(first_colour, i);
    cDIBSection colour, data;
    colour.Create(4, 3);
    data.Create(4, 3);
    colour.Fill(Palette::BuiltIn().Colour(index));
    data.Fill(kDataNormal);
    data.SetPixel(0, 0, kDataTransparent);
    // Built step by step: GCC 12 warns falsely about "literal" + string here.
    std::string c = "f", d = "f";
    c += std::to_string(i) + ".bmp";
    d += std::to_string(i) + "d.bmp";
    EXPECT_TRUE(colour.SavePicture(dir.File(folder + "/" + c)));
    EXPECT_TRUE(data.SavePicture(dir.File(folder + "/" + d)));
    graphic.Frames.push_back(SLXFrame{c, d, index, -index});
  }
  EXPECT_TRUE(SaveSLX(graphic).ok());
  return graphic.Path;
}

TEST_F(EditorFormTest, ConversionsRunThroughTheButtonsBothWays) {
  NewProject();
  std::string slx = MakeGraphic(dir);
  Import(slx);
  ASSERT_TRUE(Visible(editor->SLX2SLPButton()));
  std::string slp = dir.File("knight.slp");
  platform.file_answers.push_back(slp);
  QTest::mouseClick(editor->SLX2SLPButton(), Qt::LeftButton);
  EXPECT_EQ(platform.file_requests.back().title, "Select new filename");
  EXPECT_EQ(platform.file_requests.back().filter, "SLP file (*.slp)|*.slp");
  EXPECT_EQ(platform.file_requests.back().initial_name, "knight.slp");
  ASSERT_TRUE(std::filesystem::exists(slp));
  EXPECT_EQ(editor->Project().Resource(1).Kind, KindSLP);
  EXPECT_EQ(editor->Project().Resource(1).FilePath, slp);
  EXPECT_FALSE(windows.ProgressWindow().isVisible());
  ASSERT_TRUE(Visible(editor->SLP2SLXButton()));

  // Back to SLX in a new folder: no overwrite question there.
  std::filesystem::create_directories(dir.File("back"));
  platform.file_answers.push_back(dir.File("back/knight.slx"));
  size_t messages = platform.messages.size();
  QTest::mouseClick(editor->SLP2SLXButton(), Qt::LeftButton);
  EXPECT_EQ(platform.messages.size(), messages);
  EXPECT_EQ(platform.file_requests.back().title,
            "Select new filename (preferably in an empty folder)");
  EXPECT_EQ(editor->Project().Resource(1).Kind, KindSLX);
  EXPECT_EQ(editor->Project().Resource(1).FilePath, dir.File("back/knight.slx"));
  EXPECT_TRUE(std::filesystem::exists(dir.File("back/knight_012d.bmp")));
  EXPECT_EQ(editor->SLP2SLXButton()->text(), "Convert to SLX");
  EXPECT_EQ(editor->ConversionRepaints(),
            (std::vector<std::string>{"[converting frame 5]", "[converting frame 10]"}));

  // Converting again into the same folder asks first; No stops.
  editor->Project().Resource(1).FilePath = slp;
  editor->Project().Resource(1).Kind = KindSLP;
  editor->SelectResource(0);
  platform.file_answers.push_back(dir.File("back/knight.slx"));
  platform.message_answers.push_back(MsgAnswer::No);
  QTest::mouseClick(editor->SLP2SLXButton(), Qt::LeftButton);
  EXPECT_EQ(platform.LastFirstLine(),
            "This may overwrite existing BMP files. Do you want to continue?");
  EXPECT_EQ(editor->Project().Resource(1).Kind, KindSLP);
}

TEST_F(EditorFormTest, FailedConversionToSLPLeavesTheEntryAsItWas) {
  NewProject();
  std::string slx = MakeGraphic(dir);
  Import(slx);
  std::filesystem::remove(dir.File("art/f3d.bmp"));
  std::string slp = dir.File("knight.slp");
  platform.file_answers.push_back(slp);
  // While the message is up the progress window still shows, and its bar
  // does not look finished: the conversion stopped before its first frame.
  int bar_width = -1;
  bool progress_shown = false;
  platform.on_message = [&](const Message&) {
    progress_shown = windows.ProgressWindow().isVisible();
    bar_width = windows.ProgressWindow().FileProgressBar()->width();
  };
  QTest::mouseClick(editor->SLX2SLPButton(), Qt::LeftButton);
  platform.on_message = nullptr;
  EXPECT_TRUE(progress_shown);
  EXPECT_EQ(bar_width, 0);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.LastFirstLine(),
            "ERROR: Unable to find all BMPs from the SLX! SLP will be corrupted...");
  EXPECT_EQ(platform.messages.back().title, "Error");
  EXPECT_EQ(platform.messages.back().icon, MsgIcon::Critical);
  EXPECT_FALSE(windows.ProgressWindow().isVisible());
  EXPECT_FALSE(std::filesystem::exists(slp));
  EXPECT_EQ(editor->Project().Resource(1).Kind, KindSLX);
  EXPECT_EQ(editor->Project().Resource(1).FilePath, slx);
  // An existing file is only replaced after "Yes".
  test::WriteFileBytes(slp, "keep");
  platform.file_answers.push_back(slp);
  platform.message_answers.push_back(MsgAnswer::No);
  QTest::mouseClick(editor->SLX2SLPButton(), Qt::LeftButton);
  EXPECT_EQ(platform.LastFirstLine(), "This file already exists. Do you want to overwrite it?");
  EXPECT_EQ(test::ReadFileBytes(slp), "keep");
}

TEST_F(EditorFormTest, CompileWritesThePackageOfTheOpenProject) {
  NewProject();
  Import(MakeFile("readme.txt", "Read me first"));
  Import(MakeFile("20.bin", std::string(100, 'b')));
  std::string mpi = dir.File("out.mpi");
  platform.file_answers.push_back(mpi);
  editor->MenuAction("menu_project_compile")->trigger();
  EXPECT_EQ(platform.file_requests.back().title, "Select filename for compiled project");
  EXPECT_EQ(platform.file_requests.back().filter, "Compiled Mod Project (*.mpi)|*.mpi");
  EXPECT_EQ(platform.file_requests.back().initial_name, "project.mpi");
  MPIPackage package;
  ASSERT_TRUE(ReadMPIPackage(mpi, package));
  EXPECT_EQ(package.Title, "Unnamed");
  EXPECT_EQ(package.Readme, "Read me first");
  ASSERT_EQ(package.Entries.size(), 1u);
  EXPECT_EQ(package.Entries[0].ResourceID, 20);
  EXPECT_EQ(package.Entries[0].Length, 100);
  EXPECT_FALSE(windows.ProgressWindow().isVisible());
}

TEST_F(EditorFormTest, CompileLoadsEverySLXResourceIntoTheDocument) {
  NewProject();
  Import(MakeFile("readme.txt", "Read me first"));
  const std::string knight = MakeGraphic(dir);
  const std::string tower = MakeGraphic(dir, "tower", "tower", 3, 40);
  Import(knight);
  Import(tower);
  SLXDocument& document = windows.Document();
  std::vector<std::string> loaded;
  QObject::connect(&document, &SLXDocument::graphicLoaded,
                   [&] { loaded.push_back(document.Graphic().Path); });
  const std::string mpi = dir.File("out.mpi");

  // With no editor the graphics are loaded without one being made.
  platform.file_answers.push_back(mpi);
  editor->CompileProject();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(loaded, (std::vector<std::string>{knight, tower}));
  EXPECT_EQ(windows.ExistingEditor(), nullptr);
  EXPECT_EQ(document.Graphic().Path, tower);
  EXPECT_EQ(document.Graphic().FrameCount, 3);
  EXPECT_EQ(document.CurrentFrame(), 1);
  EXPECT_EQ(document.AnimateFirst(), 1);
  EXPECT_EQ(document.AnimateLast(), 3);
  MPIPackage package;
  ASSERT_TRUE(ReadMPIPackage(mpi, package));
  EXPECT_EQ(package.Entries.size(), 2u);

  // An editor showing the first graphic follows the compile to the first
  // frame of the last one.
  editor->SelectResource(1);
  QTest::mouseClick(editor->SLXDisplayButton(), Qt::LeftButton);
  ASSERT_NE(windows.ExistingEditor(), nullptr);
  SLXEditorForm& slx_editor = *windows.ExistingEditor();
  ASSERT_EQ(document.Graphic().Path, knight);
  EXPECT_EQ(slx_editor.CenterXBox()->text(), "1");
  loaded.clear();
  platform.file_answers.push_back(mpi);
  editor->CompileProject();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(loaded, (std::vector<std::string>{knight, tower}));
  EXPECT_EQ(windows.ExistingEditor(), &slx_editor);
  EXPECT_EQ(document.Graphic().Path, tower);
  EXPECT_EQ(document.CurrentFrame(), 1);
  EXPECT_EQ(slx_editor.FrameScroll()->value(), 1);
  const ColourValue first = Palette::BuiltIn().Colour(FrameColourIndex(40, 1));
  EXPECT_EQ(slx_editor.SLXColourPicBox()->Picture().pixel(0, 0),
            qRgb(RedOf(first), GreenOf(first), BlueOf(first)));
  EXPECT_EQ(slx_editor.CenterXBox()->text(), "40");
  EXPECT_EQ(slx_editor.CenterYBox()->text(), "-40");
}

// A progress view that writes down what it is told, in the windows of a
// test whose progress goes to it instead of the progress window.
class ProgressLog : public ProgressView {
 public:
  // The window thread's events run while the operation works: an event
  // posted as the window appears is handled before the first step.
  void ShowFresh() override {
    lines.push_back("fresh");
    QTimer::singleShot(0, qApp, [this] { lines.push_back("events ran"); });
  }
  void Unload() override { lines.push_back("unload"); }
  void SetTitle(const QString& title) override { lines.push_back("title " + title.toStdString()); }
  void SetProjectPartVisible(bool visible) override {
    lines.push_back(std::string("project part ") + (visible ? "shown" : "hidden"));
  }
  void SetFilePartVisible(bool visible) override {
    lines.push_back(std::string("file part ") + (visible ? "shown" : "hidden"));
  }
  void SetFileStepVisible(bool visible) override {
    // Only changes are worth a line.
    if (file_step_visible_ == visible) return;
    file_step_visible_ = visible;
    lines.push_back(std::string("file step ") + (visible ? "shown" : "hidden"));
  }
  void SetProjectProgress(const QString& caption, double fraction) override {
    lines.push_back("project " + caption.toStdString() + " at " + std::to_string(fraction));
  }
  void SetFileProgress(const QString& caption, double fraction) override {
    lines.push_back("file " + caption.toStdString() + " at " + std::to_string(fraction));
  }
  void RepaintNow() override {
    lines.push_back("repaint");
    if (on_repaint) on_repaint();
  }
  std::vector<std::string> lines;
  std::function<void()> on_repaint;

 private:
  bool file_step_visible_ = true;
};

class ProgressLoggingWindows : public EditorWindows {
 public:
  ProgressView& Progress() override { return log; }
  ProgressLog log;
};

TEST_F(EditorFormTest, ConversionsLetTheWindowsPaintButNotBeUsedMeanwhile) {
  ProgressLoggingWindows logging;
  editor = &logging.Main();
  editor->show();
  NewProject();
  Import(MakeGraphic(dir));
  Import(MakeFile("second.txt", "text"));
  editor->SelectResource(0);
  ASSERT_TRUE(editor->ResAddButton()->isEnabled());
  const size_t requests = platform.file_requests.size();
  bool closed_meanwhile = true;
  logging.log.on_repaint = [&] {
    // A click on "Add new" and closing the window reach nothing while the
    // frames are converted.
    QTest::mouseClick(editor->ResAddButton(), Qt::LeftButton);
    closed_meanwhile = editor->close();
  };
  platform.file_answers.push_back(dir.File("knight.slp"));
  editor->ConvertToSLP();
  logging.log.on_repaint = nullptr;
  EXPECT_FALSE(closed_meanwhile);
  EXPECT_EQ(platform.file_requests.size(), requests + 1);  // only the save dialog
  ASSERT_TRUE(std::filesystem::exists(dir.File("knight.slp")));
  // The window's events ran before the first frame was shown.
  const auto& lines = logging.log.lines;
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5),
            (std::vector<std::string>{"fresh", "title Converting to SLP...", "project part hidden",
                                      "file part shown", "events ran"}));

  // "Convert to SLX" too: events posted before it are handled while it runs.
  bool events_ran = false;
  QTimer::singleShot(0, qApp, [&events_ran] { events_ran = true; });
  std::filesystem::create_directories(dir.File("back"));
  platform.file_answers.push_back(dir.File("back/knight.slx"));
  editor->ConvertToSLX();
  EXPECT_TRUE(events_ran);
  EXPECT_TRUE(std::filesystem::exists(dir.File("back/knight.slx")));
  EXPECT_EQ(editor->ConversionRepaints(),
            (std::vector<std::string>{"[converting frame 5]", "[converting frame 10]"}));
}

TEST_F(EditorFormTest, CompileShowsTheResourceAndEachFrameOfAGraphicInProgress) {
  ProgressLoggingWindows logging;
  editor = &logging.Main();
  NewProject();
  Import(MakeFile("readme.txt", "Read me first"));
  Import(MakeGraphic(dir, "art", "knight", 3));
  Import(MakeFile("horn.wav", "RIFF"));
  platform.file_answers.push_back(dir.File("out.mpi"));
  editor->CompileProject();
  ASSERT_TRUE(platform.messages.empty()) << platform.messages[0].text;
  // The graphic is resource 2 of 3: the project part names it while the
  // file part shows and steps through its frames; the sound hides the file
  // part again. The window is repainted once per frame.
  auto at = [](double fraction) { return " at " + std::to_string(fraction); };
  EXPECT_EQ(logging.log.lines,
            (std::vector<std::string>{
                "fresh", "title Compiling MPI file...",
                "project Initialising project file" + at(0.0), "file step hidden", "events ran",
                "project Initialising project file" + at(0.0),
                "project Adding file knight" + at(1.0 / 3), "file step shown",
                "file Converting frame 1" + at(0.0), "repaint",
                "file Converting frame 2" + at(1.0 / 3), "repaint",
                "file Converting frame 3" + at(2.0 / 3), "repaint",
                "project Adding file horn" + at(2.0 / 3), "file step hidden", "unload"}));
}

// Whether text ends with end.
bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST_F(EditorFormTest, CompileStoppedByAGraphicShowsOneMessageWithBothReasons) {
  NewProject();
  Import(MakeFile("readme.txt", "Read me first"));
  const std::string knight = MakeGraphic(dir);
  Import(knight);
  std::filesystem::remove(dir.File("art/f3d.bmp"));
  const std::string mpi = dir.File("out.mpi");
  platform.file_answers.push_back(mpi);
  editor->MenuAction("menu_project_compile")->trigger();
  // The converter's message first, then the compiler's about the resource
  // it stopped at, in one box.
  ASSERT_EQ(platform.messages.size(), 1u);
  const Message& said = platform.messages[0];
  EXPECT_EQ(platform.LastFirstLine(),
            "ERROR: Unable to find all BMPs from the SLX! SLP will be corrupted...");
  EXPECT_NE(said.text.find(dir.File("art/f3d.bmp")), std::string::npos) << said.text;
  const std::string not_converted = "\nResource 2 (\"knight\") cannot be packaged: its SLX "
                                    "graphic " + knight + " could not be converted to SLP.\n"
                                    "The package was not written.";
  EXPECT_TRUE(EndsWith(said.text, not_converted)) << said.text;
  EXPECT_EQ(said.title, "Error");
  EXPECT_EQ(said.icon, MsgIcon::Critical);
  EXPECT_EQ(said.buttons, MsgButtons::OK);
  EXPECT_FALSE(std::filesystem::exists(mpi));
  EXPECT_FALSE(windows.ProgressWindow().isVisible());

  // A graphic that is no SLX file: the loader's message, the same way.
  test::WriteFileBytes(knight, "not an SLX file");
  platform.file_answers.push_back(mpi);
  editor->MenuAction("menu_project_compile")->trigger();
  ASSERT_EQ(platform.messages.size(), 2u);
  const Message& refused = platform.messages[1];
  EXPECT_EQ(platform.LastFirstLine(), "Unrecognised file format!");
  const std::string not_recognised = "\nResource 2 (\"knight\") cannot be packaged: its SLX "
                                     "file " + knight + " was not recognised.\n"
                                     "The package was not written.";
  EXPECT_TRUE(EndsWith(refused.text, not_recognised)) << refused.text;
  EXPECT_EQ(refused.title, "Error");
  EXPECT_EQ(refused.icon, MsgIcon::Critical);
  EXPECT_FALSE(std::filesystem::exists(mpi));
}

TEST_F(EditorFormTest, SettingsDialogDisablesTheMainWindowAndEditsTheTitle) {
  NewProject();
  editor->ShowProjectSettings();
  EXPECT_FALSE(editor->isEnabled());
  ProjectSettingsForm& settings = windows.ProjectSettings();
  settings.TitleBox()->setText("Castle mod");
  QTest::mouseClick(settings.CancelButton(), Qt::LeftButton);
  EXPECT_TRUE(editor->isEnabled());
  EXPECT_EQ(editor->Project().Title, "Unnamed");
  editor->ShowProjectSettings();
  EXPECT_EQ(settings.TitleBox()->text(), "Unnamed");
  settings.TitleBox()->setText("Castle mod");
  QTest::mouseClick(settings.OKButton(), Qt::LeftButton);
  EXPECT_TRUE(editor->isEnabled());
  EXPECT_EQ(editor->Project().Title, "Castle mod");
  EXPECT_EQ(test::ReadFileBytes(editor->Project().FilePath),
            "Mod Project - v0.50\r\nUnnamed\r\n0\r\n");  // only File > Save writes it
  EXPECT_EQ(settings.TitleBox()->maxLength(), 50);
}

TEST_F(EditorFormTest, AboutAndHelpSayWhoAndWhere) {
  editor->MenuAction("menu_help_about")->trigger();
  EXPECT_EQ(platform.messages.back().title, "About");
  EXPECT_EQ(platform.messages.back().text.rfind("Zorv Mod Editor by Brakmol (", 0), 0u);
  EXPECT_NE(platform.messages.back().text.find(") - buggy version!"), std::string::npos);
  editor->MenuAction("menu_help_help")->trigger();
  EXPECT_EQ(platform.messages.back().title, "Help");
  EXPECT_EQ(platform.messages.back().text.rfind(
                "For help on how to use this program, visit the ", 0),
            0u);
}

TEST_F(EditorFormTest, HiddenAnimationPaintsItsFanAndStopsOnASecondClick) {
  SetClientSize(9480, 6510);
  QAction* weird = editor->MenuAction("menu_weird_picture");
  ASSERT_NE(weird, nullptr);
  EXPECT_TRUE(weird->text().trimmed().isEmpty());
  weird->trigger();
  EXPECT_TRUE(editor->AnimationRunning());
  EXPECT_EQ(editor->AnimationCounter(), 0);
  editor->AnimationTick();
  EXPECT_EQ(editor->AnimationCounter(), 1);
  // At counter 0 one pixel, at (138, 0): red 128, blue 255.
  EXPECT_EQ(editor->AnimationPixel(138, 0), qRgb(128, 0, 255));
  EXPECT_EQ(qAlpha(editor->AnimationPixel(139, 0)), 0);
  weird->trigger();
  EXPECT_FALSE(editor->AnimationRunning());
  weird->trigger();
  EXPECT_TRUE(editor->AnimationRunning());
  EXPECT_EQ(editor->AnimationCounter(), 0);
  weird->trigger();
}

}  // namespace
}  // namespace zorv::gui
