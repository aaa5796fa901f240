// No failure costs the user what they had: saves that fail part-way keep the
// previous file, failed conversions and compiles leave no output that looks
// complete, failed opens change nothing that was open, and every failure
// message names its file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>

#include "codec/DIBSection.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "codec/SLPWriter.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "package/MPICode.h"
#include "project/ModProject.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;

// Makes every write beyond `bytes` bytes of a file fail for one scope, as a
// full disk would (SIGXFSZ ignored so the write returns an error instead).
class FullDisk {
 public:
  explicit FullDisk(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &previous_);
    handler_ = signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = previous_;
    limit.rlim_cur = bytes;
    set_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FullDisk() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    signal(SIGXFSZ, handler_);
  }
  bool set() const { return set_; }

 private:
  struct rlimit previous_ {};
  sighandler_t handler_ = SIG_DFL;
  bool set_ = false;
};

enum class Breakage { FullDisk, ReadOnly, FolderRemoved };

const char* Name(Breakage b) {
  switch (b) {
    case Breakage::FullDisk: return "a full disk";
    case Breakage::ReadOnly: return "a read-only file";
    case Breakage::FolderRemoved: return "a removed folder";
  }
  return "";
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// Every file name under folder, sub-folders included, relative to it.
std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(folder, ec))
    if (entry.is_regular_file()) names.insert(fs::relative(entry.path(), folder).string());
  return names;
}

// What a save said: whether it worked and the message it showed.
struct Outcome {
  bool ok = false;
  std::string message;
};
using SaveTo = std::function<Outcome(const std::string& path)>;

class NoLostWork : public ::testing::Test {
 protected:
  // Runs save against each way a write can fail and checks each time that
  // the previous file is as it was, nothing else was left beside it, and the
  // message starts with first_line and names the file. save must write
  // content longer than 16 bytes that differs from "previous contents".
  void ExpectFailedSavesKeepTheFile(const SaveTo& save, const std::string& first_line) {
    const std::string previous = "previous contents";
    for (Breakage breakage : {Breakage::FullDisk, Breakage::ReadOnly, Breakage::FolderRemoved}) {
      SCOPED_TRACE(Name(breakage));
      const std::string folder = dir.File(std::string("case ") + Name(breakage));
      fs::create_directories(folder);
      const std::string path = folder + "/saved file";
      test::WriteFileBytes(path, previous);
      Outcome outcome;
      switch (breakage) {
        case Breakage::FullDisk: {
          FullDisk disk(16);
          ASSERT_TRUE(disk.set());
          outcome = save(path);
          break;
        }
        case Breakage::ReadOnly:
          ASSERT_EQ(chmod(path.c_str(), 0444), 0);
          outcome = save(path);
          ASSERT_EQ(chmod(path.c_str(), 0644), 0);
          break;
        case Breakage::FolderRemoved:
          fs::remove_all(folder);
          outcome = save(path);
          break;
      }
      EXPECT_FALSE(outcome.ok);
      EXPECT_EQ(FirstLine(outcome.message), first_line);
      EXPECT_NE(outcome.message.find(path), std::string::npos) << outcome.message;
      if (breakage == Breakage::FolderRemoved) {
        EXPECT_FALSE(fs::exists(folder));
      } else {
        EXPECT_EQ(test::ReadFileBytes(path), previous);
        EXPECT_EQ(FilesIn(folder), std::set<std::string>{"saved file"});
        // Once the cause is gone the same save goes through.
        Outcome again = save(path);
        EXPECT_TRUE(again.ok) << again.message;
        EXPECT_NE(test::ReadFileBytes(path), previous);
      }
    }
  }

