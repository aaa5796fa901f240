// The package compiler: the package layout, the readme rules, progress and
// temporary files, block copying, converted resources, and the compiles that
// must stop rather than write a wrong package.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <barrier>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "codec/DIBSection.h"
#include "codec/Palettes.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "package/MPICode.h"
#include "package/MPIPackage.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {
namespace fs = std::filesystem;

// Points TEMP somewhere (or nowhere) for one scope.
class ScopedTempVariable {
 public:
  explicit ScopedTempVariable(const char* value) {
    if (const char* old = std::getenv("TEMP")) previous_ = old;
    if (value)
      setenv("TEMP", value, 1);
    else
      unsetenv("TEMP");
  }
  ~ScopedTempVariable() {
    if (previous_)
      setenv("TEMP", previous_->c_str(), 1);
    else
      unsetenv("TEMP");
  }

 private:
  std::optional<std::string> previous_;
};

// Bytes that differ from position to position, so a shifted or reordered
// copy is caught.
std::string Pattern(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  uint32_t state = seed * 2654435761u + 1;
  for (char& c : bytes) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>(state >> 24);
  }
  return bytes;
}

size_t FilesIn(const fs::path& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder),
                                           fs::directory_iterator()));
}

// The compile folders inside a temporary folder: "zorv-compile-" and twelve
// hexadecimal digits.
std::vector<fs::path> CompileFoldersIn(const fs::path& folder) {
  const std::string prefix = "zorv-compile-";
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) != 0 || name.size() != prefix.size() + 12) continue;
    if (std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                    [](unsigned char c) { return std::isxdigit(c) != 0; }))
      found.push_back(entry.path());
  }
  return found;
}

