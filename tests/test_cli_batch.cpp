// The batch forms of the conversion commands: many files and folders at
// once, on several threads, with one progress line and a summary.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "codec/SLX.h"
#include "tests/SLPTestFiles.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

test::CommandResult Zorv(const std::string& arguments) {
  return test::RunCommand(Quote(test::ZorvProgram()) + " " + arguments);
}

// Every file below root by its path relative to root, with its bytes.
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file())
      files[entry.path().lexically_relative(root).generic_string()] =
          test::ReadFileBytes(entry.path().string());
  return files;
}

// A small sprite whose pixels depend on seed, so that files differ.
std::string SmallSLP(int seed) {
  std::vector<test::TestFrame> frames;
  for (int i = 0; i <= seed % 3; ++i) {
    test::TestFrame frame = test::OneRowFrame(2 + i, static_cast<int16_t>(i), 0, {0x2B, 0x0F});
    frame.hot_x = seed;
    frame.hot_y = -i;
    frames.push_back(frame);
  }
  return test::BuildSLP(frames);
}

class CLIBatchTest : public ::testing::Test {
 protected:
  // graphics/ with sprites in subfolders, one without an extension (found
  // by its content), plus the real samples when there are some.
  void MakeGraphics() {
    fs::create_directories(dir.path() / "graphics/units/foot");
    fs::create_directories(dir.path() / "graphics/ui");
    const char* names[] = {"units/archer.slp", "units/foot/pikeman.slp", "units/knight",
                           "ui/button.SLP", "ui/frame.slp"};
    int seed = 1;
    for (const char* name : names)
      test::WriteFileBytes(dir.File("graphics/" + std::string(name)), SmallSLP(seed++));
    if (!test::SamplesDir().empty())
      for (const char* sample : {"unit.slp", "screen.slp"})
        fs::copy_file(test::SamplesDir() + sample, dir.path() / "graphics/ui" / sample);
  }

  test::TempDir dir;
};

TEST_F(CLIBatchTest, BatchOutputIsByteForByteTheSingleFileOutputWhateverTheThreads) {
  MakeGraphics();
  const fs::path graphics = dir.path() / "graphics";
  // One file at a time with the older form, into the batch's layout.
  for (const auto& [relative, bytes] : Tree(graphics)) {
    const fs::path rel(relative);
    const std::string stem = rel.stem().string();
    const fs::path folder = dir.path() / "single" / rel.parent_path() / stem;
    fs::create_directories(folder);
    auto single = Zorv("slp2slx " + Quote((graphics / rel).string()) + " " +
                       Quote((folder / (stem + ".slx")).string()));
    ASSERT_EQ(single.status, 0) << relative << single.err;
    auto back = Zorv("slx2slp " + Quote((folder / (stem + ".slx")).string()) + " " +
                     Quote((dir.path() / "single_slp" / rel.parent_path() / stem /
                            (stem + ".slp")).string()));
    ASSERT_EQ(back.status, 1) << "the folder does not exist yet";
    fs::create_directories(dir.path() / "single_slp" / rel.parent_path() / stem);
    back = Zorv("slx2slp " + Quote((folder / (stem + ".slx")).string()) + " " +
                Quote((dir.path() / "single_slp" / rel.parent_path() / stem /
                       (stem + ".slp")).string()));
    ASSERT_EQ(back.status, 0) << relative << back.err;
  }
  const auto single_slx = Tree(dir.path() / "single");
  const auto single_slp = Tree(dir.path() / "single_slp");
  ASSERT_GE(single_slx.size(), 5u * 3);
  for (int threads : {1, 2, 4}) {
    const std::string n = std::to_string(threads);
    auto to_slx = Zorv("slp2slx -j " + n + " -o " + Quote(dir.File("slx" + n)) + " " +
                       Quote(graphics.string()));
    ASSERT_EQ(to_slx.status, 0) << to_slx.err;
    EXPECT_EQ(to_slx.err, "");
    EXPECT_TRUE(Tree(dir.path() / ("slx" + n)) == single_slx) << threads << " threads";
    auto to_slp = Zorv("slx2slp -j " + n + " --out " + Quote(dir.File("slp" + n)) + " " +
                       Quote(dir.File("single")));
    ASSERT_EQ(to_slp.status, 0) << to_slp.err;
    EXPECT_TRUE(Tree(dir.path() / ("slp" + n)) == single_slp) << threads << " threads";
  }
}

