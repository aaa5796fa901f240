// The main window's way into the SLX editing tools.
#include "autogen/SLXAutoGenForm.h"
#include "codec/SLX.h"
#include "common/gui/Platform.h"
#include "project/EditorForm.h"
#include "tools/SLXEditorForm.h"
#include "tools/SLXFromFramesForm.h"

namespace zorv::gui {

void EditorForm::ShowSLXEditor() {
  SLXEditorForm& editor = SLXEditorForm::Instance();
  editor.show();
  editor.raise();
}

void EditorForm::ShowSLXFromFrames() { SLXFromFramesForm::Instance().Open(); }

void EditorForm::CloseToolWindows() {
  if (SLXEditorForm* editor = SLXEditorForm::Existing()) editor->close();
  if (SLXAutoGenForm* autogen = SLXAutoGenForm::Existing()) autogen->close();
  if (SLXFromFramesForm* frames = SLXFromFramesForm::Existing()) frames->close();
}

}  // namespace zorv::gui
