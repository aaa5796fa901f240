// The editor program run from a terminal: what it answers without opening
// a window, and how it ends when it cannot open one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/Version.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

// Runs the editor with the display settings taken away; `environment` adds
// back what a test wants. A guard ends a run that opened a window after all,
// so that failing here cannot hang the suite.
test::CommandResult Editor(const std::string& arguments, const std::string& environment = "") {
  return test::RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + environment +
                          " timeout 60 '" ZORV_EDITOR_PATH "' " + arguments);
}

// An X display number that no server listens on, by socket file or by
// abstract socket.
std::string UnusedDisplay() {
  std::ifstream sockets("/proc/net/unix");
  std::stringstream listed;
  listed << sockets.rdbuf();
  for (int number = 4000; number < 5000; ++number) {
    const std::string digits = std::to_string(number);
    std::string socket = "/tmp/.X11-unix/X";
    socket += digits;
    if (!std::filesystem::exists(socket) && listed.str().find(socket) == std::string::npos)
      return ":" + digits;
  }
  return ":4999";
}

TEST(EditorProgram, HelpAnswersOnTheTerminalWithoutADisplay) {
  for (const char* flag : {"--help", "-h"}) {
    const test::CommandResult help = Editor(flag);
    EXPECT_EQ(help.status, 0) << flag << "\n" << help.err;
    EXPECT_EQ(help.out.rfind("Usage: zorv-mod-editor [FILE]\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("--version"), std::string::npos);
    EXPECT_EQ(help.err, "");
  }
  // Whatever else the line holds.
  EXPECT_EQ(Editor("castle.mpr --help").status, 0);
}

TEST(EditorProgram, VersionIsTheOneTheBuildDefines) {
  for (const char* flag : {"--version", "-v"}) {
    const test::CommandResult version = Editor(flag);
    EXPECT_EQ(version.status, 0) << flag << "\n" << version.err;
    EXPECT_EQ(version.out, std::string("zorv-mod-editor ") + kProgramVersion + "\n");
    EXPECT_EQ(version.err, "");
  }
}

TEST(EditorProgram, NoDisplayEndsWithAMessageAndStatusOne) {
  const test::CommandResult started = Editor("");
  EXPECT_EQ(started.status, 1) << started.err;
  EXPECT_EQ(started.out, "");
  EXPECT_EQ(started.err.rfind("zorv-mod-editor: there is no display to show the editor's windows on "
                              "(neither DISPLAY nor WAYLAND_DISPLAY is set).\n",
                              0),
            0u)
      << started.err;
  // A file to open changes nothing.
  EXPECT_EQ(Editor("castle.mpr").status, 1);
}

TEST(EditorProgram, DisplayThatCannotBeOpenedEndsWithAMessageAndStatusOne) {
  const std::string display = UnusedDisplay();
  const test::CommandResult started = Editor("", "DISPLAY=" + display);
  // Qt on its own aborts here, which RunCommand gives as -1.
  EXPECT_EQ(started.status, 1) << started.err;
  EXPECT_EQ(started.out, "");
  EXPECT_EQ(started.err.rfind("zorv-mod-editor: the editor's windows cannot be shown: Qt could not "
                              "open the display (DISPLAY=" + display + ").\n",
                              0),
            0u)
      << started.err;
  // Qt's own account follows.
  EXPECT_NE(started.err.find("could not connect to display " + display), std::string::npos)
      << started.err;

  const test::CommandResult unknown = Editor("", "QT_QPA_PLATFORM=no-such-platform");
  EXPECT_EQ(unknown.status, 1) << unknown.err;
  EXPECT_NE(unknown.err.find("(QT_QPA_PLATFORM=no-such-platform)"), std::string::npos)
      << unknown.err;
}

TEST(EditorProgram, UsageErrorsEndWithStatusTwoBeforeAnyWindow) {
  const test::CommandResult unknown = Editor("--open castle.mpr", "QT_QPA_PLATFORM=offscreen");
  EXPECT_EQ(unknown.status, 2) << unknown.err;
  EXPECT_NE(unknown.err.find("zorv-mod-editor: unknown option \"--open\"\n"
                             "Run zorv-mod-editor --help for the usage.\n"),
            std::string::npos)
      << unknown.err;
  // Qt's options are Qt's: -platform chooses the platform and is not a file.
  const test::CommandResult two = Editor("-platform offscreen a.mpr b.slx");
  EXPECT_EQ(two.status, 2) << two.err;
  EXPECT_NE(two.err.find("one file at a time, not 2"), std::string::npos) << two.err;
}

}  // namespace
}  // namespace zorv
