#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <limits>
#include <vector>

#include "codec/DIBSection.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "tests/support/TestSupport.h"
#include "tools/CentralPointDrag.h"
#include "tools/FramesToSLX.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Listing(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// --- names and the SLX text ------------------------------------------------

TEST(FramesSLX, NamesComeFromTheFrameFileTitle) {
  EXPECT_EQ(FrameBaseName("C:\\frames\\walk1.BMP"), "walk1");
  EXPECT_EQ(FrameBaseName("/home/me/frames/walk.1.bmp"), "walk.1");
  EXPECT_EQ(FrameBaseName("C:\\frames.v2\\walk"), "walk");
  EXPECT_EQ(FrameBaseName("walk"), "walk");

  const SLXGraphic graphic =
      BuildFramesSLX("D:\\out\\new.slx", {"C:\\frames\\walk1.BMP", "/x/y/stand.bmp"}, 12, -7,
                     "data");
  ASSERT_EQ(graphic.FrameCount, 2);
  EXPECT_EQ(graphic.Frame(1).DataFile, "walk1data.bmp");
  EXPECT_EQ(graphic.Frame(1).ColourFile, "walk1.bmp");
  EXPECT_EQ(graphic.Frame(2).DataFile, "standdata.bmp");
  EXPECT_EQ(graphic.Frame(2).ColourFile, "stand.bmp");
  for (int i = 1; i <= 2; ++i) {
    EXPECT_EQ(graphic.Frame(i).CenterX, 12);
    EXPECT_EQ(graphic.Frame(i).CenterY, -7);
  }
  EXPECT_EQ(FormatSLX(graphic),
            "SLX 0.5\r\n2\r\n12,-7\r\nwalk1data.bmp\r\nwalk1.bmp\r\n"
            "12,-7\r\nstanddata.bmp\r\nstand.bmp\r\n");
}

TEST(FramesSLX, ListLinesTellFilesOfOneNameApartByTheirFolders) {
  // Alone, or the same file twice: the base name.
  EXPECT_EQ(FrameListLines({"/f/a.bmp", "/g/b.bmp", "/f/a.bmp"}),
            (std::vector<std::string>{"a", "b", "a"}));
  // As many folder names as tell them apart, written as the path writes them.
  EXPECT_EQ(FrameListLines({"/m/north/x/walk.bmp", "/m/south/x/walk.bmp", "/m/east/walk.bmp"}),
            (std::vector<std::string>{"walk (north/x)", "walk (south/x)", "walk (m/east)"}));
  EXPECT_EQ(FrameListLines({"C:\\frames\\north\\stand.bmp", "D:\\stand.BMP"}),
            (std::vector<std::string>{"stand (north)", "stand (D:)"}));
  // Letter case does not tell copies apart; folders do.
  EXPECT_EQ(FrameListLines({"/a/Walk.bmp", "/b/walk.bmp"}),
            (std::vector<std::string>{"Walk (a)", "walk (b)"}));
  // One folder, one name in two spellings: the whole paths.
  EXPECT_EQ(FrameListLines({"/f/walk.bmp", "/f/walk.BMP"}),
            (std::vector<std::string>{"walk (/f/walk.bmp)", "walk (/f/walk.BMP)"}));
  // A file without a folder has nothing before its name.
  EXPECT_EQ(FrameListLines({"walk.bmp", "/f/walk.bmp"}),
            (std::vector<std::string>{"walk ()", "walk (f)"}));
  EXPECT_TRUE(FrameListLines({}).empty());
}

TEST(FramesSLX, AnEmptySuffixNamesTheDataBitmapLikeTheColourBitmap) {
  const SLXGraphic graphic = BuildFramesSLX("new.slx", {"/f/a.bmp"}, 30, 30, "");
  EXPECT_EQ(graphic.Frame(1).DataFile, graphic.Frame(1).ColourFile);
  EXPECT_EQ(graphic.Frame(1).DataFile, "a.bmp");
}

// --- the empty-folder rule -------------------------------------------------

