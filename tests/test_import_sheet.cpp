// Importing a sprite sheet: the frames are cut out of the sheet picture by
// its list's rectangles, each with the list's hot spot, and read by the
// rules of PNG frames; an exported sheet comes back to the SLP it was made
// from. Hostile lists are refused with a message naming the frame and the
// field, before anything is written.
#include <gtest/gtest.h>

#include <filesystem>
#include <span>

#include "codec/DataColours.h"
#include "codec/ExportFrames.h"
#include "codec/SLPReader.h"
#include "codec/SLPWriter.h"
#include "tests/support/TestSupport.h"
#include "tools/ImportPNGFrames.h"
#include "tools/SheetList.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;

// The RGBA rules that bring the unit back: it casts no shadow and has
// black normal pixels, so no colour is taken for shadow; the first
// player's shades lie within 40 degrees of entry 21's hue and no normal
// pixel does; no outlines are added, as none were drawn.
PNGImportOptions RoundTripRules() {
  PNGImportOptions options;
  options.Rules.ShadowColour = kNoShadow;
  options.Rules.PlayerColour = Palette::BuiltIn().Colour(21);
  options.Rules.PlayerTolerance = 40;
  options.Rules.Outlines = false;
  return options;
}

// The SLP of the frames of source without their outlines (which an export
// leaves transparent).
std::string WithoutOutlines(const std::string& source) {
  SLPFile file;
  EXPECT_TRUE(file.Open(source).ok());
  std::vector<FrameBitmaps> frames;
  EXPECT_TRUE(DecodeSLP(file, Palette::BuiltIn(), frames).ok());
  for (FrameBitmaps& frame : frames)
    for (int32_t y = 0; y < frame.Data.Height(); ++y)
      for (int32_t x = 0; x < frame.Data.Width(); ++x)
        if (frame.Data.GetPixel(x, y) == kDataPlayerOutline ||
            frame.Data.GetPixel(x, y) == kDataBlackOutline)
          frame.Data.SetPixel(x, y, kDataTransparent);
  std::string bytes;
  EXPECT_TRUE(EncodeSLP(std::span<const FrameBitmaps>(frames), Palette::BuiltIn(), bytes).ok());
  return bytes;
}

// unit.slp exported as a sheet (player 1, outlines left transparent) and
// imported again gives the SLP of its frames without their outlines, byte
// for byte, hot spots included.
TEST(ImportSheet, AnExportedSheetOfTheUnitComesBackToTheSameSLP) {
  ZORV_REQUIRE_SAMPLES();
  test::TempDir dir;
  const std::string source = test::SamplesDir() + "unit.slp";
  const std::string expected = WithoutOutlines(source);

  ExportSettings settings;
  settings.Format = ExportFormat::kSheet;
  Status exported = ExportSLPFrames(source, dir.File(""), "unit", Palette::BuiltIn(), settings);
  ASSERT_TRUE(exported.ok()) << exported.message();
  fs::create_directories(dir.File("back"));
  PNGImportJob job;
  job.frames = {SheetPicturePath(dir.File(""), "unit")};
  job.sheet_list = SheetJSONPath(dir.File(""), "unit");
  job.slx_path = dir.File("back/unit.slx");
  job.slp_path = dir.File("back/unit.slp");
  job.center_x = 1234;  // not used: the list gives the hot spots
  job.options = RoundTripRules();
  Status imported = ImportPNGFrames(job, Palette::BuiltIn());
  ASSERT_TRUE(imported.ok()) << imported.message();
  EXPECT_TRUE(test::ReadFileBytes(job.slp_path) == expected);
}

// The same through the command line, with the options the README gives.
TEST(ImportSheet, TheCommandLineRoundTripOfTheUnit) {
  ZORV_REQUIRE_SAMPLES();
  test::TempDir dir;
  const std::string source = test::SamplesDir() + "unit.slp";
  auto zorv = [](const std::string& arguments) {
    std::string command = "'";
    command += test::ZorvProgram();
    command += "' ";
    return test::RunCommand(command + arguments);
  };
  auto exported = zorv("export -q --format sheet -o '" + dir.File("out") + "' '" + source + "'");
  ASSERT_EQ(exported.status, 0) << exported.err;
  fs::create_directories(dir.File("back"));
  auto imported =
      zorv("import --sheet '" + dir.File("out/unit/unit.json") + "' '" +
           dir.File("out/unit/unit.png") + "' -o '" + dir.File("back/unit.slx") + "' -o '" +
           dir.File("back/unit.slp") +
           "' --no-shadow --player 110,166,235 --player-tolerance 40 --no-outlines");
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_TRUE(test::ReadFileBytes(dir.File("back/unit.slp")) == WithoutOutlines(source));
}

