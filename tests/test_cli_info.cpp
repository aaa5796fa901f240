// `zorv info`: every kind of file told by its content, damaged and missing
// files refused, and the --json output read back with a JSON library.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/DRSWriter.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "tests/SLPTestFiles.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class CLIInfoTest : public ::testing::Test {
 protected:
  static std::string Quote(const std::string& text) { return "'" + text + "'"; }

  test::CommandResult Zorv(const std::string& arguments) {
    return test::RunCommand(Quote(test::ZorvProgram()) + " " + arguments);
  }

  // `info --json` of the file, parsed; a failure of the command or of the
  // parse fails the test.
  json InfoJson(const std::string& path) {
    const test::CommandResult result = Zorv("info --json " + Quote(path));
    EXPECT_EQ(result.status, 0) << path << ": " << result.err;
    json parsed = json::parse(result.out, nullptr, /*allow_exceptions=*/false);
    EXPECT_FALSE(parsed.is_discarded()) << result.out;
    return parsed;
  }

  // A palette in JASC-PAL text whose colour i is (i, 255 - i, i / 2).
  static std::string PaletteText() {
    std::string text = "JASC-PAL\r\n0100\r\n256\r\n";
    for (int i = 0; i < 256; ++i)
      text += std::to_string(i) + " " + std::to_string(255 - i) + " " + std::to_string(i / 2) +
              "\r\n";
    return text;
  }

  // One file of each kind, named with its own extension.
  void MakeOneOfEachKind() {
    std::vector<test::TestFrame> frames = {test::OneRowFrame(3, 3, 0, {0x0F}),
                                           test::OneRowFrame(2, 0, 0, {0x2B, 0x0F})};
    frames[1].hot_x = -4;
    test::WriteFileBytes(dir.File("two.slp"), test::BuildSLP(frames));
    ASSERT_EQ(Zorv("slp2slx " + Quote(dir.File("two.slp")) + " " + Quote(dir.File("two.slx")))
                  .status,
              0);
    test::WriteFileBytes(dir.File("two.pal"), PaletteText());
    ASSERT_TRUE(test::FilledBitmap(5, 3, RGBColour(10, 20, 30)).SavePicture(dir.File("b.bmp")));
    test::WriteFileBytes(dir.File("readme.txt"), "Read me");
    ASSERT_EQ(Zorv("project new " + Quote(dir.File("p.mpr")) + " --title Tiny").status, 0);
    ASSERT_EQ(Zorv("project add " + Quote(dir.File("p.mpr")) + " " + Quote(dir.File("readme.txt")) +
                   " " + Quote(dir.File("two.slx")))
                  .status,
              0);
    ASSERT_EQ(Zorv("compile " + Quote(dir.File("p.mpr")) + " " + Quote(dir.File("p.mpi"))).status,
              0);
  }

  test::TempDir dir;
};

TEST_F(CLIInfoTest, EachKindIsToldByItsContentWhateverItsExtension) {
  ASSERT_NO_FATAL_FAILURE(MakeOneOfEachKind());
  const struct {
    const char* file;
    const char* kind;
    const char* headline;
  } kinds[] = {{"two.slp", "SLP", "SLP file "},   {"two.slx", "SLX", "SLX file "},
               {"p.mpr", "MPR", "Mod project "},  {"p.mpi", "MPI", "MPI package "},
               {"b.bmp", "BMP", "BMP file "},     {"two.pal", "PAL", "JASC-PAL palette "}};
  for (const auto& k : kinds) {
    // No extension, an extension of no kind, and the extension of another
    // kind: the content decides.
    const std::string misnamed_as = std::string(k.kind) == "SLP" ? "x.bmp" : "x.slp";
    for (const std::string& name : {std::string("noext"), std::string("x.dat"), misnamed_as}) {
      SCOPED_TRACE(std::string(k.file) + " as " + name);
      const std::string path = dir.File(std::string(k.kind) + "-" + name);
      fs::copy_file(dir.File(k.file), path);
      const test::CommandResult text = Zorv("info " + Quote(path));
      EXPECT_EQ(text.status, 0) << text.err;
      EXPECT_EQ(text.out.rfind(k.headline + path, 0), 0u) << text.out;
      const json described = InfoJson(path);
      EXPECT_EQ(described.value("kind", ""), k.kind);
      EXPECT_EQ(described.value("file", ""), path);
    }
  }
}

