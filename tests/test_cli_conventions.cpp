// The command line's manners: errors that say what went wrong the same way
// every time, help for each command, and a mistyped command named as such.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/SLPTestFiles.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

class CLIConventionsTest : public ::testing::Test {
 protected:
  static std::string Quote(const std::string& text) { return "'" + text + "'"; }

  test::CommandResult Zorv(const std::string& arguments) {
    return test::RunCommand(Quote(test::ZorvProgram()) + " " + arguments);
  }

  static std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

  test::TempDir dir;
};

TEST_F(CLIConventionsTest, AMistypedCommandIsNamedWithTheNearestOne) {
  const struct {
    const char* arguments;
    const char* said;
  } cases[] = {
      {"slp2sxl a.slp b.slx", "Error: unknown command 'slp2sxl'; did you mean 'slp2slx'?"},
      {"slx2sl a.slx", "Error: unknown command 'slx2sl'; did you mean 'slx2slp'?"},
      {"inof a.slp", "Error: unknown command 'inof'; did you mean 'info'?"},
      {"project nwe a.mpr", "Error: unknown command 'nwe'; did you mean 'new'?"},
      // Nothing near: no guess.
      {"frobnicate", "Error: unknown command 'frobnicate'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const test::CommandResult result = Zorv(c.arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(FirstLine(result.err), c.said) << result.err;
    EXPECT_EQ(result.out, "");
  }
}

TEST_F(CLIConventionsTest, EveryUsageErrorStartsWithError) {
  test::WriteFileBytes(dir.File("p.mpr"), "");
  for (const std::string& arguments :
       {std::string(""), std::string("slp2slx"), std::string("slp2slx only-one.slp"),
        std::string("icon a.bmp b.dat --flags 1024"), std::string("icon a.bmp b.dat --flags many"),
        std::string("info"), std::string("info --version"), std::string("--no-such-option"),
        std::string("project"), "project set " + Quote(dir.File("p.mpr")) + " 1",
        "project set " + Quote(dir.File("p.mpr")) + " 1 --target nowhere",
        std::string("help slp2sxl")}) {
    SCOPED_TRACE(arguments);
    const test::CommandResult result = Zorv(arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err.rfind("Error: ", 0), 0u) << result.err;
  }
}

TEST_F(CLIConventionsTest, HelpCommandShowsWhatTheHelpOptionShows) {
  for (const std::string command :
       {"slp2slx", "slx2slp", "icon", "info", "compile", "unpack", "autogen", "project",
        "project add", "project set", "help"}) {
    SCOPED_TRACE(command);
    const test::CommandResult asked = Zorv("help " + command);
    const test::CommandResult option = Zorv(command + " --help");
    EXPECT_EQ(asked.status, 0) << asked.err;
    EXPECT_EQ(option.status, 0);
    EXPECT_NE(asked.out.find("Usage: zorv " + command + " "), std::string::npos) << asked.out;
    EXPECT_EQ(asked.out, option.out);
  }
  const test::CommandResult program = Zorv("help");
  EXPECT_EQ(program.status, 0);
  EXPECT_EQ(program.out, Zorv("--help").out);
  EXPECT_NE(program.out.find("slp2slx"), std::string::npos);

  const test::CommandResult mistyped = Zorv("help project ad");
  EXPECT_EQ(mistyped.status, 2);
  EXPECT_EQ(FirstLine(mistyped.err), "Error: unknown command 'ad'; did you mean 'add'?");
}

// How often text occurs in what.
size_t Occurrences(const std::string& what, const std::string& text) {
  size_t count = 0;
  for (size_t at = what.find(text); at != std::string::npos; at = what.find(text, at + 1)) ++count;
  return count;
}

TEST_F(CLIConventionsTest, NoMessageNamesAPathTwice) {
  // An SLP whose frame table points beyond the file's end, a graphic whose
  // colour bitmap is missing, files of the wrong content.
  std::string slp = test::BuildSLP({test::OneRowFrame(2, 0, 0, {0x2B, 0x0F})});
  slp[36] = slp[37] = slp[38] = '\x7f';
  test::WriteFileBytes(dir.File("far.slp"), slp);
  test::WriteFileBytes(dir.File("g.slx"), "SLX 0.5\r\n1\r\n0,0\r\ngd.bmp\r\ng.bmp\r\n");
  test::WriteFileBytes(dir.File("junk.slp"), "x");
  test::WriteFileBytes(dir.File("bad.pal"), "not a palette");
  test::WriteFileBytes(dir.File("bad.mpr"), "not a project");
  std::filesystem::create_directory(dir.path() / "folder.slp");
  const std::string far = Quote(dir.File("far.slp")), g = Quote(dir.File("g.slx"));
  for (const std::string& arguments :
       {"info " + far, "slp2slx " + far + " " + Quote(dir.File("o.slx")),
        "info " + Quote(dir.File("junk.slp")), "info " + Quote(dir.File("none.slp")),
        "info " + Quote(dir.File("folder.slp")), "info " + Quote(dir.File("bad.pal")),
        "info " + Quote(dir.File("bad.mpr")), "autogen " + g + " --frame 1",
        "slx2slp " + g + " " + Quote(dir.File("o.slp")),
        "slx2slp " + Quote(dir.File("none.slx")) + " " + Quote(dir.File("o.slp")),
        "compile " + Quote(dir.File("bad.mpr")) + " " + Quote(dir.File("o.mpi")),
        "unpack " + Quote(dir.File("junk.slp")) + " -o " + Quote(dir.File("unpacked")),
        "icon " + Quote(dir.File("junk.slp")) + " " + Quote(dir.File("o.dat")),
        "slp2slx " + Quote(dir.File("junk.slp")) + " " + Quote(dir.File("o.slx")) +
            " --palette " + Quote(dir.File("bad.pal"))}) {
    SCOPED_TRACE(arguments);
    const test::CommandResult result = Zorv(arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind("Error: ", 0), 0u) << result.err;
    // Every file of the temporary folder that the message names, once.
    for (const char* name : {"far.slp", "g.slx", "g.bmp", "junk.slp", "none.slp", "folder.slp",
                             "bad.pal", "bad.mpr", "none.slx"})
      EXPECT_LE(Occurrences(result.err, dir.File(name)), 1u) << result.err;
    EXPECT_GE(Occurrences(result.err, dir.path().string()), 1u) << result.err;
  }
}

}  // namespace
}  // namespace zorv
