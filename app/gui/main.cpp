// zorv-mod-editor: the windows of Zorv Mod Editor.
#include <QApplication>
#include <QFileInfo>

#include "app/gui/EditorWindows.h"
#include "common/Functions.h"
#include "common/gui/GuardedApplication.h"
#include "common/gui/Look.h"
#include "common/gui/QtPlatform.h"
#include "project/gui/EditorForm.h"

int main(int argc, char** argv) {
  zorv::gui::GuardedApplication app(argc, argv);
  QApplication::setApplicationName("Zorv Mod Editor");
  QApplication::setOrganizationName("Zorv Mod Editor");
  zorv::gui::QtPlatform platform;
  zorv::gui::SetPlatform(&platform);

  int status = 0;
  {
    zorv::gui::EditorWindows windows;
    zorv::gui::EditorForm& editor = windows.Main();
    platform.SetDialogParent(&editor);
    editor.show();

    // A project or graphic named on the command line opens as File > Open
    // or "Display graphic" would.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
      const std::string path =
          zorv::gui::FromQ(QFileInfo(arguments[1]).absoluteFilePath());
      const std::string extension = zorv::AsciiLower(zorv::GetExtension(path));
      if (extension == "mpr") {
        editor.OpenProjectFile(path);
      } else if (extension == "slx") {
        editor.DisplayGraphicFile(path);
      }
    }
    status = QApplication::exec();
    platform.SetDialogParent(nullptr);
  }
  zorv::gui::SetPlatform(nullptr);
  return status;
}
