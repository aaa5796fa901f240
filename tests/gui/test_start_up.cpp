// The editor's start: its command line, the file named on it, and who it
// is to the desktop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <filesystem>
#include <unistd.h>

#include "app/gui/CommandLine.h"
#include "app/gui/EditorIdentity.h"
#include "app/gui/EditorWindows.h"
#include "app/gui/OpenAtStart.h"
#include "codec/DIBSection.h"
#include "codec/SLX.h"
#include "common/Version.h"
#include "common/gui/Look.h"
#include "project/ModProject.h"
#include "project/gui/EditorForm.h"
#include "tests/gui/support/ScriptedPlatform.h"
#include "tests/support/TestSupport.h"
#include "tools/gui/SLXDocument.h"
#include "tools/gui/SLXEditorForm.h"

namespace zorv::gui {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Line(std::initializer_list<std::string> arguments) {
  std::vector<std::string> line{"zorv-mod-editor"};
  line.insert(line.end(), arguments);
  return line;
}

TEST(EditorCommandLine, HelpAndVersionAnswerWhateverElseTheLineHolds) {
  EXPECT_EQ(ReadEarlyRequest(Line({})), EarlyRequest::Start);
  EXPECT_EQ(ReadEarlyRequest(Line({"castle.mpr"})), EarlyRequest::Start);
  EXPECT_EQ(ReadEarlyRequest(Line({"--help"})), EarlyRequest::Help);
  EXPECT_EQ(ReadEarlyRequest(Line({"-platform", "offscreen", "-h"})), EarlyRequest::Help);
  EXPECT_EQ(ReadEarlyRequest(Line({"castle.mpr", "--version"})), EarlyRequest::Version);
  EXPECT_EQ(ReadEarlyRequest(Line({"-v"})), EarlyRequest::Version);
  // After "--" they are file names.
  EXPECT_EQ(ReadEarlyRequest(Line({"--", "--help"})), EarlyRequest::Start);
  EXPECT_EQ(VersionText(), std::string("zorv-mod-editor ") + kProgramVersion + "\n");
  EXPECT_NE(HelpText().find("Usage: zorv-mod-editor [FILE]"), std::string::npos);
}

TEST(EditorCommandLine, TakesOneFileAndRefusesUnknownOptions) {
  EXPECT_EQ(ReadStartRequest(Line({})).file, "");
  EXPECT_EQ(ReadStartRequest(Line({})).error, "");
  EXPECT_EQ(ReadStartRequest(Line({"mods/castle.mpr"})).file, "mods/castle.mpr");
  EXPECT_EQ(ReadStartRequest(Line({"-"})).file, "-");
  const StartRequest dashed = ReadStartRequest(Line({"--", "-castle.mpr"}));
  EXPECT_EQ(dashed.file, "-castle.mpr");
  EXPECT_EQ(dashed.error, "");

  const StartRequest unknown = ReadStartRequest(Line({"--open", "castle.mpr"}));
  EXPECT_EQ(unknown.error, "unknown option \"--open\"");
  EXPECT_EQ(unknown.file, "");
  EXPECT_EQ(ReadStartRequest(Line({"a.mpr", "b.slx"})).error, "one file at a time, not 2");
  EXPECT_EQ(ReadStartRequest(Line({""})).error, "the file name is empty");
  EXPECT_EQ(UsageErrorText("the file name is empty"),
            "zorv-mod-editor: the file name is empty\n"
            "Run zorv-mod-editor --help for the usage.\n");
}

TEST(EditorIdentity, NamesTheDesktopEntryThatIsInstalled) {
  const QString name = QApplication::applicationName();
  const QString organisation = QApplication::organizationName();
  const QString version = QApplication::applicationVersion();
  const QString desktop = QGuiApplication::desktopFileName();

  SetEditorIdentity();
  EXPECT_EQ(QGuiApplication::desktopFileName().toStdString(), kDesktopFileName);
  EXPECT_TRUE(fs::is_regular_file(fs::path(ZORV_SOURCE_DIR) / "app/gui/desktop" /
                                  (std::string(kDesktopFileName) + ".desktop")));
  EXPECT_EQ(QApplication::applicationName().toStdString(), "Zorv Mod Editor");
  EXPECT_EQ(QApplication::applicationVersion().toStdString(), kProgramVersion);

  QApplication::setApplicationName(name);
  QApplication::setOrganizationName(organisation);
  QApplication::setApplicationVersion(version);
  QGuiApplication::setDesktopFileName(desktop);
}

class FileAtStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    editor = &windows.Main();
    editor->show();
  }

  std::string ProjectFile(const std::string& name) {
    const std::string path = dir.File(name);
    ModProject project;
    EXPECT_TRUE(NewProject(path, project).ok());
    return path;
  }

  // What the one message said, or a failure when there was not exactly one.
  std::string OnlyMessage() {
    EXPECT_EQ(platform.messages.size(), 1u);
    if (platform.messages.size() != 1) return "";
    EXPECT_EQ(platform.messages[0].title, "Error");
    EXPECT_EQ(platform.messages[0].icon, MsgIcon::Exclamation);
    return platform.messages[0].text;
  }

  test::TempDir dir;
  test::ScriptedPlatform platform;
  // After the platform, so that the windows go first.
  EditorWindows windows;
  EditorForm* editor = nullptr;
};

