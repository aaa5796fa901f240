// The project commands of the zorv command line, run as a user would from
// the shell: a whole mod built from real resources and read back, and the
// exit statuses and messages of wrong input.
#include <gtest/gtest.h>

#include <filesystem>

#include "codec/DIBSection.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "common/FileIO.h"
#include "package/MPIPackage.h"
#include "project/ModProject.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {
namespace fs = std::filesystem;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

test::CommandResult Zorv(const std::string& arguments, const std::string& environment = "") {
  return test::RunCommand(environment + " " + Quote(test::ZorvProgram()) + " " + arguments);
}

// A valid PCM WAV file: mono, 8 bits, 8000 samples a second.
std::string TinyWAV(size_t samples) {
  std::string data;
  for (size_t i = 0; i < samples; ++i) data.push_back(static_cast<char>(128 + (i % 16) * 4));
  std::string wav = "RIFF";
  test::PutU32(wav, static_cast<uint32_t>(36 + data.size()));
  wav += "WAVEfmt ";
  test::PutU32(wav, 16);
  test::PutU16(wav, 1);     // PCM
  test::PutU16(wav, 1);     // channels
  test::PutU32(wav, 8000);  // samples a second
  test::PutU32(wav, 8000);  // bytes a second
  test::PutU16(wav, 1);     // block size
  test::PutU16(wav, 8);     // bits a sample
  wav += "data";
  test::PutU32(wav, static_cast<uint32_t>(data.size()));
  return wav + data;
}

class CLIProjectTest : public ::testing::Test {
 protected:
  void SetUp() override { mpr = dir.File("mod.mpr"); }

  std::string Path(const std::string& name) const { return dir.File(name); }

  // Runs zorv and expects the status; returns the result for more checks.
  test::CommandResult Expect(int status, const std::string& arguments) {
    test::CommandResult result = Zorv(arguments, "TEMP=" + Quote(temp.path().string()));
    EXPECT_EQ(result.status, status) << arguments << "\n" << result.out << result.err;
    return result;
  }

  test::TempDir dir;
  test::TempDir temp;
  std::string mpr;
};

TEST_F(CLIProjectTest, AModFromRealResourcesCompilesAndReadsBackEntryByEntry) {
  ZORV_REQUIRE_SAMPLES();
  // A real graphic as SLX, an icon, a sound and a readme.
  Expect(0, "slp2slx " + Quote(test::SamplesDir() + "unit.slp") + " " + Quote(Path("815.slx")));
  cDIBSection icon;
  ASSERT_TRUE(icon.Create(5, 4));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) icon.SetPixel(x, y, Palette::BuiltIn().Colour(16 + 5 * y + x));
  ASSERT_TRUE(icon.SavePicture(Path("Castle.BMP")));
  std::string wav = TinyWAV(3000);
  test::WriteFileBytes(Path("5001 horn.wav"), wav);
  std::string readme = "Sample mod\r\nInstall with the installer.\r\n";
  test::WriteFileBytes(Path("readme.txt"), readme);

  Expect(0, "project new " + Quote(mpr) + " --title 'Sample mod'");
  test::CommandResult added =
      Expect(0, "project add " + Quote(mpr) + " " + Quote(Path("815.slx")) + " " +
                    Quote(Path("readme.txt")) + " " + Quote(Path("Castle.BMP")) + " " +
                    Quote(Path("5001 horn.wav")));
  EXPECT_NE(added.out.find("[castle]"), std::string::npos) << added.out;
  Expect(0, "project set " + Quote(mpr) + " 3 --icon-flags 264 --id 77");
  std::string package = Path("out.mpi");
  test::CommandResult compiled = Expect(0, "compile " + Quote(mpr) + " " + Quote(package));
  EXPECT_EQ(compiled.err, "");
  EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 0)
      << "temporary files were left behind";

  MPIPackage read;
  ASSERT_TRUE(ReadMPIPackage(package, read));
  EXPECT_EQ(read.Title, "Sample mod");
  EXPECT_EQ(read.Readme, readme);
  ASSERT_EQ(read.Entries.size(), 3u);

  // The graphic: kind 4 holding the SLP the converter makes of it.
  const MPIEntry& graphic = read.Entries[0];
  EXPECT_EQ(graphic.Kind, KindSLX);
  EXPECT_EQ(graphic.ReplaceTarget, kTargetGraphics);
  EXPECT_EQ(graphic.ResourceID, 815);
  std::string slp;
  ASSERT_TRUE(ReadMPIEntryData(package, graphic, slp));
  Expect(0, "slx2slp " + Quote(Path("815.slx")) + " " + Quote(Path("direct.slp")));
  EXPECT_EQ(slp, test::ReadFileBytes(Path("direct.slp")));
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  ASSERT_TRUE(ReadSLPHeader(SLPFile(slp), header, frames));
  EXPECT_EQ(header.FrameCount, 50);

  // The icon: kind 6 holding icon row data with the flags set above.
  const MPIEntry& castle = read.Entries[1];
  EXPECT_EQ(castle.Kind, KindBMP);
  EXPECT_EQ(castle.ReplaceTarget, kTargetIcon);
  EXPECT_EQ(castle.ResourceID, 77);
  std::string rows;
  ASSERT_TRUE(ReadMPIEntryData(package, castle, rows));
  ASSERT_GE(rows.size(), 12u + 16u);
  EXPECT_EQ(test::GetI32(rows, 0), 264);
  EXPECT_EQ(test::GetI32(rows, 4), 5);
  EXPECT_EQ(test::GetI32(rows, 8), 4);
  Expect(0, "icon " + Quote(Path("Castle.BMP")) + " " + Quote(Path("direct.icon")) +
                " --flags 264");
  EXPECT_EQ(rows, test::ReadFileBytes(Path("direct.icon")));

  // The sound: its bytes unchanged, the ID from its name.
  const MPIEntry& sound = read.Entries[2];
  EXPECT_EQ(sound.Kind, KindWAV);
  EXPECT_EQ(sound.ReplaceTarget, kTargetSounds);
  EXPECT_EQ(sound.ResourceID, 5001);
  std::string sound_bytes;
  ASSERT_TRUE(ReadMPIEntryData(package, sound, sound_bytes));
  EXPECT_EQ(sound_bytes, wav);

  test::CommandResult info = Expect(0, "info " + Quote(package));
  EXPECT_NE(info.out.find("entries 3"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find(std::to_string(graphic.Offset)), std::string::npos);
  EXPECT_NE(info.out.find(std::to_string(sound.Length)), std::string::npos);
}

