#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "codec/SLX.h"
#include "common/Version.h"
#include "tests/SLPTestFiles.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;

class CLIConvertTest : public ::testing::Test {
 protected:
  static std::string Quote(const std::string& text) { return "'" + text + "'"; }

  test::CommandResult Zorv(const std::string& arguments) {
    return test::RunCommand(Quote(test::ZorvProgram()) + " " + arguments);
  }

  struct Frames {
    std::vector<SLPFrameInfo> info;
    std::vector<cDIBSection> colour, data;
  };

  static Frames DecodeAll(const std::string& path,
                          const Palette& palette = Palette::BuiltIn()) {
    Frames out;
    SLPFile file;
    SLPHeader header;
    EXPECT_TRUE(ReadSLPHeader(path, file, header, out.info).ok()) << path;
    for (const SLPFrameInfo& f : out.info) {
      cDIBSection colour, data;
      EXPECT_TRUE(DecodeSLPFrame(file, f, palette, colour, data).ok());
      out.colour.push_back(std::move(colour));
      out.data.push_back(std::move(data));
    }
    return out;
  }

  static bool SamePixels(const cDIBSection& a, const cDIBSection& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           std::equal(a.DIBSectionBitsPtr(), a.DIBSectionBitsPtr() + a.ImageSize(),
                      b.DIBSectionBitsPtr());
  }

  test::TempDir dir;
};

TEST_F(CLIConvertTest, UnitRoundTripFromTheShellKeepsEveryPixel) {
  ZORV_REQUIRE_SAMPLES();
  const std::string source = test::SamplesDir() + "unit.slp";
  auto to_slx = Zorv("slp2slx " + Quote(source) + " " + Quote(dir.File("unit.slx")));
  ASSERT_EQ(to_slx.status, 0) << to_slx.err;
  EXPECT_TRUE(fs::exists(dir.File("unit_050d.bmp")));
  auto to_slp = Zorv("slx2slp " + Quote(dir.File("unit.slx")) + " " + Quote(dir.File("unit.slp")));
  ASSERT_EQ(to_slp.status, 0) << to_slp.err;
  // Not a terminal: no progress bar on standard error.
  EXPECT_EQ(to_slp.err, "");

  Frames first = DecodeAll(source), second = DecodeAll(dir.File("unit.slp"));
  ASSERT_EQ(first.info.size(), 50u);
  ASSERT_EQ(second.info.size(), 50u);
  for (size_t i = 0; i < 50; ++i) {
    EXPECT_TRUE(SamePixels(first.colour[i], second.colour[i])) << "frame " << i + 1;
    EXPECT_TRUE(SamePixels(first.data[i], second.data[i])) << "frame " << i + 1;
    EXPECT_EQ(first.info[i].HotSpotX, second.info[i].HotSpotX);
    EXPECT_EQ(first.info[i].HotSpotY, second.info[i].HotSpotY);
  }
}

TEST_F(CLIConvertTest, ScreenDecodedWithItsPaletteComesBackThroughTheBuiltInOne) {
  ZORV_REQUIRE_SAMPLES();
  const std::string source = test::SamplesDir() + "screen.slp";
  auto to_slx = Zorv("slp2slx " + Quote(source) + " " + Quote(dir.File("screen.slx")) +
                     " --palette " + Quote(test::SamplesDir() + "screen.pal"));
  ASSERT_EQ(to_slx.status, 0) << to_slx.err;
  auto to_slp = Zorv("slx2slp " + Quote(dir.File("screen.slx")) + " " +
                     Quote(dir.File("screen.slp")));
  ASSERT_EQ(to_slp.status, 0) << to_slp.err;

  Palette screen;
  ASSERT_TRUE(LoadPalette(test::SamplesDir() + "screen.pal", screen));
  const Palette& built_in = Palette::BuiltIn();
  Frames first = DecodeAll(source, screen);
  Frames second = DecodeAll(dir.File("screen.slp"), built_in);
  ASSERT_EQ(second.info.size(), 1u);
  EXPECT_TRUE(SamePixels(first.data[0], second.data[0]));
  // The BMP written by slp2slx holds the screen palette's colours.
  cDIBSection written;
  ASSERT_TRUE(written.CreateFromPicture(dir.File("screen_001.bmp")).ok());
  EXPECT_TRUE(SamePixels(written, first.colour[0]));
  for (int32_t y = 0; y < 1024; y += 16)
    for (int32_t x = 0; x < 1280; ++x)
      ASSERT_EQ(second.colour[0].GetPixel(x, y),
                built_in.Colour(NearestPaletteIndex(built_in, first.colour[0].GetPixel(x, y))));
}