TEST_F(FileAtStartTest, ProjectsOpenAsFileOpenOpensThem) {
  const std::string path = ProjectFile("castle.mpr");
  OpenFileAtStart(*editor, path);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_TRUE(editor->ProjectOpen());
  EXPECT_EQ(editor->Project().FilePath, path);

  // The extension in capitals is a project too.
  EditorWindows more;
  const std::string capitals = ProjectFile("KEEP.MPR");
  OpenFileAtStart(more.Main(), capitals);
  EXPECT_TRUE(more.Main().ProjectOpen());
  EXPECT_EQ(more.Main().Project().FilePath, capitals);
}

TEST_F(FileAtStartTest, MissingProjectGetsTheProjectReadersMessage) {
  const std::string missing = dir.File("gone.mpr");
  OpenFileAtStart(*editor, missing);
  const std::string said = OnlyMessage();
  EXPECT_EQ(said.substr(0, said.find('\n')), kMsgErrorOpeningProject);
  EXPECT_NE(said.find(missing), std::string::npos) << said;
  EXPECT_FALSE(editor->ProjectOpen());
  EXPECT_FALSE(editor->MenuAction("menu_file_save")->isEnabled());
}

TEST_F(FileAtStartTest, FolderNamedAsAProjectIsNotOpenedSilently) {
  const std::string folder = dir.File("folder.mpr");
  fs::create_directory(folder);
  OpenFileAtStart(*editor, folder);
  const std::string said = OnlyMessage();
  EXPECT_EQ(said.substr(0, said.find('\n')), kMsgErrorOpeningProject);
  EXPECT_NE(said.find("folder"), std::string::npos) << said;
  EXPECT_FALSE(editor->ProjectOpen());
}

TEST_F(FileAtStartTest, ProjectOfAnotherFormatIsRefusedAsFileOpenRefusesIt) {
  const std::string path = dir.File("old.mpr");
  test::WriteFileBytes(path, "Mod Project - v0.4\r\nOld\r\n0\r\n");
  OpenFileAtStart(*editor, path);
  const std::string said = OnlyMessage();
  EXPECT_EQ(said.substr(0, said.find('\n')), kMsgUnrecognisedFormat);
  EXPECT_FALSE(editor->ProjectOpen());
}

TEST_F(FileAtStartTest, UnreadableProjectSaysSo) {
  const std::string path = ProjectFile("locked.mpr");
  fs::permissions(path, fs::perms::none);
  if (::access(path.c_str(), R_OK) == 0) {
    fs::permissions(path, fs::perms::owner_all);
    GTEST_SKIP() << "this user reads files without read permission";
  }
  OpenFileAtStart(*editor, path);
  fs::permissions(path, fs::perms::owner_all);
  const std::string said = OnlyMessage();
  EXPECT_EQ(said.substr(0, said.find('\n')), kMsgErrorOpeningProject);
  EXPECT_FALSE(editor->ProjectOpen());
}

TEST_F(FileAtStartTest, GraphicsShowInTheEditorOrSayWhyNot) {
  const std::string path = dir.File("knight.slx");
  test::WriteFileBytes(path, "SLX 0.5\r\n1\r\n3,4\r\nknight_001d.bmp\r\nknight_001.bmp\r\n");
  for (const char* name : {"knight_001.bmp", "knight_001d.bmp"}) {
    cDIBSection bitmap;
    ASSERT_TRUE(bitmap.Create(6, 8));
    bitmap.Fill(0xFFFFFF);
    ASSERT_TRUE(bitmap.SavePicture(dir.File(name)));
  }
  OpenFileAtStart(*editor, path);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(windows.Document().Graphic().Path, path);
  EXPECT_TRUE(windows.Editor().isVisible());

  EditorWindows more;
  const std::string missing = dir.File("gone.slx");
  OpenFileAtStart(more.Main(), missing);
  const std::string said = OnlyMessage();
  EXPECT_EQ(said.substr(0, said.find('\n')), kMsgUnrecognisedSLX);
  EXPECT_NE(said.find(missing), std::string::npos) << said;
  EXPECT_TRUE(more.Document().Graphic().Path.empty());
}

TEST_F(FileAtStartTest, FilesOfOtherKindsGetAClearMessage) {
  const std::string sprite = dir.File("knight.slp");
  test::WriteFileBytes(sprite, "2.0N");
  OpenFileAtStart(*editor, sprite);
  std::string said = OnlyMessage();
  EXPECT_EQ(said.substr(0, said.find('\n')), kMsgNotOpenedAtStart);
  EXPECT_NE(said.find(sprite), std::string::npos) << said;
  EXPECT_NE(said.find("\"Convert to SLX\""), std::string::npos) << said;

  for (const std::string name : {"readme.txt", "README"}) {
    platform.messages.clear();
    const std::string path = dir.File(name);
    test::WriteFileBytes(path, "text");
    OpenFileAtStart(*editor, path);
    said = OnlyMessage();
    EXPECT_EQ(said.substr(0, said.find('\n')), kMsgNotOpenedAtStart) << name;
    EXPECT_NE(said.find(path + ": a file of another kind."), std::string::npos) << said;
  }
  EXPECT_FALSE(editor->ProjectOpen());
  EXPECT_TRUE(windows.Document().Graphic().Path.empty());
}

TEST_F(FileAtStartTest, CaptionNamesTheBuildsVersion) {
  EXPECT_EQ(editor->windowTitle().toStdString(), kMainWindowCaption);
}

}  // namespace
}  // namespace zorv::gui