class FolderRule : public ::testing::Test {
 protected:
  bool HoldsFiles(const HiddenEntryTest& hidden = IsDotHidden) {
    bool has = true;
    Status listed = FolderHoldsOrdinaryFiles(dir.path().string() + "/", has, hidden);
    EXPECT_TRUE(listed.ok()) << listed.message();
    return has;
  }
  test::TempDir dir;
};

TEST_F(FolderRule, SubFoldersHiddenFilesAndSystemEntriesDoNotCount) {
  EXPECT_FALSE(HoldsFiles());
  fs::create_directory(dir.path() / "sub");
  test::WriteFileBytes((dir.path() / "sub" / "inside.bmp").string(), "x");
  EXPECT_FALSE(HoldsFiles());
  test::WriteFileBytes(dir.File(".hidden"), "x");
  EXPECT_FALSE(HoldsFiles());
  fs::create_directory_symlink(dir.path() / "sub", dir.path() / "linked-folder");
  EXPECT_FALSE(HoldsFiles());
  ASSERT_EQ(mkfifo((dir.path() / "pipe").c_str(), 0600), 0);
  EXPECT_FALSE(HoldsFiles());
}

TEST_F(FolderRule, AnyOrdinaryFileCounts) {
  test::WriteFileBytes(dir.File("notes.txt"), "");
  EXPECT_TRUE(HoldsFiles());
  // The desktop's own rule can hide it.
  EXPECT_FALSE(HoldsFiles([](const fs::path& p) { return p.filename() == "notes.txt"; }));
}

TEST_F(FolderRule, LinksToFilesAndBrokenLinksCount) {
  test::WriteFileBytes(dir.File(".real"), "x");
  fs::create_symlink(dir.path() / ".real", dir.path() / "link");
  EXPECT_TRUE(HoldsFiles());
  fs::remove(dir.path() / "link");
  fs::create_symlink(dir.path() / "missing", dir.path() / "broken");
  EXPECT_TRUE(HoldsFiles());
}

TEST_F(FolderRule, AFolderThatCannotBeListedIsAFailure) {
  bool has = false;
  Status listed = FolderHoldsOrdinaryFiles(dir.File("missing/"), has);
  EXPECT_FALSE(listed.ok());
  EXPECT_NE(listed.message().find("missing"), std::string::npos);
}

// --- copying ---------------------------------------------------------------

TEST(FramesCopy, CopiesBytesAndReplacesOnlyOnSuccess) {
  test::TempDir dir;
  std::string bytes("BM\0\x01\xff tail", 10);
  test::WriteFileBytes(dir.File("a.bmp"), bytes);
  ASSERT_TRUE(CopyFileSafely(dir.File("a.bmp"), dir.File("b.bmp")).ok());
  EXPECT_EQ(test::ReadFileBytes(dir.File("b.bmp")), bytes);
  // Onto itself: the file stays whole.
  ASSERT_TRUE(CopyFileSafely(dir.File("a.bmp"), dir.File("a.bmp")).ok());
  EXPECT_EQ(test::ReadFileBytes(dir.File("a.bmp")), bytes);

  Status missing = CopyFileSafely(dir.File("gone.bmp"), dir.File("b.bmp"));
  EXPECT_FALSE(missing.ok());
  EXPECT_NE(missing.message().find("gone.bmp"), std::string::npos);
  EXPECT_EQ(test::ReadFileBytes(dir.File("b.bmp")), bytes);

  fs::create_directory(dir.path() / "folder.bmp");
  Status onto_folder = CopyFileSafely(dir.File("a.bmp"), dir.File("folder.bmp"));
  EXPECT_FALSE(onto_folder.ok());
  EXPECT_NE(onto_folder.message().find("folder.bmp"), std::string::npos);
}

// --- the whole command -----------------------------------------------------

class CreateFromFrames : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(source.path() / "other");
    Frame("walk1.BMP", "first frame");
    Frame("walk2.bmp", "second frame");
    Frame("other/walk1.bmp", "same name, other folder");
  }
  std::string Frame(const std::string& name, const std::string& bytes) {
    test::WriteFileBytes(source.File(name), bytes);
    return source.File(name);
  }
  std::string Out(const std::string& name) const { return target.File(name); }

  test::TempDir source;
  test::TempDir target;
};

