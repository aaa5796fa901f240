// The command line's manners: errors that say what went wrong the same way
// every time, help for each command, and a mistyped command named as such.
#include <gtest/gtest.h>

#include <string>

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
       {"slp2slx", "slx2slp", "icon", "info", "compile", "autogen", "project", "project add",
        "project set"}) {
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

}  // namespace
}  // namespace zorv