std::vector<std::string> NamesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class MPITest : public ::testing::Test {
 protected:
  MPITest() : temp_variable_(temp.path().c_str()) {}

  void SetUp() override {
    project = MakeNewProject(dir.File("mod.mpr"));
    project.Title = "Test";
  }

  std::string WriteFile(const std::string& name, const std::string& bytes) {
    std::string path = dir.File(name);
    test::WriteFileBytes(path, bytes);
    return path;
  }

  // Appends a resource for the file at path.
  ProjectResource& Add(const std::string& name, const std::string& path, int16_t kind,
                       int16_t target, int32_t id = 0) {
    ProjectResource r;
    r.Name = name;
    r.FilePath = path;
    r.Kind = kind;
    r.ReplaceTarget = target;
    r.ResourceID = id;
    project.Resources.resize(static_cast<size_t>(project.ResourceCount));
    project.Resources.push_back(r);
    ++project.ResourceCount;
    return project.Resources.back();
  }

  ProjectResource& AddFile(const std::string& name, const std::string& bytes,
                           int16_t kind = KindBIN, int16_t target = kTargetGamedata,
                           int32_t id = 0) {
    return Add(name, WriteFile(name + ".bin", bytes), kind, target, id);
  }

  ProjectResource& AddReadme(const std::string& name, const std::string& text) {
    return Add(name, WriteFile(name + ".txt", text), KindFile, kTargetReadme);
  }

  // A 2 x 1 frame: normal pixels of palette entries first and first + 1.
  void WriteSmallFrame(const std::string& stem, int first = 3) {
    cDIBSection colour, data;
    ASSERT_TRUE(colour.Create(2, 1));
    ASSERT_TRUE(data.Create(2, 1));
    colour.SetPixel(0, 0, palette.Colour(first));
    colour.SetPixel(1, 0, palette.Colour(first + 1));
    data.Fill(kDataNormal);
    ASSERT_TRUE(colour.SavePicture(dir.File(stem + ".bmp")));
    ASSERT_TRUE(data.SavePicture(dir.File(stem + "d.bmp")));
  }

  // An SLX graphic of frames copies of that frame, hot spot (5, -2).
  std::string WriteSLX(const std::string& name, int32_t frames,
                       const std::string& frame_stem = "frame", int first_colour = 3) {
    WriteSmallFrame(frame_stem, first_colour);
    SLXGraphic graphic;
    graphic.Path = dir.File(name + ".slx");
    graphic.FrameCount = frames;
    for (int32_t i = 0; i < frames; ++i)
      graphic.Frames.push_back(SLXFrame{frame_stem + ".bmp", frame_stem + "d.bmp", 5, -2});
    EXPECT_TRUE(WriteFileSafely(graphic.Path, FormatSLX(graphic)));
    return graphic.Path;
  }

  // A 3 x 2 bitmap, every pixel palette entry index.
  std::string WriteIcon(const std::string& name, int index = 7) {
    cDIBSection bitmap;
    EXPECT_TRUE(bitmap.Create(3, 2));
    bitmap.Fill(palette.Colour(index));
    std::string path = dir.File(name + ".bmp");
    EXPECT_TRUE(bitmap.SavePicture(path));
    return path;
  }

  // Compiles the project, recording the compile's own steps (captions,
  // fractions, steps), the frame steps of its conversions, and the SLX
  // graphics it loaded.
  Status Compile(const std::string& out) {
    steps.clear();
    captions.clear();
    fractions.clear();
    file_captions.clear();
    file_fractions.clear();
    loaded.clear();
    return CompileMPI(
        project, out,
        [&](const ProgressStep& step) {
          if (step.level == 0) {
            steps.push_back(step);
            captions.push_back(step.caption);
            fractions.push_back(step.Fraction());
            if (on_progress) on_progress(step.caption);
          } else {
            EXPECT_EQ(step.level, 1);
            file_captions.push_back(step.caption);
            file_fractions.push_back(step.Fraction());
          }
        },
        [&](const SLXGraphic& graphic) {
          loaded.push_back({graphic.Path, graphic.FrameCount});
        });
  }

  MPIPackage Read(const std::string& path) {
    MPIPackage package;
    Status read = ReadMPIPackage(path, package);
    EXPECT_TRUE(read) << read.message();
    return package;
  }

  std::string EntryData(const std::string& path, const MPIEntry& entry) {
    std::string data;
    EXPECT_TRUE(ReadMPIEntryData(path, entry, data));
    return data;
  }

  // The compile stopped with one message naming resource number, the file
  // at out is as it was before (before_bytes, or no file), and the
  // temporary folder holds what it held before (kept_in_temp).
  void ExpectStopped(const Status& status, int number, const std::string& out,
                     const std::optional<std::string>& before_bytes = std::nullopt) {
    ASSERT_FALSE(status);
    EXPECT_NE(status.message().find("Resource " + std::to_string(number) + " (\""),
              std::string::npos)
        << status.message();
    if (before_bytes)
      EXPECT_EQ(test::ReadFileBytes(out), *before_bytes);
    else
      EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(FilesIn(fs::path(out).parent_path()), before_files_in_out_folder)
        << "the half-written package was left behind";
    EXPECT_EQ(NamesIn(temp.path()), kept_in_temp) << "temporary files were left behind";
  }

  const Palette& palette = Palette::BuiltIn();
  test::TempDir dir;
  test::TempDir temp;
  test::TempDir out_dir;
  ScopedTempVariable temp_variable_;
  ModProject project;
  std::vector<ProgressStep> steps;
  std::vector<std::string> captions, file_captions;
  std::vector<double> fractions, file_fractions;
  std::vector<std::pair<std::string, int32_t>> loaded;  // path and frame count
  std::function<void(const std::string&)> on_progress;
  size_t before_files_in_out_folder = 0;
  std::vector<std::string> kept_in_temp;
};

