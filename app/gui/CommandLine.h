// What the editor's command line asks for. Read in two steps: --help and
// --version before any window system is touched (they must work without a
// display), the file to open once Qt has taken its own options (-platform,
// -style and the like) out of the line.
#pragma once

#include <string>
#include <vector>

namespace zorv::gui {

// The program's name as the terminal messages give it.
inline constexpr const char* kEditorProgram = "zorv-mod-editor";

enum class EarlyRequest { Start, Help, Version };

// --help (-h) or --version (-v) anywhere before "--" answers at once,
// whatever else the line holds. arguments[0] is the program.
EarlyRequest ReadEarlyRequest(const std::vector<std::string>& arguments);

struct StartRequest {
  std::string file;   // the file to open at start; empty for none
  std::string error;  // a usage error; empty when the line is good
};

// The line as Qt left it: at most one file, no options but "--", after
// which every argument is a file name.
StartRequest ReadStartRequest(const std::vector<std::string>& arguments);

std::string HelpText();
std::string VersionText();
// The usage error with the hint that follows it.
std::string UsageErrorText(const std::string& error);

}  // namespace zorv::gui
