// The main window's project commands and resource list.
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTextEdit>

#include "common/FileIO.h"
#include "common/gui/EightBitText.h"
#include "common/gui/Look.h"
#include "common/gui/Platform.h"
#include "common/gui/Windows.h"
#include "project/ResourceList.h"
#include "project/gui/EditorForm.h"

namespace zorv::gui {

namespace {
constexpr const char* kProjectFilter = "Mod Project file (*.mpr)|*.mpr";
}

std::optional<std::string> EditorForm::AskSaveFile(const std::string& title,
                                                   const std::string& filter,
                                                   const std::string& initial_name,
                                                   bool prompt_overwrite, bool path_must_exist) {
  dialog_file_name_ = initial_name;
  auto chosen = CurrentPlatform().SaveFile(
      FileDialogRequest{title, filter, dialog_file_name_, prompt_overwrite, path_must_exist, false});
  if (chosen) dialog_file_name_ = *chosen;
  return chosen;
}

std::optional<std::string> EditorForm::AskOpenFile(const std::string& title,
                                                   const std::string& filter,
                                                   const std::string& initial_name) {
  dialog_file_name_ = initial_name;
  auto chosen = CurrentPlatform().OpenFile(
      FileDialogRequest{title, filter, dialog_file_name_, false, true, true});
  if (chosen) dialog_file_name_ = *chosen;
  return chosen;
}

void EditorForm::NewProject() {
  auto path = AskSaveFile("Select name for new project", kProjectFilter, "project.mpr", true, true);
  if (!path || path->empty()) return;
  if (Status created = zorv::NewProject(*path, project_); !created) {
    ShowFailure(created, MsgIcon::Exclamation);
    return;
  }
  ResetResourcePanel();
}

void EditorForm::OpenProject() {
  auto path = AskOpenFile("Select project to open", kProjectFilter, dialog_file_name_);
  if (!path || path->empty()) return;
  OpenProjectFile(*path);
}

void EditorForm::OpenProjectFile(const std::string& path) {
  if (path.empty() || !FileExists(path)) return;
  // The panel shows the project still open, without a selection, while the
  // file is read; the project commands keep their state.
  RefreshResourceList();
  current_resource_ = 0;
  HidePerResourceControls();
  // Nothing is selected, so nothing can be moved or removed.
  move_buttons_[0]->setEnabled(false);
  move_buttons_[1]->setEnabled(false);
  remove_button_->setEnabled(false);
  if (Status opened = zorv::OpenProject(path, project_); !opened) {
    ShowFailure(opened, MsgIcon::Exclamation);
    return;
  }
  ResetResourcePanel();
}

bool EditorForm::SaveProject() {
  if (!project_open_) return false;
  if (Status saved = zorv::SaveProject(project_); !saved) {
    ShowFailure(saved, MsgIcon::Exclamation);
    return false;
  }
  return true;
}

void EditorForm::ShowProjectSettings() {
  if (!project_open_) return;
  windows_.OpenProjectSettings(project_.Title,
                               [this](const std::string& title) { project_.Title = title; });
}

void EditorForm::ResetResourcePanel() {
  project_open_ = true;
  RefreshResourceList();
  current_resource_ = 0;
  HidePerResourceControls();
  SetProjectCommandsEnabled(true);
  move_buttons_[0]->setEnabled(false);
  move_buttons_[1]->setEnabled(false);
  add_button_->setEnabled(true);
  remove_button_->setEnabled(false);
}

void EditorForm::RefreshResourceList() {
  const QSignalBlocker block(resource_list_);
  resource_list_->hide();
  resource_list_->clear();
  for (const std::string& line : ResourceListLines(project_))
    resource_list_->addItem(TextToQ(line));
  resource_list_->setCurrentRow(-1);
  resource_list_->show();
}

void EditorForm::SelectResource(int position) {
  {
    const QSignalBlocker block(resource_list_);
    resource_list_->setCurrentRow(position);
  }
  if (position >= 0 && position < resource_list_->count()) ResourceSelected();
}

ProjectResource* EditorForm::Selected() {
  if (current_resource_ < 1 || current_resource_ > project_.ResourceCount) return nullptr;
  return &project_.Resource(current_resource_);
}

void EditorForm::ImportResource() {
  auto path = AskOpenFile("Select file to import",
                          "Data files (slp, slx, bin, wav, bmp, txt, dll, dat, exe)|"
                          "*.slp;*.slx;*.bin;*.wav;*.bmp;*.txt;*.dll;*.dat;*.exe|"
                          "PNG icons (png)|*.png",
                          dialog_file_name_);
  if (!path || path->empty()) return;
  ImportResourceFile(*path);
}

void EditorForm::ImportResourceFile(const std::string& path) {
  int16_t number = 0;
  if (Status imported = zorv::ImportResource(project_, path, number); !imported) {
    ShowFailure(imported, MsgIcon::Exclamation);
    return;
  }
  RefreshResourceList();
  current_resource_ = number;
  SelectResource(number - 1);
}

void EditorForm::RemoveResource() {
  if (!Selected()) return;
  MsgAnswer answer = CurrentPlatform().ShowMessage(
      Message{"Are you sure you want to remove this resource from the project?", "Warning",
              MsgIcon::None, MsgButtons::YesNo, MsgAnswer::No});
  if (answer != MsgAnswer::Yes) return;
  int16_t next = zorv::RemoveResource(project_, static_cast<int16_t>(current_resource_));
  RefreshResourceList();
  if (next > 0) {
    SelectResource(next - 1);
  } else {
    current_resource_ = 0;
    HidePerResourceControls();
  }
}

void EditorForm::MoveResource(int direction) {
  if (!Selected()) return;
  int16_t moved = zorv::MoveResource(project_, static_cast<int16_t>(current_resource_),
                                     direction == 0 ? MoveDirection::Up : MoveDirection::Down);
  current_resource_ = moved;
  RefreshResourceList();
  SelectResource(moved - 1);
  resource_list_->setFocus();
}

void EditorForm::NameEdited() {
  if (!Selected()) return;
  // The box's validator keeps to characters the 8-bit name can hold.
  const std::optional<std::string> name = TextFromQ(name_box_->text());
  if (!name || !RenameResource(project_, static_cast<int16_t>(current_resource_), *name)) return;
  const int position = current_resource_ - 1;
  RefreshResourceList();
  SelectResource(position);
}

void EditorForm::IdEdited() {
  if (ProjectResource* resource = Selected())
    ResourceIDTextChanged(*resource, FromQ(id_box_->text()));
}

void EditorForm::IdLeft() {
  if (ProjectResource* resource = Selected()) {
    const QSignalBlocker block(id_box_);
    id_box_->setText(ToQ(ResourceIDTextLeft(*resource, FromQ(id_box_->text()))));
  }
}

void EditorForm::ReplaceLeft() {
  ProjectResource* resource = Selected();
  if (!resource || replace_combo_->currentIndex() < 0) return;
  resource->ReplaceTarget = static_cast<int16_t>(replace_combo_->currentIndex());
}

bool EditorForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == replace_combo_ && event->type() == QEvent::FocusOut) ReplaceLeft();
  if (text_display_ && watched == text_display_->viewport() && TakeFileDrop(event)) return true;
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace zorv::gui