TEST(ImportSheet, CutsRGBAAndPalettedSheets) {
  PNGPicture sheet;
  sheet.RGBA = RGBAImage{4, 3, {}};
  sheet.Paletted = true;
  sheet.Indexed.Width = 4;
  sheet.Indexed.Height = 3;
  sheet.Indexed.Colours[7] = RGBColour(1, 2, 3);
  sheet.Indexed.Alpha[7] = 99;
  for (uint8_t i = 0; i < 12; ++i) {
    sheet.Indexed.Indices.push_back(i);
    for (uint8_t c : {i, uint8_t(i + 100), uint8_t(i + 200), uint8_t(255)})
      sheet.RGBA.Pixels.push_back(c);
  }
  PNGPicture cut;
  CutSheetFrame(sheet, SheetFrame{1, 1, 2, 2, 0, 0}, cut);
  EXPECT_EQ(cut.RGBA.Width, 2);
  EXPECT_EQ(cut.RGBA.Height, 2);
  EXPECT_EQ(cut.RGBA.Pixels, (std::vector<uint8_t>{5, 105, 205, 255, 6, 106, 206, 255, 9, 109,
                                                   209, 255, 10, 110, 210, 255}));
  ASSERT_TRUE(cut.Paletted);
  EXPECT_EQ(cut.Indexed.Width, 2);
  EXPECT_EQ(cut.Indexed.Indices, (std::vector<uint8_t>{5, 6, 9, 10}));
  EXPECT_EQ(cut.Indexed.Colours[7], RGBColour(1, 2, 3));
  EXPECT_EQ(cut.Indexed.Alpha[7], 99);
  sheet.Paletted = false;
  CutSheetFrame(sheet, SheetFrame{3, 0, 1, 3, 0, 0}, cut);
  EXPECT_FALSE(cut.Paletted);
  EXPECT_EQ(cut.RGBA.Pixels, (std::vector<uint8_t>{3, 103, 203, 255, 7, 107, 207, 255, 11, 111,
                                                   211, 255}));
}

TEST(ImportSheet, AListIsReadInOrderWithItsHotSpots) {
  std::vector<SheetFrame> frames;
  Status parsed = ParseSheetList(
      R"({"image": "x.png", "frames": [
           {"frame": 1, "x": 0, "y": 0, "width": 3, "height": 2, "hotspot": {"x": -5, "y": 7}},
           {"x": 3, "y": 1, "width": 7, "height": 9, "hotspot": {"x": 2147483647, "y": -2147483648}}]})",
      10, 10, frames);
  ASSERT_TRUE(parsed.ok()) << parsed.message();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].Width, 3);
  EXPECT_EQ(frames[0].HotSpotX, -5);
  EXPECT_EQ(frames[0].HotSpotY, 7);
  EXPECT_EQ(frames[1].X, 3);
  EXPECT_EQ(frames[1].Height, 9);
  EXPECT_EQ(frames[1].HotSpotX, INT32_MAX);
  EXPECT_EQ(frames[1].HotSpotY, INT32_MIN);
}

std::string Entry(const std::string& fields) { return "{" + fields + "}"; }
const std::string kHot = R"("hotspot": {"x": 0, "y": 0})";

