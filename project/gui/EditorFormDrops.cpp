// Files dropped on the main window: a project opens as File > Open would,
// and files of the kinds "Add new" takes become resources of the open
// project.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "common/Functions.h"
#include "common/gui/Look.h"
#include "project/ResourceList.h"
#include "project/gui/EditorForm.h"

namespace zorv::gui {
namespace {

std::vector<std::string> DroppedFiles(const QMimeData* data) {
  std::vector<std::string> paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths.push_back(FromQ(QFileInfo(url.toLocalFile()).absoluteFilePath()));
  return paths;
}

bool IsProjectFile(const std::string& path) { return AsciiLower(GetExtension(path)) == "mpr"; }

}  // namespace

bool EditorForm::WouldTakeDrop(const std::vector<std::string>& paths) const {
  for (const std::string& path : paths) {
    if (IsProjectFile(path)) return true;
    if (project_open_ && ResourceForFile(path)) return true;
  }
  return false;
}

void EditorForm::OpenDroppedFiles(const std::vector<std::string>& paths) {
  // A project first, so that the other files join it.
  for (const std::string& path : paths) {
    if (!IsProjectFile(path)) continue;
    OpenProjectFile(path);
    break;
  }
  if (!project_open_) return;
  for (const std::string& path : paths)
    if (!IsProjectFile(path) && ResourceForFile(path)) ImportResourceFile(path);
}

bool EditorForm::TakeFileDrop(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  auto* drop = static_cast<QDropEvent*>(event);
  if (!drop->mimeData() || !drop->mimeData()->hasUrls()) return false;
  const std::vector<std::string> paths = DroppedFiles(drop->mimeData());
  if (!WouldTakeDrop(paths)) {
    drop->ignore();
    return true;
  }
  drop->acceptProposedAction();
  if (type == QEvent::Drop) OpenDroppedFiles(paths);
  return true;
}

void EditorForm::dragEnterEvent(QDragEnterEvent* event) { TakeFileDrop(event); }

void EditorForm::dropEvent(QDropEvent* event) { TakeFileDrop(event); }

}  // namespace zorv::gui