TEST_F(CLIInfoTest, JsonOutputHoldsWhatTheFilesHold) {
  ASSERT_NO_FATAL_FAILURE(MakeOneOfEachKind());
  fs::remove(dir.File("two_002d.bmp"));

  const json slp = InfoJson(dir.File("two.slp"));
  SLPFile file;
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  ASSERT_TRUE(ReadSLPHeader(dir.File("two.slp"), file, header, frames).ok());
  EXPECT_EQ(slp["version"], "2.0N");
  EXPECT_EQ(slp["bytes"], file.Size());
  ASSERT_EQ(slp["frames"].size(), frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    const json& f = slp["frames"][i];
    EXPECT_EQ(f["width"], frames[i].Width);
    EXPECT_EQ(f["height"], frames[i].Height);
    EXPECT_EQ(f["hotspot_x"], frames[i].HotSpotX);
    EXPECT_EQ(f["hotspot_y"], frames[i].HotSpotY);
    EXPECT_EQ(f["command_table_offset"], frames[i].CommandTableOffset);
    EXPECT_EQ(f["outline_table_offset"], frames[i].OutlineTableOffset);
  }
  EXPECT_EQ(slp["frames"][1]["hotspot_x"], -4);

  const json slx = InfoJson(dir.File("two.slx"));
  ASSERT_EQ(slx["frames"].size(), 2u);
  EXPECT_EQ(slx["frames"][0]["data_file"], "two_001d.bmp");
  EXPECT_EQ(slx["frames"][0]["data_present"], true);
  EXPECT_EQ(slx["frames"][1]["data_present"], false);
  EXPECT_EQ(slx["frames"][1]["colour_present"], true);
  EXPECT_EQ(slx["frames"][1]["hotspot_x"], -4);
  EXPECT_EQ(slx["missing_bitmaps"], 1);

  const json mpr = InfoJson(dir.File("p.mpr"));
  EXPECT_EQ(mpr["title"], "Tiny");
  ASSERT_EQ(mpr["resources"].size(), 2u);
  EXPECT_EQ(mpr["resources"][0]["target"], "readme");
  EXPECT_EQ(mpr["resources"][1]["kind"], "SLX");
  EXPECT_EQ(mpr["resources"][0]["size"], 7);

  const json mpi = InfoJson(dir.File("p.mpi"));
  EXPECT_EQ(mpi["title"], "Tiny");
  EXPECT_EQ(mpi["readme_bytes"], 7);
  EXPECT_EQ(mpi["bytes"], fs::file_size(dir.File("p.mpi")));
  ASSERT_EQ(mpi["entries"].size(), 1u);
  EXPECT_EQ(mpi["entries"][0]["kind"], "SLX");

  const json bmp = InfoJson(dir.File("b.bmp"));
  EXPECT_EQ(bmp["width"], 5);
  EXPECT_EQ(bmp["height"], 3);

  const json pal = InfoJson(dir.File("two.pal"));
  Palette palette;
  ASSERT_TRUE(LoadPalette(dir.File("two.pal"), palette).ok());
  ASSERT_EQ(pal["colours"].size(), 256u);
  for (int i = 0; i < 256; ++i) {
    const ColourValue c = palette.Colour(i);
    EXPECT_EQ(pal["colours"][i], json::array({RedOf(c), GreenOf(c), BlueOf(c)})) << i;
  }
  EXPECT_EQ(pal["colours"][200], json::array({200, 55, 100}));
}

TEST_F(CLIInfoTest, MissingAndDamagedFilesFailWithOne) {
  const auto expect_failure = [&](const std::string& path, const std::string& reason) {
    SCOPED_TRACE(path);
    for (const char* json_flag : {"", "--json "}) {
      const test::CommandResult result = Zorv(std::string("info ") + json_flag + Quote(path));
      EXPECT_EQ(result.status, 1);
      EXPECT_EQ(result.out, "");
      EXPECT_EQ(result.err.rfind("Error: " + path + ": ", 0), 0u) << result.err;
      EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
      // The file is named once.
      EXPECT_EQ(result.err.find(path, 7 + path.size()), std::string::npos) << result.err;
    }
  };
  expect_failure(dir.File("none.slp"), "No such file");
  expect_failure(dir.File("none"), "No such file");

  // Cut inside the last frame's rows: the header and the frame table are
  // whole, the rows are not.
  std::vector<test::TestFrame> frames = {test::OneRowFrame(3, 3, 0, {0x0F}),
                                         test::OneRowFrame(4, 0, 0, {0x2B, 0x0F, 0x10, 0x11})};
  const std::string whole = test::BuildSLP(frames);
  test::WriteFileBytes(dir.File("cut.slp"), whole.substr(0, whole.size() - 3));
  expect_failure(dir.File("cut.slp"), "frame 2");
  fs::copy_file(dir.File("cut.slp"), dir.File("cut-noext"));
  expect_failure(dir.File("cut-noext"), "frame 2");

  ASSERT_TRUE(test::FilledBitmap(5, 3, RGBColour(10, 20, 30)).SavePicture(dir.File("b.bmp")));
  const std::string bmp = test::ReadFileBytes(dir.File("b.bmp"));
  test::WriteFileBytes(dir.File("cut.bmp"), bmp.substr(0, bmp.size() - 10));
  expect_failure(dir.File("cut.bmp"), "");

  // A file of no kind zorv knows is a mistake in the command, as before.
  test::WriteFileBytes(dir.File("notes.txt"), "just some notes\n");
  const test::CommandResult notes = Zorv("info " + Quote(dir.File("notes.txt")));
  EXPECT_EQ(notes.status, 2);
  EXPECT_EQ(notes.err.rfind("Error: ", 0), 0u) << notes.err;
}