// slp2slx --frame-format png on both samples: the SLX names .png frames,
// each holds exactly the decoded frame as 8-bit RGB, and converting it back
// gives the same SLP bytes as the BMP route. screen.slp's frame (over
// 256 KB as a PNG) is read again when coded, unit.slp's are kept from the
// check.
TEST_F(CLIConvertTest, PNGFramesComeBackToTheSameSLPAsBMPFrames) {
  ZORV_REQUIRE_SAMPLES();
  for (const std::string title : {"unit", "screen"}) {
    SCOPED_TRACE(title);
    const std::string source = test::SamplesDir() + title + ".slp";
    fs::create_directories(dir.File("bmp"));
    fs::create_directories(dir.File("png"));
    const std::string bmp_slx = dir.File("bmp/" + title + ".slx");
    const std::string png_slx = dir.File("png/" + title + ".slx");
    auto to_bmp = Zorv("slp2slx " + Quote(source) + " " + Quote(bmp_slx));
    ASSERT_EQ(to_bmp.status, 0) << to_bmp.err;
    auto to_png = Zorv("slp2slx --frame-format png " + Quote(source) + " " + Quote(png_slx));
    ASSERT_EQ(to_png.status, 0) << to_png.err;

    SLXGraphic bmp, png;
    ASSERT_TRUE(LoadSLX(bmp_slx, bmp).ok());
    ASSERT_TRUE(LoadSLX(png_slx, png).ok());
    ASSERT_EQ(png.FrameCount, bmp.FrameCount);
    const Frames decoded = DecodeAll(source);
    for (int32_t i = 1; i <= png.FrameCount; ++i) {
      const std::string number = PadFrameNumber(i);
      EXPECT_EQ(png.Frame(i).ColourFile, title + "_" + number + ".png");
      EXPECT_EQ(png.Frame(i).DataFile, title + "_" + number + "d.png");
      EXPECT_EQ(png.Frame(i).CenterX, bmp.Frame(i).CenterX);
      EXPECT_EQ(png.Frame(i).CenterY, bmp.Frame(i).CenterY);
      EXPECT_FALSE(fs::exists(dir.File("png/" + title + "_" + number + ".bmp")));
      // PNG by content: RGB, 8 bits, exactly the decoder's pixels.
      EXPECT_TRUE(test::ReadFileBytes(png.ColourPath(i)).starts_with("\x89PNG\r\n\x1a\n"));
      cDIBSection colour, data;
      ASSERT_TRUE(colour.CreateFromPicture(png.ColourPath(i)).ok());
      ASSERT_TRUE(data.CreateFromPicture(png.DataPath(i)).ok());
      const size_t at = static_cast<size_t>(i - 1);
      EXPECT_TRUE(SamePixels(colour, decoded.colour[at])) << "frame " << i;
      EXPECT_TRUE(SamePixels(data, decoded.data[at])) << "frame " << i;
    }

    auto bmp_slp = Zorv("slx2slp " + Quote(bmp_slx) + " " + Quote(dir.File("bmp.slp")));
    ASSERT_EQ(bmp_slp.status, 0) << bmp_slp.err;
    auto png_slp = Zorv("slx2slp " + Quote(png_slx) + " " + Quote(dir.File("png.slp")));
    ASSERT_EQ(png_slp.status, 0) << png_slp.err;
    const std::string expected = test::ReadFileBytes(dir.File("bmp.slp"));
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(test::ReadFileBytes(dir.File("png.slp")) == expected);
  }
}

