// The install record kept in a game's data folder: written and read back,
// and edited by hand or damaged in every way, which must give a clear
// failure naming the line, never a crash nor a name leading outside the
// folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "package/GameArchives.h"
#include "package/InstallRecord.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {
namespace fs = std::filesystem;

InstallRecord TwoInstalls() {
  InstallRecord record;
  InstalledPackage a;
  a.Number = 1;
  a.Title = "Tabs\tand\nbreaks \\ backslash \x01";
  a.PackageFile = "/mods/castle walls.mpi";
  a.PackageSize = 1234;
  a.PackageHash = 0xdeadbeef12345678;
  InstalledArchive graphics;
  graphics.Target = 1;
  graphics.FileName = "GRAPHICS.DRS";
  graphics.SizeBefore = 100;
  graphics.HashBefore = 1;
  graphics.SizeAfter = 120;
  graphics.HashAfter = 0xffffffffffffffff;
  graphics.TablesAdded = {"bina"};
  graphics.Replaced = {{"slp", -1}, {"slp", 2147483647}};
  graphics.Added = {{"bina", -2147483647 - 1}};
  a.Archives.push_back(graphics);
  InstalledPackage b;
  b.Number = 7;
  b.Title = "Second";
  b.PackageFile = "b.mpi";
  InstalledArchive sounds;
  sounds.Target = 3;
  sounds.FileName = "sounds.drs";
  sounds.KeptWhole = true;
  b.Archives.push_back(sounds);
  record.Packages = {a, b};
  return record;
}

void ExpectSame(const InstallRecord& a, const InstallRecord& b) {
  ASSERT_EQ(a.Packages.size(), b.Packages.size());
  for (size_t i = 0; i < a.Packages.size(); ++i) {
    const InstalledPackage& x = a.Packages[i];
    const InstalledPackage& y = b.Packages[i];
    EXPECT_EQ(x.Number, y.Number);
    EXPECT_EQ(x.Title, y.Title);
    EXPECT_EQ(x.PackageFile, y.PackageFile);
    EXPECT_EQ(x.PackageSize, y.PackageSize);
    EXPECT_EQ(x.PackageHash, y.PackageHash);
    ASSERT_EQ(x.Archives.size(), y.Archives.size());
    for (size_t j = 0; j < x.Archives.size(); ++j) {
      const InstalledArchive& p = x.Archives[j];
      const InstalledArchive& q = y.Archives[j];
      EXPECT_EQ(p.Target, q.Target);
      EXPECT_EQ(p.FileName, q.FileName);
      EXPECT_EQ(p.KeptWhole, q.KeptWhole);
      EXPECT_EQ(p.SizeBefore, q.SizeBefore);
      EXPECT_EQ(p.HashBefore, q.HashBefore);
      EXPECT_EQ(p.SizeAfter, q.SizeAfter);
      EXPECT_EQ(p.HashAfter, q.HashAfter);
      EXPECT_EQ(p.TablesAdded, q.TablesAdded);
      EXPECT_EQ(p.Replaced, q.Replaced);
      EXPECT_EQ(p.Added, q.Added);
    }
  }
}

TEST(InstallRecord, ReadsBackWhatItWrote) {
  const InstallRecord record = TwoInstalls();
  const std::string text = FormatInstallRecord(record);
  // Every field on its own line, whatever bytes the title holds.
  EXPECT_NE(text.find("title Tabs\\x09and\\x0abreaks \\\\ backslash \\x01\r\n"), std::string::npos)
      << text;
  InstallRecord read;
  Status parsed = ParseInstallRecord(text, read);
  ASSERT_TRUE(parsed.ok()) << parsed.message();
  ExpectSame(read, record);
  EXPECT_EQ(FormatInstallRecord(read), text);
}

TEST(InstallRecord, ReadsBackAWholeArchiveOfAnySize) {
  // An archive kept whole may be larger than 2 GB: its files lie below
  // 2 GB but may end past it, and bytes may follow the data. The record
  // must read back what the install wrote, or nothing could come off.
  InstallRecord record = TwoInstalls();
  InstalledArchive& sounds = record.Packages[1].Archives[0];
  sounds.SizeBefore = int64_t{3} << 30;
  InstallRecord read;
  Status parsed = ParseInstallRecord(FormatInstallRecord(record), read);
  ASSERT_TRUE(parsed.ok()) << parsed.message();
  EXPECT_EQ(read.Packages[1].Archives[0].SizeBefore, sounds.SizeBefore);

  // What the install writes is never more than 2 GB.
  sounds.SizeAfter = int64_t{3} << 30;
  EXPECT_FALSE(ParseInstallRecord(FormatInstallRecord(record), read).ok());
}

// Replaces the first occurrence of what in text.
std::string Edited(std::string text, const std::string& what, const std::string& with) {
  const size_t at = text.find(what);
  EXPECT_NE(at, std::string::npos) << what;
  if (at != std::string::npos) text.replace(at, what.size(), with);
  return text;
}