TEST_F(CreateFromFrames, WritesTheSLXAndCopiesEveryFrame) {
  fs::create_directory(target.path() / "sub");
  test::WriteFileBytes(Out(".directory"), "hidden");
  FramesToSLXJob job;
  job.slx_path = Out("walk.slx");
  job.frames = {source.File("walk1.BMP"), source.File("walk2.bmp")};
  job.center_x = 14;
  job.center_y = 41;
  job.suffix = "_d";
  const Status created = CreateSLXFromFrames(job);
  ASSERT_TRUE(created.ok()) << created.message();

  EXPECT_EQ(test::ReadFileBytes(Out("walk.slx")),
            "SLX 0.5\r\n2\r\n14,41\r\nwalk1_d.bmp\r\nwalk1.bmp\r\n"
            "14,41\r\nwalk2_d.bmp\r\nwalk2.bmp\r\n");
  EXPECT_EQ(test::ReadFileBytes(Out("walk1.bmp")), "first frame");
  EXPECT_EQ(test::ReadFileBytes(Out("walk2.bmp")), "second frame");
  EXPECT_EQ(test::ReadFileBytes(Out(".directory")), "hidden");
  EXPECT_EQ(Listing(target.path()),
            (std::vector<std::string>{".directory", "sub", "walk.slx", "walk1.bmp", "walk2.bmp"}));

  // The result is an SLX the editor reads back.
  SLXGraphic read;
  ASSERT_TRUE(ParseSLX(test::ReadFileBytes(Out("walk.slx")), read).ok());
  EXPECT_EQ(read.FrameCount, 2);
  EXPECT_EQ(read.Frame(2).CenterY, 41);
}

TEST_F(CreateFromFrames, ZeroFramesWriteTheHeaderAndACountOfZero) {
  FramesToSLXJob job;
  job.slx_path = Out("empty.slx");
  const Status created = CreateSLXFromFrames(job);
  ASSERT_TRUE(created.ok()) << created.message();
  EXPECT_EQ(test::ReadFileBytes(Out("empty.slx")), "SLX 0.5\r\n0\r\n");
  EXPECT_EQ(Listing(target.path()), std::vector<std::string>{"empty.slx"});
}

TEST_F(CreateFromFrames, AFolderWithAFileIsRefusedAndNothingIsWritten) {
  test::WriteFileBytes(Out("old.txt"), "keep");
  FramesToSLXJob job;
  job.slx_path = Out("walk.slx");
  job.frames = {source.File("walk1.BMP")};
  const Status created = CreateSLXFromFrames(job);
  EXPECT_FALSE(created.ok());
  EXPECT_EQ(created.message(), kFolderNotEmptyText);
  EXPECT_EQ(Listing(target.path()), std::vector<std::string>{"old.txt"});
}

TEST_F(CreateFromFrames, AnExistingSLXOfTheChosenNameMakesTheFolderNotEmpty) {
  test::WriteFileBytes(Out("walk.slx"), "mine");
  FramesToSLXJob job;
  job.slx_path = Out("walk.slx");
  const Status created = CreateSLXFromFrames(job);
  EXPECT_FALSE(created.ok());
  EXPECT_EQ(created.Headline(), kFolderNotEmptyText);
  EXPECT_EQ(test::ReadFileBytes(Out("walk.slx")), "mine");
}

TEST_F(CreateFromFrames, TwoFilesOfOneNameAreRefusedRatherThanOneCopyReplacingTheOther) {
  FramesToSLXJob job;
  job.slx_path = Out("walk.slx");
  job.frames = {source.File("walk2.bmp"), source.File("walk1.BMP"), source.File("other/walk1.bmp")};
  const Status created = CreateSLXFromFrames(job);
  EXPECT_FALSE(created.ok());
  EXPECT_EQ(created.Headline(), kFramesShareACopyNameText);
  EXPECT_NE(created.Detail().find("Frames 2 and 3 would both be copied as walk1.bmp"),
            std::string::npos)
      << created.message();
  EXPECT_NE(created.Detail().find(source.File("other/walk1.bmp")), std::string::npos);
  EXPECT_TRUE(Listing(target.path()).empty());
  // Names that differ only in letter case are one file on the game's system.
  Frame("other/WALK2.bmp", "upper case");
  job.frames = {source.File("walk2.bmp"), source.File("other/WALK2.bmp")};
  EXPECT_EQ(CreateSLXFromFrames(job).Headline(), kFramesShareACopyNameText);
  EXPECT_TRUE(Listing(target.path()).empty());
}