  // A graphic of frames x (width x height) bitmaps in folder, every pixel
  // one of the data colours.
  SLXGraphic MakeGraphic(const std::string& folder, int32_t frames, int32_t width = 5,
                         int32_t height = 4) {
    fs::create_directories(folder);
    SLXGraphic graphic;
    graphic.Path = folder + "/unit.slx";
    graphic.FrameCount = frames;
    for (int32_t i = 1; i <= frames; ++i) {
      SLXFrame frame{"unit_" + PadFrameNumber(i) + ".bmp", "unit_" + PadFrameNumber(i) + "d.bmp",
                     i, 2};
      cDIBSection colour, data;
      EXPECT_TRUE(colour.Create(width, height) && data.Create(width, height));
      colour.Fill(Palette::BuiltIn().Colour(20 + i));
      data.Fill(kDataNormal);
      data.SetPixel(0, 0, kDataTransparent);
      data.SetPixel(1, 0, kDataPlayer);
      data.SetPixel(2, 1, kDataShadow);
      EXPECT_TRUE(colour.SavePicture(folder + "/" + frame.ColourFile).ok());
      EXPECT_TRUE(data.SavePicture(folder + "/" + frame.DataFile).ok());
      graphic.Frames.push_back(frame);
    }
    EXPECT_TRUE(SaveSLX(graphic));
    return graphic;
  }

  // An SLP file of frames frames at path, made through the converter.
  void MakeSLP(const std::string& path, int32_t frames) {
    SLXGraphic graphic = MakeGraphic(dir.File("slp source"), frames);
    ASSERT_TRUE(ConvertSLXToSLP(graphic, path, Palette::BuiltIn()));
  }

  test::TempDir dir;
};

// ---------------------------------------------------------------------------
// Saves that fail part-way

TEST_F(NoLostWork, AFailedProjectSaveKeepsThePreviousFileAndSaysWhichFile) {
  ModProject project = MakeNewProject("");
  project.Title = "Knights of the long table";
  ExpectFailedSavesKeepTheFile(
      [&](const std::string& path) {
        project.FilePath = path;
        Status saved = SaveProject(project);
        return Outcome{saved.ok(), saved.message()};
      },
      kMsgErrorSavingProject);
  // The project in memory is untouched by the failures.
  EXPECT_EQ(project.Title, "Knights of the long table");
}

TEST_F(NoLostWork, AFailedSLXSaveKeepsThePreviousFileAndSaysWhichFile) {
  SLXGraphic graphic;
  graphic.FrameCount = 2;
  graphic.Frames = {{"a.bmp", "ad.bmp", 1, 2}, {"b.bmp", "bd.bmp", 3, 4}};
  ExpectFailedSavesKeepTheFile(
      [&](const std::string& path) {
        graphic.Path = path;
        Status saved = SaveSLX(graphic);
        return Outcome{saved.ok(), saved.message()};
      },
      "Error saving SLX file!");
}

TEST_F(NoLostWork, AFailedBitmapWriteKeepsThePreviousFileAndSaysWhichFile) {
  cDIBSection bitmap;
  ASSERT_TRUE(bitmap.Create(40, 30));
  bitmap.Fill(RGBColour(10, 20, 30));
  ExpectFailedSavesKeepTheFile(
      [&](const std::string& path) {
        Status saved = bitmap.SavePicture(path);
        // A bitmap write reports through its status; its text is the
        // second line a caller shows under its own first line.
        return Outcome{saved.ok(), "Error\n" + saved.message()};
      },
      "Error");
}

// ---------------------------------------------------------------------------
// Conversions and compiles that fail leave nothing that looks complete