TEST_F(MPITest, WorkedExampleLayout) {
  std::string first = Pattern(100, 1), second = Pattern(50, 2);
  AddFile("first", first, KindSLP, kTargetGraphics, 815);
  AddReadme("readme", "0123456789");
  AddFile("second", second, KindWAV, kTargetSounds, -1);
  std::string out = out_dir.File("mod.mpi");
  Status compiled = Compile(out);
  ASSERT_TRUE(compiled) << compiled.message();

  std::string bytes = test::ReadFileBytes(out);
  ASSERT_EQ(bytes.size(), 206u);
  EXPECT_EQ(bytes.substr(0, 8), "MPI 0.6 ");
  EXPECT_EQ(test::GetI16(bytes, 8), 2);
  EXPECT_EQ(test::GetI16(bytes, 10), 4);
  EXPECT_EQ(test::GetI16(bytes, 12), 10);
  EXPECT_EQ(bytes.substr(14, 14), "Test0123456789");
  // Directory at 28: kind, target, ID, length, offset.
  EXPECT_EQ(static_cast<uint8_t>(bytes[28]), 1);
  EXPECT_EQ(static_cast<uint8_t>(bytes[29]), 1);
  EXPECT_EQ(test::GetI32(bytes, 30), 815);
  EXPECT_EQ(test::GetI32(bytes, 34), 100);
  EXPECT_EQ(test::GetI32(bytes, 38), 56);
  EXPECT_EQ(static_cast<uint8_t>(bytes[42]), 2);
  EXPECT_EQ(static_cast<uint8_t>(bytes[43]), 3);
  EXPECT_EQ(test::GetI32(bytes, 44), -1);
  EXPECT_EQ(test::GetI32(bytes, 48), 50);
  EXPECT_EQ(test::GetI32(bytes, 52), 156);
  EXPECT_EQ(bytes.substr(56, 100), first);
  EXPECT_EQ(bytes.substr(156), second);
}

TEST_F(MPITest, OnlyAReadmeGivesNoEntries) {
  AddReadme("readme", "Hello, world");
  std::string out = out_dir.File("mod.mpi");
  ASSERT_TRUE(Compile(out));
  std::string bytes = test::ReadFileBytes(out);
  EXPECT_EQ(bytes.size(), 14u + 4 + 12);
  EXPECT_EQ(test::GetI16(bytes, 8), 0);
  MPIPackage package = Read(out);
  EXPECT_EQ(package.Readme, "Hello, world");
  EXPECT_TRUE(package.Entries.empty());
}

TEST_F(MPITest, NoReadmeTextStopsAndLeavesAnEmptyPackage) {
  auto expect_required = [&](const char* what) {
    SCOPED_TRACE(what);
    std::string out = out_dir.File(std::string(what) + ".mpi");
    Status compiled = Compile(out);
    EXPECT_FALSE(compiled);
    EXPECT_EQ(compiled.message(), "Readme file required!");
    EXPECT_TRUE(fs::exists(out));
    EXPECT_EQ(fs::file_size(out), 0u);
  };
  expect_required("no resources");
  AddFile("data", "abc");
  expect_required("no readme resource");
  AddReadme("empty", "");
  expect_required("empty readme");
  // The last readme wins even when it is empty: [full readme, data, empty].
  AddReadme("full", "text");
  std::swap(project.Resources[0], project.Resources[2]);
  std::swap(project.Resources[1], project.Resources[2]);
  ASSERT_EQ(project.Resource(1).Name, "full");
  ASSERT_EQ(project.Resource(3).Name, "empty");
  expect_required("a later empty readme");
}

TEST_F(MPITest, NoReadmeTextKeepsAPackageThatWasAlreadyThere) {
  AddFile("data", "abc");
  std::string out = out_dir.File("mod.mpi");
  test::WriteFileBytes(out, "an earlier package");
  Status compiled = Compile(out);
  EXPECT_FALSE(compiled);
  EXPECT_EQ(compiled.message(), "Readme file required!");
  EXPECT_EQ(test::ReadFileBytes(out), "an earlier package");
  EXPECT_EQ(FilesIn(out_dir.path()), 1u);
}

TEST_F(MPITest, TheLastReadmeWinsAndNoReadmeIsAnEntry) {
  AddReadme("first", "first text");
  AddFile("data", "xyz");
  AddReadme("second", "second, longer text");
  std::string out = out_dir.File("mod.mpi");
  ASSERT_TRUE(Compile(out));
  MPIPackage package = Read(out);
  EXPECT_EQ(package.Readme, "second, longer text");
  ASSERT_EQ(package.Entries.size(), 1u);
  EXPECT_EQ(EntryData(out, package.Entries[0]), "xyz");
}

