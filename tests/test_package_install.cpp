// Installing packages into game archives and removing them: every archive
// restored byte for byte (also one not in the canonical layout), installs
// stacked and removed in reverse order, dry runs, entries that go into no
// archive, and failures at every stage that must leave every archive as
// it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "archive/DRSArchive.h"
#include "common/Checksum.h"
#include "common/FileIO.h"
#include "common/FolderLock.h"
#include "package/ArchiveLayout.h"
#include "package/GameArchives.h"
#include "package/PackageInstall.h"
#include "tests/InstallTestFiles.h"

namespace zorv {
namespace {
namespace fs = std::filesystem;

using test::PackageEntry;
using test::ReadFileBytes;
using test::Snapshot;
using test::WriteFileBytes;

DRSArchiveSource Graphics() {
  DRSArchiveSource source;
  source.Tables.push_back({"slp",
                           {DRSFileSource::FromBytes(1, std::string(40, '1')),
                            DRSFileSource::FromBytes(2, std::string(70, '2')),
                            DRSFileSource::FromBytes(3, std::string(9, '3'))}});
  return source;
}

DRSArchiveSource Sounds() {
  DRSArchiveSource source;
  source.Tables.push_back({"wav", {DRSFileSource::FromBytes(5, "RIFF-old-sound"),
                                   DRSFileSource::FromBytes(6, "RIFF-another")}});
  return source;
}

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    game = (dir.path() / "data").string();
    fs::create_directory(game);
    test::WriteArchive(Game("graphics.drs"), Graphics());
    test::WriteArchive(Game("sounds.drs"), Sounds());
  }

  std::string Game(const std::string& name) const { return (fs::path(game) / name).string(); }

  std::string Package(const std::string& name, const std::string& title,
                      const std::vector<PackageEntry>& entries) {
    const std::string path = dir.File(name);
    WriteFileBytes(path, test::PackageBytes(title, entries));
    return path;
  }

  // The bytes of one file of an archive of the game folder.
  std::string ArchiveFile(const std::string& archive, const std::string& type, int32_t id) {
    DRSArchive read;
    Status status = ReadDRSArchive(Game(archive), read);
    EXPECT_TRUE(status.ok()) << status.message();
    const DRSFile* file = FindDRSFile(read, type, id);
    if (!file) return "<missing>";
    std::string bytes;
    EXPECT_TRUE(ReadDRSFile(Game(archive), *file, bytes).ok());
    return bytes;
  }

  InstalledPackage Install(const std::string& package) {
    InstallResult result;
    Status installed = InstallPackage(package, game, result);
    EXPECT_TRUE(installed.ok()) << installed.message();
    return result.Installed;
  }

  void Uninstall(const std::string& package) {
    InstalledPackage removed;
    Status status = UninstallPackage(package, game, removed);
    EXPECT_TRUE(status.ok()) << status.message();
  }

  test::TempDir dir;
  std::string game;
};

