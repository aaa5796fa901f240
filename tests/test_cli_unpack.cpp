// `zorv unpack` run as a user would from the shell: a mod compiled,
// unpacked and compiled again gives the same package; the messages and exit
// statuses of a damaged package, a folder in use and a wrong command line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "codec/DIBSection.h"
#include "codec/Palettes.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {
namespace fs = std::filesystem;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

class CLIUnpackTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir.File(name); }

  test::CommandResult Expect(int status, const std::string& arguments) {
    test::CommandResult result = test::RunCommand("TEMP=" + Quote(temp.path().string()) + " " +
                                                  Quote(test::ZorvProgram()) + " " + arguments);
    EXPECT_EQ(result.status, status) << arguments << "\n" << result.out << result.err;
    return result;
  }

  // A project of a readme, an icon with flags, a sound and a language file,
  // compiled into mod.mpi.
  void CompileMod() {
    cDIBSection icon;
    ASSERT_TRUE(icon.Create(3, 2));
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) icon.SetPixel(x, y, Palette::BuiltIn().Colour(7));
    ASSERT_TRUE(icon.SavePicture(Path("castle.bmp")));
    test::WriteFileBytes(Path("readme.txt"), "Sample mod\r\n");
    test::WriteFileBytes(Path("5001.wav"), std::string(300, 'w'));
    test::WriteFileBytes(Path("strings.dll"), std::string(200, 'd'));
    const std::string mpr = Quote(Path("mod.mpr"));
    Expect(0, "project new " + mpr + " --title 'Sample mod'");
    Expect(0, "project add " + mpr + " " + Quote(Path("readme.txt")) + " " +
                  Quote(Path("castle.bmp")) + " " + Quote(Path("5001.wav")) + " " +
                  Quote(Path("strings.dll")));
    Expect(0, "project set " + mpr + " 2 --icon-flags 517");
    Expect(0, "compile " + mpr + " " + Quote(Path("mod.mpi")));
  }

  test::TempDir dir;
  test::TempDir temp;
};

TEST_F(CLIUnpackTest, UnpackedModCompilesToTheSamePackage) {
  CompileMod();
  test::CommandResult unpacked =
      Expect(0, "unpack " + Quote(Path("mod.mpi")) + " -o " + Quote(Path("out")));
  EXPECT_NE(unpacked.out.find("5 files written; the project is "), std::string::npos)
      << unpacked.out;
  EXPECT_EQ(unpacked.err, "");
  EXPECT_TRUE(fs::exists(Path("out/0.bmp")));
  EXPECT_TRUE(fs::exists(Path("out/5001.wav")));
  EXPECT_TRUE(fs::exists(Path("out/language.dll")));
  Expect(0, "compile " + Quote(Path("out/mod.mpr")) + " " + Quote(Path("again.mpi")));
  EXPECT_EQ(test::ReadFileBytes(Path("again.mpi")), test::ReadFileBytes(Path("mod.mpi")));

  // Again into the same folder: refused, then taken with --force.
  test::CommandResult refused =
      Expect(1, "unpack " + Quote(Path("mod.mpi")) + " -o " + Quote(Path("out")));
  EXPECT_NE(refused.err.find("Error: Error unpacking package!\n"), std::string::npos);
  EXPECT_NE(refused.err.find("give --force"), std::string::npos);
  Expect(0, "unpack " + Quote(Path("mod.mpi")) + " -o " + Quote(Path("out")) + " --force");
}

TEST_F(CLIUnpackTest, DamagedPackagesAndWrongCommandLines) {
  test::WriteFileBytes(Path("cut.mpi"), "MPI 0.6 \x05");
  test::CommandResult damaged =
      Expect(1, "unpack " + Quote(Path("cut.mpi")) + " -o " + Quote(Path("out")));
  EXPECT_NE(damaged.err.find("Error: Error unpacking package!\n"), std::string::npos);
  EXPECT_NE(damaged.err.find("not an MPI package"), std::string::npos);
  EXPECT_FALSE(fs::exists(Path("out")));

  Expect(2, "unpack " + Quote(Path("cut.mpi")));               // no -o
  EXPECT_NE(Expect(1, "unpack " + Quote(Path("missing.mpi")) + " -o " + Quote(Path("x")))
                .err.find("File does not exist"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(Path("x")));

  test::CommandResult help = Expect(0, "help unpack");
  EXPECT_NE(help.out.find("--force"), std::string::npos);
  EXPECT_NE(Expect(0, "--help").out.find("unpack"), std::string::npos);
}

TEST_F(CLIUnpackTest, DifferencesAreWarnedAbout) {
  // A package without readme text unpacks, with a warning that its project
  // needs one.
  std::string package = "MPI 0.6 ";
  test::PutU16(package, 0);
  test::PutU16(package, 1);
  test::PutU16(package, 0);
  package += "t";
  test::WriteFileBytes(Path("bare.mpi"), package);
  test::CommandResult unpacked =
      Expect(0, "unpack " + Quote(Path("bare.mpi")) + " -o " + Quote(Path("out")));
  EXPECT_NE(unpacked.err.find("Warning: compiling the project will not give the same "
                              "package: the package has no readme text"),
            std::string::npos)
      << unpacked.err;
  EXPECT_TRUE(fs::exists(Path("out/bare.mpr")));
}

}  // namespace
}  // namespace zorv