TEST_F(CLIProjectTest, ProjectCommandsWriteTheFileTheEditorReads) {
  test::WriteFileBytes(Path("0815.SLP"), "slp");
  test::WriteFileBytes(Path("README.TXT"), "hi");
  Expect(0, "project new " + Quote(mpr));
  EXPECT_EQ(test::ReadFileBytes(mpr), "Mod Project - v0.50\r\nUnnamed\r\n0\r\n");
  Expect(0, "project add " + Quote(mpr) + " " + Quote(Path("0815.SLP")) + " " +
                Quote(Path("README.TXT")));
  Expect(0, "project set " + Quote(mpr) + " 1 --name 'Main unit' --target interfac --id -1");
  Expect(0, "project set " + Quote(mpr) + " 2 --target 6");
  Expect(0, "project title " + Quote(mpr) + " 'A title'");

  ModProject project;
  ASSERT_TRUE(LoadProjectFile(mpr, project));
  EXPECT_EQ(project.Title, "A title");
  ASSERT_EQ(project.ResourceCount, 2);
  EXPECT_EQ(project.Resource(1).Name, "Main unit");
  EXPECT_EQ(project.Resource(1).ReplaceTarget, 2);
  EXPECT_EQ(project.Resource(1).ResourceID, -1);
  EXPECT_EQ(project.Resource(1).Kind, KindSLP);
  // Stored as full paths, so the project works from any folder.
  EXPECT_TRUE(fs::path(project.Resource(1).FilePath).is_absolute());
  EXPECT_TRUE(fs::equivalent(project.Resource(1).FilePath, Path("0815.SLP")));
  EXPECT_EQ(project.Resource(2).Name, "readme");
  EXPECT_EQ(project.Resource(2).ReplaceTarget, 6);

  test::CommandResult info = Expect(0, "info " + Quote(mpr));
  for (const char* expected : {"title \"A title\"", "resources 2", "Main unit", "SLP",
                               "interfac", "language", "-1"})
    EXPECT_NE(info.out.find(expected), std::string::npos) << expected << "\n" << info.out;

  Expect(0, "project remove " + Quote(mpr) + " 1");
  ASSERT_TRUE(LoadProjectFile(mpr, project));
  ASSERT_EQ(project.ResourceCount, 1);
  EXPECT_EQ(project.Resource(1).Name, "readme");
}

TEST_F(CLIProjectTest, ValuesOutOfRangeAreUsageErrorsAndChangeNothing) {
  test::WriteFileBytes(Path("1.bin"), "b");
  Expect(0, "project new " + Quote(mpr));
  Expect(0, "project add " + Quote(mpr) + " " + Quote(Path("1.bin")));
  std::string before = test::ReadFileBytes(mpr);
  for (const std::string& arguments :
       {"set " + Quote(mpr) + " 1 --target 13", "set " + Quote(mpr) + " 1 --target nowhere",
        "set " + Quote(mpr) + " 1 --target 1.5",
        "set " + Quote(mpr) + " 1 --name " + std::string(31, 'n'),
        "set " + Quote(mpr) + " 1 --icon-flags 1024", "set " + Quote(mpr) + " 1 --icon-flags -1",
        "set " + Quote(mpr) + " 1 --id 2147483648", "set " + Quote(mpr) + " 1 --id 12.5",
        "set " + Quote(mpr) + " 2 --id 1", "set " + Quote(mpr) + " 0 --id 1",
        "set " + Quote(mpr) + " 1", "remove " + Quote(mpr) + " 2",
        "title " + Quote(mpr) + " " + std::string(51, 't'), "frobnicate " + Quote(mpr)}) {
    SCOPED_TRACE(arguments);
    Expect(2, "project " + arguments);
    EXPECT_EQ(test::ReadFileBytes(mpr), before);
  }
}