TEST_F(InstallTest, EntriesReplaceOrAddFilesAndUninstallRestoresEveryByte) {
  const auto before = Snapshot(game);
  const std::string mod = Package(
      "mod.mpi", "Castle",
      {{1, 1, 2, "new slp two"},           // replaces graphics slp 2
       {4, 1, 10, "slp from an slx"},      // added to graphics slp
       {3, 1, 77, "binary data"},          // graphics has no bina table: one is made
       {2, 3, 5, "RIFF-new-sound"},        // replaces sounds wav 5
       {6, 7, 4, "icon rows"},             // icon: no archive
       {5, 0, 9, "a text file"},           // kind 5: no table
       {1, 6, 3, "language slp"}});        // language: no archive
  InstallResult result;
  Status installed = InstallPackage(mod, game, result);
  ASSERT_TRUE(installed.ok()) << installed.message();
  EXPECT_EQ(result.Installed.Number, 1);

  EXPECT_EQ(ArchiveFile("graphics.drs", "slp", 2), "new slp two");
  EXPECT_EQ(ArchiveFile("graphics.drs", "slp", 10), "slp from an slx");
  EXPECT_EQ(ArchiveFile("graphics.drs", "slp", 1), std::string(40, '1'));
  EXPECT_EQ(ArchiveFile("graphics.drs", "bina", 77), "binary data");
  EXPECT_EQ(ArchiveFile("sounds.drs", "wav", 5), "RIFF-new-sound");
  EXPECT_EQ(ArchiveFile("sounds.drs", "wav", 6), "RIFF-another");

  ASSERT_EQ(result.Plan.NotInstalled.size(), 3u);
  EXPECT_EQ(result.Plan.NotInstalled[0].EntryNumber, 5);
  const std::vector<std::string> skipped = DescribeNotInstalled(result.Plan);
  EXPECT_EQ(skipped[0], "entry 5 (BMP, icon, ID 4): the target icon is no game archive");
  EXPECT_EQ(skipped[1], "entry 6 (file, gamedata, ID 9): a file entry goes into no archive table");
  EXPECT_EQ(skipped[2], "entry 7 (SLP, language, ID 3): the target language is no game archive");

  // Canonical archives: only the replaced files are kept.
  const fs::path kept = fs::path(game) / "zorv-installed" / "1";
  EXPECT_EQ(ReadFileBytes((kept / "graphics.drs.slp.2").string()), std::string(70, '2'));
  EXPECT_EQ(ReadFileBytes((kept / "sounds.drs.wav.5").string()), "RIFF-old-sound");
  EXPECT_FALSE(fs::exists(kept / "graphics.drs"));

  InstallRecord record;
  ASSERT_TRUE(ReadInstallRecord(game, record).ok());
  ASSERT_EQ(record.Packages.size(), 1u);
  EXPECT_EQ(record.Packages[0].Title, "Castle");
  ASSERT_EQ(record.Packages[0].Archives.size(), 2u);
  EXPECT_EQ(record.Packages[0].Archives[0].TablesAdded, std::vector<std::string>{"bina"});

  Uninstall(mod);
  const auto after = Snapshot(game);
  EXPECT_EQ(after, before) << test::Names(after);
}

TEST_F(InstallTest, AnArchiveNotInTheCanonicalLayoutIsKeptWholeAndRestored) {
  // Sounds data before graphics data, lists not by id, gaps between files.
  const std::string odd = test::NonCanonicalArchive(
      {{"slp", {{30, "thirty"}, {4, "four"}}}, {"wav", {{8, "eight-sound"}}}},
      {{1, 0}, {0, 1}, {0, 0}}, "GAP!");
  WriteFileBytes(Game("interfac.drs"), odd);
  DRSArchive read;
  ASSERT_TRUE(ReadDRSArchive(Game("interfac.drs"), read).ok());
  ASSERT_FALSE(IsCanonicalDRSLayout(read));

  const auto before = Snapshot(game);
  const std::string mod = Package("ui.mpi", "UI", {{1, 2, 4, "new four"}, {2, 2, 9, "RIFF"}});
  Install(mod);
  EXPECT_EQ(ArchiveFile("interfac.drs", "slp", 4), "new four");
  EXPECT_EQ(ArchiveFile("interfac.drs", "slp", 30), "thirty");
  EXPECT_EQ(ArchiveFile("interfac.drs", "wav", 9), "RIFF");
  EXPECT_EQ(ReadFileBytes((fs::path(game) / "zorv-installed/1/interfac.drs").string()), odd);
  Uninstall(mod);
  EXPECT_EQ(Snapshot(game), before);
}

