// The text view's "Save changes" never costs the user the file they had: a
// save that fails part-way keeps the previous file, keeps the edited text in
// the view for another try, and says which file it could not write.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <filesystem>
#include <set>

#include "app/gui/EditorWindows.h"
#include "project/ModProject.h"
#include "project/gui/EditorForm.h"
#include "tests/gui/support/ScriptedPlatform.h"
#include "tests/support/TestSupport.h"

namespace zorv::gui {
namespace {

namespace fs = std::filesystem;

std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    names.insert(entry.path().filename().string());
  return names;
}

class TextViewSaveFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    editor = &windows.Main();
    editor->show();
    platform.file_answers.push_back(dir.File("project.mpr"));
    editor->NewProject();
    ASSERT_TRUE(editor->Project().IsOpen());
  }

  // Imports a readme kept in its own folder and types new text into the view.
  std::string ImportAndEdit(const std::string& folder) {
    fs::create_directories(dir.File(folder));
    const std::string path = dir.File(folder + "/readme.txt");
    test::WriteFileBytes(path, kPrevious);
    platform.file_answers.push_back(path);
    editor->ImportResource();
    EXPECT_EQ(editor->ResourceTextDisplay()->toPlainText().toStdString(), kPrevious);
    editor->ResourceTextDisplay()->setPlainText(kEdited);
    EXPECT_TRUE(editor->ResourceTextSave()->isEnabled());
    return path;
  }

  void ClickSave() { QTest::mouseClick(editor->ResourceTextSave(), Qt::LeftButton); }

  // The save failed, said so naming the file, and the edit is still there.
  void ExpectRefused(const std::string& path) {
    ASSERT_FALSE(platform.messages.empty());
    EXPECT_EQ(platform.LastFirstLine(), "Unable to save file!");
    EXPECT_EQ(platform.messages.back().icon, MsgIcon::Critical);
    EXPECT_NE(platform.messages.back().text.find(path), std::string::npos)
        << platform.messages.back().text;
    EXPECT_EQ(editor->ResourceTextDisplay()->toPlainText().toStdString(), kEdited);
    EXPECT_TRUE(editor->ResourceTextSave()->isEnabled());
  }

  static constexpr const char* kPrevious = "The readme as it was.";
  static constexpr const char* kEdited = "A new readme,\nlonger than the old one by far.";
  static constexpr const char* kEditedOnDisk = "A new readme,\r\nlonger than the old one by far.";

  test::TempDir dir;
  test::ScriptedPlatform platform;
  // After the platform, so that the windows go first.
  EditorWindows windows;
  EditorForm* editor = nullptr;
};

TEST_F(TextViewSaveFailure, AFullDiskKeepsThePreviousFile) {
  const std::string path = ImportAndEdit("full");
  struct rlimit previous {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
  auto handler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit = previous;
  limit.rlim_cur = 10;  // the write stops part-way through the new text
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  ClickSave();
  setrlimit(RLIMIT_FSIZE, &previous);
  signal(SIGXFSZ, handler);
  ExpectRefused(path);
  EXPECT_EQ(test::ReadFileBytes(path), kPrevious);
  EXPECT_EQ(FilesIn(dir.File("full")), std::set<std::string>{"readme.txt"});
  // With room again the same click saves the edit.
  ClickSave();
  EXPECT_EQ(test::ReadFileBytes(path), kEditedOnDisk);
  EXPECT_FALSE(editor->ResourceTextSave()->isEnabled());
}

TEST_F(TextViewSaveFailure, AReadOnlyFileIsKept) {
  const std::string path = ImportAndEdit("locked");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  ClickSave();
  ExpectRefused(path);
  EXPECT_EQ(test::ReadFileBytes(path), kPrevious);
  EXPECT_EQ(FilesIn(dir.File("locked")), std::set<std::string>{"readme.txt"});
  ASSERT_EQ(chmod(path.c_str(), 0644), 0);
  ClickSave();
  EXPECT_EQ(test::ReadFileBytes(path), kEditedOnDisk);
}

TEST_F(TextViewSaveFailure, ARemovedFolderIsNotCreatedAgainAndTheEditStays) {
  const std::string path = ImportAndEdit("gone");
  fs::remove_all(dir.File("gone"));
  ClickSave();
  ExpectRefused(path);
  EXPECT_FALSE(fs::exists(dir.File("gone")));
  // The project still lists the resource where it was.
  ASSERT_EQ(editor->Project().ResourceCount, 1);
  EXPECT_EQ(editor->Project().Resource(1).FilePath, path);
}

}  // namespace
}  // namespace zorv::gui