TEST_F(NoLostWork, AFailedSLXToSLPConversionLeavesThePreviousSLPOrNone) {
  const Palette& palette = Palette::BuiltIn();
  const std::string slp = dir.File("out/unit.slp");
  fs::create_directories(dir.File("out"));
  SLXGraphic graphic = MakeGraphic(dir.File("art"), 3, 60, 50);

  auto expect_nothing_written = [&](const Status& converted, const std::string& file_named) {
    EXPECT_FALSE(converted);
    EXPECT_FALSE(fs::exists(slp));
    EXPECT_TRUE(FilesIn(dir.File("out")).empty());
    EXPECT_NE(converted.message().find(file_named), std::string::npos) << converted.message();
  };

  // The last frame's data bitmap is missing.
  fs::rename(graphic.DataPath(3), dir.File("kept.bmp"));
  Status missing = ConvertSLXToSLP(graphic, slp, palette);
  EXPECT_EQ(missing.Headline(),
            "ERROR: Unable to find all BMPs from the SLX! SLP will be corrupted...");
  expect_nothing_written(missing, graphic.DataPath(3));
  fs::rename(dir.File("kept.bmp"), graphic.DataPath(3));

  // The last frame's data bitmap holds a colour that is no data colour.
  cDIBSection odd;
  ASSERT_TRUE(odd.CreateFromPicture(graphic.DataPath(3)).ok());
  const std::string good_data = test::ReadFileBytes(graphic.DataPath(3));
  odd.SetPixel(4, 3, RGBColour(1, 2, 3));
  ASSERT_TRUE(odd.SavePicture(graphic.DataPath(3)).ok());
  expect_nothing_written(ConvertSLXToSLP(graphic, slp, palette), graphic.DataPath(3));

  // The last frame's bitmaps differ in size.
  cDIBSection small;
  ASSERT_TRUE(small.Create(3, 3));
  ASSERT_TRUE(small.SavePicture(graphic.DataPath(3)).ok());
  Status mismatched = ConvertSLXToSLP(graphic, slp, palette);
  EXPECT_EQ(mismatched.Headline(), "Error in frame 3: colour and data bitmap files do not match!");
  expect_nothing_written(mismatched, graphic.DataPath(3));
  test::WriteFileBytes(graphic.DataPath(3), good_data);

  // A graphic that lists fewer frames than its count.
  SLXGraphic short_graphic = graphic;
  short_graphic.Frames.pop_back();
  expect_nothing_written(ConvertSLXToSLP(short_graphic, slp, palette), graphic.Path);

  // Now a good SLP is there; a conversion that runs out of disk keeps it.
  ASSERT_TRUE(ConvertSLXToSLP(graphic, slp, palette));
  const std::string good_slp = test::ReadFileBytes(slp);
  graphic.Frame(1).CenterX = 77;
  Status full = Status::Ok();
  {
    FullDisk disk(200);
    ASSERT_TRUE(disk.set());
    full = ConvertSLXToSLP(graphic, slp, palette);
  }
  EXPECT_FALSE(full);
  EXPECT_EQ(full.Headline(), "Error writing SLP file!");
  EXPECT_NE(full.message().find(slp), std::string::npos) << full.message();
  EXPECT_EQ(test::ReadFileBytes(slp), good_slp);
  EXPECT_EQ(FilesIn(dir.File("out")), std::set<std::string>{"unit.slp"});
}

TEST_F(NoLostWork, AFailedSLPToSLXConversionWritesNoSLXFile) {
  const Palette& palette = Palette::BuiltIn();
  const std::string slp = dir.File("in.slp");
  MakeSLP(slp, 3);
  std::string bytes = test::ReadFileBytes(slp);
  // Frame 3's row command table moved far beyond the end of the file.
  std::string damaged = bytes;
  const size_t record = kSLPHeaderSize + 2 * kSLPFrameInfoSize;
  for (int i = 0; i < 4; ++i) damaged[record + i] = static_cast<char>(0xF0);
  const std::string damaged_slp = dir.File("damaged.slp");
  test::WriteFileBytes(damaged_slp, damaged);

  fs::create_directories(dir.File("new"));
  const std::string slx = dir.File("new/unit.slx");
  Status from_damaged = ConvertSLPToSLX(damaged_slp, slx, palette);
  EXPECT_FALSE(from_damaged);
  EXPECT_EQ(from_damaged.Headline(), "Error creating SLX file!");
  EXPECT_NE(from_damaged.message().find(damaged_slp), std::string::npos)
      << from_damaged.message();
  EXPECT_FALSE(fs::exists(slx));

  // A disk that fills up while the bitmaps are written: no SLX file lists
  // them, and no partial bitmap is left.
  fs::remove_all(dir.File("new"));
  fs::create_directories(dir.File("new"));
  Status full = Status::Ok();
  {
    FullDisk disk(60);
    ASSERT_TRUE(disk.set());
    full = ConvertSLPToSLX(slp, slx, palette);
  }
  EXPECT_FALSE(full);
  EXPECT_EQ(full.Headline(), "Error creating SLX file!");
  EXPECT_NE(full.message().find(dir.File("new/unit_001.bmp")), std::string::npos)
      << full.message();
  EXPECT_TRUE(FilesIn(dir.File("new")).empty());

  // An SLX file already there stays as it was when the conversion fails.
  ASSERT_TRUE(ConvertSLPToSLX(slp, slx, palette));
  const std::string good_slx = test::ReadFileBytes(slx);
  EXPECT_FALSE(ConvertSLPToSLX(damaged_slp, slx, palette));
  EXPECT_EQ(test::ReadFileBytes(slx), good_slx);
}