TEST(ArchiveLayout, TellsTheCanonicalLayoutFromAnyOther) {
  test::TempDir dir;
  const std::string path = dir.File("a.drs");
  test::WriteArchive(path, Graphics());
  DRSArchive read;
  ASSERT_TRUE(ReadDRSArchive(path, read).ok());
  EXPECT_TRUE(IsCanonicalDRSLayout(read));
  // What the check promises: the archive written again is the same bytes.
  std::string again;
  ASSERT_TRUE(DRSArchiveBytes(SourceOfDRSArchive(read, path), again).ok());
  EXPECT_EQ(again, ReadFileBytes(path));

  const std::vector<test::RawTable> tables{{"slp", {{1, "one"}, {2, "two"}}}, {"wav", {{3, "x"}}}};
  struct Case {
    const char* what;
    std::string bytes;
    bool canonical;
  };
  const std::vector<Case> cases{
      {"in order, no gaps", test::NonCanonicalArchive(tables, {{0, 0}, {0, 1}, {1, 0}}, ""), true},
      {"a gap", test::NonCanonicalArchive(tables, {{0, 0}, {0, 1}, {1, 0}}, "-"), false},
      {"data out of table order",
       test::NonCanonicalArchive(tables, {{1, 0}, {0, 0}, {0, 1}}, ""), false},
      {"a list not by id",
       test::NonCanonicalArchive({{"slp", {{2, "two"}, {1, "one"}}}}, {{0, 0}, {0, 1}}, ""),
       false},
      {"bytes after the data",
       test::NonCanonicalArchive(tables, {{0, 0}, {0, 1}, {1, 0}}, "") + "tail", false},
  };
  for (const Case& c : cases) {
    WriteFileBytes(path, c.bytes);
    ASSERT_TRUE(ReadDRSArchive(path, read).ok()) << c.what;
    EXPECT_EQ(IsCanonicalDRSLayout(read), c.canonical) << c.what;
  }
}

TEST_F(InstallTest, UninstallRestoresArchivesOfEveryShape) {
  // Tables not in type order, an empty table, an empty file, the same id
  // in two tables: each archive in the canonical layout still, so only
  // the replaced files are kept.
  DRSArchiveSource terrain;
  terrain.Tables.push_back({"wav", {DRSFileSource::FromBytes(7, "RIFF-seven"),
                                    DRSFileSource::FromBytes(0, "")}});
  terrain.Tables.push_back({"slp", {DRSFileSource::FromBytes(7, "slp seven"),
                                    DRSFileSource::FromBytes(-3, "")}});
  terrain.Tables.push_back({"bina", {}});
  test::WriteArchive(Game("terrain.drs"), terrain);
  DRSArchive read;
  ASSERT_TRUE(ReadDRSArchive(Game("terrain.drs"), read).ok());
  ASSERT_TRUE(IsCanonicalDRSLayout(read));

  const auto before = Snapshot(game);
  const std::string mod = Package(
      "shapes.mpi", "Shapes",
      {{1, 4, 7, ""},                // slp 7 replaced by nothing
       {1, 4, -3, "was empty"},      // the empty slp -3 replaced
       {2, 4, 0, "RIFF-zero"},       // the empty wav 0 replaced
       {3, 4, 12, "into the empty table"},
       {2, 1, 7, "RIFF-new table"}});  // graphics has no wav table
  Install(mod);
  EXPECT_EQ(ArchiveFile("terrain.drs", "slp", 7), "");
  EXPECT_EQ(ArchiveFile("terrain.drs", "wav", 7), "RIFF-seven");
  EXPECT_EQ(ArchiveFile("terrain.drs", "slp", -3), "was empty");
  EXPECT_EQ(ArchiveFile("terrain.drs", "bina", 12), "into the empty table");
  EXPECT_FALSE(fs::exists(fs::path(game) / "zorv-installed/1/terrain.drs"));
  Uninstall(mod);
  EXPECT_EQ(Snapshot(game), before) << test::Names(Snapshot(game));
}

TEST_F(InstallTest, AnArchiveThatIsALinkIsRestored) {
  // The data folder names an archive kept elsewhere by a relative link;
  // the archive is not in the canonical layout, so it is kept whole.
  const fs::path store = dir.path() / "store";
  fs::create_directory(store);
  const std::string odd = test::NonCanonicalArchive({{"slp", {{4, "four"}, {1, "one"}}}},
                                                    {{0, 0}, {0, 1}}, "-");
  WriteFileBytes((store / "interfac.drs").string(), odd);
  fs::create_symlink(fs::path("..") / "store" / "interfac.drs", Game("interfac.drs"));

  const std::string mod = Package("ui.mpi", "UI", {{1, 2, 4, "new four"}});
  Install(mod);
  EXPECT_EQ(ArchiveFile("interfac.drs", "slp", 4), "new four");
  // The install replaced the link, never the file it led to.
  EXPECT_EQ(ReadFileBytes((store / "interfac.drs").string()), odd);
  Uninstall(mod);
  EXPECT_EQ(ReadFileBytes(Game("interfac.drs")), odd);
  EXPECT_EQ(ReadFileBytes((store / "interfac.drs").string()), odd);
  EXPECT_FALSE(fs::exists(fs::symlink_status(fs::path(game) / "zorv-installed")));
}

