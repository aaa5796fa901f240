// `zorv export --format sheet|gif`: the command line writes what the export
// functions write, under the names a batch gives each graphic, for SLP and
// SLX files alike, and refuses frame ranges and delays it cannot honour.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "codec/ExportFrames.h"
#include "codec/SLPReader.h"
#include "tests/GIFReadBack.h"
#include "tests/PNGReadBack.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

test::CommandResult Zorv(const std::string& arguments) {
  return test::RunCommand(Quote(test::ZorvProgram()) + " " + arguments);
}

// The files of a folder and its subfolders, relative to it, sorted.
std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file())
      files.push_back(fs::relative(entry.path(), folder).generic_string());
  std::sort(files.begin(), files.end());
  return files;
}

class CLIExportSheetGIFTest : public ::testing::Test {
 protected:
  // in/unit.slp and in/gfx/unit2.slx (the same graphic as an SLX).
  void MakeInputs() {
    fs::create_directories(dir.File("in/gfx"));
    fs::copy_file(test::SamplesDir() + "unit.slp", dir.File("in/unit.slp"));
    ASSERT_TRUE(ConvertSLPToSLX(dir.File("in/unit.slp"), dir.File("in/gfx/unit2.slx"), palette())
                    .ok());
  }
  static const Palette& palette() { return Palette::BuiltIn(); }

  test::TempDir dir;
};

TEST_F(CLIExportSheetGIFTest, ASheetOfAnSLPAndOfAnSLXInOneBatch) {
  ZORV_REQUIRE_SAMPLES();
  MakeInputs();
  auto run = Zorv("export -j 2 --format sheet --player 3 -o " + Quote(dir.File("out")) + " " +
                  Quote(dir.File("in")));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_NE(run.out.find("2 converted, 0 failed"), std::string::npos) << run.out;
  EXPECT_EQ(FilesIn(dir.File("out")),
            (std::vector<std::string>{"gfx/unit2/unit2.json", "gfx/unit2/unit2.png",
                                      "unit/unit.json", "unit/unit.png"}));
  // What the export function writes, from either file.
  ExportSettings settings;
  settings.Format = ExportFormat::kSheet;
  settings.Render.Player = 3;
  ASSERT_TRUE(ExportSLPFrames(dir.File("in/unit.slp"), dir.File(""), "direct", palette(), settings)
                  .ok());
  const test::PNGReadBack direct = test::ReadPNGBack(dir.File("direct.png"));
  ASSERT_TRUE(direct.ok);
  for (const std::string title : {"unit/unit", "gfx/unit2/unit2"}) {
    SCOPED_TRACE(title);
    const test::PNGReadBack sheet = test::ReadPNGBack(dir.File("out/" + title + ".png"));
    ASSERT_TRUE(sheet.ok) << sheet.error;
    EXPECT_EQ(sheet.pixels, direct.pixels);
    const nlohmann::json list =
        nlohmann::json::parse(test::ReadFileBytes(dir.File("out/" + title + ".json")));
    EXPECT_EQ(list.at("image"), fs::path(title).filename().string() + ".png");
    EXPECT_EQ(list.at("frames").size(), 50u);
  }
}

TEST_F(CLIExportSheetGIFTest, AGIFOfAnSLPAndOfAnSLXWithARangeAndADelay) {
  ZORV_REQUIRE_SAMPLES();
  MakeInputs();
  auto slp = Zorv("export -q --format gif --frames 3-9 --delay 70 -o " + Quote(dir.File("a")) +
                  " " + Quote(dir.File("in/unit.slp")));
  ASSERT_EQ(slp.status, 0) << slp.err;
  auto slx = Zorv("export -q --format gif --frames 3-9 --delay 70 -o " + Quote(dir.File("b")) +
                  " " + Quote(dir.File("in/gfx/unit2.slx")));
  ASSERT_EQ(slx.status, 0) << slx.err;
  EXPECT_EQ(FilesIn(dir.File("a")), std::vector<std::string>{"unit/unit.gif"});
  EXPECT_EQ(FilesIn(dir.File("b")), std::vector<std::string>{"unit2/unit2.gif"});
  const test::GIFReadBack a = test::ReadGIFBack(dir.File("a/unit/unit.gif"));
  const test::GIFReadBack b = test::ReadGIFBack(dir.File("b/unit2/unit2.gif"));
  ASSERT_TRUE(a.ok) << a.error;
  ASSERT_TRUE(b.ok) << b.error;
  ASSERT_EQ(a.frames.size(), 7u);
  ASSERT_EQ(b.frames.size(), 7u);
  EXPECT_TRUE(a.loops_for_ever);
  for (size_t k = 0; k < 7; ++k) {
    EXPECT_EQ(a.frames[k].delay, 7);
    EXPECT_EQ(a.frames[k].indices, b.frames[k].indices) << "frame " << k + 3;
  }
  // "A-" runs to the last frame; the default is every frame.
  auto to_end = Zorv("export -q --format gif --frames 45- -o " + Quote(dir.File("c")) + " " +
                     Quote(dir.File("in/unit.slp")));
  ASSERT_EQ(to_end.status, 0) << to_end.err;
  EXPECT_EQ(test::ReadGIFBack(dir.File("c/unit/unit.gif")).frames.size(), 6u);
  auto all = Zorv("export -q --format gif -o " + Quote(dir.File("d")) + " " +
                  Quote(dir.File("in/unit.slp")));
  ASSERT_EQ(all.status, 0) << all.err;
  const test::GIFReadBack every = test::ReadGIFBack(dir.File("d/unit/unit.gif"));
  EXPECT_EQ(every.frames.size(), 50u);
  EXPECT_EQ(every.frames.at(0).delay, 10);
}

TEST_F(CLIExportSheetGIFTest, BadRangesAndDelaysAreRefusedWithAClearMessage) {
  ZORV_REQUIRE_SAMPLES();
  MakeInputs();
  struct Case {
    std::string options, says;
    int status;
  };
  for (const Case& c : std::vector<Case>{
           {"--format gif --frames 5-3", "--frames 5-3: give the first and the last frame", 2},
           {"--format gif --frames 3-0", "--frames 3-0: give the first and the last frame", 2},
           {"--format gif --frames 0-4", "--frames 0-4: give", 2},
           {"--format gif --frames x", "--frames x: give", 2},
           {"--format gif --frames 1-51",
            "unit.slp: Frames 1 to 51 are not frames of this graphic, which has 50.", 1},
           {"--format gif --frames 60-", "Frames 60 to 50 are not frames", 1},
           {"--format gif --delay 0", "--delay", 2},
           {"--format gif --delay -100", "--delay", 2},
           {"--format png --frames 1-2", "--frames chooses the frames of a GIF", 2},
           {"--format sheet --delay 50", "--delay times the frames of a GIF", 2},
       }) {
    SCOPED_TRACE(c.options);
    auto run = Zorv("export -q -o " + Quote(dir.File("out")) + " " + c.options + " " +
                    Quote(dir.File("in/unit.slp")));
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.err.find("Error: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir.File("out/unit/unit.gif")));
    EXPECT_FALSE(fs::exists(dir.File("out/unit/unit.png")));
  }
}

}  // namespace
}  // namespace zorv