TEST_F(CLIBatchTest, FoldersAreMirroredUnderTheOutputFolderOneFolderPerGraphic) {
  MakeGraphics();
  test::WriteFileBytes(dir.File("graphics/ui/notes.slp"), "not a sprite at all, just text");
  test::WriteFileBytes(dir.File("graphics/ui/readme.txt"), "hello");
  auto run = Zorv("slp2slx -v -o " + Quote(dir.File("slx")) + " " + Quote(dir.File("graphics")) +
                  " " + Quote(dir.File("graphics/units/archer.slp")));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const int samples = test::SamplesDir().empty() ? 0 : 2;
  // archer.slp once from the folder, once as a file of its own.
  EXPECT_NE(run.out.find(std::to_string(6 + samples) + " converted, 0 failed, 1 skipped"),
            std::string::npos) << run.out;
  EXPECT_NE(run.out.find("notes.slp skipped"), std::string::npos) << run.out;
  for (const char* slx : {"units/archer/archer.slx", "units/foot/pikeman/pikeman.slx",
                          "units/knight/knight.slx", "ui/button/button.slx",
                          "ui/frame/frame.slx", "archer/archer.slx"})
    EXPECT_TRUE(fs::exists(dir.path() / "slx" / slx)) << slx;
  EXPECT_TRUE(fs::exists(dir.path() / "slx/units/archer/archer_001.bmp"));
  EXPECT_TRUE(fs::exists(dir.path() / "slx/units/archer/archer_002d.bmp"));
  EXPECT_FALSE(fs::exists(dir.path() / "slx/ui/notes"));
  EXPECT_FALSE(fs::exists(dir.path() / "slx/ui/readme"));

  // Back again: the SLX files are found by their first line.
  fs::rename(dir.path() / "slx/ui/frame/frame.slx", dir.path() / "slx/ui/frame/frame.txt");
  // Files named .bmp or .png are frames and never looked into, whatever
  // they hold.
  fs::copy_file(dir.path() / "slx/ui/frame/frame.txt", dir.path() / "slx/ui/frame/copy.BMP");
  fs::copy_file(dir.path() / "slx/ui/frame/frame.txt", dir.path() / "slx/ui/frame/again.Png");
  auto back = Zorv("slx2slp -q -o " + Quote(dir.File("slp")) + " " + Quote(dir.File("slx")));
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(back.out + back.err, "");
  EXPECT_TRUE(fs::exists(dir.path() / "slp/units/foot/pikeman/pikeman.slp"));
  EXPECT_TRUE(fs::exists(dir.path() / "slp/ui/frame/frame.slp"));
  EXPECT_FALSE(fs::exists(dir.path() / "slp/ui/frame/copy.slp"));
  EXPECT_FALSE(fs::exists(dir.path() / "slp/ui/frame/again.slp"));

  // Without -o each output goes beside its input.
  auto beside = Zorv("slx2slp " + Quote(dir.File("slx/units/knight/knight.slx")));
  ASSERT_EQ(beside.status, 0) << beside.err;
  EXPECT_EQ(beside.out, "1 converted, 0 failed, 0 skipped\n");
  EXPECT_EQ(test::ReadFileBytes(dir.File("slx/units/knight/knight.slp")),
            test::ReadFileBytes(dir.File("slp/units/knight/knight.slp")));
}