TEST_F(MPITest, ProgressCountsEveryResourceAndNeverReachesTheEnd) {
  AddFile("a", "1");
  AddReadme("readme", "r");
  AddFile("c", "3");
  AddFile("d", "4");
  AddFile("e", "5");
  ASSERT_TRUE(Compile(out_dir.File("mod.mpi")));
  EXPECT_EQ(captions, (std::vector<std::string>{"Initialising project file", "Adding file a",
                                                "Adding file c", "Adding file d",
                                                "Adding file e"}));
  EXPECT_EQ(fractions, (std::vector<double>{0.0, 0.0, 2.0 / 5, 3.0 / 5, 4.0 / 5}));
  // Each step is the resource's list position, readme resources counted.
  std::vector<int64_t> numbers;
  for (const ProgressStep& step : steps) {
    numbers.push_back(step.step);
    EXPECT_EQ(step.total, 5) << step.caption;
  }
  EXPECT_EQ(numbers, (std::vector<int64_t>{0, 1, 3, 4, 5}));
  EXPECT_TRUE(file_captions.empty());
}

TEST_F(MPITest, TemporaryNamesCountTheWholeListAndAreRemovedAfterwards) {
  AddReadme("readme", "r");
  AddFile("sound", "wav bytes", KindWAV, kTargetSounds);
  Add("icon", WriteIcon("icon"), KindBMP, kTargetIcon).IconFlags = 264;
  AddFile("last", "end");
  // While the compile runs, its temporary files are in one folder of its
  // own inside TEMP.
  std::vector<std::string> in_temp, seen;
  std::vector<fs::path> folders;
  on_progress = [&](const std::string& caption) {
    if (caption != "Adding file last") return;
    in_temp = NamesIn(temp.path());
    folders = CompileFoldersIn(temp.path());
    if (folders.size() == 1 && fs::is_directory(folders[0])) seen = NamesIn(folders[0]);
  };
  std::string out = out_dir.File("mod.mpi");
  ASSERT_TRUE(Compile(out));
  ASSERT_EQ(folders.size(), 1u);
  EXPECT_EQ(in_temp, std::vector<std::string>{folders[0].filename().string()});
  EXPECT_EQ(seen, std::vector<std::string>{"slx2slp_3.slp"});
  EXPECT_EQ(FilesIn(temp.path()), 0u);

  MPIPackage package = Read(out);
  ASSERT_EQ(package.Entries.size(), 3u);
  EXPECT_EQ(package.Entries[1].Kind, KindBMP);
  EXPECT_EQ(package.Entries[1].ReplaceTarget, kTargetIcon);
  // Icon row data of a 3 x 2 bitmap of palette entry 7: flags, width,
  // height, row offsets 0 and 5, then each row as a copy of three pixels.
  std::string expected;
  for (uint32_t v : {264u, 3u, 2u, 0u, 5u}) test::PutU32(expected, v);
  for (int row = 0; row < 2; ++row) expected += std::string("\x0C\x07\x07\x07\x0F", 5);
  EXPECT_EQ(EntryData(out, package.Entries[1]), expected);
}

TEST_F(MPITest, TemporaryFolderComesFromTEMPOrTheSystem) {
  EXPECT_EQ(TemporaryResourceName(3), "slx2slp_3.slp");
  EXPECT_EQ(TemporaryResourceName(12), "slx2slp_12.slp");
  {
    ScopedTempVariable set("/some/where");
    EXPECT_EQ(TemporaryFolder(), "/some/where/");
  }
  {
    ScopedTempVariable set("/some/where/");
    EXPECT_EQ(TemporaryFolder(), "/some/where/");
  }
  {
    ScopedTempVariable unset(nullptr);
    const std::string folder = TemporaryFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    fs::path expected = fs::temp_directory_path() / "slx2slp_1.slp";
    EXPECT_EQ(fs::path(folder + TemporaryResourceName(1)).lexically_normal(),
              expected.lexically_normal());
  }
}

