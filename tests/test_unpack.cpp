// Unpacking packages: a package of every kind unpacks into files and a
// project that compiles into the same bytes; entries that cannot come back
// exactly are reported; hostile packages are refused with a reason and
// leave the folder as it was; nothing is written outside the folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "codec/DIBSection.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "codec/SLPWriter.h"
#include "common/FileIO.h"
#include "package/MPICode.h"
#include "package/MPIPackage.h"
#include "package/UnpackNames.h"
#include "package/UnpackPackage.h"
#include "project/ModProject.h"
#include "tests/SLPTestFiles.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {
namespace fs = std::filesystem;

std::vector<std::string> NamesIn(const fs::path& folder) {
  std::vector<std::string> names;
  if (!fs::exists(folder)) return names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Bytes that differ from position to position.
std::string Pattern(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  uint32_t state = seed * 2654435761u + 1;
  for (char& c : bytes) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>(state >> 24);
  }
  return bytes;
}

// A package built byte by byte, for what the compiler never writes.
std::string BuildPackage(const std::string& title, const std::string& readme,
                         const std::vector<std::pair<MPIEntry, std::string>>& entries) {
  std::string bytes = EncodeMPIHeader(static_cast<int16_t>(entries.size()), title, readme);
  int64_t offset = kMPIHeaderSize + static_cast<int64_t>(title.size() + readme.size()) +
                   kMPIEntrySize * static_cast<int64_t>(entries.size());
  for (const auto& [entry, data] : entries) {
    MPIEntry placed = entry;
    placed.Length = static_cast<int32_t>(data.size());
    placed.Offset = static_cast<int32_t>(offset);
    bytes += EncodeMPIEntry(placed);
    offset += static_cast<int64_t>(data.size());
  }
  for (const auto& entry : entries) bytes += entry.second;
  return bytes;
}

MPIEntry Entry(int kind, int target, int32_t id) {
  MPIEntry entry;
  entry.Kind = static_cast<uint8_t>(kind);
  entry.ReplaceTarget = static_cast<uint8_t>(target);
  entry.ResourceID = id;
  return entry;
}

// A two-frame SLP in a layout and with a comment of another program's.
std::string ForeignSLP() {
  const std::vector<uint8_t> colours = test::DistinctIndices();
  test::TestFrame first;
  first.width = 3;
  first.height = 2;
  first.hot_x = 1;
  first.hot_y = -2;
  first.rows.push_back({0, 0, {0x0C, colours[20], colours[21], colours[22], 0x0F}});
  first.rows.push_back({1, 0, {0x08, colours[30], colours[31], 0x0F}});
  test::TestFrame second = test::OneRowFrame(4, 0, 0, {0x47, colours[40], 0x0F});
  return test::BuildSLP({first, second});
}

class UnpackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    package_path = work.File("castle.mpi");
    out = work.File("out");
  }

  std::string Source(const std::string& name, const std::string& bytes) {
    const std::string path = sources.File(name);
    test::WriteFileBytes(path, bytes);
    return path;
  }

  void Add(const std::string& name, const std::string& path, int16_t kind, int16_t target,
           int32_t id, int32_t flags = 0) {
    project.Resources.push_back(ProjectResource{name, path, kind, target, id, flags});
    project.ResourceCount = static_cast<int16_t>(project.Resources.size());
  }

  void Compile(const ModProject& from, const std::string& path) {
    Status compiled = CompileMPI(from, path);
    ASSERT_TRUE(compiled) << compiled.message();
  }

  Status Unpack(bool force = false) {
    UnpackOptions options;
    options.force = force;
    return UnpackPackage(package_path, out, options, result);
  }

  // Unpacks, opens the project and compiles it again.
  std::string UnpackAndCompileAgain() {
    Status unpacked = Unpack();
    EXPECT_TRUE(unpacked) << unpacked.message();
    ModProject reopened;
    Status opened = OpenProject(result.ProjectPath, reopened);
    EXPECT_TRUE(opened) << opened.message();
    last_project = reopened;
    const std::string again = work.File("again.mpi");
    Status compiled = CompileMPI(reopened, again);
    EXPECT_TRUE(compiled) << compiled.message();
    return test::ReadFileBytes(again);
  }

  test::TempDir work, sources;
  ModProject project = [] {
    ModProject p;
    p.FilePath = "/nowhere/mod.mpr";
    p.Title = "Castle mod";
    return p;
  }();
  std::string package_path, out;
  UnpackResult result;
  ModProject last_project;
};

