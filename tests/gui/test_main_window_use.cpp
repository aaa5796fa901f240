// The main window as modders use it day to day: text files edited in the
// text view keep their bytes, names and titles stay 8-bit text, sounds that
// cannot play say so, and the keyboard, Escape and dropped files work.
#include <gtest/gtest.h>

#include <QAction>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QUrl>
#include <filesystem>

#include "app/gui/EditorWindows.h"
#include "common/gui/QtPlatform.h"
#include "package/MPIPackage.h"
#include "project/ModProject.h"
#include "project/gui/EditorForm.h"
#include "project/gui/ProjectSettingsForm.h"
#include "tests/gui/support/ScriptedPlatform.h"
#include "tests/support/TestSupport.h"

namespace zorv::gui {
namespace {

// Types text of any characters, as a keyboard layout that has them would.
void TypeText(QWidget* target, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(target, &release);
  }
}

class MainWindowUse : public ::testing::Test {
 protected:
  void SetUp() override {
    editor = &windows.Main();
    editor->show();
  }

  std::string NewProject() {
    const std::string path = dir.File("project.mpr");
    platform.file_answers.push_back(path);
    editor->NewProject();
    return path;
  }

  std::string Import(const std::string& name, const std::string& bytes) {
    const std::string path = dir.File(name);
    test::WriteFileBytes(path, bytes);
    platform.file_answers.push_back(path);
    editor->ImportResource();
    return path;
  }

  // Types text at the end of the text view, as a keystroke would.
  void TypeAtEnd(const QString& text) {
    QTextEdit* view = editor->ResourceTextDisplay();
    QTextCursor cursor = view->textCursor();
    cursor.movePosition(QTextCursor::End);
    view->setTextCursor(cursor);
    view->setFocus();
    QTest::keyClicks(view, text);
  }

  void ClickSave() { QTest::mouseClick(editor->ResourceTextSave(), Qt::LeftButton); }

  test::TempDir dir;
  test::ScriptedPlatform platform;
  EditorWindows windows;
  EditorForm* editor = nullptr;
};

TEST_F(MainWindowUse, TheTextViewShowsEachByteAsItsCharacterAndSavesOnlyWhatChanged) {
  NewProject();
  // A Latin-1 readme with each kind of line end.
  const std::string readme = "Caf\xE9 Mod\r\nfor the \xABgame\xBB\nsecond\rlast";
  const std::string path = Import("readme.txt", readme);
  EXPECT_EQ(editor->ResourceTextDisplay()->toPlainText(),
            QString::fromUtf8("Café Mod\nfor the «game»\nsecond\nlast"));
  TypeAtEnd("!");
  ASSERT_TRUE(editor->ResourceTextSave()->isEnabled());
  ClickSave();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(test::ReadFileBytes(path), readme + "!");
}

TEST_F(MainWindowUse, ABinaryFileShownAsTextGrowsOnlyByWhatWasTyped) {
  NewProject();
  // Every byte but NUL, with lone LFs and CRs among them.
  std::string bytes;
  for (int round = 0; round < 4; ++round)
    for (int b = 1; b < 256; ++b) bytes += static_cast<char>(b);
  const std::string path = Import("table.bin", bytes);
  EXPECT_FALSE(editor->ResourceTextDisplay()->isReadOnly());
  TypeAtEnd("x");
  ClickSave();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(test::ReadFileBytes(path), bytes + "x");
}

TEST_F(MainWindowUse, AFileThatCannotBeShownFaithfullyIsReadOnly) {
  NewProject();
  const std::string bytes = std::string("head\0tail\r\n", 11);
  const std::string path = Import("data.bin", bytes);
  QTextEdit* view = editor->ResourceTextDisplay();
  EXPECT_TRUE(view->isReadOnly());
  EXPECT_TRUE(view->toPlainText().contains("read-only"));
  EXPECT_FALSE(editor->ResourceTextSave()->isEnabled());
  editor->SaveText();
  EXPECT_EQ(test::ReadFileBytes(path), bytes);
}

TEST_F(MainWindowUse, TextBeyondEightBitsIsRefusedNotMangled) {
  NewProject();
  const std::string path = Import("readme.txt", "plain\r\n");
  editor->ResourceTextDisplay()->setPlainText(QString::fromUtf8("price: 5 €\n"));
  ClickSave();
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.LastFirstLine(), "Unable to save file!");
  EXPECT_NE(platform.messages.back().text.find("€"), std::string::npos);
  EXPECT_EQ(test::ReadFileBytes(path), "plain\r\n");
  EXPECT_TRUE(editor->ResourceTextSave()->isEnabled());
}