TEST_F(MPITest, SLXResourcesArePackagedAsTheirSLPWithKindFour) {
  AddReadme("readme", "r");
  Add("unit", WriteSLX("unit", 1), KindSLX, kTargetGraphics, 4321);
  std::string out = out_dir.File("mod.mpi");
  Status compiled = Compile(out);
  ASSERT_TRUE(compiled) << compiled.message();
  MPIPackage package = Read(out);
  ASSERT_EQ(package.Entries.size(), 1u);
  const MPIEntry& entry = package.Entries[0];
  EXPECT_EQ(entry.Kind, KindSLX);
  EXPECT_EQ(entry.ResourceID, 4321);
  // The one-frame 2 x 1 graphic as SLP: header, frame record, edges at 64,
  // the row offset at 68 and the row's commands at 72.
  std::string slp = EntryData(out, entry);
  ASSERT_EQ(slp.size(), 76u);
  EXPECT_EQ(slp.substr(0, 4), "2.0N");
  EXPECT_EQ(test::GetI32(slp, 4), 1);
  EXPECT_EQ(test::GetI32(slp, 32), 68);
  EXPECT_EQ(test::GetI32(slp, 36), 64);
  EXPECT_EQ(test::GetI32(slp, 48), 2);
  EXPECT_EQ(test::GetI32(slp, 52), 1);
  EXPECT_EQ(test::GetI32(slp, 56), 5);
  EXPECT_EQ(test::GetI32(slp, 60), -2);
  EXPECT_EQ(test::GetI32(slp, 64), 0);
  EXPECT_EQ(test::GetI32(slp, 68), 72);
  EXPECT_EQ(slp.substr(72), std::string("\x08\x03\x04\x0F", 4));
  // The graphic loaded is the one compiled.
  EXPECT_EQ(loaded, (std::vector<std::pair<std::string, int32_t>>{
                        {project.Resource(2).FilePath, 1}}));
  EXPECT_EQ(FilesIn(temp.path()), 0u);
}

TEST_F(MPITest, EachLoadedSLXIsHeardInListOrderAndARejectedOneNever) {
  AddReadme("readme", "r");
  Add("second", WriteSLX("second", 3, "b", 9), KindSLX, kTargetGraphics);
  AddFile("data", "bytes");
  Add("icon", WriteIcon("icon"), KindBMP, kTargetIcon);
  Add("first", WriteSLX("first", 2, "a", 5), KindSLX, kTargetGraphics);
  std::string out = out_dir.File("mod.mpi");
  Status compiled = Compile(out);
  ASSERT_TRUE(compiled) << compiled.message();
  EXPECT_EQ(loaded, (std::vector<std::pair<std::string, int32_t>>{
                        {dir.File("second.slx"), 3}, {dir.File("first.slx"), 2}}));

  // A resource that is not an SLX graphic in the middle: the graphics
  // before it are heard, it and those after it are not.
  Add("bad", WriteFile("bad.slx", "not an SLX file\r\n"), KindSLX, kTargetGraphics);
  Add("third", WriteSLX("third", 1, "c", 11), KindSLX, kTargetGraphics);
  std::swap(project.Resources[4], project.Resources[5]);
  ASSERT_EQ(project.Resource(5).Name, "bad");
  compiled = Compile(out);
  EXPECT_FALSE(compiled);
  EXPECT_EQ(compiled.Headline(), "Unrecognised file format!");
  EXPECT_EQ(loaded, (std::vector<std::pair<std::string, int32_t>>{{dir.File("second.slx"), 3}}));
}

TEST_F(MPITest, FrameProgressOfAnSLXConversion) {
  AddReadme("readme", "r");
  Add("unit", WriteSLX("unit", 4), KindSLX, kTargetGraphics);
  ASSERT_TRUE(Compile(out_dir.File("mod.mpi")));
  EXPECT_EQ(file_captions, (std::vector<std::string>{"Converting frame 1", "Converting frame 2",
                                                     "Converting frame 3",
                                                     "Converting frame 4"}));
  EXPECT_EQ(file_fractions, (std::vector<double>{0.0, 0.25, 0.5, 0.75}));
}

TEST_F(MPITest, BlockBoundariesAndEmptyFilesCopyExactly) {
  AddReadme("readme", "r");
  std::vector<size_t> sizes = {0, 1, 63999, 64000, 64001, 128000, 200000, 0};
  for (size_t i = 0; i < sizes.size(); ++i)
    AddFile(std::string(1, static_cast<char>('a' + i)),
            Pattern(sizes[i], static_cast<unsigned>(i)));
  std::string out = out_dir.File("mod.mpi");
  ASSERT_TRUE(Compile(out));
  MPIPackage package = Read(out);
  ASSERT_EQ(package.Entries.size(), sizes.size());
  for (size_t i = 0; i < sizes.size(); ++i) {
    SCOPED_TRACE(sizes[i]);
    EXPECT_EQ(package.Entries[i].Length, static_cast<int32_t>(sizes[i]));
    EXPECT_EQ(EntryData(out, package.Entries[i]), Pattern(sizes[i], static_cast<unsigned>(i)));
  }
  // A 0-byte entry shares its offset with the next one.
  EXPECT_EQ(package.Entries[0].Offset, package.Entries[1].Offset);
  EXPECT_EQ(package.FileSize, package.Entries.back().Offset);
}