TEST_F(InstallTest, StackedInstallsComeOffInReverseOrderOnly) {
  const auto original = Snapshot(game);
  const std::string a = Package("a.mpi", "First", {{1, 1, 2, "A two"}, {2, 3, 5, "RIFF-A"}});
  const std::string b = Package("b.mpi", "Second", {{1, 1, 2, "B two"}, {1, 1, 50, "B new"}});
  Install(a);
  fs::remove_all(fs::path(game) / "zorv-installed" / "keep");  // nothing of ours
  auto with_a = Snapshot(game);
  Install(b);
  EXPECT_EQ(ArchiveFile("graphics.drs", "slp", 2), "B two");

  // A is under B in graphics.drs: refused, nothing changed.
  const auto with_both = Snapshot(game);
  InstalledPackage removed;
  Status refused = UninstallPackage(a, game, removed);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.Headline(), "The package was not uninstalled; every archive is as it was.");
  EXPECT_NE(refused.message().find("uninstall these first"), std::string::npos);
  EXPECT_NE(refused.message().find("2 \"Second\" (b.mpi): graphics.drs"), std::string::npos)
      << refused.message();
  EXPECT_EQ(Snapshot(game), with_both);

  Uninstall(b);
  // The record is rewritten without B: compare the archives and kept files.
  auto now = Snapshot(game);
  with_a.erase("zorv-installed/installed.txt");
  now.erase("zorv-installed/installed.txt");
  EXPECT_EQ(now, with_a) << test::Names(now);
  Uninstall(a);
  EXPECT_EQ(Snapshot(game), original);
}

TEST_F(InstallTest, InstallsOfOtherArchivesComeOffInAnyOrder) {
  const auto original = Snapshot(game);
  const std::string a = Package("a.mpi", "Pictures", {{1, 1, 2, "A two"}});
  const std::string b = Package("b.mpi", "Noises", {{2, 3, 5, "RIFF-B"}});
  Install(a);
  Install(b);
  Uninstall(a);
  EXPECT_EQ(ReadFileBytes(Game("graphics.drs")), original.at("graphics.drs"));
  Uninstall(b);
  EXPECT_EQ(Snapshot(game), original);
}

TEST_F(InstallTest, TheSamePackageTwiceIsRefused) {
  const std::string mod = Package("mod.mpi", "Twice", {{1, 1, 2, "x"}});
  Install(mod);
  const auto once = Snapshot(game);
  InstallResult result;
  Status again = InstallPackage(mod, game, result);
  ASSERT_FALSE(again.ok());
  EXPECT_NE(again.message().find("installed already (1 \"Twice\""), std::string::npos)
      << again.message();
  EXPECT_EQ(Snapshot(game), once);
}

TEST_F(InstallTest, MessagesShowAPackageTitleWithoutItsControlCharacters) {
  // A title is any bytes of the package; escape sequences in it must not
  // reach the terminal through a refusal's message.
  const std::string evil = Package("evil.mpi", "Evil\x1b[2J\x1b]0;x\x07", {{1, 1, 2, "x"}});
  const std::string later = Package("later.mpi", "Later\x1b[31m", {{1, 1, 3, "y"}});
  Install(evil);
  Install(later);
  InstallResult result;
  const Status twice = InstallPackage(evil, game, result);
  ASSERT_FALSE(twice.ok());
  InstalledPackage removed;
  const Status under = UninstallPackage(evil, game, removed);
  ASSERT_FALSE(under.ok());
  for (const Status* status : {&twice, &under})
    for (unsigned char c : status->message())
      EXPECT_TRUE(c == '\n' || c >= 0x20) << int{c} << " in " << status->message();
  EXPECT_NE(twice.message().find("1 \"Evil?[2J?]0;x?\" (evil.mpi)"), std::string::npos)
      << twice.message();
  EXPECT_NE(under.message().find("2 \"Later?[31m\" (later.mpi)"), std::string::npos)
      << under.message();
}

