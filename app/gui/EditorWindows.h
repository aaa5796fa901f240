// The editor's windows, one of each for the run, each made when it is
// first needed, and the SLX document they share. This is the one place that
// knows every window; the windows reach each other only through the
// Windows interface it implements.
#pragma once

#include <memory>

#include "common/gui/Windows.h"
#include "tools/gui/SLXDocument.h"

namespace zorv::gui {

class ArchiveBrowserForm;
class EditorForm;
class ProgressIndicator;
class ProjectSettingsForm;
class SLXAutoGenForm;
class SLXEditorForm;
class SLXFromFramesForm;
class ZoomForm;

class EditorWindows : public Windows {
 public:
  EditorWindows();
  ~EditorWindows() override;
  EditorWindows(const EditorWindows&) = delete;
  EditorWindows& operator=(const EditorWindows&) = delete;

  // The SLX graphic being edited, with its frame, animation range and
  // anchors, shared by the windows that work on it.
  SLXDocument& Document() { return document_; }
  void ShowZoom(const QImage& picture) override;
  void OpenAutoGeneration() override;
  void OpenSLXFromFrames() override;
  void OpenProjectSettings(const std::string& title,
                           std::function<void(const std::string&)> on_save) override;
  void OpenArchiveBrowser(ArchiveBrowserHooks hooks) override;
  ProgressView& Progress() override;
  void CloseOtherWindows() override;

  // Each window, made on first use; the Existing forms give nullptr for a
  // window not made yet.
  EditorForm& Main();
  SLXEditorForm& Editor();
  SLXEditorForm* ExistingEditor() const { return editor_.get(); }
  SLXAutoGenForm& AutoGeneration();
  SLXAutoGenForm* ExistingAutoGeneration() const { return autogen_.get(); }
  SLXFromFramesForm& FramesDialog();
  SLXFromFramesForm* ExistingFramesDialog() const { return frames_.get(); }
  ZoomForm& Zoom();
  ProgressIndicator& ProgressWindow();
  ProjectSettingsForm& ProjectSettings();
  ArchiveBrowserForm& ArchiveBrowser();
  ArchiveBrowserForm* ExistingArchiveBrowser() const { return browser_.get(); }

 private:
  // The document outlives every window that observes it.
  SLXDocument document_;
  std::unique_ptr<EditorForm> main_;
  std::unique_ptr<SLXEditorForm> editor_;
  std::unique_ptr<SLXAutoGenForm> autogen_;
  std::unique_ptr<SLXFromFramesForm> frames_;
  std::unique_ptr<ZoomForm> zoom_;
  std::unique_ptr<ProgressIndicator> progress_;
  std::unique_ptr<ProjectSettingsForm> settings_;
  std::unique_ptr<ArchiveBrowserForm> browser_;
};

}  // namespace zorv::gui