TEST_F(CLIConvertTest, FrameFormatIsBMPOrPNGAndPNGCannotHoldAnEmptyFrame) {
  const test::TestFrame two_pixels = test::OneRowFrame(2, 0, 0, {0x2B, 0x0F});
  test::WriteFileBytes(dir.File("one.slp"), test::BuildSLP({two_pixels}));
  auto gif = Zorv("slp2slx --frame-format gif " + Quote(dir.File("one.slp")) + " " +
                  Quote(dir.File("one.slx")));
  EXPECT_NE(gif.status, 0);
  EXPECT_NE(gif.err.find("--frame-format"), std::string::npos) << gif.err;
  EXPECT_FALSE(fs::exists(dir.File("one.slx")));
  // The default stays BMP.
  auto plain = Zorv("slp2slx " + Quote(dir.File("one.slp")) + " " + Quote(dir.File("one.slx")));
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(test::ReadFileBytes(dir.File("one_001.bmp")).substr(0, 2), "BM");

  // A PNG file cannot hold a frame of no pixels, which a BMP file can.
  test::WriteFileBytes(dir.File("empty.slp"), test::BuildSLP({two_pixels, test::TestFrame{}}));
  auto empty = Zorv("slp2slx --frame-format png " + Quote(dir.File("empty.slp")) + " " +
                    Quote(dir.File("empty.slx")));
  EXPECT_EQ(empty.status, 1);
  EXPECT_NE(empty.err.find("Error creating SLX file!"), std::string::npos) << empty.err;
  EXPECT_NE(empty.err.find("empty_002.png: A picture of 0 x 0 pixels cannot be written."),
            std::string::npos) << empty.err;
  EXPECT_FALSE(fs::exists(dir.File("empty.slx")));
}

TEST_F(CLIConvertTest, InfoDescribesSLPAndSLXFiles) {
  std::vector<test::TestFrame> frames = {test::OneRowFrame(3, 3, 0, {0x0F}),
                                         test::OneRowFrame(2, 0, 0, {0x2B, 0x0F})};
  frames[1].hot_x = -4;
  test::WriteFileBytes(dir.File("two.slp"), test::BuildSLP(frames));
  auto slp = Zorv("info " + Quote(dir.File("two.slp")));
  ASSERT_EQ(slp.status, 0) << slp.err;
  EXPECT_NE(slp.out.find("frames 2"), std::string::npos) << slp.out;
  EXPECT_NE(slp.out.find("\"2.0N\""), std::string::npos) << slp.out;
  EXPECT_NE(slp.out.find("     2      2      1      -4"), std::string::npos) << slp.out;

  ASSERT_EQ(Zorv("slp2slx " + Quote(dir.File("two.slp")) + " " + Quote(dir.File("two.slx"))).status, 0);
  fs::remove(dir.File("two_002d.bmp"));
  auto slx = Zorv("info " + Quote(dir.File("two.slx")));
  ASSERT_EQ(slx.status, 0) << slx.err;
  EXPECT_NE(slx.out.find("frames 2"), std::string::npos) << slx.out;
  EXPECT_NE(slx.out.find("two_001d.bmp (present)"), std::string::npos) << slx.out;
  EXPECT_NE(slx.out.find("two_002d.bmp (missing)"), std::string::npos) << slx.out;

  // Extensions are matched in any case.
  fs::rename(dir.File("two.slp"), dir.File("TWO.SLP"));
  EXPECT_EQ(Zorv("info " + Quote(dir.File("TWO.SLP"))).status, 0);

  test::WriteFileBytes(dir.File("bad.slp"), "2.0N");
  auto bad = Zorv("info " + Quote(dir.File("bad.slp")));
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("Error: "), std::string::npos);
  test::WriteFileBytes(dir.File("notes.txt"), "notes");
  EXPECT_EQ(Zorv("info " + Quote(dir.File("notes.txt"))).status, 2);
}

TEST_F(CLIConvertTest, IconCommandWritesRowDataWithItsFlags) {
  const cDIBSection bitmap = test::FilledBitmap(3, 2, Palette::BuiltIn().Colour(7));
  ASSERT_TRUE(bitmap.SavePicture(dir.File("i.bmp")).ok());
  auto icon = Zorv("icon " + Quote(dir.File("i.bmp")) + " " + Quote(dir.File("i.dat")) +
                   " --flags 773");
  ASSERT_EQ(icon.status, 0) << icon.err;
  const std::string data = test::ReadFileBytes(dir.File("i.dat"));
  ASSERT_EQ(data.size(), 30u);
  EXPECT_EQ(test::GetU32(data, 0), 773u);
  EXPECT_EQ(test::GetU32(data, 16), 5u);

  EXPECT_EQ(Zorv("icon " + Quote(dir.File("i.bmp")) + " " + Quote(dir.File("j.dat"))).status, 0);
  EXPECT_EQ(test::GetU32(test::ReadFileBytes(dir.File("j.dat")), 0), 0u);
}

