// The main window's commands that open other windows or run the compiler.
#include <QLabel>
#include <QPushButton>

#include "codec/SLX.h"
#include "common/Functions.h"
#include "common/gui/Look.h"
#include "common/gui/Platform.h"
#include "package/MPICode.h"
#include "package/ProgressIndicator.h"
#include "project/EditorForm.h"
#include "project/ModProject.h"

namespace zorv::gui {

void EditorForm::CompileProject() {
  if (!project_open_) return;
  auto chosen = AskSaveFile("Select filename for compiled project",
                            "Compiled Mod Project (*.mpi)|*.mpi",
                            GetFileTitle(project_.FilePath) + ".mpi", true, true);
  if (!chosen || chosen->empty()) return;
  ProgressIndicator& progress = Progress();
  progress.ShowFresh();
  progress.SetTitle("Compiling MPI file...");
  progress.SetProjectProgress("Initialising project file", 0.0);
  progress.SetFilePartVisible(false);
  progress.FileProgressMax()->setVisible(true);
  CompileMPI(
      project_, *chosen,
      [&progress](const std::string& caption, double fraction) {
        progress.SetProjectProgress(ToQ(caption), fraction);
        // The file part shows only while a graphic is converted.
        progress.FileProgressLabel()->hide();
        progress.FileProgressBar()->hide();
      },
      [&progress](const std::string& caption, double fraction) {
        progress.FileProgressLabel()->show();
        progress.FileProgressBar()->show();
        progress.SetFileProgress(ToQ(caption), fraction);
        progress.RepaintNow();
      });
  progress.Unload();
}

void EditorForm::DisplayGraphic() {
  if (const ProjectResource* resource = Selected()) DisplayGraphicFile(resource->FilePath);
}

void EditorForm::DisplayGraphicFile(const std::string& path) {
  if (!LoadSLX(path, true)) return;
  ShowSLXEditor();
}

}  // namespace zorv::gui
