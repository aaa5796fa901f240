// Everything the windows ask of the desktop: message and input boxes, file
// and colour dialogs, sound, the settings store, the screen and the cursor.
// The editor installs the Qt implementation; tests install a scripted one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "codec/Palettes.h"
#include "common/Status.h"

namespace zorv {

// One message box: text, title, icon and buttons.
enum class MsgIcon { None, Critical, Exclamation, Question, Information };
enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class MsgAnswer { OK, Cancel, Yes, No };

// The title of every window and of messages titled with the program's name.
inline constexpr const char* kAppTitle = "Zorv Mod Editor";

struct Message {
  std::string text;
  std::string title;
  MsgIcon icon = MsgIcon::None;
  MsgButtons buttons = MsgButtons::OK;
  // The answer a platform that cannot ask (a script) takes.
  MsgAnswer default_answer = MsgAnswer::OK;
};

}  // namespace zorv

namespace zorv::gui {

// A file dialog request. The filter is written "Description|*.a;*.b" with
// pairs separated by "|", as the program's texts give it.
struct FileDialogRequest {
  std::string title;
  std::string filter;
  std::string initial_name;  // the file name the dialog starts with
  bool prompt_overwrite = false;
  bool path_must_exist = false;
  bool file_must_exist = false;
};

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

class Platform {
 public:
  virtual ~Platform() = default;

  virtual MsgAnswer ShowMessage(const Message& message) = 0;
  // A one-line input box; nothing when cancelled.
  virtual std::optional<std::string> InputBox(const std::string& prompt,
                                              const std::string& title,
                                              const std::string& default_text) = 0;
  // The chosen path; nothing when cancelled.
  virtual std::optional<std::string> OpenFile(const FileDialogRequest& request) = 0;
  virtual std::vector<std::string> OpenFiles(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
  // A folder chosen (it exists); nothing when cancelled. Only the title of
  // the request is used.
  virtual std::optional<std::string> ChooseFolder(const FileDialogRequest& request) = 0;
  virtual std::optional<ColourValue> ChooseColour(ColourValue initial) = 0;

  // Starts playing a WAV file and returns at once; a new sound stops the old.
  // A sound that cannot start (no audio device, a file that is no WAV
  // sound) is a failure whose message starts "Unable to play sound!".
  virtual Status PlaySound(const std::string& path) = 0;

  // The per-user settings store: application, section, key.
  virtual std::string GetSetting(const std::string& application, const std::string& section,
                                 const std::string& key, const std::string& fallback) = 0;
  virtual void SaveSetting(const std::string& application, const std::string& section,
                           const std::string& key, const std::string& value) = 0;

  // The screen: a pixel's colour, the cursor position and the screen size.
  virtual ColourValue ScreenPixel(Point where) = 0;
  virtual Point CursorPosition() = 0;
  virtual void SetCursorPosition(Point where) = 0;
  virtual Point ScreenSize() = 0;
};

// The platform the windows use.
Platform& CurrentPlatform();
void SetPlatform(Platform* platform);

// Shows what the core reported: one message box with the failure's whole
// message (the program's text first, then the detail), an OK button, and
// the title and icon the window chose for it.
void ShowFailure(const Status& failure, MsgIcon icon, const std::string& title = "Error");

// "Mod Project file (*.mpr)|*.mpr" as Qt writes filters:
// "Mod Project file (*.mpr)".
std::string QtFilter(const std::string& filter);

}  // namespace zorv::gui