TEST_F(MainWindowUse, TitlesAndNamesAreStoredAsOneBytePerCharacter) {
  const std::string project_path = NewProject();
  Import("Caf\xC3\xA9.txt", "Read me");  // a file name as the file system spells it
  ASSERT_EQ(editor->Project().ResourceCount, 1);
  EXPECT_EQ(editor->Project().Resource(1).Name, "caf\xE9");
  EXPECT_EQ(editor->ResourceListBox()->item(0)->text(), QString::fromUtf8("[café]"));
  EXPECT_EQ(editor->ResourceNameBox()->text(), QString::fromUtf8("café"));
  // A name typed with a character beyond 8 bits is not taken.
  TypeText(editor->ResourceNameBox(), QString::fromUtf8("€"));
  EXPECT_EQ(editor->Project().Resource(1).Name, "caf\xE9");
  TypeText(editor->ResourceNameBox(), QString::fromUtf8("ü"));
  EXPECT_EQ(editor->Project().Resource(1).Name, "caf\xE9\xFC");

  editor->ShowProjectSettings();
  ProjectSettingsForm& settings = windows.ProjectSettings();
  settings.TitleBox()->clear();
  TypeText(settings.TitleBox(), QString::fromUtf8("Café Mod"));
  QTest::mouseClick(settings.OKButton(), Qt::LeftButton);
  EXPECT_EQ(editor->Project().Title, "Caf\xE9 Mod");
  ASSERT_TRUE(editor->SaveProject());
  EXPECT_NE(test::ReadFileBytes(project_path).find("\r\nCaf\xE9 Mod\r\n"), std::string::npos);

  // The package carries the same bytes.
  editor->Project().Resource(1).ReplaceTarget = kTargetReadme;
  const std::string mpi = dir.File("out.mpi");
  platform.file_answers.push_back(mpi);
  editor->CompileProject();
  ASSERT_TRUE(platform.messages.empty()) << platform.messages[0].text;
  MPIPackage package;
  ASSERT_TRUE(ReadMPIPackage(mpi, package));
  EXPECT_EQ(package.Title, "Caf\xE9 Mod");
}

TEST_F(MainWindowUse, ASoundThatCannotPlaySaysSo) {
  NewProject();
  Import("horn.wav", "RIFF....WAVE");
  platform.sound_failure = "Unable to play sound!\nThis computer has no audio output device.";
  QTest::mouseClick(editor->SoundPlayButton(), Qt::LeftButton);
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages.back().text, platform.sound_failure);
  EXPECT_EQ(platform.messages.back().title, "Error");
  EXPECT_EQ(platform.messages.back().icon, MsgIcon::Exclamation);
}

TEST(QtSound, FilesThatAreNoWavSoundAreRefusedBeforePlaying) {
  test::TempDir dir;
  QtPlatform platform;
  const std::string fake = dir.File("fake.wav");
  test::WriteFileBytes(fake, "ID3 this is an mp3");
  const Status not_wav = platform.PlaySound(fake);
  ASSERT_FALSE(not_wav.ok());
  EXPECT_EQ(not_wav.Headline(), "Unable to play sound!");
  EXPECT_NE(not_wav.message().find("not a WAV sound"), std::string::npos);
  const Status missing = platform.PlaySound(dir.File("missing.wav"));
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(missing.message().find("cannot be read"), std::string::npos);
}

TEST_F(MainWindowUse, AFailedOpenLeavesNothingToMoveOrRemove) {
  NewProject();
  Import("a.txt", "a");
  Import("b.txt", "b");
  editor->SelectResource(1);
  ASSERT_TRUE(editor->ResRemoveButton()->isEnabled());
  ASSERT_TRUE(editor->ResMoveButton(0)->isEnabled());
  const std::string foreign = dir.File("foreign.mpr");
  test::WriteFileBytes(foreign, "not a project\r\n");
  platform.file_answers.push_back(foreign);
  editor->OpenProject();
  EXPECT_EQ(platform.LastFirstLine(), "Unrecognised file format!");
  EXPECT_EQ(editor->ResourceListBox()->currentRow(), -1);
  EXPECT_FALSE(editor->ResRemoveButton()->isEnabled());
  EXPECT_FALSE(editor->ResMoveButton(0)->isEnabled());
  EXPECT_FALSE(editor->ResMoveButton(1)->isEnabled());
  EXPECT_TRUE(editor->ResAddButton()->isEnabled());
}