TEST_F(UnpackTest, APackageOfEveryKindCompilesBackToTheSameBytes) {
  const std::vector<uint8_t> colours = test::DistinctIndices();
  // An SLX graphic made by this program from an SLP, and an SLP resource.
  const std::string slp_source = Source("unit.slp", ForeignSLP());
  const std::string slx = sources.File("unit.slx");
  ASSERT_TRUE(ConvertSLPToSLX(slp_source, slx, Palette::BuiltIn()));
  cDIBSection icon;
  ASSERT_TRUE(icon.Create(5, 4));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x)
      icon.SetPixel(x, y, Palette::BuiltIn().Colour(colours[(y < 2 ? 7 : 5 * y + x) + 10]));
  const std::string bmp = sources.File("castle.bmp");
  ASSERT_TRUE(icon.SavePicture(bmp));

  Add("readme", Source("readme.txt", "Castle mod\r\nput it in the game\r\n"), KindFile,
      kTargetReadme, 0);
  Add("unit", slp_source, KindSLP, kTargetGraphics, 815);
  Add("graphic", slx, KindSLX, kTargetGraphics, 816);
  Add("horn", Source("horn.wav", Pattern(3000, 1)), KindWAV, kTargetSounds, 5001);
  Add("data", Source("d.bin", Pattern(70000, 2)), KindBIN, kTargetGamedata, -5);
  Add("icon", bmp, KindBMP, kTargetIcon, 0, 0x215);
  Add("lang", Source("l.dll", Pattern(100, 3)), KindFile, kTargetLanguage, 0);
  Add("lang1", Source("l1.dll", Pattern(101, 4)), KindFile, 8, 0);
  Add("genie", Source("g.dat", Pattern(102, 5)), KindFile, 9, 0);
  Add("genie1", Source("g1.dat", Pattern(103, 6)), KindFile, kTargetGenieX1, 0);
  Add("skirm", Source("s.exe", Pattern(104, 7)), KindFile, 11, 0);
  Add("skirm1", Source("s1.exe", Pattern(105, 8)), KindFile, kTargetSkirmlandX1, 0);
  // Two resources of one id, an empty one, one for the interface archive.
  Add("same", Source("815b.slp", Pattern(60, 9)), KindSLP, 2, 815);
  Add("empty", Source("e.bin", ""), KindBIN, kTargetGamedata, 9);
  // A kind this program does not know is packaged as it is.
  Add("odd", Source("odd", Pattern(10, 10)), 9, kTargetGamedata, 77);
  Compile(project, package_path);

  const std::string package = test::ReadFileBytes(package_path);
  EXPECT_EQ(UnpackAndCompileAgain(), package);
  EXPECT_TRUE(result.Differences.empty()) << result.Differences.front();

  // The files by the names the ids and targets give, the SLX with its
  // frames, and the project named after the package.
  std::vector<std::string> expected = {
      "-5.bin",        "0.bmp",          "5001.wav",      "77.bin",     "815-2.slp",   "815.slp",
      "816.slp",       "816.slx",        "816_001.bmp",   "816_001d.bmp", "816_002.bmp",
      "816_002d.bmp",  "9.bin",          "castle.mpr",    "genie.dat",   "genie_x1.dat",
      "language.dll",  "language_x1.dll", "readme.txt",   "skirmland.exe",
      "skirmland_x1.exe"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(NamesIn(out), expected);
  EXPECT_EQ(result.ProjectPath, (fs::absolute(out) / "castle.mpr").lexically_normal().string());
  EXPECT_EQ(result.Files.size(), expected.size());
  EXPECT_EQ(result.Files.back(), "castle.mpr");

  // The resources in package order after the readme, each naming its file.
  const ModProject& p = last_project;
  EXPECT_EQ(p.Title, "Castle mod");
  ASSERT_EQ(p.ResourceCount, 15);
  EXPECT_EQ(p.Resource(15).Kind, 9);
  EXPECT_EQ(GetFileName(p.Resource(1).FilePath), "readme.txt");
  EXPECT_EQ(p.Resource(1).ReplaceTarget, kTargetReadme);
  EXPECT_EQ(GetFileName(p.Resource(3).FilePath), "816.slx");
  EXPECT_EQ(p.Resource(3).Kind, KindSLX);
  EXPECT_EQ(p.Resource(3).Name, "816");
  EXPECT_EQ(GetFileName(p.Resource(6).FilePath), "0.bmp");
  EXPECT_EQ(p.Resource(6).Kind, KindBMP);
  EXPECT_EQ(p.Resource(6).IconFlags, 0x215);
  EXPECT_EQ(p.Resource(7).Name, "language");
  EXPECT_EQ(test::ReadFileBytes(p.Resource(5).FilePath), Pattern(70000, 2));
  EXPECT_EQ(test::ReadFileBytes(out + "/readme.txt"), "Castle mod\r\nput it in the game\r\n");
  // The SLX entry's own SLP lies beside its SLX.
  MPIPackage read;
  ASSERT_TRUE(ReadMPIPackage(package_path, read));
  std::string slp_entry;
  ASSERT_TRUE(ReadMPIEntryData(package_path, read.Entries[1], slp_entry));
  EXPECT_EQ(test::ReadFileBytes(out + "/816.slp"), slp_entry);
  // The rebuilt icon shows the bitmap it was made from.
  cDIBSection rebuilt;
  ASSERT_TRUE(rebuilt.CreateFromPicture(out + "/0.bmp"));
  ASSERT_EQ(rebuilt.Width(), 5);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(rebuilt.GetPixel(x, y), icon.GetPixel(x, y));
}