TEST_F(MPITest, PathIsUsedAsGivenAndAnOldPackageIsReplaced) {
  AddReadme("readme", "new readme");
  std::string out = out_dir.File("package");
  test::WriteFileBytes(out, "an older package");
  ASSERT_TRUE(Compile(out));
  EXPECT_FALSE(fs::exists(out + ".mpi"));
  EXPECT_EQ(Read(out).Readme, "new readme");
  EXPECT_EQ(FilesIn(out_dir.path()), 1u);
}

TEST_F(MPITest, AFailedConversionStopsTheCompileAndKeepsTheOldPackage) {
  AddReadme("readme", "r");
  AddFile("before", "ok");
  // The frame's bitmaps do not exist.
  SLXGraphic broken;
  broken.Path = dir.File("broken.slx");
  broken.FrameCount = 1;
  broken.Frames.push_back(SLXFrame{"gone.bmp", "goned.bmp", 0, 0});
  ASSERT_TRUE(WriteFileSafely(broken.Path, FormatSLX(broken)));
  Add("broken", broken.Path, KindSLX, kTargetGraphics);
  // A file an earlier run left in TEMP under the position's name is not
  // this compile's: it is neither packaged nor removed.
  test::WriteFileBytes(temp.File("slx2slp_3.slp"), "stale SLP");
  kept_in_temp = {"slx2slp_3.slp"};
  std::string out = out_dir.File("mod.mpi");
  test::WriteFileBytes(out, "good old package");
  before_files_in_out_folder = 1;
  // One message: the converter's, then the resource it stopped.
  Status compiled = Compile(out);
  EXPECT_EQ(compiled.Headline(),
            "ERROR: Unable to find all BMPs from the SLX! SLP will be corrupted...");
  ExpectStopped(compiled, 3, out, "good old package");
  EXPECT_EQ(test::ReadFileBytes(temp.File("slx2slp_3.slp")), "stale SLP");
}

TEST_F(MPITest, AFailedIconConversionStopsTheCompile) {
  AddReadme("readme", "r");
  Add("icon", WriteFile("icon.bmp", "not a bitmap"), KindBMP, kTargetIcon);
  std::string out = out_dir.File("mod.mpi");
  Status compiled = Compile(out);
  EXPECT_EQ(compiled.Headline(), "Error converting icon!");
  ExpectStopped(compiled, 2, out);
}

TEST_F(MPITest, ARejectedSLXNeverPackagesTheGraphicLoadedBefore) {
  AddReadme("readme", "r");
  Add("good", WriteSLX("good", 1), KindSLX, kTargetGraphics);
  Add("bad", WriteFile("bad.slx", "not an SLX file\r\n"), KindSLX, kTargetGraphics);
  std::string out = out_dir.File("mod.mpi");
  Status compiled = Compile(out);
  EXPECT_EQ(compiled.Headline(), "Unrecognised file format!");
  ExpectStopped(compiled, 3, out);
}

TEST_F(MPITest, MissingOrUnreadableResourceFilesStopTheCompile) {
  AddReadme("readme", "r");
  AddFile("fine", "fine");
  Add("missing", dir.File("missing.wav"), KindWAV, kTargetSounds);
  std::string out = out_dir.File("mod.mpi");
  ExpectStopped(Compile(out), 3, out);

  project.Resource(3).FilePath = dir.path().string();  // a folder
  ExpectStopped(Compile(out), 3, out);
}

