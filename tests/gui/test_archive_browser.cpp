// The game archive browser: listing an archive, refusing a damaged one,
// previewing SLP frames through the right palette, and extracting files
// into the project.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "app/gui/EditorWindows.h"
#include "archive/DRSWriter.h"
#include "archive/gui/ArchiveBrowserForm.h"
#include "common/gui/Look.h"
#include "project/gui/EditorForm.h"
#include "tests/SLPTestFiles.h"
#include "tests/gui/support/ScriptedPlatform.h"
#include "tests/support/TestSupport.h"

namespace zorv::gui {
namespace {

namespace fs = std::filesystem;

// JASC-PAL text of a palette whose entry i is (i, 255 - i, 7).
std::string OwnPaletteText() {
  std::string text = "JASC-PAL\r\n0100\r\n256\r\n";
  for (int i = 0; i < 256; ++i)
    text += std::to_string(i) + " " + std::to_string(255 - i) + " 7\r\n";
  return text;
}

// Two frames: 3 x 1 of index 40, then 2 x 1 of index 41.
std::string TwoFrameSLP() {
  return test::BuildSLP({test::OneRowFrame(3, 0, 0, {3 << 2, 40, 40, 40, 0x0F}),
                         test::OneRowFrame(2, 0, 0, {2 << 2, 41, 41, 0x0F})});
}

class ArchiveBrowserTest : public ::testing::Test {
 protected:
  std::string MakeArchive(const std::string& name, bool own_palette) {
    DRSArchiveSource source;
    if (own_palette) source.Tables.push_back({"bina", {DRSFileSource::FromBytes(50500, OwnPaletteText())}});
    source.Tables.push_back({"slp",
                             {DRSFileSource::FromBytes(1234, TwoFrameSLP()),
                              DRSFileSource::FromBytes(7, "not an slp")}});
    source.Tables.push_back({"wav", {DRSFileSource::FromBytes(9, "RIFF....WAVE")}});
    const std::string path = dir.File(name);
    EXPECT_TRUE(WriteDRSArchiveFile(path, source).ok());
    return path;
  }

  ArchiveBrowserForm& Browser() { return windows.ArchiveBrowser(); }

  void OpenWith(const std::string& path) {
    platform.file_answers.push_back(path);
    Browser().Open(hooks);
    QApplication::processEvents();
  }

  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    for (int i = 0; i < Browser().FileListBox()->count(); ++i)
      lines.push_back(FromQ(Browser().FileListBox()->item(i)->text().simplified()));
    return lines;
  }

  void Select(int row) { Browser().FileListBox()->setCurrentRow(row); }

  QRgb PreviewPixel(int x, int y) {
    const QPixmap pixmap = Browser().FramePicture()->pixmap();
    return pixmap.toImage().pixel(x, y);
  }

  test::ScriptedPlatform platform;
  test::TempDir dir;
  bool project_open = true;
  std::vector<std::vector<std::string>> added;
  ArchiveBrowserHooks hooks{[this] { return project_open; },
                            [this](const std::vector<std::string>& files) { added.push_back(files); }};
  EditorWindows windows;
};

TEST_F(ArchiveBrowserTest, ListsEveryFileByTypeAndIdAfterAskingForTheArchive) {
  const std::string path = MakeArchive("graphics.drs", true);
  OpenWith(path);
  ASSERT_EQ(platform.file_requests.size(), 1u);
  EXPECT_EQ(platform.file_requests[0].title, "Select a game archive");
  EXPECT_EQ(FromQ(Browser().ArchivePathBox()->text()), path);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"bina 50500 " + std::to_string(OwnPaletteText().size()),
                                               "slp 7 10",
                                               "slp 1234 " + std::to_string(TwoFrameSLP().size()),
                                               "wav 9 12"}));
  EXPECT_EQ(FromQ(Browser().CountLabel()->text()), "4 files");
  EXPECT_FALSE(Browser().AddButton()->isEnabled());
  // Opened again, the window keeps its archive and asks nothing.
  Browser().Open(hooks);
  EXPECT_EQ(platform.file_requests.size(), 1u);
}