TEST_F(UnpackTest, ARealSpriteAsSLXEntryComesBackExactly) {
  ZORV_REQUIRE_SAMPLES();
  const std::string slx = sources.File("unit.slx");
  ASSERT_TRUE(ConvertSLPToSLX(test::SamplesDir() + "unit.slp", slx, Palette::BuiltIn()));
  Add("readme", Source("readme.txt", "r"), KindFile, kTargetReadme, 0);
  Add("unit", slx, KindSLX, kTargetGraphics, 815);
  Add("unit as SLP", test::SamplesDir() + "unit.slp", KindSLP, kTargetGraphics, 816);
  Compile(project, package_path);
  EXPECT_EQ(UnpackAndCompileAgain(), test::ReadFileBytes(package_path));
  EXPECT_TRUE(result.Differences.empty());
  EXPECT_EQ(test::ReadFileBytes(out + "/816.slp"),
            test::ReadFileBytes(test::SamplesDir() + "unit.slp"));
}

TEST_F(UnpackTest, EntriesThatCannotComeBackExactlyAreReported) {
  // An SLX entry coded by another program (its own comment and layout),
  // an icon coded with a fill where this program copies, a multi-line
  // title and an entry meant for the readme.
  const std::vector<uint8_t> colours = test::DistinctIndices();
  const uint8_t a = colours[50];
  std::string icon;
  for (int32_t v : {3, 3, 1}) test::PutU32(icon, static_cast<uint32_t>(v));
  test::PutU32(icon, 0);
  icon += std::string{0x27, static_cast<char>(a), 0x04, static_cast<char>(a), 0x0F};
  const std::string slp = ForeignSLP();
  test::WriteFileBytes(package_path,
                       BuildPackage("Two\r\nlines", "text",
                                    {{Entry(KindSLX, kTargetGraphics, 20), slp},
                                     {Entry(KindBMP, kTargetIcon, 3), icon},
                                     {Entry(KindBIN, kTargetReadme, 4), "abc"}}));
  Status unpacked = Unpack();
  ASSERT_TRUE(unpacked) << unpacked.message();
  ASSERT_EQ(result.Differences.size(), 4u);
  EXPECT_NE(result.Differences[0].find("title"), std::string::npos);
  EXPECT_NE(result.Differences[1].find("20.slx compiles to an SLP coded otherwise"),
            std::string::npos);
  EXPECT_NE(result.Differences[2].find("3.bmp compiles to icon data other"), std::string::npos);
  EXPECT_NE(result.Differences[3].find("entry 3 (BIN 4 for readme)"), std::string::npos);

  // The package's SLP is kept as it was; the project names the SLX with
  // kind 4, the icon with its flags, and leaves the readme-target entry out.
  EXPECT_EQ(test::ReadFileBytes(out + "/20.slp"), slp);
  EXPECT_EQ(test::ReadFileBytes(out + "/4.bin"), "abc");
  ModProject p;
  ASSERT_TRUE(OpenProject(result.ProjectPath, p));
  EXPECT_EQ(p.Title, "Two  lines");
  ASSERT_EQ(p.ResourceCount, 3);
  EXPECT_EQ(GetFileName(p.Resource(2).FilePath), "20.slx");
  EXPECT_EQ(p.Resource(2).Kind, KindSLX);
  EXPECT_EQ(p.Resource(3).IconFlags, 3);
  cDIBSection bitmap;
  ASSERT_TRUE(bitmap.CreateFromPicture(out + "/3.bmp"));
  for (int x = 0; x < 3; ++x)
    EXPECT_EQ(bitmap.GetPixel(x, 0), Palette::BuiltIn().Colour(a));
  // Compiled, the project still gives the same pictures.
  const std::string again = work.File("again.mpi");
  ASSERT_TRUE(CompileMPI(p, again));
  MPIPackage compiled;
  ASSERT_TRUE(ReadMPIPackage(again, compiled));
  ASSERT_EQ(compiled.Entries.size(), 2u);
  std::string icon_again;
  ASSERT_TRUE(ReadMPIEntryData(again, compiled.Entries[1], icon_again));
  EXPECT_EQ(icon_again.substr(0, 16), icon.substr(0, 16));
}