TEST_F(MPITest, AResourceFileWithoutReadRightsStopsTheCompile) {
  AddReadme("readme", "r");
  Add("locked", WriteFile("locked.wav", "bytes"), KindWAV, kTargetSounds);
  fs::permissions(project.Resource(2).FilePath, fs::perms::none);
  if (std::FILE* probe = std::fopen(project.Resource(2).FilePath.c_str(), "rb")) {
    std::fclose(probe);
    GTEST_SKIP() << "running with rights that read any file";
  }
  std::string out = out_dir.File("mod.mpi");
  ExpectStopped(Compile(out), 2, out);
}

TEST_F(MPITest, AMissingReadmeFileStopsTheCompile) {
  Add("readme", dir.File("nowhere.txt"), KindFile, kTargetReadme);
  std::string out = out_dir.File("mod.mpi");
  ExpectStopped(Compile(out), 1, out);
}

TEST_F(MPITest, AFileThatChangesDuringTheCompileStopsIt) {
  AddReadme("readme", "r");
  AddFile("changing", Pattern(1000, 1));
  AddFile("other", "x");
  std::string out = out_dir.File("mod.mpi");
  for (size_t new_size : {500u, 1500u}) {
    SCOPED_TRACE(new_size);
    // After its length went into the directory and before its bytes are
    // copied.
    on_progress = [&](const std::string& caption) {
      if (caption == "Adding file other")
        test::WriteFileBytes(project.Resource(2).FilePath, Pattern(new_size, 1));
    };
    test::WriteFileBytes(project.Resource(2).FilePath, Pattern(1000, 1));
    ExpectStopped(Compile(out), 2, out);
  }
}

TEST_F(MPITest, TitleAndReadmeMustFitTheirSixteenBitFields) {
  AddReadme("readme", std::string(32767, 'r'));
  project.Title = std::string(32767, 't');
  std::string out = out_dir.File("mod.mpi");
  ASSERT_TRUE(Compile(out));
  EXPECT_EQ(Read(out).Readme.size(), 32767u);
  fs::remove(out);

  project.Title += "t";
  Status long_title = Compile(out);
  EXPECT_FALSE(long_title);
  EXPECT_NE(long_title.message().find("title"), std::string::npos) << long_title.message();
  EXPECT_FALSE(fs::exists(out));

  project.Title = "Test";
  test::WriteFileBytes(project.Resource(1).FilePath, std::string(32768, 'r'));
  ExpectStopped(Compile(out), 1, out);
}

TEST_F(MPITest, FilesAndPackagesBeyondThirtyTwoBitOffsetsAreRefused) {
  AddReadme("readme", "r");
  // Sparse files: their sizes count, their bytes are never copied because
  // the directory pass refuses them first.
  auto sparse = [&](const std::string& name, uintmax_t size) {
    std::string path = dir.File(name);
    test::WriteFileBytes(path, "");
    fs::resize_file(path, size);
    return path;
  };
  Add("huge", sparse("huge.bin", uintmax_t{1} << 31), KindBIN, kTargetGamedata);
  std::string out = out_dir.File("mod.mpi");
  ExpectStopped(Compile(out), 2, out);

  project.Resource(2).FilePath = sparse("big1.bin", uintmax_t{1} << 30);
  Add("big2", sparse("big2.bin", uintmax_t{1} << 30), KindBIN, kTargetGamedata);
  ExpectStopped(Compile(out), 3, out);
}

TEST_F(MPITest, KindsAndTargetsThatDoNotFitAByteAreRefused) {
  AddReadme("readme", "r");
  AddFile("wide", "x", 300, kTargetGamedata);
  std::string out = out_dir.File("mod.mpi");
  ExpectStopped(Compile(out), 2, out);
  project.Resource(2).Kind = KindBIN;
  project.Resource(2).ReplaceTarget = -1;
  ExpectStopped(Compile(out), 2, out);
}

TEST_F(MPITest, APackageThatCannotBeCreatedIsReported) {
  AddReadme("readme", "r");
  Status compiled = Compile(out_dir.File("no folder/mod.mpi"));
  EXPECT_FALSE(compiled);
  EXPECT_EQ(compiled.Headline(), "Error creating package file!");
}