TEST(InstallRecord, EditsByHandAreRefusedWithTheLine) {
  const std::string good = FormatInstallRecord(TwoInstalls());
  struct Case {
    std::string text;
    std::string reason;
  };
  const std::vector<Case> cases{
      {"", "line 1: it does not start with"},
      {Edited(good, "packages 1", "packages 2"), "line 1"},
      {Edited(good, "archive 1 GRAPHICS.DRS", "archive 1 ../graphics.drs"), "line 7: \"1 ../graphics.drs\" names no game archive"},
      {Edited(good, "archive 1 GRAPHICS.DRS", "archive 1 /tmp/x"), "names no game archive"},
      {Edited(good, "archive 1 GRAPHICS.DRS", "archive 3 GRAPHICS.DRS"), "names no game archive"},
      {Edited(good, "archive 1 GRAPHICS.DRS", "archive 9 GRAPHICS.DRS"), "names no game archive"},
      {Edited(good, "archive 1 GRAPHICS.DRS", "archive 1 GRAPHICS.DRS x"), "needs a target and a file name"},
      {Edited(good, "package 7", "package 1"), "not in ascending order"},
      {Edited(good, "package 7", "package 0"), "not a number from 1 to 999999"},
      {Edited(good, "package 7", "package 1e3"), "not a number"},
      {Edited(good, "package 7", "package 99999999999999999999"), "not a number"},
      {Edited(good, "replaced slp -1", "replaced exe -1"), "needs a table type and an id"},
      {Edited(good, "replaced slp -1", "replaced slp 2147483648"), "needs a table type and an id"},
      {Edited(good, "replaced slp -1", "replaced slp 2147483647"), "is listed twice"},
      {Edited(good, "replaced slp -1", "replaced bina -1"), "is replaced in a table the install made"},
      {Edited(good, "before 100 0000000000000001", "before -5 0000000000000001"), "before needs a size and a checksum"},
      {Edited(good, "before 100 0000000000000001", "before 100 000000000000001g"), "before needs a size and a checksum"},
      {Edited(good, "keep files", "keep most"), "keep must be"},
      {Edited(good, "package-hash deadbeef12345678", "package-hash DEADBEEF12345678"), "the package checksum is no checksum"},
      {Edited(good, "title Second", "title a\\xzz"), "a broken escape in the title"},
      {Edited(good, "title Second", "title a\\"), "a broken escape in the title"},
      {Edited(good, "\r\nend", "\r\nsurprise 1\r\nend"), "unknown line \"surprise\""},
      {good.substr(0, good.rfind("end")), "the record ends inside package 7"},
      {Edited(good, "end\r\npackage 7", "package 7"), "starts before the one before it ends"},
      {good + "keep files\r\n", "\"keep\" outside a package"},
      {"Zorv installed packages 1\r\npackage 1\r\nkeep files\r\nend\r\n", "before any archive line"},
      {"Zorv installed packages 1\r\npackage 1\r\nend\r\n", "an install that changed no archive"},
      {Edited(good, "archive 3 sounds.drs", "archive 1 graphics.drs\r\narchive 1 graphics.drs"),
       "listed twice in one install"},
  };
  for (const Case& c : cases) {
    InstallRecord read;
    Status parsed = ParseInstallRecord(c.text, read);
    ASSERT_FALSE(parsed.ok()) << c.reason;
    EXPECT_EQ(parsed.message().rfind("damaged install record: line ", 0), 0u) << parsed.message();
    EXPECT_NE(parsed.message().find(c.reason), std::string::npos)
        << "wanted: " << c.reason << "\ngot: " << parsed.message();
  }
}

// Every cut and many one-byte changes of a record: a failure or a record
// whose every archive name is one of the game's, nothing else.
TEST(InstallRecord, DamageOfAnyByteGivesAFailureOrASafeRecord) {
  const std::string good = FormatInstallRecord(TwoInstalls());
  auto check = [](const std::string& text) {
    InstallRecord read;
    Status parsed = ParseInstallRecord(text, read);
    if (!parsed.ok()) {
      EXPECT_FALSE(parsed.message().empty());
      return;
    }
    for (const InstalledPackage& package : read.Packages) {
      EXPECT_GE(package.Number, 1);
      for (const InstalledArchive& archive : package.Archives) {
        EXPECT_EQ(GameArchiveTarget(archive.FileName), archive.Target) << archive.FileName;
        EXPECT_EQ(archive.FileName.find_first_of("/\\"), std::string::npos);
      }
    }
  };
  for (size_t cut = 0; cut < good.size(); ++cut) check(good.substr(0, cut));
  for (size_t at = 0; at < good.size(); ++at)
    for (char c : std::string("/.\\ \r\n-09aZ\x00", 13)) {
      std::string text = good;
      text[at] = c;
      check(text);
    }
}

TEST(InstallRecord, KeptFilesAreNamedFromCheckedParts) {
  const std::string kept = KeptFilePath("/game/data", 12, 1, {"slp", -5});
  EXPECT_EQ(kept, "/game/data/zorv-installed/12/graphics.drs.slp.-5");
  EXPECT_EQ(KeptArchivePath("/game/data", 3, 4), "/game/data/zorv-installed/3/terrain.drs");
  EXPECT_EQ(InstallRecordPath("/game/data"), "/game/data/zorv-installed/installed.txt");
}

TEST(InstallRecord, ANameThatIsNoFolderIsRefused) {
  test::TempDir dir;
  InstallRecord record;
  EXPECT_TRUE(ReadInstallRecord(dir.path().string(), record).ok());
  EXPECT_TRUE(record.Packages.empty());
  test::WriteFileBytes(dir.File("zorv-installed"), "a file in the way");
  Status refused = ReadInstallRecord(dir.path().string(), record);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("is not a folder"), std::string::npos);
}

}  // namespace
}  // namespace zorv