TEST_F(CLIBatchTest, ADamagedFileFailsAloneAndTheBatchSaysSo) {
  fs::create_directories(dir.path() / "in");
  test::WriteFileBytes(dir.File("in/a.slp"), SmallSLP(1));
  // A header that looks whole, but the frame table points past the end.
  std::string damaged = SmallSLP(2);
  damaged.resize(32 + 32 * 3 + 4);
  test::WriteFileBytes(dir.File("in/b.slp"), damaged);
  test::WriteFileBytes(dir.File("in/c.slp"), SmallSLP(3));
  for (const char* threads : {"1", "2"}) {
    const std::string out = dir.File(std::string("out") + threads);
    auto run = Zorv("slp2slx -j " + std::string(threads) + " -o " + Quote(out) + " " +
                    Quote(dir.File("in")));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "2 converted, 1 failed, 0 skipped\n");
    // One error, naming the file, and nothing else on standard error.
    EXPECT_EQ(run.err.rfind("Error: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(dir.File("in/b.slp")), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(dir.File("in/a.slp")), std::string::npos) << run.err;
    EXPECT_TRUE(fs::exists(out + "/a/a.slx"));
    EXPECT_TRUE(fs::exists(out + "/c/c.slx"));
    EXPECT_FALSE(fs::exists(out + "/b/b.slx"));
  }
  // -q keeps the error and drops the summary.
  auto quiet = Zorv("slp2slx -q -o " + Quote(dir.File("out3")) + " " + Quote(dir.File("in")));
  EXPECT_EQ(quiet.status, 1);
  EXPECT_EQ(quiet.out, "");
  EXPECT_NE(quiet.err.find("b.slp"), std::string::npos);
}

TEST_F(CLIBatchTest, MoreJobsThanTheSystemGivesThreadsForStillConvertsEveryFile) {
  if (test::kSanitized) GTEST_SKIP() << "a memory limit and a sanitizer do not go together";
  fs::create_directories(dir.path() / "in");
  auto name = [](int i) { return std::string("s").append(std::to_string(i)); };
  for (int i = 0; i < 60; ++i) test::WriteFileBytes(dir.File("in/" + name(i) + ".slp"), SmallSLP(i));
  // 8 MB of address space for each thread's stack: the limit leaves room
  // for a few threads, not for the 60 asked for.
  const auto run = test::RunCommand("ulimit -v 160000; " + Quote(test::ZorvProgram()) +
                                    " slp2slx -j 1024 -o " + Quote(dir.File("out")) + " " +
                                    Quote(dir.File("in")));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "60 converted, 0 failed, 0 skipped\n") << run.err;
  for (int i = 0; i < 60; ++i)
    EXPECT_TRUE(fs::exists(dir.File("out/" + name(i) + "/" + name(i) + ".slx"))) << name(i);
}

TEST_F(CLIBatchTest, InputsAreNeverOverwrittenNorTwoWrittenToOneOutput) {
  fs::create_directories(dir.path() / "one");
  fs::create_directories(dir.path() / "two");
  test::WriteFileBytes(dir.File("one/a.slp"), SmallSLP(1));
  test::WriteFileBytes(dir.File("two/a.slp"), SmallSLP(2));
  auto same = Zorv("slp2slx -o " + Quote(dir.File("out")) + " " + Quote(dir.File("one/a.slp")) +
                   " " + Quote(dir.File("two/a.slp")));
  EXPECT_EQ(same.status, 2);
  EXPECT_NE(same.err.find("would both be written to"), std::string::npos) << same.err;
  EXPECT_FALSE(fs::exists(dir.path() / "out"));

  // An SLX file named x.slp: its SLP would replace it.
  ASSERT_EQ(Zorv("slp2slx " + Quote(dir.File("one/a.slp")) + " " + Quote(dir.File("g.slx"))).status, 0);
  fs::rename(dir.path() / "g.slx", dir.path() / "g.slp");
  const std::string before = test::ReadFileBytes(dir.File("g.slp"));
  auto over = Zorv("slx2slp " + Quote(dir.File("g.slp")));
  EXPECT_EQ(over.status, 2);
  EXPECT_NE(over.err.find("would replace the input"), std::string::npos) << over.err;
  EXPECT_EQ(test::ReadFileBytes(dir.File("g.slp")), before);

  auto missing = Zorv("slp2slx -o " + Quote(dir.File("out")) + " " + Quote(dir.File("nothing")));
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err.rfind("Error: ", 0), 0u) << missing.err;
}