TEST_F(InstallTest, AnInstallPastTheLastNumberIsRefused) {
  // A record (edited by hand) whose last install has the highest number:
  // one more would be written under a number the record cannot hold, and
  // nothing could be listed or removed after it.
  InstallRecord record;
  InstalledPackage last;
  last.Number = 999999;
  last.Title = "Last";
  last.PackageFile = "last.mpi";
  InstalledArchive sounds;
  sounds.Target = 3;
  sounds.FileName = "sounds.drs";
  last.Archives.push_back(sounds);
  record.Packages.push_back(last);
  fs::create_directory(fs::path(game) / "zorv-installed");
  WriteFileBytes(InstallRecordPath(game), FormatInstallRecord(record));
  const auto before = Snapshot(game);

  const std::string mod = Package("mod.mpi", "One more", {{1, 1, 2, "x"}});
  InstallResult result;
  const Status refused = InstallPackage(mod, game, result);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("no install number is left"), std::string::npos)
      << refused.message();
  EXPECT_EQ(Snapshot(game), before);
  InstallRecord read;
  EXPECT_TRUE(ReadInstallRecord(game, read).ok());
}

TEST_F(InstallTest, TwoRunsAtOnceInOneFolderAreRefused) {
  const std::string mod = Package("mod.mpi", "Busy", {{1, 1, 2, "x"}});
  const auto before = Snapshot(game);
  {
    // Another run holds the folder: the lock of a second open of it.
    FolderLock other;
    ASSERT_TRUE(other.Acquire(game).ok());
    InstallResult result;
    Status installed = InstallPackage(mod, game, result);
    ASSERT_FALSE(installed.ok());
    EXPECT_NE(installed.message().find("another install or uninstall is at work"),
              std::string::npos)
        << installed.message();
    EXPECT_EQ(Snapshot(game), before);
  }
  Install(mod);
  {
    FolderLock other;
    ASSERT_TRUE(other.Acquire(game).ok());
    InstalledPackage removed;
    EXPECT_FALSE(UninstallPackage(mod, game, removed).ok());
  }
  Uninstall(mod);
  EXPECT_EQ(Snapshot(game), before);
}

TEST_F(InstallTest, ADryRunWritesNothingAndListsEveryChange) {
  const auto before = Snapshot(game);
  const std::string mod = Package(
      "mod.mpi", "Dry", {{1, 1, 2, "new two"}, {3, 1, 8, "bin"}, {2, 3, 7, "RIFF!"}, {6, 7, 1, "i"}});
  InstallPlan plan;
  ASSERT_TRUE(PlanInstall(mod, game, plan).ok());
  EXPECT_EQ(DescribeChanges(plan),
            (std::vector<std::string>{"graphics.drs slp 2 replaced 70 -> 7 bytes",
                                      "graphics.drs bina 8 added 3 bytes (new bina table)",
                                      "sounds.drs wav 7 added 5 bytes"}));
  EXPECT_EQ(DescribeNotInstalled(plan).size(), 1u);
  EXPECT_EQ(Snapshot(game), before);
}

TEST_F(InstallTest, ALaterEntryForTheSameFileWins) {
  const std::string mod =
      Package("mod.mpi", "Twice", {{1, 1, 2, "first"}, {4, 1, 2, "second"}});
  InstallResult result;
  ASSERT_TRUE(InstallPackage(mod, game, result).ok());
  EXPECT_EQ(ArchiveFile("graphics.drs", "slp", 2), "second");
  ASSERT_EQ(DescribeNotInstalled(result.Plan).size(), 1u);
  EXPECT_EQ(DescribeNotInstalled(result.Plan)[0],
            "entry 1 (SLP, graphics, ID 2): entry 2 sets the same slp file of graphics.drs");
}

