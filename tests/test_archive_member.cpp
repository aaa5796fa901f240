// Files named inside game archives ("graphics.drs:1234"): which names are
// archive members and which are plain files, reading a member, and the
// conversions and palettes that take such a name.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "archive/ArchiveInputs.h"
#include "archive/ArchiveMember.h"
#include "archive/DRSWriter.h"
#include "codec/SLX.h"
#include "tests/SLPTestFiles.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;

// A palette in JASC-PAL text whose colour i is (i, 255 - i, i / 3).
std::string PaletteText() {
  std::string text = "JASC-PAL\r\n0100\r\n256\r\n";
  for (int i = 0; i < 256; ++i)
    text += std::to_string(i) + " " + std::to_string(255 - i) + " " + std::to_string(i / 3) +
            "\r\n";
  return text;
}

std::string TwoFrameSLP() {
  std::vector<test::TestFrame> frames = {test::OneRowFrame(3, 3, 0, {0x0F}),
                                         test::OneRowFrame(2, 0, 0, {0x2B, 0x0F})};
  frames[1].hot_x = -4;
  return test::BuildSLP(frames);
}

class ArchiveMemberTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DRSArchiveSource source;
    source.Tables.push_back({"slp", {DRSFileSource::FromBytes(1234, TwoFrameSLP()),
                                     DRSFileSource::FromBytes(-5, "not a sprite")}});
    source.Tables.push_back({"bina", {DRSFileSource::FromBytes(50500, PaletteText()),
                                      DRSFileSource::FromBytes(7, "not a palette")}});
    std::string bytes;
    ASSERT_TRUE(DRSArchiveBytes(source, bytes).ok());
    archive = dir.File("graphics.drs");
    test::WriteFileBytes(archive, bytes);
  }

  test::TempDir dir;
  std::string archive;
};

TEST(ArchiveID, OnlyPlainDecimalIdsWithin32Bits) {
  EXPECT_EQ(ParseArchiveID("1234"), 1234);
  EXPECT_EQ(ParseArchiveID("-5"), -5);
  EXPECT_EQ(ParseArchiveID("0"), 0);
  EXPECT_EQ(ParseArchiveID("2147483647"), INT32_MAX);
  EXPECT_EQ(ParseArchiveID("-2147483648"), INT32_MIN);
  for (const char* bad : {"", "-", "+5", " 5", "5 ", "12x", "0x10", "2147483648",
                          "-2147483649", "99999999999", "1.5", "\\x.slp"})
    EXPECT_FALSE(ParseArchiveID(bad).has_value()) << bad;
}

TEST_F(ArchiveMemberTest, TheTextAfterTheLastColonIsAnIdOfAnExistingArchive) {
  const auto member = ArchiveMemberOf(archive + ":1234");
  ASSERT_TRUE(member.has_value());
  EXPECT_EQ(member->Archive, archive);
  EXPECT_EQ(member->ID, 1234);
  EXPECT_EQ(ArchiveMemberText(*member), archive + ":1234");
  EXPECT_EQ(ArchiveMemberOf(archive + ":-5")->ID, -5);

  // A folder with a colon in its name: the last colon counts.
  fs::create_directories(dir.File("mods:1"));
  fs::copy_file(archive, dir.File("mods:1/g.drs"));
  const auto nested = ArchiveMemberOf(dir.File("mods:1/g.drs:7"));
  ASSERT_TRUE(nested.has_value());
  EXPECT_EQ(nested->Archive, dir.File("mods:1/g.drs"));
  EXPECT_EQ(nested->ID, 7);

  // Not members: no id after the colon, no such archive, the archive a
  // folder, the plain archive itself.
  EXPECT_FALSE(ArchiveMemberOf(archive).has_value());
  EXPECT_FALSE(ArchiveMemberOf(archive + ":").has_value());
  EXPECT_FALSE(ArchiveMemberOf(archive + ":12x").has_value());
  EXPECT_FALSE(ArchiveMemberOf(archive + ":4294967296").has_value());
  EXPECT_FALSE(ArchiveMemberOf(dir.File("missing.drs:12")).has_value());
  EXPECT_FALSE(ArchiveMemberOf(dir.File("mods:1")).has_value());
  EXPECT_FALSE(ArchiveMemberOf("C:\\x.slp").has_value());
  EXPECT_FALSE(ArchiveMemberOf(":12").has_value());
}

TEST_F(ArchiveMemberTest, AFileReallyNamedLikeAMemberIsThatFile) {
  test::WriteFileBytes(archive + ":1234", "a file of its own");
  EXPECT_FALSE(ArchiveMemberOf(archive + ":1234").has_value());
  // A dangling link of the name is a name taken too.
  fs::create_symlink(dir.File("nowhere"), archive + ":-5");
  EXPECT_FALSE(ArchiveMemberOf(archive + ":-5").has_value());
}