TEST_F(UnpackTest, APackageWithoutReadmeTextSaysTheProjectNeedsOne) {
  test::WriteFileBytes(package_path,
                       BuildPackage("t", "", {{Entry(KindWAV, kTargetSounds, 1), "w"}}));
  ASSERT_TRUE(Unpack());
  ASSERT_EQ(result.Differences.size(), 1u);
  EXPECT_NE(result.Differences[0].find("no readme text"), std::string::npos);
  EXPECT_EQ(test::ReadFileBytes(out + "/readme.txt"), "");
}

// Each hostile package is refused with the program's message and a reason
// naming what is wrong, and the folder (made for the unpack or not) holds
// nothing afterwards; the folder around it neither.
TEST_F(UnpackTest, HostilePackagesAreRefusedAndLeaveNothingBehind) {
  const std::string good =
      BuildPackage("t", "r", {{Entry(KindWAV, kTargetSounds, 1), Pattern(40, 1)}});
  std::string past_end = good;
  test::PutU32(past_end, 0);  // one more entry claimed in the header below
  std::string count_32767 = good.substr(0, 8);
  test::PutU16(count_32767, 32767);
  count_32767 += good.substr(10, 40);
  std::string length_past_end = good;
  length_past_end[14 + 2 + 6 + 3] = 0x7F;  // the entry's length: about 2 GB

  std::string damaged_icon;
  for (int32_t v : {0, 4, 1000000}) test::PutU32(damaged_icon, static_cast<uint32_t>(v));
  std::string bad_command;
  for (int32_t v : {0, 2, 1, 0}) test::PutU32(bad_command, static_cast<uint32_t>(v));
  bad_command += std::string{0x0B, 0x0F};  // a shadow run
  std::string row_too_wide;
  for (int32_t v : {0, 2, 1, 0}) test::PutU32(row_too_wide, static_cast<uint32_t>(v));
  row_too_wide += std::string{0x0C, 1, 2, 3, 0x0F};
  std::string row_offset_out;
  for (int32_t v : {0, 1, 1, 500}) test::PutU32(row_offset_out, static_cast<uint32_t>(v));
  row_offset_out += std::string{0x04, 1, 0x0F};
  std::string huge_icon;
  for (int32_t v : {0, 0x7FFFFFFF, 0x7FFFFFFF}) test::PutU32(huge_icon, static_cast<uint32_t>(v));
  auto icon_package = [](const std::string& data) {
    return BuildPackage("t", "r",
                        {{Entry(KindWAV, kTargetSounds, 1), "w"},
                         {Entry(KindBMP, kTargetIcon, 0), data}});
  };
  const std::string damaged_slp = BuildPackage(
      "t", "r", {{Entry(KindSLX, kTargetGraphics, 7), ForeignSLP().substr(0, 70)}});

  struct Case {
    const char* what;
    std::string bytes;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"empty", "", "shorter than a package header"},
      {"foreign", "MPI 0.5 " + good.substr(8), "does not start with"},
      {"truncated", good.substr(0, good.size() - 5), "runs past the end of the file"},
      {"cut in its directory", good.substr(0, 20), "ends inside its directory"},
      {"bytes after the data", past_end, "bytes after the last entry's data"},
      {"a length past the end", length_past_end, "runs past the end of the file"},
      {"32767 entries in a short file", count_32767, "ends inside its directory"},
      {"an icon of a million rows", icon_package(damaged_icon), "too short for the 1000000 rows"},
      {"an icon with a shadow", icon_package(bad_command), "command byte 11"},
      {"an icon row too wide", icon_package(row_too_wide), "more pixels than the icon is wide"},
      {"an icon row outside", icon_package(row_offset_out), "row 1 starts past the end"},
      {"a huge icon", icon_package(huge_icon), "more than an icon may have"},
      {"a damaged SLX entry", damaged_slp, "cannot be converted to an SLX graphic"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir around;
    package_path = around.File("hostile.mpi");
    test::WriteFileBytes(package_path, c.bytes);
    for (const bool made : {false, true}) {
      out = around.File("out");
      if (made) fs::create_directory(out);
      Status unpacked = Unpack();
      ASSERT_FALSE(unpacked);
      EXPECT_EQ(unpacked.Headline(), kMsgErrorUnpacking);
      EXPECT_NE(unpacked.message().find(c.reason), std::string::npos) << unpacked.message();
      EXPECT_EQ(NamesIn(out), std::vector<std::string>{});
      EXPECT_EQ(NamesIn(around.path()), (made ? std::vector<std::string>{"hostile.mpi", "out"}
                                              : std::vector<std::string>{"hostile.mpi"}));
      fs::remove_all(out);
    }
  }
}

