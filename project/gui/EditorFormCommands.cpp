// The main window's commands that open other windows or run the compiler.
#include "codec/SLX.h"
#include "common/Functions.h"
#include "common/gui/EightBitText.h"
#include "common/gui/LongOperation.h"
#include "common/gui/Look.h"
#include "common/gui/Platform.h"
#include "common/gui/ProgressView.h"
#include "common/gui/Windows.h"
#include "package/MPICode.h"
#include "project/ModProject.h"
#include "project/gui/EditorForm.h"
#include "tools/gui/SLXDocument.h"

namespace zorv::gui {

void EditorForm::CompileProject() {
  if (!project_open_) return;
  auto chosen = AskSaveFile("Select filename for compiled project",
                            "Compiled Mod Project (*.mpi)|*.mpi",
                            GetFileTitle(project_.FilePath) + ".mpi", true, true);
  if (!chosen || chosen->empty()) return;
  ProgressView& progress = windows_.Progress();
  progress.ShowFresh();
  progress.SetTitle("Compiling MPI file...");
  progress.SetProjectProgress("Initialising project file", 0.0);
  progress.SetFileStepVisible(false);
  SLXDocument& document = document_;
  const std::string mpi_path = *chosen;
  const ModProject& project = project_;
  const Status compiled = RunLongOperation(
      [&](const ProgressSink& sink) {
        return CompileMPI(project, mpi_path, sink,
                          // Each SLX resource becomes the graphic the editor
                          // shows, as loading it does.
                          [&document](const SLXGraphic& graphic) {
                            OnWindowThread([&] { document.Load(graphic, false); });
                          });
      },
      [&progress](const ProgressStep& step) {
        if (step.level == 0) {
          progress.SetProjectProgress(TextToQ(step.caption), step.Fraction());
          // The file part shows only while a graphic is converted.
          progress.SetFileStepVisible(false);
          return;
        }
        progress.SetFileStepVisible(true);
        progress.SetFileProgress(ToQ(step.caption), step.Fraction());
        progress.RepaintNow();
      });
  // The message comes while the window still shows where the compile
  // stopped.
  if (!compiled) ShowFailure(compiled, MsgIcon::Critical);
  progress.Unload();
}

void EditorForm::DisplayGraphic() {
  if (const ProjectResource* resource = Selected()) DisplayGraphicFile(resource->FilePath);
}

void EditorForm::DisplayGraphicFile(const std::string& path) {
  if (Status loaded = document_.LoadFile(path, true); !loaded)
    ShowFailure(loaded, MsgIcon::Exclamation);
}

void EditorForm::ShowSLXFromFrames() { windows_.OpenSLXFromFrames(); }

void EditorForm::ShowArchiveBrowser() {
  ArchiveBrowserHooks hooks;
  hooks.project_open = [this] { return ProjectOpen(); };
  hooks.add_files = [this](const std::vector<std::string>& files) {
    for (const std::string& file : files) ImportResourceFile(file);
  };
  windows_.OpenArchiveBrowser(std::move(hooks));
}

}  // namespace zorv::gui