TEST_F(InstallTest, ArchiveNamesDifferingInCaseAreFound) {
  fs::rename(Game("graphics.drs"), Game("GRAPHICS.DRS"));
  const auto before = Snapshot(game);
  const std::string mod = Package("mod.mpi", "Upper", {{1, 1, 2, "upper"}});
  InstalledPackage installed = Install(mod);
  ASSERT_EQ(installed.Archives.size(), 1u);
  EXPECT_EQ(installed.Archives[0].FileName, "GRAPHICS.DRS");
  EXPECT_EQ(ArchiveFile("GRAPHICS.DRS", "slp", 2), "upper");
  EXPECT_FALSE(fs::exists(Game("graphics.drs")));
  Uninstall(mod);
  EXPECT_EQ(Snapshot(game), before);

  // Two candidates and none of the lower-case name: which one is unclear.
  WriteFileBytes(Game("Graphics.drs"), ReadFileBytes(Game("GRAPHICS.DRS")));
  InstallResult result;
  Status unclear = InstallPackage(mod, game, result);
  ASSERT_FALSE(unclear.ok());
  EXPECT_NE(unclear.message().find("is unclear"), std::string::npos) << unclear.message();
}

// Failures before anything is moved: every file as it was, nothing left.
TEST_F(InstallTest, FailuresLeaveEveryArchiveAsItWas) {
  const std::vector<PackageEntry> entries{{1, 1, 2, "new"}, {2, 3, 5, "RIFF-new"}};
  struct Case {
    const char* what;
    std::function<void()> spoil;
    const char* reason;
  };
  const std::vector<Case> cases{
      {"the second archive damaged",
       [&] {
         std::string bytes = ReadFileBytes(Game("sounds.drs"));
         bytes.resize(70);  // the list runs past the end
         WriteFileBytes(Game("sounds.drs"), bytes);
       },
       "damaged archive"},
      {"the second archive missing", [&] { fs::remove(Game("sounds.drs")); },
       "the game archive sounds.drs is not there"},
      {"a file's data cut off",
       [&] {
         std::string bytes = ReadFileBytes(Game("sounds.drs"));
         bytes.resize(bytes.size() - 3);
         WriteFileBytes(Game("sounds.drs"), bytes);
       },
       "lies outside the data"},
      {"the record damaged",
       [&] {
         fs::create_directory(fs::path(game) / "zorv-installed");
         WriteFileBytes(Game("zorv-installed/installed.txt"), "Zorv installed packages 1\r\npackage x\r\n");
       },
       "damaged install record: line 2"},
      {"the record folder a link elsewhere",
       [&] { fs::create_directory_symlink(dir.path(), fs::path(game) / "zorv-installed"); },
       "is not a folder"},
  };
  const std::string mod = Package("mod.mpi", "Fails", entries);
  for (const Case& c : cases) {
    fs::remove_all(game);
    fs::create_directory(game);
    test::WriteArchive(Game("graphics.drs"), Graphics());
    test::WriteArchive(Game("sounds.drs"), Sounds());
    c.spoil();
    const auto before = Snapshot(game);
    InstallResult result;
    Status failed = InstallPackage(mod, game, result);
    ASSERT_FALSE(failed.ok()) << c.what;
    EXPECT_EQ(failed.Headline(), "The package was not installed; every archive is as it was.");
    EXPECT_NE(failed.message().find(c.reason), std::string::npos) << c.what << ": " << failed.message();
    EXPECT_EQ(Snapshot(game), before) << c.what << ": " << test::Names(Snapshot(game));
  }
  fs::remove_all(game);
}

TEST_F(InstallTest, ADamagedPackageChangesNothing) {
  std::string bytes = test::PackageBytes("Cut", {{1, 1, 2, "new data"}});
  bytes.pop_back();
  WriteFileBytes(dir.File("cut.mpi"), bytes);
  const auto before = Snapshot(game);
  InstallResult result;
  Status failed = InstallPackage(dir.File("cut.mpi"), game, result);
  ASSERT_FALSE(failed.ok());
  EXPECT_NE(failed.message().find("not an MPI package"), std::string::npos);
  EXPECT_EQ(Snapshot(game), before);
}