TEST_F(CLIInfoTest, ATruncatedSampleSpriteIsReportedNotListed) {
  ZORV_REQUIRE_SAMPLES();
  const std::string unit = test::ReadFileBytes(test::SamplesDir() + "unit.slp");
  test::WriteFileBytes(dir.File("unit.slp"), unit.substr(0, unit.size() / 2));
  const test::CommandResult result = Zorv("info " + Quote(dir.File("unit.slp")));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.rfind("Error: " + dir.File("unit.slp") + ": frame ", 0), 0u) << result.err;

  test::WriteFileBytes(dir.File("whole"), unit);
  const json whole = InfoJson(dir.File("whole"));
  EXPECT_EQ(whole["kind"], "SLP");
  EXPECT_EQ(whole["frames"].size(), 50u);
}

// An archive holding the SLP made above and a palette, named without an
// extension so that only its content tells what it is.
TEST_F(CLIInfoTest, TextsFromAFileNeverReachTheTerminalAsControlCharacters) {
  // A project and its package whose title and resource name carry an
  // escape sequence (setting the terminal's title) and a C1 control.
  const std::string title = "Evil\x1b]0;owned\x07 title\x9b";
  test::WriteFileBytes(dir.File("readme.txt"), "Read me");
  test::WriteFileBytes(dir.File("evil.mpr"),
                       "Mod Project - v0.50\r\n" + title + "\r\n1\r\nname\x1b[2J\r\n" +
                           dir.File("readme.txt") + "\r\n5\r\n5\r\n0\r\n0\r\n");
  ASSERT_EQ(Zorv("compile " + Quote(dir.File("evil.mpr")) + " " + Quote(dir.File("evil.mpi")))
                .status,
            0);
  for (const char* file : {"evil.mpr", "evil.mpi"}) {
    SCOPED_TRACE(file);
    const test::CommandResult text = Zorv("info " + Quote(dir.File(file)));
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out.find('\x1b'), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find('\x07'), std::string::npos);
    EXPECT_EQ(text.out.find('\x9b'), std::string::npos);
    EXPECT_NE(text.out.find("Evil?]0;owned? title?"), std::string::npos) << text.out;
    // JSON keeps the title as it is, escaped by the JSON writer.
    EXPECT_EQ(InfoJson(dir.File(file))["title"].get<std::string>().substr(0, 5), "Evil\x1b");
  }
}

TEST_F(CLIInfoTest, AGameArchiveIsToldByItsContent) {
  DRSArchiveSource source;
  source.Tables.push_back({"slp", {DRSFileSource::FromBytes(1234, std::string(40, 's')),
                                   DRSFileSource::FromBytes(-3, "abc")}});
  source.Tables.push_back({"bina", {DRSFileSource::FromBytes(50500, PaletteText())}});
  std::string bytes;
  ASSERT_TRUE(DRSArchiveBytes(source, bytes).ok());
  test::WriteFileBytes(dir.File("graphics"), bytes);

  const json described = InfoJson(dir.File("graphics"));
  EXPECT_EQ(described["kind"], "DRS");
  EXPECT_EQ(described["version"], "1.00");
  ASSERT_EQ(described["tables"].size(), 2u);
  EXPECT_EQ(described["tables"][0]["type"], "slp");
  EXPECT_EQ(described["tables"][0]["files"][1]["id"], 1234);
  EXPECT_EQ(described["tables"][0]["files"][1]["size"], 40);
  EXPECT_EQ(described["tables"][1]["files"][0]["id"], 50500);

  const test::CommandResult text = Zorv("info " + Quote(dir.File("graphics")));
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out.rfind("Game archive ", 0), 0u) << text.out;
  EXPECT_NE(text.out.find("slp       2 files,           43 bytes, ids -3 to 1234"),
            std::string::npos)
      << text.out;

  // Damaged: a file whose data runs past the end. The reason is given.
  test::WriteFileBytes(dir.File("cut.drs"), bytes.substr(0, bytes.size() - 10));
  const test::CommandResult cut = Zorv("info " + Quote(dir.File("cut.drs")));
  EXPECT_EQ(cut.status, 1);
  EXPECT_EQ(cut.out, "");
  EXPECT_NE(cut.err.find("damaged archive: bina file 50500"), std::string::npos) << cut.err;
  // Too short for a header, named .drs: the extension says what it was meant to be.
  test::WriteFileBytes(dir.File("tiny.drs"), "tribe");
  const test::CommandResult tiny = Zorv("info --json " + Quote(dir.File("tiny.drs")));
  EXPECT_EQ(tiny.status, 1);
  EXPECT_NE(tiny.err.find("not a game archive"), std::string::npos) << tiny.err;
}

}  // namespace
}  // namespace zorv