TEST_F(ArchiveBrowserTest, ADamagedArchiveIsRefusedAndTheListKept) {
  OpenWith(MakeArchive("graphics.drs", false));
  std::string damaged = test::ReadFileBytes(dir.File("graphics.drs"));
  test::PutU32(damaged, 0);  // grows the file: the sizes below still fit
  damaged.replace(84, 4, std::string("\xff\xff\xff\x7f", 4));  // slp table: 2^31 - 1 files
  test::WriteFileBytes(dir.File("bad.drs"), damaged);
  EXPECT_FALSE(Browser().OpenArchive(dir.File("bad.drs")));
  EXPECT_EQ(platform.LastFirstLine(), "Cannot open the game archive!");
  EXPECT_NE(platform.messages.back().text.find("2147483647"), std::string::npos)
      << platform.messages.back().text;
  EXPECT_EQ(Browser().FileListBox()->count(), 3);
  EXPECT_EQ(FromQ(Browser().ArchivePathBox()->text()), dir.File("graphics.drs"));
}

TEST_F(ArchiveBrowserTest, PreviewsFramesThroughTheArchivesOwnPalette) {
  OpenWith(MakeArchive("graphics.drs", true));
  EXPECT_EQ(FromQ(Browser().PaletteLabel()->text()), "Palette: the archive's own (bina 50500)");
  Select(2);  // slp 1234
  EXPECT_EQ(FromQ(Browser().FrameLabel()->text()), "Frame 1 of 2 (3 x 1)");
  EXPECT_EQ(PreviewPixel(0, 0), qRgb(40, 215, 7));
  EXPECT_FALSE(Browser().PreviousButton()->isEnabled());
  ASSERT_TRUE(Browser().NextButton()->isEnabled());
  QTest::mouseClick(Browser().NextButton(), Qt::LeftButton);
  EXPECT_EQ(FromQ(Browser().FrameLabel()->text()), "Frame 2 of 2 (2 x 1)");
  // Small frames are enlarged four times.
  EXPECT_EQ(Browser().FramePicture()->pixmap().size(), QSize(8, 4));
  EXPECT_EQ(PreviewPixel(7, 3), qRgb(41, 214, 7));
  EXPECT_FALSE(Browser().NextButton()->isEnabled());

  // Files that are no SLP, or damaged ones, show why there is no picture.
  Select(1);  // slp 7, not an SLP
  EXPECT_TRUE(Browser().FramePicture()->pixmap().isNull());
  EXPECT_EQ(FromQ(Browser().FramePicture()->text()), "Cannot show this SLP");
  Select(3);
  EXPECT_EQ(FromQ(Browser().FramePicture()->text()), "No preview for wav files");
}

TEST_F(ArchiveBrowserTest, AFileLargerThanAnySpriteIsNotReadForAPreview) {
  // slp 5 claims 300 MB at the end of a sparse file: listed, never read.
  DRSArchiveSource source;
  source.Tables.push_back({"slp", {DRSFileSource::FromBytes(5, "x")}});
  std::string bytes;
  ASSERT_TRUE(DRSArchiveBytes(source, bytes).ok());
  const int64_t huge = int64_t{300} << 20;
  bytes.replace(76 + 8, 4, std::string(reinterpret_cast<const char*>(&huge), 4));  // its size
  test::WriteFileBytes(dir.File("huge.drs"), bytes);
  fs::resize_file(dir.path() / "huge.drs", static_cast<uintmax_t>(bytes.size() - 1 + huge));
  OpenWith(dir.File("huge.drs"));
  ASSERT_EQ(Browser().FileListBox()->count(), 1);
  Select(0);
  EXPECT_EQ(FromQ(Browser().FramePicture()->text()), "Too large for a preview");
}

TEST_F(ArchiveBrowserTest, WithoutItsOwnPaletteTheInterfaceArchiveBesideOrTheBuiltInOneIsUsed) {
  OpenWith(MakeArchive("graphics.drs", false));
  EXPECT_EQ(FromQ(Browser().PaletteLabel()->text()), "Palette: built-in");
  Select(1);  // slp 1234
  const ColourValue builtin = Palette::BuiltIn().Colour(40);
  EXPECT_EQ(PreviewPixel(0, 0), qRgb(RedOf(builtin), GreenOf(builtin), BlueOf(builtin)));

  DRSArchiveSource interface_archive;
  interface_archive.Tables.push_back({"bina", {DRSFileSource::FromBytes(50500, OwnPaletteText())}});
  ASSERT_TRUE(WriteDRSArchiveFile(dir.File("INTERFAC.DRS"), interface_archive).ok());
  ASSERT_TRUE(Browser().OpenArchive(dir.File("graphics.drs")));
  EXPECT_EQ(FromQ(Browser().PaletteLabel()->text()), "Palette: INTERFAC.DRS (bina 50500)");
  Select(1);
  EXPECT_EQ(PreviewPixel(0, 0), qRgb(40, 215, 7));
}