// Outputs and inputs are compared as the files they name: through "..",
// through a link to the input's folder and through a link at the output's
// own name.
TEST_F(CLIBatchTest, AnOutputNamingAnInputThroughLinksOrDotDotIsRefused) {
  fs::create_directories(dir.path() / "in");
  test::WriteFileBytes(dir.File("in/a.slp"), SmallSLP(1));
  ASSERT_EQ(Zorv("slp2slx " + Quote(dir.File("in/a.slp")) + " " + Quote(dir.File("in/a.slx")))
                .status,
            0);
  const std::string slx = test::ReadFileBytes(dir.File("in/a.slx"));
  const std::string slp = test::ReadFileBytes(dir.File("in/a.slp"));
  fs::create_directory_symlink(dir.path() / "in", dir.path() / "alias");
  fs::create_directories(dir.path() / "out");
  // slx2slp in/a.slx -o alias/.. : the output alias/../in/a.slp, that is
  // in/a.slp through the link's folder.
  for (const std::string& out : {dir.File("alias"), dir.File("in/../in"), dir.File("alias/../in")}) {
    auto run = Zorv("slx2slp -o " + Quote(out) + " " + Quote(dir.File("in/a.slx")) + " " +
                    Quote(dir.File("in/a.slp")));
    EXPECT_EQ(run.status, 2) << out << ": " << run.err;
    EXPECT_NE(run.err.find("would replace the input"), std::string::npos) << out << ": " << run.err;
  }
  // out/a.slp, the output of in/a.slx, is a link to the input in/a.slp.
  fs::create_symlink(dir.path() / "in/a.slp", dir.path() / "out/a.slp");
  auto linked = Zorv("slx2slp -o " + Quote(dir.File("out")) + " " + Quote(dir.File("in/a.slx")) +
                     " " + Quote(dir.File("in/a.slp")));
  EXPECT_EQ(linked.status, 2);
  EXPECT_NE(linked.err.find("would replace the input"), std::string::npos) << linked.err;
  EXPECT_EQ(test::ReadFileBytes(dir.File("in/a.slx")), slx);
  EXPECT_EQ(test::ReadFileBytes(dir.File("in/a.slp")), slp);
}

