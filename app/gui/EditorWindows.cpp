#include "app/gui/EditorWindows.h"

#include "archive/gui/ArchiveBrowserForm.h"
#include "autogen/gui/SLXAutoGenForm.h"
#include "common/gui/Images.h"
#include "package/gui/ProgressIndicator.h"
#include "project/gui/EditorForm.h"
#include "project/gui/ProjectSettingsForm.h"
#include "tools/gui/SLXEditorForm.h"
#include "tools/gui/SLXFromFramesForm.h"
#include "tools/gui/ZoomForm.h"

namespace zorv::gui {

EditorWindows::EditorWindows() {
  // A graphic loaded for display opens the editor, made now if it is the
  // first; an editor that exists follows every loaded graphic on its own.
  QObject::connect(&document_, &SLXDocument::editorRequested,
                   [this](int frame_count) { Editor().OpenForGraphic(frame_count); });
}

// The windows go before the document they observe; the main window last,
// as the others may have been opened from it.
EditorWindows::~EditorWindows() {
  browser_.reset();
  settings_.reset();
  progress_.reset();
  zoom_.reset();
  frames_.reset();
  autogen_.reset();
  editor_.reset();
  main_.reset();
}

EditorForm& EditorWindows::Main() {
  if (!main_) main_ = std::make_unique<EditorForm>(*this, document_);
  return *main_;
}

SLXEditorForm& EditorWindows::Editor() {
  if (!editor_) editor_ = std::make_unique<SLXEditorForm>(*this, document_);
  return *editor_;
}

SLXAutoGenForm& EditorWindows::AutoGeneration() {
  if (!autogen_) autogen_ = std::make_unique<SLXAutoGenForm>(document_);
  return *autogen_;
}

SLXFromFramesForm& EditorWindows::FramesDialog() {
  if (!frames_) frames_ = std::make_unique<SLXFromFramesForm>();
  return *frames_;
}

ZoomForm& EditorWindows::Zoom() {
  if (!zoom_) zoom_ = std::make_unique<ZoomForm>();
  return *zoom_;
}

ProgressIndicator& EditorWindows::ProgressWindow() {
  if (!progress_) progress_ = std::make_unique<ProgressIndicator>();
  return *progress_;
}

ProjectSettingsForm& EditorWindows::ProjectSettings() {
  if (!settings_) settings_ = std::make_unique<ProjectSettingsForm>(&Main());
  return *settings_;
}

void EditorWindows::ShowZoom(const QImage& picture) {
  ZoomForm& zoom = Zoom();
  FromQImage(picture, zoom.OriginalDIB);
  zoom.DrawImage();
  zoom.show();
  zoom.raise();
}

void EditorWindows::OpenAutoGeneration() { AutoGeneration().Open(); }

void EditorWindows::OpenSLXFromFrames() { FramesDialog().Open(); }

void EditorWindows::OpenProjectSettings(const std::string& title,
                                        std::function<void(const std::string&)> on_save) {
  ProjectSettings().Open(title, std::move(on_save));
}

ArchiveBrowserForm& EditorWindows::ArchiveBrowser() {
  if (!browser_) browser_ = std::make_unique<ArchiveBrowserForm>();
  return *browser_;
}

void EditorWindows::OpenArchiveBrowser(ArchiveBrowserHooks hooks) {
  ArchiveBrowser().Open(std::move(hooks));
}

ProgressView& EditorWindows::Progress() { return ProgressWindow(); }

void EditorWindows::CloseOtherWindows() {
  if (progress_) progress_->close();
  if (editor_) editor_->close();
  if (autogen_) autogen_->close();
  if (frames_) frames_->close();
  if (settings_) settings_->close();
  if (browser_) browser_->close();
  // The zoom window was made at the latest when the program closes, as it
  // always was; closing one never shown costs nothing.
  Zoom().close();
}

}  // namespace zorv::gui