TEST_F(NoLostWork, AFailedIconConversionLeavesThePreviousOutputOrNone) {
  const Palette& palette = Palette::BuiltIn();
  const std::string bmp = dir.File("icon.bmp");
  cDIBSection icon;
  ASSERT_TRUE(icon.Create(36, 36));
  icon.Fill(palette.Colour(40));
  ASSERT_TRUE(icon.SavePicture(bmp).ok());
  const std::string out = dir.File("icon.out");

  test::WriteFileBytes(dir.File("broken.bmp"), "BM not really a bitmap at all");
  Status broken = ConvertBMPToIcon(dir.File("broken.bmp"), out, 3, palette);
  EXPECT_FALSE(broken);
  EXPECT_EQ(broken.Headline(), "Error converting icon!");
  EXPECT_NE(broken.message().find(dir.File("broken.bmp")), std::string::npos)
      << broken.message();
  EXPECT_FALSE(fs::exists(out));

  ASSERT_TRUE(ConvertBMPToIcon(bmp, out, 3, palette));
  const std::string good = test::ReadFileBytes(out);
  Status full = Status::Ok();
  {
    FullDisk disk(100);
    ASSERT_TRUE(disk.set());
    full = ConvertBMPToIcon(bmp, out, 5, palette);
  }
  EXPECT_FALSE(full);
  EXPECT_EQ(full.Headline(), "Error converting icon!");
  EXPECT_NE(full.message().find(out), std::string::npos) << full.message();
  EXPECT_EQ(test::ReadFileBytes(out), good);
  EXPECT_FALSE(ConvertBMPToIcon(dir.File("broken.bmp"), out, 3, palette));
  EXPECT_EQ(test::ReadFileBytes(out), good);
}

// Points TEMP at a folder of the test for one scope.
class TempFolder {
 public:
  explicit TempFolder(const std::string& folder) {
    if (const char* old = std::getenv("TEMP")) previous_ = old;
    fs::create_directories(folder);
    setenv("TEMP", folder.c_str(), 1);
  }
  ~TempFolder() {
    if (previous_) setenv("TEMP", previous_->c_str(), 1);
    else unsetenv("TEMP");
  }

 private:
  std::optional<std::string> previous_;
};