// Folders are walked by name: subfolders and hidden files are found, links
// to sprites are taken, links to folders are not followed, and frame files
// are never opened.
TEST_F(CLIBatchTest, FolderWalksTakeLinkedFilesButNotLinkedFolders) {
  fs::create_directories(dir.path() / "in/deep/deeper");
  fs::create_directories(dir.path() / "elsewhere");
  test::WriteFileBytes(dir.File("in/a.slp"), SmallSLP(1));
  test::WriteFileBytes(dir.File("in/deep/deeper/.hidden.slp"), SmallSLP(2));
  test::WriteFileBytes(dir.File("elsewhere/b.slp"), SmallSLP(3));
  test::WriteFileBytes(dir.File("elsewhere/c.slp"), SmallSLP(4));
  fs::create_symlink(dir.path() / "elsewhere/b.slp", dir.path() / "in/linked.slp");
  fs::create_directory_symlink(dir.path() / "elsewhere", dir.path() / "in/folder-link");
  fs::create_symlink(dir.path() / "nowhere.slp", dir.path() / "in/dangling.slp");
  // A sprite named as a frame file: not an input, whatever it holds.
  test::WriteFileBytes(dir.File("in/deep/sprite.BMP"), SmallSLP(5));
  auto run = Zorv("slp2slx -o " + Quote(dir.File("out")) + " " + Quote(dir.File("in")));
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> made;
  for (const auto& [name, bytes] : Tree(dir.path() / "out"))
    if (name.size() > 4 && name.substr(name.size() - 4) == ".slx") made.push_back(name);
  EXPECT_EQ(made, (std::vector<std::string>{"a/a.slx", "deep/deeper/.hidden/.hidden.slx",
                                            "linked/linked.slx"}));
  EXPECT_EQ(run.out, "3 converted, 0 failed, 0 skipped\n");

  // The folder named may itself be a link to a folder.
  fs::create_directory_symlink(dir.path() / "in", dir.path() / "in-link");
  auto linked =
      Zorv("slp2slx -o " + Quote(dir.File("out-link")) + " " + Quote(dir.File("in-link")));
  ASSERT_EQ(linked.status, 0) << linked.err;
  EXPECT_EQ(linked.out, "3 converted, 0 failed, 0 skipped\n");
  EXPECT_TRUE(fs::exists(dir.path() / "out-link/a/a.slx"));

  // A folder that is a file is said to be no folder; a missing one missing.
  auto file = Zorv("slp2slx -o " + Quote(dir.File("out2")) + " " + Quote(dir.File("in/a.slp") + "/"));
  EXPECT_NE(file.status, 0);
  EXPECT_EQ(file.err.rfind("Error: ", 0), 0u) << file.err;
}

TEST_F(CLIBatchTest, ScreenComesBackWithItsOwnPaletteUnchanged) {
  ZORV_REQUIRE_SAMPLES();
  const std::string source = test::SamplesDir() + "screen.slp";
  const std::string pal = Quote(test::SamplesDir() + "screen.pal");
  auto to_slx = Zorv("slp2slx " + Quote(source) + " " + Quote(dir.File("screen.slx")) +
                     " --palette " + pal);
  ASSERT_EQ(to_slx.status, 0) << to_slx.err;
  auto single = Zorv("slx2slp " + Quote(dir.File("screen.slx")) + " " +
                     Quote(dir.File("screen.slp")) + " --palette " + pal);
  ASSERT_EQ(single.status, 0) << single.err;
  auto batch = Zorv("slx2slp --palette " + pal + " -o " + Quote(dir.File("batch")) + " " +
                    Quote(dir.File("screen.slx")));
  ASSERT_EQ(batch.status, 0) << batch.err;

  Palette screen;
  ASSERT_TRUE(LoadPalette(test::SamplesDir() + "screen.pal", screen));
  auto decode = [&screen](const std::string& path, cDIBSection& colour, cDIBSection& data) {
    SLPFile file;
    SLPHeader header;
    std::vector<SLPFrameInfo> frames;
    ASSERT_TRUE(ReadSLPHeader(path, file, header, frames).ok()) << path;
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_TRUE(DecodeSLPFrame(file, frames[0], screen, colour, data).ok()) << path;
  };
  cDIBSection colour, data;
  decode(source, colour, data);
  for (const std::string& path : {dir.File("screen.slp"), dir.File("batch/screen.slp")}) {
    cDIBSection colour_back, data_back;
    decode(path, colour_back, data_back);
    ASSERT_EQ(colour_back.Width(), 1280);
    ASSERT_EQ(colour_back.Height(), 1024);
    int changed = 0;
    for (int32_t y = 0; y < 1024; ++y)
      for (int32_t x = 0; x < 1280; ++x)
        changed += colour.GetPixel(x, y) != colour_back.GetPixel(x, y) ||
                   data.GetPixel(x, y) != data_back.GetPixel(x, y);
    EXPECT_EQ(changed, 0) << path;
  }
}