TEST_F(ArchiveMemberTest, ReadingAMemberGivesItsBytesOrSaysWhatIsMissing) {
  std::string bytes;
  ASSERT_TRUE(ReadArchiveMember({archive, 1234}, "slp", bytes).ok());
  EXPECT_EQ(bytes, TwoFrameSLP());
  const Status wrong_table = ReadArchiveMember({archive, 1234}, "bina", bytes);
  EXPECT_EQ(wrong_table.message(), archive + ": the archive holds no bina file 1234");

  // A limit is kept before anything is read.
  const Status too_large = ReadArchiveMember({archive, 1234}, "slp", bytes, 10);
  EXPECT_EQ(too_large.message(), archive + ":1234: the slp file is " +
                                     std::to_string(TwoFrameSLP().size()) +
                                     " bytes, more than the 10 it may hold");

  std::string damaged = test::ReadFileBytes(archive);
  test::WriteFileBytes(dir.File("cut.drs"), damaged.substr(0, damaged.size() - 50));
  const Status cut = ReadArchiveMember({dir.File("cut.drs"), 1234}, "slp", bytes);
  EXPECT_NE(cut.message().find("damaged archive"), std::string::npos) << cut.message();
}

TEST_F(ArchiveMemberTest, APaletteComesFromTheBinaTable) {
  test::WriteFileBytes(dir.File("p.pal"), PaletteText());
  Palette from_file, from_archive;
  ASSERT_TRUE(LoadPalette(dir.File("p.pal"), from_file).ok());
  ASSERT_TRUE(LoadPaletteInput(archive + ":50500", from_archive).ok());
  EXPECT_EQ(from_archive, from_file);
  EXPECT_FALSE(from_archive == Palette::BuiltIn());

  Palette kept = Palette::BuiltIn();
  const Status not_palette = LoadPaletteInput(archive + ":7", kept);
  EXPECT_EQ(not_palette.Headline(), "Not valid palette file!");
  EXPECT_EQ(not_palette.Detail().rfind(archive + ":7: ", 0), 0u) << not_palette.message();
  EXPECT_EQ(kept, Palette::BuiltIn());
  const Status missing = LoadPaletteInput(archive + ":1234", kept);
  EXPECT_EQ(missing.Detail(), archive + ": the archive holds no bina file 1234");
  // A plain file and the built-in palette go as before.
  ASSERT_TRUE(LoadPaletteInput("", kept).ok());
  EXPECT_EQ(kept, Palette::BuiltIn());
}

TEST_F(ArchiveMemberTest, ASpriteInAnArchiveConvertsAsTheSameSpriteOnDisk) {
  test::WriteFileBytes(dir.File("loose.slp"), TwoFrameSLP());
  fs::create_directories(dir.File("a"));
  fs::create_directories(dir.File("b"));
  ASSERT_TRUE(ConvertSLPInputToSLX(dir.File("loose.slp"), dir.File("a/s.slx"), Palette::BuiltIn(),
                                   FrameFileFormat::kBMP)
                  .ok());
  const Status from_archive = ConvertSLPInputToSLX(archive + ":1234", dir.File("b/s.slx"),
                                                   Palette::BuiltIn(), FrameFileFormat::kBMP);
  ASSERT_TRUE(from_archive.ok()) << from_archive.message();
  for (const char* name : {"s.slx", "s_001.bmp", "s_001d.bmp", "s_002.bmp", "s_002d.bmp"})
    EXPECT_EQ(test::ReadFileBytes(dir.File(std::string("b/") + name)),
              test::ReadFileBytes(dir.File(std::string("a/") + name)))
        << name;

  // A member that is no sprite is named in the failure.
  const Status broken = ConvertSLPInputToSLX(archive + ":-5", dir.File("b/t.slx"),
                                             Palette::BuiltIn(), FrameFileFormat::kBMP);
  EXPECT_EQ(broken.Headline(), kMsgErrorCreatingSLX);
  EXPECT_EQ(broken.Detail().rfind(archive + ":-5: ", 0), 0u) << broken.message();
  // The archive itself is never written over.
  const std::string before = test::ReadFileBytes(archive);
  const Status onto_archive = ConvertSLPInputToSLX(archive + ":1234", archive,
                                                   Palette::BuiltIn(), FrameFileFormat::kBMP);
  EXPECT_FALSE(onto_archive.ok());
  EXPECT_EQ(test::ReadFileBytes(archive), before);
}

TEST_F(ArchiveMemberTest, ExportReadsASpriteInAnArchive) {
  test::WriteFileBytes(dir.File("loose.slp"), TwoFrameSLP());
  fs::create_directories(dir.File("a"));
  fs::create_directories(dir.File("b"));
  ExportSettings settings;
  const Status loose =
      ExportSLPInputFrames(dir.File("loose.slp"), dir.File("a"), "s", Palette::BuiltIn(), settings);
  ASSERT_TRUE(loose.ok()) << loose.message();
  const Status exported =
      ExportSLPInputFrames(archive + ":1234", dir.File("b"), "s", Palette::BuiltIn(), settings);
  ASSERT_TRUE(exported.ok()) << exported.message();
  for (const char* name : {"s_001.png", "s_002.png"})
    EXPECT_EQ(test::ReadFileBytes(dir.File(std::string("b/") + name)),
              test::ReadFileBytes(dir.File(std::string("a/") + name)))
        << name;
  const Status missing =
      ExportSLPInputFrames(archive + ":99", dir.File("c"), "s", Palette::BuiltIn(), settings);
  EXPECT_EQ(missing.Headline(), kMsgErrorExporting);
  EXPECT_NE(missing.Detail().find("no slp file 99"), std::string::npos) << missing.message();
}

}  // namespace
}  // namespace zorv
