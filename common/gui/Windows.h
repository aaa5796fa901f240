// What a window asks of the program's other windows. Every window is given
// the one implementation, which makes each window on first use, so that a
// window never includes another window's header or touches another
// window's controls.
#pragma once

#include <QImage>
#include <functional>
#include <string>
#include <vector>

namespace zorv::gui {

class ProgressView;

// What the main window lends the archive browser: whether a project is
// open, and the files to add to it as "Add new" adds a file.
struct ArchiveBrowserHooks {
  std::function<bool()> project_open;
  std::function<void(const std::vector<std::string>&)> add_files;
};

class Windows {
 public:
  virtual ~Windows() = default;

  // The zoom window, showing picture as its original.
  virtual void ShowZoom(const QImage& picture) = 0;
  // The auto-generation dialog.
  virtual void OpenAutoGeneration() = 0;
  // The dialog that assembles an SLX from loose frames.
  virtual void OpenSLXFromFrames() = 0;
  // The project settings dialog with title; on_save hears the new title.
  virtual void OpenProjectSettings(const std::string& title,
                                   std::function<void(const std::string&)> on_save) = 0;
  // The game archive browser.
  virtual void OpenArchiveBrowser(ArchiveBrowserHooks hooks) = 0;
  // The progress window.
  virtual ProgressView& Progress() = 0;
  // Closes every window but the main one, in the program's fixed order:
  // progress, SLX editor, auto-generation, frames dialog, project settings,
  // zoom, archive browser.
  virtual void CloseOtherWindows() = 0;
};

}  // namespace zorv::gui