TEST_F(NoLostWork, AFailedCompileKeepsThePreviousPackageAndLeavesNoTemporaries) {
  TempFolder temp(dir.File("temp"));
  ModProject project = MakeNewProject(dir.File("mod.mpr"));
  auto add = [&](const std::string& name, const std::string& path, int16_t kind,
                 int16_t target) {
    project.Resources.resize(static_cast<size_t>(project.ResourceCount));
    project.Resources.push_back({name, path, kind, target, 100, 0});
    ++project.ResourceCount;
  };
  test::WriteFileBytes(dir.File("readme.txt"), "Read me.");
  test::WriteFileBytes(dir.File("data.bin"), std::string(5000, 'd'));
  SLXGraphic graphic = MakeGraphic(dir.File("art"), 2);
  add("readme", dir.File("readme.txt"), KindFile, kTargetReadme);
  add("data", dir.File("data.bin"), KindBIN, kTargetGamedata);
  add("unit", graphic.Path, KindSLX, kTargetGraphics);
  add("sound", dir.File("horn.wav"), KindWAV, kTargetSounds);
  test::WriteFileBytes(dir.File("horn.wav"), "RIFF sound");

  const std::string package = dir.File("mod.mpi");
  ASSERT_TRUE(CompileMPI(project, package));
  const std::string good = test::ReadFileBytes(package);

  // The last resource's file has gone.
  fs::rename(dir.File("horn.wav"), dir.File("horn.kept"));
  Status without_sound = CompileMPI(project, package);
  EXPECT_FALSE(without_sound);
  EXPECT_NE(without_sound.message().find(dir.File("horn.wav")), std::string::npos)
      << without_sound.message();
  EXPECT_EQ(test::ReadFileBytes(package), good);
  fs::rename(dir.File("horn.kept"), dir.File("horn.wav"));

  // An SLX resource whose bitmap has gone: one message, the converter's
  // first, naming the graphic.
  fs::rename(graphic.ColourPath(2), dir.File("kept.bmp"));
  Status without_bitmap = CompileMPI(project, package);
  EXPECT_FALSE(without_bitmap);
  EXPECT_EQ(without_bitmap.Headline(),
            "ERROR: Unable to find all BMPs from the SLX! SLP will be corrupted...");
  EXPECT_NE(without_bitmap.message().find(graphic.Path), std::string::npos)
      << without_bitmap.message();
  EXPECT_EQ(test::ReadFileBytes(package), good);
  fs::rename(dir.File("kept.bmp"), graphic.ColourPath(2));

  // The disk fills up while the resources are copied.
  Status full = Status::Ok();
  {
    FullDisk disk(1000);
    ASSERT_TRUE(disk.set());
    full = CompileMPI(project, package);
  }
  EXPECT_FALSE(full);
  EXPECT_EQ(full.Headline(), "Error writing package file!");
  EXPECT_NE(full.message().find(package), std::string::npos) << full.message();
  EXPECT_EQ(test::ReadFileBytes(package), good);

  // Into a folder that has gone: nothing is created, the message names it.
  const std::string lost = dir.File("gone/mod.mpi");
  Status into_lost = CompileMPI(project, lost);
  EXPECT_FALSE(into_lost);
  EXPECT_EQ(into_lost.Headline(), "Error creating package file!");
  EXPECT_NE(into_lost.message().find(lost), std::string::npos) << into_lost.message();
  EXPECT_FALSE(fs::exists(dir.File("gone")));

  EXPECT_TRUE(FilesIn(dir.File("temp")).empty());
  std::set<std::string> top;
  for (const auto& entry : fs::directory_iterator(dir.path()))
    if (entry.is_regular_file()) top.insert(entry.path().filename().string());
  EXPECT_EQ(top, (std::set<std::string>{"data.bin", "horn.wav", "mod.mpi", "readme.txt"}));
}

// ---------------------------------------------------------------------------
// Opening a broken file changes nothing that was open

