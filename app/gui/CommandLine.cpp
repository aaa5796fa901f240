#include "app/gui/CommandLine.h"

#include "common/Version.h"

namespace zorv::gui {

EarlyRequest ReadEarlyRequest(const std::vector<std::string>& arguments) {
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--") break;
    if (argument == "--help" || argument == "-h") return EarlyRequest::Help;
    if (argument == "--version" || argument == "-v") return EarlyRequest::Version;
  }
  return EarlyRequest::Start;
}

StartRequest ReadStartRequest(const std::vector<std::string>& arguments) {
  StartRequest request;
  std::vector<std::string> files;
  bool options_end = false;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!options_end && argument == "--") {
      options_end = true;
    } else if (!options_end && argument.size() > 1 && argument[0] == '-') {
      request.error = "unknown option \"" + argument + "\"";
      return request;
    } else {
      files.push_back(argument);
    }
  }
  if (files.size() > 1) {
    request.error = "one file at a time, not " + std::to_string(files.size());
  } else if (files.size() == 1 && files[0].empty()) {
    request.error = "the file name is empty";
  } else if (files.size() == 1) {
    request.file = files[0];
  }
  return request;
}

std::string HelpText() {
  return std::string("Usage: ") + kEditorProgram + " [FILE]\n" +
         "\n"
         "Zorv Mod Editor " + kProgramVersion + ": builds modifications of the game from its\n"
         "sprites, sounds and data files, and compiles them into a mod package.\n"
         "\n"
         "FILE, when given, opens at start:\n"
         "  a mod project (.mpr)   as File > Open... opens it\n"
         "  an SLX graphic (.slx)  in the SLX editor, as \"Display graphic\" shows it\n"
         "\n"
         "Options:\n"
         "  -h, --help     show this help and exit\n"
         "  -v, --version  show the version and exit\n"
         "  --             what follows is a file name, even when it starts with \"-\"\n"
         "\n"
         "Qt's own options, such as -platform NAME or -style NAME, are taken too.\n"
         "The windows need a display; batch work without one is for the command\n"
         "line program zorv (zorv --help).\n"
         "\n"
         "Exit status: 0 once the main window is closed, 1 when no display can be\n"
         "opened, 2 for a usage error.\n";
}

std::string VersionText() {
  return std::string(kEditorProgram) + " " + kProgramVersion + "\n";
}

std::string UsageErrorText(const std::string& error) {
  return std::string(kEditorProgram) + ": " + error + "\nRun " + kEditorProgram +
         " --help for the usage.\n";
}

}  // namespace zorv::gui