TEST_F(UnpackTest, MoreEntriesThanAProjectHoldsAreRefusedBeforeAnythingIsWritten) {
  // 32767 empty entries: a whole package, but with the readme one resource
  // too many for a project.
  std::vector<std::pair<MPIEntry, std::string>> entries(32767,
                                                         {Entry(KindBIN, 0, 1), std::string()});
  test::WriteFileBytes(package_path, BuildPackage("t", "r", entries));
  Status unpacked = Unpack();
  ASSERT_FALSE(unpacked);
  EXPECT_NE(unpacked.message().find("more entries than a project can hold"), std::string::npos);
  EXPECT_FALSE(fs::exists(out));
}

TEST_F(UnpackTest, AFolderHoldingFilesIsTakenOnlyWithForce) {
  test::WriteFileBytes(package_path,
                       BuildPackage("t", "r", {{Entry(KindWAV, kTargetSounds, 1), "new"}}));
  fs::create_directory(out);
  test::WriteFileBytes(out + "/1.wav", "old");
  test::WriteFileBytes(out + "/castle.mpr", "old project");
  test::WriteFileBytes(out + "/mine.txt", "mine");
  Status refused = Unpack();
  ASSERT_FALSE(refused);
  EXPECT_NE(refused.message().find("the folder is not empty; give --force"), std::string::npos);
  EXPECT_EQ(test::ReadFileBytes(out + "/1.wav"), "old");
  EXPECT_EQ(test::ReadFileBytes(out + "/castle.mpr"), "old project");

  Status forced = Unpack(true);
  ASSERT_TRUE(forced) << forced.message();
  EXPECT_EQ(test::ReadFileBytes(out + "/1.wav"), "new");
  EXPECT_EQ(test::ReadFileBytes(out + "/mine.txt"), "mine");
  EXPECT_EQ(NamesIn(out),
            (std::vector<std::string>{"1.wav", "castle.mpr", "mine.txt", "readme.txt"}));

  // A file where the folder should be, and a link in the way of a name.
  out = work.File("a file");
  test::WriteFileBytes(out, "x");
  EXPECT_NE(Unpack().message().find("is a file, not a folder"), std::string::npos);
  out = work.File("linked");
  fs::create_directory(out);
  fs::create_symlink(work.File("elsewhere.wav"), out + "/1.wav");
  Status linked = Unpack(true);
  ASSERT_FALSE(linked);
  EXPECT_NE(linked.message().find("is a link"), std::string::npos);
  EXPECT_FALSE(fs::exists(work.File("elsewhere.wav")));
  EXPECT_EQ(NamesIn(out), std::vector<std::string>{"1.wav"});
}