TEST_F(NoLostWork, OpeningABrokenProjectKeepsTheOpenOne) {
  ModProject project = MakeNewProject(dir.File("open.mpr"));
  project.Title = "The open one";
  project.Resources = {{"data", dir.File("data.bin"), KindBIN, 0, 7, 0}};
  project.ResourceCount = 1;
  const std::string before = FormatProjectFile(project);

  const std::string good_text = FormatProjectFile(project);
  const std::vector<std::pair<std::string, std::string>> broken = {
      {"not a project.mpr", "Something else entirely\r\n"},
      {"cut short.mpr", good_text.substr(0, good_text.size() - 12)},
      {"bad count.mpr", std::string(kProjectHeader) + "\r\nTitle\r\nlots\r\n"},
  };
  std::vector<std::string> headlines;
  for (const auto& [name, text] : broken) {
    SCOPED_TRACE(name);
    test::WriteFileBytes(dir.File(name), text);
    Status opened = OpenProject(dir.File(name), project);
    EXPECT_FALSE(opened);
    EXPECT_EQ(FormatProjectFile(project), before);
    EXPECT_EQ(project.FilePath, dir.File("open.mpr"));
    EXPECT_NE(opened.message().find(dir.File(name)), std::string::npos) << opened.message();
    headlines.push_back(opened.Headline());
  }
  EXPECT_EQ(headlines.front(), kMsgUnrecognisedFormat);
  EXPECT_EQ(headlines.back(), kMsgErrorOpeningProject);
  Status missing = OpenProject(dir.File("missing.mpr"), project);
  EXPECT_FALSE(missing);
  EXPECT_NE(missing.message().find(dir.File("missing.mpr")), std::string::npos)
      << missing.message();
  EXPECT_EQ(FormatProjectFile(project), before);
}

TEST_F(NoLostWork, OpeningABrokenSLXKeepsTheGraphicThatWasLoaded) {
  SLXGraphic made = MakeGraphic(dir.File("art"), 3);
  SLXGraphic graphic;
  ASSERT_TRUE(LoadSLX(made.Path, graphic));
  const std::string before = FormatSLX(graphic);

  const std::vector<std::pair<std::string, std::string>> broken = {
      {"other.slx", "SLX 0.4\r\n1\r\n"},
      {"short.slx", "SLX 0.5\r\n3\r\n0 0\r\na.bmp\r\nad.bmp\r\n"},
      {"count.slx", "SLX 0.5\r\nmany\r\n"},
  };
  for (const auto& [name, text] : broken) {
    SCOPED_TRACE(name);
    test::WriteFileBytes(dir.File(name), text);
    Status loaded = LoadSLX(dir.File(name), graphic);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(loaded.Headline(), "Unrecognised file format!");
    EXPECT_NE(loaded.message().find(dir.File(name)), std::string::npos) << loaded.message();
    EXPECT_EQ(graphic.Path, made.Path);
    EXPECT_EQ(FormatSLX(graphic), before);
  }
}

TEST_F(NoLostWork, OpeningABrokenPaletteKeepsThePaletteInUse) {
  std::string text = "JASC-PAL\r\n0100\r\n256\r\n";
  for (int i = 0; i < 256; ++i)
    text += std::to_string(i) + " " + std::to_string(255 - i) + " 7\r\n";
  test::WriteFileBytes(dir.File("custom.pal"), text);
  Palette palette;
  ASSERT_TRUE(LoadPalette(dir.File("custom.pal"), palette));
  const PaletteTable in_use = palette.Colours();
  ASSERT_EQ(palette.Colour(10), RGBColour(10, 245, 7));

  const std::vector<std::pair<std::string, std::string>> broken = {
      {"short.pal", text.substr(0, text.size() / 2)},
      {"other.pal", "RIFF palette\r\n"},
      {"values.pal", "JASC-PAL\r\n0100\r\n256\r\n" + std::string("300 0 0\r\n") +
                         text.substr(text.find("1 254 7"))},
  };
  for (const auto& [name, bytes] : broken) {
    SCOPED_TRACE(name);
    test::WriteFileBytes(dir.File(name), bytes);
    Status loaded = LoadPalette(dir.File(name), palette);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(loaded.Headline(), "Not valid palette file!");
    EXPECT_NE(loaded.message().find(dir.File(name)), std::string::npos) << loaded.message();
    EXPECT_EQ(palette.Colours(), in_use);
  }
  Status missing = LoadPalette(dir.File("missing.pal"), palette);
  EXPECT_FALSE(missing);
  EXPECT_NE(missing.message().find(dir.File("missing.pal")), std::string::npos)
      << missing.message();
  EXPECT_EQ(palette.Colours(), in_use);
}

}  // namespace
}  // namespace zorv
