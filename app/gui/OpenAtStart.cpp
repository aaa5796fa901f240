#include "app/gui/OpenAtStart.h"

#include "common/FileIO.h"
#include "common/Functions.h"
#include "common/gui/Platform.h"
#include "project/ModProject.h"
#include "project/gui/EditorForm.h"

namespace zorv::gui {

void OpenFileAtStart(EditorForm& editor, const std::string& path) {
  const std::string extension = AsciiLower(GetExtension(path));
  if (extension == "mpr") {
    // File > Open offers only files that exist, so the window passes over a
    // missing one without a word. Named here, it would vanish silently:
    // ask the project reader why it cannot be read instead.
    if (!FileExists(path)) {
      ModProject unread;
      if (Status opened = OpenProject(path, unread); !opened) {
        ShowFailure(opened, MsgIcon::Exclamation);
        return;
      }
    }
    editor.OpenProjectFile(path);
  } else if (extension == "slx") {
    editor.DisplayGraphicFile(path);
  } else {
    const std::string detail =
        extension == "slp" ? path + ": " + kSLPAtStartHint : path + ": a file of another kind.";
    ShowFailure(Status::Fail(kMsgNotOpenedAtStart, detail), MsgIcon::Exclamation);
  }
}

}  // namespace zorv::gui