TEST_F(CLIBatchTest, IconsConvertInBatchesWithTheirPalette) {
  fs::create_directories(dir.path() / "icons/units");
  const Palette& built_in = Palette::BuiltIn();
  ASSERT_TRUE(test::FilledBitmap(3, 2, built_in.Colour(7)).SavePicture(dir.File("icons/units/sword.bmp")).ok());
  ASSERT_TRUE(test::FilledBitmap(2, 2, built_in.Colour(9)).SavePicture(dir.File("icons/bow.bmp")).ok());
  auto run = Zorv("icon --flags 257 -o " + Quote(dir.File("out")) + " " + Quote(dir.File("icons")));
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* name : {"units/sword", "bow"}) {
    const std::string batch = test::ReadFileBytes(dir.File("out/" + std::string(name) + ".dat"));
    ASSERT_EQ(Zorv("icon --flags 257 " + Quote(dir.File("icons/" + std::string(name) + ".bmp")) +
                   " " + Quote(dir.File("single.dat"))).status, 0);
    EXPECT_EQ(batch, test::ReadFileBytes(dir.File("single.dat"))) << name;
    EXPECT_EQ(test::GetU32(batch, 0), 257u);
  }
  // A palette whose colour 7 is another colour codes the icon differently.
  std::string pal = "JASC-PAL\r\n0100\r\n256\r\n";
  for (int i = 0; i < 256; ++i) pal += i == 7 ? "1 2 3\r\n" : "200 200 200\r\n";
  test::WriteFileBytes(dir.File("odd.pal"), pal);
  ASSERT_TRUE(test::FilledBitmap(3, 2, RGBColour(1, 2, 3)).SavePicture(dir.File("odd.bmp")).ok());
  ASSERT_EQ(Zorv("icon --palette " + Quote(dir.File("odd.pal")) + " " + Quote(dir.File("odd.bmp")) +
                 " " + Quote(dir.File("odd.dat"))).status, 0);
  ASSERT_EQ(Zorv("icon " + Quote(dir.File("odd.bmp")) + " " + Quote(dir.File("plain.dat"))).status, 0);
  EXPECT_NE(test::ReadFileBytes(dir.File("odd.dat")), test::ReadFileBytes(dir.File("plain.dat")));
}

// A graphic of two frames in folder: a magenta frame with a brown block
// and a red pixel, and a brown one.
void MakeGraphic(const fs::path& folder, const std::string& name) {
  fs::create_directories(folder);
  cDIBSection one = test::FilledBitmap(12, 10, RGBColour(255, 0, 255));
  for (int32_t y = 4; y <= 6; ++y)
    for (int32_t x = 3; x <= 7; ++x) one.SetPixel(x, y, RGBColour(120, 80, 40));
  one.SetPixel(4, 5, RGBColour(255, 0, 0));
  ASSERT_TRUE(one.SavePicture((folder / (name + "1.bmp")).string()).ok());
  ASSERT_TRUE(test::FilledBitmap(6, 6, RGBColour(120, 80, 40))
                  .SavePicture((folder / (name + "2.bmp")).string()).ok());
  SLXGraphic graphic;
  graphic.Path = (folder / (name + ".slx")).string();
  graphic.FrameCount = 2;
  graphic.Frames = {SLXFrame{name + "1.bmp", name + "1d.bmp", 6, 8},
                    SLXFrame{name + "2.bmp", name + "2d.bmp", 1, 2}};
  ASSERT_TRUE(SaveSLX(graphic));
}

