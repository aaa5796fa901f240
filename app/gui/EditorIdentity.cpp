#include "app/gui/EditorIdentity.h"

#include <QApplication>

#include "common/Version.h"
#include "common/gui/Platform.h"

namespace zorv::gui {

void SetEditorIdentity() {
  // The settings store keeps the auto-generation colours under this name.
  QApplication::setApplicationName(kAppTitle);
  QApplication::setOrganizationName(kAppTitle);
  QApplication::setApplicationVersion(kProgramVersion);
  QGuiApplication::setDesktopFileName(kDesktopFileName);
}

}  // namespace zorv::gui