TEST_F(CLIProjectTest, FailuresExitOneWithTheMessageAndChangeNothing) {
  test::WriteFileBytes(Path("1.bin"), "b");
  test::WriteFileBytes(Path("picture.gif"), "png");
  Expect(0, "project new " + Quote(mpr));
  Expect(0, "project add " + Quote(mpr) + " " + Quote(Path("1.bin")));
  std::string before = test::ReadFileBytes(mpr);

  struct Case {
    std::string arguments;
    std::string message;
  } cases[] = {
      {"project new " + Quote(mpr), "Error: "},
      {"project remove " + Quote(mpr) + " 1", "Error: "},
      {"project add " + Quote(mpr) + " " + Quote(Path("1.bin")) + " " +
           Quote(Path("picture.gif")),
       "Error: Unrecognised file extension!"},
      {"project add " + Quote(mpr) + " " + Quote(Path("none.wav")), "Error: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    test::CommandResult result = Expect(1, c.arguments);
    EXPECT_EQ(result.err.rfind(c.message, 0), 0u) << result.err;
    EXPECT_EQ(test::ReadFileBytes(mpr), before);
  }
  Expect(0, "project new --force " + Quote(mpr));
  EXPECT_EQ(test::ReadFileBytes(mpr), "Mod Project - v0.50\r\nUnnamed\r\n0\r\n");
}

TEST_F(CLIProjectTest, CompileAndInfoReportBadFiles) {
  test::WriteFileBytes(Path("other.mpr"), "Mod project - v0.50\r\nT\r\n0\r\n");
  test::WriteFileBytes(Path("broken.mpr"), "Mod Project - v0.50\r\nT\r\nmany\r\n");
  test::WriteFileBytes(Path("broken.mpi"), "MPI 0.6 \x01");
  Expect(0, "project new " + Quote(mpr));

  test::CommandResult result = Expect(1, "compile " + Quote(Path("other.mpr")) + " " +
                                             Quote(Path("a.mpi")));
  EXPECT_EQ(result.err.rfind("Error: Unrecognised file format!", 0), 0u) << result.err;
  result = Expect(1, "compile " + Quote(Path("broken.mpr")) + " " + Quote(Path("a.mpi")));
  EXPECT_EQ(result.err.rfind("Error: Error opening project file!", 0), 0u) << result.err;
  result = Expect(1, "compile " + Quote(Path("missing.mpr")) + " " + Quote(Path("a.mpi")));
  EXPECT_EQ(result.err.rfind("Error: Error opening project file!", 0), 0u) << result.err;
  EXPECT_FALSE(fs::exists(Path("a.mpi")));

  result = Expect(1, "compile " + Quote(mpr) + " " + Quote(Path("a.mpi")));
  EXPECT_EQ(result.err, "Error: Readme file required!\n");
  EXPECT_EQ(fs::file_size(Path("a.mpi")), 0u);

  result = Expect(1, "info " + Quote(Path("broken.mpi")));
  EXPECT_EQ(result.err.rfind("Error: ", 0), 0u) << result.err;
  result = Expect(1, "info " + Quote(Path("broken.mpr")));
  EXPECT_EQ(result.err.rfind("Error: Error opening project file!", 0), 0u) << result.err;
  Expect(2, "compile " + Quote(mpr));
}

TEST_F(CLIProjectTest, AResourceThatCannotBeConvertedIsReportedOnce) {
  // A graphic whose bitmaps are missing, after the readme.
  test::WriteFileBytes(Path("readme.txt"), "hi");
  test::WriteFileBytes(Path("g.slx"), "SLX 0.5\r\n1\r\n0,0\r\ngd.bmp\r\ng.bmp\r\n");
  Expect(0, "project new " + Quote(mpr));
  Expect(0, "project add " + Quote(mpr) + " " + Quote(Path("readme.txt")) + " " +
                Quote(Path("g.slx")));
  test::WriteFileBytes(Path("a.mpi"), "older package");

  test::CommandResult result = Expect(1, "compile " + Quote(mpr) + " " + Quote(Path("a.mpi")));
  // The converter's message, then the resource it stopped, in one report.
  EXPECT_EQ(result.err.rfind("Error: ERROR: Unable to find all BMPs from the SLX! SLP will be "
                             "corrupted...\n",
                             0),
            0u)
      << result.err;
  EXPECT_NE(result.err.find("Resource 2 (\"g\")"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("Error: ", 1), std::string::npos) << result.err;
  EXPECT_EQ(test::ReadFileBytes(Path("a.mpi")), "older package");
  EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 0)
      << "temporary files were left behind";
}

}  // namespace
}  // namespace zorv