TEST_F(CreateFromFrames, OneFileListedTwiceIsCopiedOnce) {
  FramesToSLXJob job;
  job.slx_path = Out("walk.slx");
  const std::string walk = source.File("walk2.bmp");
  // Also by another way to the same file.
  const std::string same_by_another_way = source.File("other/../walk2.bmp");
  job.frames = {walk, source.File("walk1.BMP"), walk, same_by_another_way};
  const Status created = CreateSLXFromFrames(job);
  ASSERT_TRUE(created.ok()) << created.message();
  EXPECT_EQ(test::ReadFileBytes(Out("walk2.bmp")), "second frame");
  EXPECT_EQ(Listing(target.path()), (std::vector<std::string>{"walk.slx", "walk1.bmp", "walk2.bmp"}));
  SLXGraphic read;
  ASSERT_TRUE(ParseSLX(test::ReadFileBytes(Out("walk.slx")), read).ok());
  ASSERT_EQ(read.FrameCount, 4);
  EXPECT_EQ(read.Frame(1).ColourFile, "walk2.bmp");
  EXPECT_EQ(read.Frame(4).ColourFile, "walk2.bmp");
}

TEST_F(CreateFromFrames, AMissingFrameIsNamedAndLeavesTheFolderAsItWas) {
  test::WriteFileBytes(Out(".keep"), "hidden");
  FramesToSLXJob job;
  job.slx_path = Out("walk.slx");
  job.frames = {source.File("walk1.BMP"), source.File("vanished.bmp"), source.File("walk2.bmp")};
  const Status created = CreateSLXFromFrames(job);
  EXPECT_FALSE(created.ok());
  EXPECT_EQ(created.Headline(), "Error copying frame 2!");
  EXPECT_NE(created.message().find(source.File("vanished.bmp")), std::string::npos)
      << created.message();
  // The copy already made is gone again, the hidden file stays, no SLX.
  EXPECT_EQ(Listing(target.path()), std::vector<std::string>{".keep"});
  // So the same folder can be used once the frame is back.
  Frame("vanished.bmp", "back");
  const Status again = CreateSLXFromFrames(job);
  EXPECT_TRUE(again.ok()) << again.message();
  EXPECT_EQ(test::ReadFileBytes(Out("vanished.bmp")), "back");
}

TEST_F(CreateFromFrames, AnSLXThatCannotBeWrittenFailsAndTheCopiesGo) {
  fs::create_directory(target.path() / "taken.slx");
  FramesToSLXJob job;
  job.slx_path = Out("taken.slx");
  job.frames = {source.File("walk1.BMP")};
  const Status created = CreateSLXFromFrames(job);
  EXPECT_FALSE(created.ok());
  EXPECT_EQ(created.Headline(), "Error saving SLX file!");
  EXPECT_NE(created.message().find("taken.slx"), std::string::npos) << created.message();
  EXPECT_EQ(Listing(target.path()), std::vector<std::string>{"taken.slx"});
}

TEST_F(CreateFromFrames, AnSLXNamedLikeAFrameCopyIsRefused) {
  FramesToSLXJob job;
  job.slx_path = Out("WALK1.bmp");
  job.frames = {source.File("walk1.BMP")};
  const Status created = CreateSLXFromFrames(job);
  EXPECT_FALSE(created.ok());
  EXPECT_EQ(created.Headline(), "The SLX file cannot have the same name as a frame bitmap!");
  EXPECT_TRUE(Listing(target.path()).empty());
}

TEST_F(CreateFromFrames, AFolderThatDoesNotExistFails) {
  FramesToSLXJob job;
  job.slx_path = Out("missing/walk.slx");
  const Status created = CreateSLXFromFrames(job);
  EXPECT_FALSE(created.ok());
  EXPECT_EQ(created.Headline(), "Cannot look into the folder for the SLX!");
  EXPECT_NE(created.Detail().find("missing"), std::string::npos) << created.message();
}