TEST_F(ArchiveBrowserTest, AddingExtractsTheSelectedFilesAndHandsThemToTheProject) {
  const std::string path = MakeArchive("graphics.drs", true);
  OpenWith(path);
  Browser().FileListBox()->item(0)->setSelected(true);
  Browser().FileListBox()->item(2)->setSelected(true);
  ASSERT_TRUE(Browser().AddButton()->isEnabled());

  // Without a project nothing is asked or written.
  project_open = false;
  QTest::mouseClick(Browser().AddButton(), Qt::LeftButton);
  EXPECT_EQ(platform.LastFirstLine(), "Open or create a project first!");
  EXPECT_TRUE(added.empty());

  project_open = true;
  fs::create_directory(dir.path() / "out");
  platform.file_answers.push_back(dir.File("out"));
  QTest::mouseClick(Browser().AddButton(), Qt::LeftButton);
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0], (std::vector<std::string>{dir.File("out/50500.bin"), dir.File("out/1234.slp")}));
  EXPECT_EQ(test::ReadFileBytes(dir.File("out/50500.bin")), OwnPaletteText());
  EXPECT_EQ(test::ReadFileBytes(dir.File("out/1234.slp")), TwoFrameSLP());

  // Files already there are replaced only when the user says so.
  test::WriteFileBytes(dir.File("out/1234.slp"), "mine");
  platform.file_answers.push_back(dir.File("out"));
  platform.message_answers.push_back(MsgAnswer::No);
  QTest::mouseClick(Browser().AddButton(), Qt::LeftButton);
  EXPECT_EQ(platform.LastFirstLine(), "This will overwrite 2 files in the folder. Do you want to continue?");
  EXPECT_EQ(added.size(), 1u);
  EXPECT_EQ(test::ReadFileBytes(dir.File("out/1234.slp")), "mine");
  platform.file_answers.push_back(dir.File("out"));
  platform.message_answers.push_back(MsgAnswer::Yes);
  QTest::mouseClick(Browser().AddButton(), Qt::LeftButton);
  EXPECT_EQ(added.size(), 2u);
  EXPECT_EQ(test::ReadFileBytes(dir.File("out/1234.slp")), TwoFrameSLP());
}

TEST_F(ArchiveBrowserTest, TheMainWindowAddsTheFilesAsAddNewWould) {
  const std::string archive = MakeArchive("graphics.drs", true);
  EditorForm& editor = windows.Main();
  platform.file_answers.push_back(dir.File("project.mpr"));
  editor.NewProject();
  QAction* item = editor.findChild<QAction*>("menu_tools_browsearchive");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(FromQ(item->text()), "Browse game archive...");
  platform.file_answers.push_back(archive);
  item->trigger();
  Browser().FileListBox()->item(2)->setSelected(true);  // slp 1234
  Browser().FileListBox()->item(3)->setSelected(true);  // wav 9
  fs::create_directory(dir.path() / "files");
  platform.file_answers.push_back(dir.File("files"));
  QTest::mouseClick(Browser().AddButton(), Qt::LeftButton);
  ASSERT_EQ(editor.Project().ResourceCount, 2);
  EXPECT_EQ(editor.Project().Resource(1).FilePath, dir.File("files/1234.slp"));
  EXPECT_EQ(editor.Project().Resource(1).Kind, KindSLP);
  EXPECT_EQ(editor.Project().Resource(1).ResourceID, 1234);
  EXPECT_EQ(editor.Project().Resource(2).Kind, KindWAV);
  EXPECT_EQ(editor.Project().Resource(2).ResourceID, 9);
}

}  // namespace
}  // namespace zorv::gui