TEST_F(MainWindowUse, EscapeClosesProjectSettingsAndFreesTheMainWindow) {
  NewProject();
  editor->ShowProjectSettings();
  ProjectSettingsForm& settings = windows.ProjectSettings();
  ASSERT_FALSE(editor->isEnabled());
  settings.TitleBox()->setText("Changed");
  QTest::keyClick(settings.TitleBox(), Qt::Key_Escape);
  EXPECT_FALSE(settings.isVisible());
  EXPECT_TRUE(editor->isEnabled());
  EXPECT_EQ(editor->Project().Title, "Unnamed");
}

TEST_F(MainWindowUse, FileCommandsHaveTheirShortcuts) {
  EXPECT_EQ(editor->MenuAction("menu_file_new")->shortcut(), QKeySequence("Ctrl+N"));
  EXPECT_EQ(editor->MenuAction("menu_file_open")->shortcut(), QKeySequence("Ctrl+O"));
  EXPECT_EQ(editor->MenuAction("menu_file_save")->shortcut(), QKeySequence("Ctrl+S"));
  EXPECT_EQ(editor->MenuAction("menu_file_exit")->shortcut(), QKeySequence("Ctrl+Q"));
  editor->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(editor));
  QTest::keyClick(editor, Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(platform.file_requests.size(), 1u);
  EXPECT_EQ(platform.file_requests.back().title, "Select project to open");
}

// Drops local files on the window as a file manager would.
bool Drop(QWidget* target, const std::vector<std::string>& paths) {
  auto* data = new QMimeData;
  QList<QUrl> urls;
  for (const std::string& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
  data->setUrls(urls);
  const QPoint centre = target->rect().center();
  QDragEnterEvent enter(centre, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  const bool accepted = enter.isAccepted();
  if (accepted) {
    QDropEvent drop(centre, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
  }
  delete data;
  return accepted;
}

TEST_F(MainWindowUse, DroppedProjectsOpenAndDroppedFilesBecomeResources) {
  const std::string sound = dir.File("horn.wav");
  test::WriteFileBytes(sound, "RIFF");
  // Without a project, a sound has nowhere to go.
  EXPECT_FALSE(Drop(editor, {sound}));
  const std::string project = dir.File("castle.mpr");
  test::WriteFileBytes(project, "Mod Project - v0.50\r\nCastle\r\n0\r\n");
  EXPECT_TRUE(Drop(editor, {project, sound}));
  ASSERT_TRUE(editor->ProjectOpen());
  EXPECT_EQ(editor->Project().Title, "Castle");
  ASSERT_EQ(editor->Project().ResourceCount, 1);
  EXPECT_EQ(editor->Project().Resource(1).FilePath, sound);
  // A file of no kind the project takes is refused at the door.
  const std::string notes = dir.File("notes.odt");
  test::WriteFileBytes(notes, "x");
  EXPECT_FALSE(Drop(editor, {notes}));
  EXPECT_EQ(editor->Project().ResourceCount, 1);
  // Dropped on the text view of a readme, a file still joins the project
  // and its name is not pasted into the text.
  const std::string readme = dir.File("readme.txt");
  test::WriteFileBytes(readme, "Read me");
  ASSERT_TRUE(Drop(editor, {readme}));
  ASSERT_TRUE(editor->ResourceTextDisplay()->isVisible());
  const std::string second = dir.File("second.wav");
  test::WriteFileBytes(second, "RIFF");
  EXPECT_TRUE(Drop(editor->ResourceTextDisplay()->viewport(), {second}));
  EXPECT_EQ(editor->Project().ResourceCount, 3);
  EXPECT_EQ(editor->Project().Resource(3).FilePath, second);
}

}  // namespace
}  // namespace zorv::gui