TEST_F(UnpackTest, ThePackageItselfIsNeverOverwritten) {
  // A package named like one of its own entries' files, inside the folder.
  fs::create_directory(out);
  package_path = out + "/1.wav";
  const std::string bytes =
      BuildPackage("t", "r", {{Entry(KindWAV, kTargetSounds, 1), "sound"}});
  test::WriteFileBytes(package_path, bytes);
  Status unpacked = Unpack(true);
  ASSERT_FALSE(unpacked);
  EXPECT_NE(unpacked.message().find("a file this reads"), std::string::npos);
  EXPECT_EQ(test::ReadFileBytes(package_path), bytes);
  EXPECT_EQ(NamesIn(out), std::vector<std::string>{"1.wav"});
  // A package named like the project it unpacks into.
  package_path = out + "/mod.mpr";
  fs::rename(out + "/1.wav", package_path);
  unpacked = Unpack(true);
  ASSERT_FALSE(unpacked);
  EXPECT_NE(unpacked.message().find("a file this reads"), std::string::npos);
  EXPECT_EQ(test::ReadFileBytes(package_path), bytes);
  EXPECT_EQ(NamesIn(out), std::vector<std::string>{"mod.mpr"});
}

TEST_F(UnpackTest, ProgressCountsTheEntries) {
  test::WriteFileBytes(package_path, BuildPackage("t", "r",
                                                  {{Entry(KindWAV, kTargetSounds, 1), "a"},
                                                   {Entry(KindBIN, 0, 2), "b"}}));
  std::vector<std::string> heard;
  UnpackOptions options;
  ASSERT_TRUE(UnpackPackage(package_path, out, options, result,
                            [&](const ProgressStep& step) {
                              heard.push_back(step.caption + " " + std::to_string(step.step) +
                                              "/" + std::to_string(step.total));
                            }));
  EXPECT_EQ(heard, (std::vector<std::string>{"Unpacking entry 1 1/2", "Unpacking entry 2 2/2"}));
}

TEST(UnpackedNames, NamesComeFromIdsAndTargetsAndNeverRepeat) {
  auto entry = [](int kind, int target, int32_t id) { return Entry(kind, target, id); };
  EXPECT_EQ(UnpackedExtension(entry(KindSLP, 1, 5)), "slp");
  EXPECT_EQ(UnpackedExtension(entry(KindSLX, 1, 5)), "slp");
  EXPECT_EQ(UnpackedExtension(entry(KindWAV, 3, 5)), "wav");
  EXPECT_EQ(UnpackedExtension(entry(KindBIN, 0, 5)), "bin");
  EXPECT_EQ(UnpackedExtension(entry(KindBMP, 7, 5)), "bmp");
  EXPECT_EQ(UnpackedExtension(entry(KindFile, 8, 0)), "dll");
  EXPECT_EQ(UnpackedExtension(entry(KindFile, 9, 0)), "dat");
  EXPECT_EQ(UnpackedExtension(entry(KindFile, 11, 0)), "exe");
  EXPECT_EQ(UnpackedExtension(entry(KindFile, 5, 0)), "txt");
  EXPECT_EQ(UnpackedExtension(entry(KindFile, 2, 0)), "bin");
  EXPECT_EQ(UnpackedExtension(entry(200, 1, 0)), "bin");
  EXPECT_EQ(UnpackedTitle(entry(KindFile, 12, 7)), "skirmland_x1");
  EXPECT_EQ(UnpackedTitle(entry(KindFile, 2, 7)), "7");
  EXPECT_EQ(UnpackedTitle(entry(KindSLP, 1, -2147483647 - 1)), "-2147483648");

  UnpackedNames names;
  names.Reserve("README.txt");
  std::string title;
  EXPECT_EQ(names.Take("readme", "txt", &title), "readme-2.txt");
  EXPECT_EQ(title, "readme-2");
  EXPECT_EQ(names.Take("5", "slp"), "5.slp");
  EXPECT_EQ(names.Take("5", "SLP"), "5-2.SLP");
  EXPECT_EQ(names.Take("5", "slp"), "5-3.slp");
  EXPECT_EQ(names.Take("5", "wav"), "5.wav");
}

}  // namespace
}  // namespace zorv