TEST_F(CLIConvertTest, UsageErrorsExitWithTwo) {
  EXPECT_EQ(Zorv("slp2slx").status, 2);
  EXPECT_EQ(Zorv("slp2slx only-one.slp").status, 2);
  EXPECT_EQ(Zorv("slx2slp a.slx").status, 2);
  EXPECT_EQ(Zorv("info").status, 2);
  for (const char* flags : {"1024", "-1", "many"}) {
    auto icon = Zorv("icon a.bmp b.dat --flags " + std::string(flags));
    EXPECT_EQ(icon.status, 2) << flags;
  }
  EXPECT_FALSE(fs::exists("b.dat"));
}

TEST_F(CLIConvertTest, EveryCommandHasHelp) {
  for (const char* command : {"slp2slx", "slx2slp", "icon", "info"}) {
    auto help = Zorv(std::string(command) + " --help");
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_NE((help.out + help.err).find(command), std::string::npos) << command;
  }
  auto icon = Zorv("icon --help");
  EXPECT_NE(icon.out.find("--flags"), std::string::npos);
  auto slp2slx = Zorv("slp2slx --help");
  EXPECT_NE(slp2slx.out.find("--palette"), std::string::npos);
}

TEST_F(CLIConvertTest, VersionIsTheOneTheBuildDefines) {
  auto version = Zorv("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("zorv ") + kProgramVersion + "\n");
  EXPECT_EQ(version.err, "");
  // The flag belongs to the program, not to its commands.
  EXPECT_EQ(Zorv("info --version").status, 2);
}

TEST_F(CLIConvertTest, FailuresExitWithOneAndSayWhy) {
  test::WriteFileBytes(dir.File("junk.slp"), std::string(40, 'x'));
  auto junk = Zorv("slp2slx " + Quote(dir.File("junk.slp")) + " " + Quote(dir.File("j.slx")));
  EXPECT_EQ(junk.status, 1);
  EXPECT_EQ(junk.err.substr(0, 32), "Error: Error creating SLX file!\n");
  EXPECT_FALSE(fs::exists(dir.File("j.slx")));

  test::WriteFileBytes(dir.File("bad.pal"), "not a palette");
  test::WriteFileBytes(dir.File("ok.slp"), test::BuildSLP({test::OneRowFrame(1, 1, 0, {0x0F})}));
  auto palette = Zorv("slp2slx " + Quote(dir.File("ok.slp")) + " " + Quote(dir.File("o.slx")) +
                      " --palette " + Quote(dir.File("bad.pal")));
  EXPECT_EQ(palette.status, 1);
  EXPECT_NE(palette.err.find("Not valid palette file!"), std::string::npos) << palette.err;
  EXPECT_FALSE(fs::exists(dir.File("o.slx")));

  // A graphic whose bitmap is missing: the old SLP stays.
  test::WriteFileBytes(dir.File("g.slx"), "SLX 0.5\r\n1\r\n0,0\r\ngd.bmp\r\ng.bmp\r\n");
  test::WriteFileBytes(dir.File("g.slp"), "keep me");
  auto missing = Zorv("slx2slp " + Quote(dir.File("g.slx")) + " " + Quote(dir.File("g.slp")));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("Error: ERROR: Unable to find all BMPs from the SLX!"),
            std::string::npos)
      << missing.err;
  EXPECT_EQ(test::ReadFileBytes(dir.File("g.slp")), "keep me");

  test::WriteFileBytes(dir.File("n.slx"), "SLX 0.4\r\n");
  auto unrecognised = Zorv("slx2slp " + Quote(dir.File("n.slx")) + " " + Quote(dir.File("n.slp")));
  EXPECT_EQ(unrecognised.status, 1);
  EXPECT_NE(unrecognised.err.find("Unrecognised file format!"), std::string::npos);

  auto icon = Zorv("icon " + Quote(dir.File("none.bmp")) + " " + Quote(dir.File("x.dat")));
  EXPECT_EQ(icon.status, 1);
  EXPECT_FALSE(fs::exists(dir.File("x.dat")));
}

}  // namespace
}  // namespace zorv
