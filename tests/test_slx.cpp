#include <gtest/gtest.h>

#include <filesystem>

#include "codec/SLX.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

SLXGraphic TwoFrameGraphic(const std::string& path) {
  SLXGraphic graphic;
  graphic.Path = path;
  graphic.FrameCount = 2;
  graphic.Frames = {SLXFrame{"unit_001.bmp", "unit_001d.bmp", -12, 130},
                    SLXFrame{"unit_002.bmp", "unit_002d.bmp", 47, -3}};
  return graphic;
}

class SLXTest : public ::testing::Test {
 protected:
  test::TempDir dir;
};

TEST_F(SLXTest, SaveWritesTheLinesInFileOrderWithCRLF) {
  SLXGraphic graphic = TwoFrameGraphic(dir.File("unit.slx"));
  ASSERT_TRUE(SaveSLX(graphic));
  EXPECT_EQ(test::ReadFileBytes(dir.File("unit.slx")),
            "SLX 0.5\r\n2\r\n-12,130\r\nunit_001d.bmp\r\nunit_001.bmp\r\n"
            "47,-3\r\nunit_002d.bmp\r\nunit_002.bmp\r\n");
}

TEST_F(SLXTest, LoadThenSaveReproducesTheFileByteForByte) {
  SLXGraphic graphic = TwoFrameGraphic(dir.File("unit.slx"));
  ASSERT_TRUE(SaveSLX(graphic));
  std::string before = test::ReadFileBytes(dir.File("unit.slx"));
  SLXGraphic loaded;
  ASSERT_TRUE(LoadSLX(dir.File("unit.slx"), loaded));
  EXPECT_EQ(loaded.Path, dir.File("unit.slx"));
  ASSERT_EQ(loaded.FrameCount, 2);
  EXPECT_EQ(loaded.Frame(1).CenterX, -12);
  EXPECT_EQ(loaded.Frame(1).CenterY, 130);
  EXPECT_EQ(loaded.Frame(1).DataFile, "unit_001d.bmp");
  EXPECT_EQ(loaded.Frame(1).ColourFile, "unit_001.bmp");
  EXPECT_EQ(loaded.ColourPath(2), dir.File("unit_002.bmp"));
  std::filesystem::remove(dir.File("unit.slx"));
  ASSERT_TRUE(SaveSLX(loaded));
  EXPECT_EQ(test::ReadFileBytes(dir.File("unit.slx")), before);
}

TEST_F(SLXTest, LoadAcceptsMissingFrameFilesAndLooseBlanksInNumbers) {
  test::WriteFileBytes(dir.File("a.slx"), "SLX 0.5\r\n 1 \r\n 3 , -4\r\nd.bmp\r\nc.bmp\r\nextra\r\n");
  SLXGraphic loaded;
  ASSERT_TRUE(LoadSLX(dir.File("a.slx"), loaded));
  EXPECT_EQ(loaded.Frame(1).CenterX, 3);
  EXPECT_EQ(loaded.Frame(1).CenterY, -4);
}

TEST_F(SLXTest, FolderOfFramesFollowsEitherSeparator) {
  SLXGraphic graphic = TwoFrameGraphic("C:\\mods\\unit.slx");
  EXPECT_EQ(graphic.DataPath(1), "C:\\mods\\unit_001d.bmp");
}

TEST_F(SLXTest, MalformedFilesAreRefusedAndLeaveTheGraphicAsItWas) {
  SLXGraphic graphic = TwoFrameGraphic(dir.File("good.slx"));
  ASSERT_TRUE(SaveSLX(graphic));
  SLXGraphic loaded;
  ASSERT_TRUE(LoadSLX(dir.File("good.slx"), loaded));
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"trailing blank", "SLX 0.5 \r\n0\r\n"},
      {"lower case", "slx 0.5\r\n0\r\n"},
      {"empty file", ""},
      {"no count", "SLX 0.5\r\n"},
      {"count not a number", "SLX 0.5\r\nmany\r\n"},
      {"negative count", "SLX 0.5\r\n-1\r\n"},
      {"count larger than the file", "SLX 0.5\r\n2\r\n0,0\r\nd.bmp\r\nc.bmp\r\n"},
      {"absurd count", "SLX 0.5\r\n2000000000\r\n"},
      {"hot spot without comma", "SLX 0.5\r\n1\r\n5 6\r\nd.bmp\r\nc.bmp\r\n"},
      {"hot spot not numbers", "SLX 0.5\r\n1\r\nx,6\r\nd.bmp\r\nc.bmp\r\n"},
  };
  for (const auto& [name, text] : cases) {
    test::WriteFileBytes(dir.File("bad.slx"), text);
    const Status status = LoadSLX(dir.File("bad.slx"), loaded);
    EXPECT_FALSE(status) << name;
    EXPECT_EQ(status.Headline(), "Unrecognised file format!") << name;
    EXPECT_NE(status.Detail().find("bad.slx"), std::string::npos) << name;
    EXPECT_EQ(loaded.Path, dir.File("good.slx")) << name;
    EXPECT_EQ(loaded.FrameCount, 2) << name;
    EXPECT_EQ(loaded.Frame(2).CenterX, 47) << name;
  }
}

TEST_F(SLXTest, FailedSaveIsReportedAndKeepsTheOldFile) {
  SLXGraphic graphic = TwoFrameGraphic(dir.File("unit.slx"));
  ASSERT_TRUE(SaveSLX(graphic));
  std::string before = test::ReadFileBytes(dir.File("unit.slx"));
  // A folder that does not exist.
  graphic.Path = dir.File("missing/unit.slx");
  Status saved = SaveSLX(graphic);
  EXPECT_FALSE(saved);
  EXPECT_EQ(saved.Headline(), "Error saving SLX file!");
  EXPECT_NE(saved.Detail().find("missing/unit.slx"), std::string::npos);
  // A read-only file is not replaced.
  std::filesystem::permissions(dir.File("unit.slx"), std::filesystem::perms::owner_read);
  graphic.Path = dir.File("unit.slx");
  graphic.Frame(1).CenterX = 99;
  saved = SaveSLX(graphic);
  EXPECT_FALSE(saved);
  EXPECT_EQ(saved.Headline(), "Error saving SLX file!");
  EXPECT_EQ(test::ReadFileBytes(dir.File("unit.slx")), before);
  // Nothing is left beside it.
  int files = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1);
}

}  // namespace
}  // namespace zorv