TEST(CreateFromRealFrames, FramesOfARealSpriteMakeAnSLXWhoseBitmapsMatch) {
  ZORV_REQUIRE_SAMPLES();
  test::TempDir converted;
  test::TempDir out;
  const std::string original = converted.File("unit.slx");
  const Status converted_slx =
      ConvertSLPToSLX(test::SamplesDir() + "unit.slp", original, Palette::BuiltIn());
  ASSERT_TRUE(converted_slx.ok()) << converted_slx.message();
  SLXGraphic unit;
  ASSERT_TRUE(ParseSLX(test::ReadFileBytes(original), unit).ok());
  unit.Path = original;
  FramesToSLXJob job;
  job.slx_path = out.File("made.slx");
  for (int i = 1; i <= unit.FrameCount; ++i) job.frames.push_back(unit.ColourPath(i));
  const Status created = CreateSLXFromFrames(job);
  ASSERT_TRUE(created.ok()) << created.message();

  SLXGraphic made;
  ASSERT_TRUE(ParseSLX(test::ReadFileBytes(job.slx_path), made).ok());
  made.Path = job.slx_path;
  ASSERT_EQ(made.FrameCount, unit.FrameCount);
  for (int i = 1; i <= made.FrameCount; ++i) {
    EXPECT_EQ(made.Frame(i).CenterX, 30);
    EXPECT_EQ(made.Frame(i).DataFile, FrameBaseName(unit.ColourPath(i)) + "data.bmp");
    cDIBSection from, copy;
    ASSERT_TRUE(from.CreateFromPicture(unit.ColourPath(i)).ok());
    ASSERT_TRUE(copy.CreateFromPicture(made.ColourPath(i)).ok());
    ASSERT_EQ(copy.Width(), from.Width());
    ASSERT_EQ(copy.Height(), from.Height());
    EXPECT_EQ(copy.BMPBytes(), from.BMPBytes()) << "frame " << i;
  }
}

// --- the fine drag ---------------------------------------------------------

struct WarpLog {
  std::vector<ScreenPoint> asked;
  bool succeed = true;
  CentralPointDrag::Warp Warp() {
    return [this](ScreenPoint to) {
      asked.push_back(to);
      return succeed;
    };
  }
};

constexpr ScreenPoint kScreen{200, 100};

TEST(CentralDrag, MovesByThePointersMovementOverTheFactorWithoutAJump) {
  WarpLog log;
  CentralPointDrag drag;  // factor 25
  drag.Start({30, 30}, {100, 50});
  EXPECT_EQ(drag.Move({101, 50}, kScreen, log.Warp()), (ScreenPoint{30, 30}));
  EXPECT_EQ(drag.Move({124, 50}, kScreen, log.Warp()), (ScreenPoint{30, 30}));
  EXPECT_EQ(drag.Move({125, 75}, kScreen, log.Warp()), (ScreenPoint{31, 31}));
  // Backwards of the press rounds down: one pixel left is already -1.
  EXPECT_EQ(drag.Move({99, 49}, kScreen, log.Warp()), (ScreenPoint{29, 29}));
  EXPECT_EQ(drag.Move({75, 25}, kScreen, log.Warp()), (ScreenPoint{29, 29}));
  EXPECT_EQ(drag.Move({74, 24}, kScreen, log.Warp()), (ScreenPoint{28, 28}));
  EXPECT_TRUE(log.asked.empty());

  // The editor's "High": a further 100 pixels move the point by 2.
  CentralPointDrag high(50);
  high.Start({7, 7}, {20, 20});
  ScreenPoint before = high.Move({30, 20}, {2000, 2000}, log.Warp());
  ScreenPoint after = high.Move({130, 20}, {2000, 2000}, log.Warp());
  EXPECT_EQ(after.x - before.x, 2);
}