// A move failing once the first archive is in place: it is put back.
TEST_F(InstallTest, AMoveFailingHalfwayPutsBackTheArchivesMovedBefore) {
  const auto before = Snapshot(game);
  const std::string mod = Package("mod.mpi", "Half", {{1, 1, 2, "new"}, {2, 3, 5, "RIFF-new"}});
  const fs::path sounds = Game("sounds.drs");
  const fs::path aside = dir.path() / "sounds.aside";
  bool spoiled = false;
  ProgressSink progress = [&](const ProgressStep& step) {
    if (step.caption == "Replacing sounds.drs") {
      // A folder where sounds.drs was: it can be neither kept nor replaced.
      fs::rename(sounds, aside);
      fs::create_directory(sounds);
      WriteFileBytes((sounds / "in the way").string(), "x");
      spoiled = true;
    }
  };
  InstallResult result;
  Status failed = InstallPackage(mod, game, result, progress);
  ASSERT_TRUE(spoiled);
  ASSERT_FALSE(failed.ok());
  fs::remove_all(sounds);
  fs::rename(aside, sounds);
  EXPECT_EQ(Snapshot(game), before) << test::Names(Snapshot(game));

  // The package cut short once the first archive is written beside.
  progress = [&](const ProgressStep& step) {
    if (step.caption == "Writing sounds.drs") {
      std::string bytes = ReadFileBytes(mod);
      bytes.resize(bytes.size() - 4);
      WriteFileBytes(mod, bytes);
      spoiled = true;
    }
  };
  spoiled = false;
  const std::string whole_package = ReadFileBytes(mod);
  failed = InstallPackage(mod, game, result, progress);
  ASSERT_TRUE(spoiled);
  ASSERT_FALSE(failed.ok());
  EXPECT_NE(failed.message().find("the entry lies outside the file"), std::string::npos)
      << failed.message();
  EXPECT_EQ(Snapshot(game), before) << test::Names(Snapshot(game));
  WriteFileBytes(mod, whole_package);

  // The record is the last file moved: failing there puts back both.
  progress = [&](const ProgressStep& step) {
    if (step.caption == "Writing the install record") {
      fs::create_directories(fs::path(game) / "zorv-installed" / "installed.txt" / "x");
      spoiled = true;
    }
  };
  spoiled = false;
  failed = InstallPackage(mod, game, result, progress);
  ASSERT_TRUE(spoiled);
  ASSERT_FALSE(failed.ok());
  fs::remove_all(fs::path(game) / "zorv-installed");
  EXPECT_EQ(Snapshot(game), before) << test::Names(Snapshot(game));
}

TEST_F(InstallTest, UninstallRefusesAnArchiveChangedSinceAndChangesNothing) {
  const std::string mod = Package("mod.mpi", "Mine", {{1, 1, 2, "new"}, {2, 3, 5, "RIFF-new"}});
  Install(mod);
  std::string bytes = ReadFileBytes(Game("sounds.drs"));
  bytes.back() ^= 1;
  WriteFileBytes(Game("sounds.drs"), bytes);
  const auto before = Snapshot(game);
  InstalledPackage removed;
  Status refused = UninstallPackage(mod, game, removed);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("sounds.drs: the archive is no longer what install 1 left"),
            std::string::npos)
      << refused.message();
  EXPECT_EQ(Snapshot(game), before);
}

TEST_F(InstallTest, UninstallRefusesWhatItKeptWhenDamaged) {
  const std::string mod = Package("mod.mpi", "Mine", {{1, 1, 2, "new"}});
  Install(mod);
  WriteFileBytes(Game("zorv-installed/1/graphics.drs.slp.2"), std::string(70, 'x'));
  const auto before = Snapshot(game);
  InstalledPackage removed;
  Status refused = UninstallPackage(mod, game, removed);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("differs from the one before the install"), std::string::npos)
      << refused.message();
  EXPECT_EQ(Snapshot(game), before) << test::Names(Snapshot(game));

  fs::remove(Game("zorv-installed/1/graphics.drs.slp.2"));
  refused = UninstallPackage(mod, game, removed);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("the file kept by the install is missing"), std::string::npos)
      << refused.message();
}