TEST_F(CLIBatchTest, AutogenDoesEveryGraphicInPlaceOrInACopyUnderTheOutputFolder) {
  MakeGraphic(dir.path() / "src/units", "archer");
  MakeGraphic(dir.path() / "src/units/foot", "pikeman");
  fs::copy(dir.path() / "src", dir.path() / "single", fs::copy_options::recursive);
  fs::copy(dir.path() / "src", dir.path() / "inplace", fs::copy_options::recursive);
  const auto untouched = Tree(dir.path() / "src");
  for (const char* slx : {"single/units/archer.slx", "single/units/foot/pikeman.slx"}) {
    auto one = Zorv("autogen --all " + Quote(dir.File(slx)));
    ASSERT_EQ(one.status, 0) << one.err;
  }
  const auto expected = Tree(dir.path() / "single");
  ASSERT_NE(expected, untouched);

  auto copied = Zorv("autogen --all -j 2 -o " + Quote(dir.File("out")) + " " + Quote(dir.File("src")));
  ASSERT_EQ(copied.status, 0) << copied.err;
  EXPECT_EQ(copied.out, "2 converted, 0 failed, 0 skipped\n");
  EXPECT_TRUE(Tree(dir.path() / "out") == expected);
  EXPECT_TRUE(Tree(dir.path() / "src") == untouched);

  auto in_place = Zorv("autogen --all -q " + Quote(dir.File("inplace")));
  ASSERT_EQ(in_place.status, 0) << in_place.err;
  EXPECT_TRUE(Tree(dir.path() / "inplace") == expected);

  // One graphic named twice would be changed by two threads at once.
  auto twice = Zorv("autogen " + Quote(dir.File("inplace/units/archer.slx")) + " " +
                    Quote(dir.File("inplace/units/archer.slx")));
  EXPECT_EQ(twice.status, 2);
  EXPECT_NE(twice.err.find("named twice"), std::string::npos) << twice.err;
}

// Runs zorv on a pseudo-terminal COLUMNS columns wide and gives what it
// printed there, standard output and error together.
std::string RunOnTerminal(const std::vector<std::string>& arguments, int columns) {
  winsize size{};
  size.ws_col = static_cast<unsigned short>(columns);
  size.ws_row = 24;
  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, &size);
  if (child == 0) {
    setenv("COLUMNS", std::to_string(columns).c_str(), 1);
    std::vector<char*> argv;
    const std::string program = test::ZorvProgram();
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  std::string output;
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(master, buffer, sizeof buffer);
    if (got <= 0) break;  // EIO once the child has gone
    output.append(buffer, static_cast<size_t>(got));
  }
  close(master);
  int status = 0;
  waitpid(child, &status, 0);
  return output;
}

TEST_F(CLIBatchTest, TheProgressLineFitsTheTerminalAndNeverWraps) {
  fs::create_directories(dir.path() / "in/a_folder_with_a_rather_long_name_for_sprites");
  for (int i = 0; i < 12; ++i)
    test::WriteFileBytes(dir.File("in/a_folder_with_a_rather_long_name_for_sprites/sprite_number_" +
                                  std::to_string(i) + ".slp"),
                         SmallSLP(i));
  const std::string output =
      RunOnTerminal({"slp2slx", "-j", "2", "-o", dir.File("out"), dir.File("in")}, 40);
  EXPECT_NE(output.find("/12 files"), std::string::npos) << output;
  EXPECT_NE(output.find("12 converted, 0 failed, 0 skipped"), std::string::npos) << output;
  size_t longest = 0, start = 0;
  for (size_t i = 0; i <= output.size(); ++i)
    if (i == output.size() || output[i] == '\r' || output[i] == '\n') {
      longest = std::max(longest, i - start);
      start = i + 1;
    }
  EXPECT_LE(longest, 40u) << output;
  EXPECT_GT(longest, 30u) << "the line should use the width it has: " << output;

  // -q: nothing at all on the terminal when all goes well.
  const std::string quiet =
      RunOnTerminal({"slp2slx", "-q", "-o", dir.File("quiet"), dir.File("in")}, 40);
  EXPECT_EQ(quiet, "");
  EXPECT_TRUE(fs::exists(dir.path() / "quiet/a_folder_with_a_rather_long_name_for_sprites/"
                                      "sprite_number_11/sprite_number_11.slx"));
}

}  // namespace
}  // namespace zorv