TEST(ImportSheet, HostileListsAreRefusedWithAClearMessage) {
  struct Case {
    std::string text, says;
  };
  const std::string good = R"("x": 0, "y": 0, "width": 2, "height": 2, )" + kHot;
  const std::string one = Entry(R"("x":0,"y":0,"width":1,"height":1,)" + kHot);
  std::string many = R"({"frames": [)" + one;
  for (int i = 1; i < 100000; ++i) many += "," + one;
  many += "]}";
  for (const Case& c : std::vector<Case>{
           {"", "it is not JSON"},
           {"PNG\x89 not json", "it is not JSON"},
           {R"({"frames": [)", "it is not JSON"},
           {"[1, 2]", "not a JSON object"},
           {R"({"frame": []})", "no \"frames\" list"},
           {R"({"frames": {}})", "no \"frames\" list"},
           {R"({"frames": []})", "is empty"},
           {R"({"frames": [7]})", "frame 1 is not an object"},
           {R"({"frames": [{"y": 0, "width": 2, "height": 2, )" + kHot + "}]}",
            "frame 1 \"x\" is missing"},
           {R"({"frames": [{"x": "0", "y": 0, "width": 2, "height": 2, )" + kHot + "}]}",
            "frame 1 \"x\" is not a whole number"},
           {R"({"frames": [{"x": 0.5, "y": 0, "width": 2, "height": 2, )" + kHot + "}]}",
            "\"x\" is not a whole number"},
           {"{\"frames\": [" + Entry(good) + "," +
                Entry(R"("x": 0, "y": 0, "width": -2, "height": 2, )" + kHot) + "]}",
            "frame 2 \"width\" is -2, not 0 to 10"},
           {"{\"frames\": [" + Entry(R"("x": 0, "y": 0, "width": 99999999999, "height": 2, )" + kHot) + "]}",
            "\"width\" is 99999999999, not 0 to 10"},
           {"{\"frames\": [" + Entry(R"("x": 0, "y": 0, "width": 18446744073709551615, "height": 2, )" + kHot) + "]}",
            "\"width\" is 18446744073709551615"},
           {"{\"frames\": [" + Entry(R"("x": 0, "y": 0, "width": 0, "height": 2, )" + kHot) + "]}",
            "frame 1 is 0 x 2 pixels; a frame needs at least one pixel"},
           {"{\"frames\": [" + Entry(R"("x": 9, "y": 5, "width": 2, "height": 2, )" + kHot) + "]}",
            "frame 1 lies outside the sheet of 10 x 8 pixels: 2 x 2 at 9,5"},
           {"{\"frames\": [" + Entry(R"("x": 0, "y": 7, "width": 2, "height": 2, )" + kHot) + "]}",
            "lies outside the sheet"},
           {"{\"frames\": [" + Entry(R"("x": -1, "y": 0, "width": 2, "height": 2, )" + kHot) + "]}",
            "\"x\" is -1"},
           {"{\"frames\": [" + Entry(R"("x": 0, "y": 0, "width": 2, "height": 2)") + "]}",
            "frame 1 \"hotspot\" is missing"},
           {"{\"frames\": [" + Entry(R"("x": 0, "y": 0, "width": 2, "height": 2, "hotspot": [1, 2])") + "]}",
            "\"hotspot\" is not an object"},
           {"{\"frames\": [" + Entry(R"("x": 0, "y": 0, "width": 2, "height": 2, "hotspot": {"x": 2147483648, "y": 0})") + "]}",
            "frame 1 hotspot \"x\" is 2147483648"},
           {"{\"frames\": [" + Entry(R"("frame": 2, )" + good) + "]}",
            "frame 1 is numbered 2; the frames must be listed in order"},
           {"{\"frames\": [" + Entry(R"("frame": 0, )" + good) + "]}", "\"frame\" is 0"},
           {many, "lists 100000 frames, more than the 65535 a sheet may hold"},
       }) {
    SCOPED_TRACE(c.text.substr(0, 200));
    std::vector<SheetFrame> frames;
    Status parsed = ParseSheetList(c.text, 10, 8, frames);
    ASSERT_FALSE(parsed.ok());
    EXPECT_NE(parsed.message().find(c.says), std::string::npos) << parsed.message();
    EXPECT_TRUE(frames.empty());
  }
}

// Through the import: a bad list or a list too large to read stops it
// before any file is written, and names the list.
TEST(ImportSheet, ABadListWritesNothing) {
  test::TempDir dir;
  RGBAImage sheet{4, 4, std::vector<uint8_t>(64, 255)};
  ASSERT_TRUE(WriteRGBAPNG(dir.File("sheet.png"), sheet).ok());
  test::WriteFileBytes(dir.File("outside.json"),
                       R"({"frames": [{"x": 2, "y": 2, "width": 3, "height": 1, "hotspot": {"x": 0, "y": 0}}]})");
  test::WriteFileBytes(dir.File("huge.json"), std::string(kMaxSheetListBytes + 1, ' '));
  for (const std::string list : {"outside.json", "huge.json", "missing.json"}) {
    SCOPED_TRACE(list);
    PNGImportJob job;
    job.frames = {dir.File("sheet.png")};
    job.sheet_list = dir.File(list);
    job.slx_path = dir.File("out.slx");
    job.slp_path = dir.File("out.slp");
    Status imported = ImportPNGFrames(job, Palette::BuiltIn());
    ASSERT_FALSE(imported.ok());
    EXPECT_EQ(imported.Headline(), kMsgErrorImportingFrames);
    EXPECT_NE(imported.Detail().find("the sheet list " + dir.File(list)), std::string::npos)
        << imported.message();
    EXPECT_FALSE(fs::exists(dir.File("out_001.png")));
    EXPECT_FALSE(fs::exists(dir.File("out.slx")));
  }
  // Two pictures for one list, and a list named as the SLX to write.
  PNGImportJob job;
  job.frames = {dir.File("sheet.png"), dir.File("sheet.png")};
  job.sheet_list = dir.File("outside.json");
  job.slx_path = dir.File("out.slx");
  EXPECT_NE(ImportPNGFrames(job, Palette::BuiltIn()).message().find("one sheet picture"),
            std::string::npos);
  job.frames = {dir.File("sheet.png")};
  job.slx_path = dir.File("outside.json");
  EXPECT_FALSE(ImportPNGFrames(job, Palette::BuiltIn()).ok());
  EXPECT_EQ(fs::file_size(dir.File("outside.json")), 84u);
}

}  // namespace
}  // namespace zorv