// A record edited by hand that still parses: the uninstall finds it does
// not match and changes nothing.
TEST_F(InstallTest, UninstallRefusesARecordThatDoesNotMatch) {
  const std::string mod = Package("mod.mpi", "Mine", {{1, 1, 2, "new"}, {1, 1, 10, "added"}});
  Install(mod);
  const std::string record_path = Game("zorv-installed/installed.txt");
  const std::string record = ReadFileBytes(record_path);
  struct Case {
    const char* what;
    std::string from, to, reason;
  };
  const std::vector<Case> cases{
      {"an id it did not add", "added slp 10", "added slp 11", "the record is wrong"},
      {"an id it did not replace", "replaced slp 2", "replaced slp 3",
       "graphics.drs.slp.3: the file kept by the install is missing"},
      {"a whole copy it did not keep", "keep files", "keep whole",
       "graphics.drs: the archive kept by the install is missing"},
      {"sizes it did not record", "before ", "before 1", "differs from the one before the install"},
      {"another archive", "archive 1 graphics.drs", "archive 3 sounds.drs",
       "no longer what install 1 left"},
  };
  for (const Case& c : cases) {
    std::string edited = record;
    ASSERT_NE(edited.find(c.from), std::string::npos) << c.what;
    edited.replace(edited.find(c.from), c.from.size(), c.to);
    WriteFileBytes(record_path, edited);
    const auto before = Snapshot(game);
    InstalledPackage removed;
    Status refused = UninstallPackage(mod, game, removed);
    ASSERT_FALSE(refused.ok()) << c.what;
    EXPECT_NE(refused.message().find(c.reason), std::string::npos) << c.what << ": " << refused.message();
    EXPECT_EQ(Snapshot(game), before) << c.what << ": " << test::Names(Snapshot(game));
  }
  WriteFileBytes(record_path, record);
  Uninstall(mod);
}

TEST_F(InstallTest, UninstallOfAPackageNotInstalledIsRefused) {
  const std::string mod = Package("mod.mpi", "Never", {{1, 1, 2, "new"}});
  InstalledPackage removed;
  Status refused = UninstallPackage(mod, game, removed);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("this package is not installed in"), std::string::npos);
  EXPECT_FALSE(fs::exists(fs::path(game) / "zorv-installed"));
}

TEST_F(InstallTest, APackageForNoArchiveChangesNothing) {
  const auto before = Snapshot(game);
  const std::string mod = Package("mod.mpi", "Icons", {{6, 7, 1, "icon"}});
  InstallResult result;
  ASSERT_TRUE(InstallPackage(mod, game, result).ok());
  EXPECT_EQ(result.Installed.Number, 0);
  EXPECT_EQ(result.Plan.NotInstalled.size(), 1u);
  EXPECT_EQ(Snapshot(game), before);
}

TEST(Checksum, IsXXH64InAnyPieces) {
  std::string bytes;
  for (int i = 0; i < 3; ++i)
    for (int c = 0; c < 256; ++c) bytes.push_back(static_cast<char>(c));
  bytes += "xyz";
  // The reference values of XXH64 with seed 0 (as the xxhash library gives
  // them).
  EXPECT_EQ(HashOf(""), 0xef46db3751d8e999u);
  EXPECT_EQ(HashOf("a"), 0xd24ec4f1a98c6e5bu);
  EXPECT_EQ(HashOf("abc"), 0x44bc2cf5ad770999u);
  EXPECT_EQ(HashOf("123456789"), 0x8cb841db40e6ae83u);
  EXPECT_EQ(HashOf(bytes), 0xe921a1b45bd779f8u);
  // Pieces of every size up to two stripes give the same.
  for (size_t piece = 1; piece <= 64; ++piece) {
    ContentHash hash;
    for (size_t at = 0; at < bytes.size(); at += piece) hash.Add(std::string_view(bytes).substr(at, piece));
    EXPECT_EQ(hash.Digest(), 0xe921a1b45bd779f8u) << piece;
  }
  uint64_t read = 0;
  EXPECT_TRUE(ParseHashText(HashText(0x0123456789abcdefu), read));
  EXPECT_EQ(read, 0x0123456789abcdefu);
  EXPECT_EQ(HashText(1), "0000000000000001");
  EXPECT_FALSE(ParseHashText("0123456789ABCDEF", read));
  EXPECT_FALSE(ParseHashText("0123456789abcde", read));
}

}  // namespace
}  // namespace zorv
