// The file named on the editor's command line (a file manager's "Open
// with" passes one the same way).
#pragma once

#include <string>

namespace zorv::gui {

class EditorForm;

// The message for a file the editor does not open at start, and its detail
// for an SLP sprite.
inline constexpr const char* kMsgNotOpenedAtStart =
    "Zorv Mod Editor opens mod projects (.mpr) and SLX graphics (.slx).";
inline constexpr const char* kSLPAtStartHint =
    "An SLP sprite becomes editable once it is added to a project with \"Add new\" and "
    "converted with \"Convert to SLX\".";

// Opens a mod project as File > Open does and an SLX graphic as "Display
// graphic" does. A file that is missing or cannot be read gets the message
// those commands give for it; a file of another kind gets
// kMsgNotOpenedAtStart.
void OpenFileAtStart(EditorForm& editor, const std::string& path);

}  // namespace zorv::gui