TEST_F(MPITest, TwoCompilesAtOnceWithOneTEMPEachWriteTheirOwnPackage) {
  // Two projects whose graphics and icons sit at the same list positions,
  // so that their temporary files have the same names.
  AddReadme("readme a", "first mod");
  Add("unit a", WriteSLX("unit a", 2, "frame a", 3), KindSLX, kTargetGraphics, 1);
  Add("icon a", WriteIcon("icon a", 7), KindBMP, kTargetIcon);
  AddFile("data a", Pattern(300, 1));
  const ModProject first = project;
  project = MakeNewProject(dir.File("other.mpr"));
  project.Title = "Other";
  AddReadme("readme b", "second mod");
  Add("unit b", WriteSLX("unit b", 3, "frame b", 20), KindSLX, kTargetGraphics, 2);
  Add("icon b", WriteIcon("icon b", 40), KindBMP, kTargetIcon);
  AddFile("data b", Pattern(200, 2));
  const ModProject second = project;

  // Each alone.
  const ModProject* projects[2] = {&first, &second};
  std::string alone[2];
  for (int i = 0; i < 2; ++i) {
    const std::string path = out_dir.File("alone " + std::to_string(i) + ".mpi");
    Status compiled = CompileMPI(*projects[i], path);
    ASSERT_TRUE(compiled) << compiled.message();
    alone[i] = test::ReadFileBytes(path);
  }
  ASSERT_NE(alone[0], alone[1]);

  // Both at once. They meet while both convert their graphic (both have
  // their temporary folder then), and again once both have converted
  // everything and before either copies a byte; a compile that has ended
  // stops being waited for.
  std::barrier meeting(2);
  std::string together[2];
  Status results[2] = {Status::Ok(), Status::Ok()};
  auto run = [&](int i) {
    const std::string last = i == 0 ? "Adding file data a" : "Adding file data b";
    const std::string path = out_dir.File("together " + std::to_string(i) + ".mpi");
    results[i] = CompileMPI(*projects[i], path, [&](const ProgressStep& step) {
      if ((step.level == 1 && step.step == 1) || (step.level == 0 && step.caption == last))
        meeting.arrive_and_wait();
    });
    meeting.arrive_and_drop();
    together[i] = test::ReadFileBytes(path);
  };
  std::thread one(run, 0), two(run, 1);
  one.join();
  two.join();
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    ASSERT_TRUE(results[i]) << results[i].message();
    EXPECT_EQ(together[i], alone[i]);
  }
  EXPECT_EQ(FilesIn(temp.path()), 0u);
}

TEST(MPIPackageReading, DamagedPackagesAreRefusedWithAReason) {
  test::TempDir dir;
  std::string good = EncodeMPIHeader(2, "T", "R") +
                     EncodeMPIEntry(MPIEntry{1, 1, 7, 3, 44}) +
                     EncodeMPIEntry(MPIEntry{2, 3, 8, 2, 47}) + "abcde";
  ASSERT_EQ(good.size(), 49u);
  std::string path = dir.File("p.mpi");
  test::WriteFileBytes(path, good);
  MPIPackage package;
  ASSERT_TRUE(ReadMPIPackage(path, package));
  ASSERT_EQ(package.Entries.size(), 2u);
  EXPECT_EQ(package.Entries[1].ResourceID, 8);

  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"short header", good.substr(0, 10)},
      {"wrong magic", "MPI 0.5 " + good.substr(8)},
      {"cut in the directory", good.substr(0, 30)},
      {"cut in the data", good.substr(0, 48)},
      {"bytes after the data", good + "z"},
      {"gap between entries", EncodeMPIHeader(2, "T", "R") +
                                  EncodeMPIEntry(MPIEntry{1, 1, 7, 3, 44}) +
                                  EncodeMPIEntry(MPIEntry{2, 3, 8, 2, 48}) + "abcde"},
      {"negative length", EncodeMPIHeader(1, "T", "R") +
                              EncodeMPIEntry(MPIEntry{1, 1, 7, -1, 30}) + "abcde"},
      {"negative count", std::string("MPI 0.6 \xff\xff\x00\x00\x00\x00", 14)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::WriteFileBytes(path, c.bytes);
    Status read = ReadMPIPackage(path, package);
    EXPECT_FALSE(read);
    EXPECT_NE(read.message().find(path), std::string::npos);
  }
}

}  // namespace
}  // namespace zorv