TEST(CentralDrag, ThePointerWrapsAtTheRightEdgeAndTheMovementGoesOn) {
  WarpLog log;
  CentralPointDrag drag;
  drag.Start({30, 30}, {150, 50});
  EXPECT_EQ(drag.Move({199, 50}, kScreen, log.Warp()).x, 31);  // 49 / 25
  ASSERT_EQ(log.asked.size(), 1u);
  EXPECT_EQ(log.asked[0], (ScreenPoint{1, 50}));
  EXPECT_EQ(drag.WrapX(), 198);
  // The pointer arriving where it was put changes nothing.
  EXPECT_EQ(drag.Move({1, 50}, kScreen, log.Warp()).x, 31);
  // Further right: 150 -> 199 and 1 -> 52 is 100 pixels in all.
  EXPECT_EQ(drag.Move({52, 50}, kScreen, log.Warp()).x, 34);
  EXPECT_EQ(log.asked.size(), 1u);
}

TEST(CentralDrag, MovesQueuedOnTheEdgeBeforeTheWrapAreStale) {
  WarpLog log;
  CentralPointDrag drag;
  drag.Start({0, 0}, {150, 50});
  drag.Move({199, 50}, kScreen, log.Warp());
  const ScreenPoint after_wrap = drag.Center();
  EXPECT_EQ(drag.Move({199, 53}, kScreen, log.Warp()), after_wrap);
  EXPECT_EQ(log.asked.size(), 1u);
  EXPECT_EQ(drag.WrapX(), 198);
  // 150 -> 199, then 1 -> 2: 50 pixels.
  EXPECT_EQ(drag.Move({2, 50}, kScreen, log.Warp()).x, 2);
}

TEST(CentralDrag, EachEdgeWrapsToTheOppositeSideOnlyTheFirstApplies) {
  WarpLog log;
  CentralPointDrag drag;
  drag.Start({0, 0}, {100, 50});
  drag.Move({0, 50}, kScreen, log.Warp());
  EXPECT_EQ(log.asked.back(), (ScreenPoint{198, 50}));
  EXPECT_EQ(drag.WrapX(), -198);
  // 198 - 198 = 0: exactly the left edge again, so still 100 px left of the press.
  EXPECT_EQ(drag.Move({198, 50}, kScreen, log.Warp()).x, -4);
  drag.Move({150, 99}, kScreen, log.Warp());
  EXPECT_EQ(log.asked.back(), (ScreenPoint{150, 1}));
  EXPECT_EQ(drag.WrapY(), 98);
  drag.Move({150, 0}, kScreen, log.Warp());
  EXPECT_EQ(log.asked.back(), (ScreenPoint{150, 98}));
  EXPECT_EQ(drag.WrapY(), 0);
  // A corner: the right edge is tested first and only it applies.
  const size_t asked = log.asked.size();
  drag.Move({199, 99}, kScreen, log.Warp());
  ASSERT_EQ(log.asked.size(), asked + 1);
  EXPECT_EQ(log.asked.back(), (ScreenPoint{1, 99}));
  EXPECT_EQ(drag.WrapY(), 0);
}

TEST(CentralDrag, APointerThatCannotBePutStaysUnwrapped) {
  WarpLog log;
  log.succeed = false;
  CentralPointDrag drag;
  drag.Start({0, 0}, {150, 50});
  drag.Move({199, 50}, kScreen, log.Warp());
  drag.Move({199, 50}, kScreen, log.Warp());
  EXPECT_EQ(drag.WrapX(), 0);
  EXPECT_EQ(drag.Move({175, 50}, kScreen, log.Warp()).x, 1);
  // No screen to wrap on: positions are taken as they come.
  CentralPointDrag blind;
  blind.Start({0, 0}, {0, 0});
  EXPECT_EQ(blind.Move({0, -50}, {0, 0}, log.Warp()), (ScreenPoint{0, -2}));
}

TEST(CentralDrag, FarPointsStayWithinWholeNumbers) {
  WarpLog log;
  CentralPointDrag drag(1);
  const int32_t top = std::numeric_limits<int32_t>::max();
  drag.Start({top - 5, 0}, {0, 0});
  EXPECT_EQ(drag.Move({100, 100}, {0, 0}, log.Warp()).x, top);
  drag.Start({std::numeric_limits<int32_t>::min() + 5, 0}, {100, 0});
  EXPECT_EQ(drag.Move({0, 0}, {0, 0}, log.Warp()).x, std::numeric_limits<int32_t>::min());
}

}  // namespace
}  // namespace zorv
