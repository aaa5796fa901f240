// "Browse game archive": lists the files of one of the game's archives by
// type and id, previews the selected SLP's frames through the palette (the
// archive's own when it holds one) and hands selected files, extracted into
// a folder the user chooses, to the open project.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "archive/DRSArchive.h"
#include "archive/DRSFolder.h"
#include "codec/Palettes.h"
#include "common/gui/Windows.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace zorv {
class SLPFile;
struct SLPFrameInfo;
}  // namespace zorv

namespace zorv::gui {

class ArchiveBrowserForm : public QWidget {
  Q_OBJECT

 public:
  ArchiveBrowserForm();
  ~ArchiveBrowserForm() override;

  // Shows the window with what the main window lends it; without an open
  // archive, asks for one first.
  void Open(ArchiveBrowserHooks hooks);
  // Lists the archive at path; a file that is no archive, or a damaged
  // one, is shown as a message and the list stays as it was.
  bool OpenArchive(const std::string& path);
  void ChooseArchive();
  // Shows frame (from 0) of the selected SLP, within its frames.
  void ShowFrame(int frame);
  void AddSelectedToProject();

  // The file name a listed file is extracted under: id and extension, with
  // "bin" for the "bina" type, which the project knows by that name.
  static std::string ExtractedName(const std::string& type, int32_t id);

  QLineEdit* ArchivePathBox() const { return path_box_; }
  QListWidget* FileListBox() const { return list_; }
  QLabel* FramePicture() const { return picture_; }
  QLabel* FrameLabel() const { return frame_label_; }
  QLabel* PaletteLabel() const { return palette_label_; }
  QLabel* CountLabel() const { return count_label_; }
  QPushButton* AddButton() const { return add_button_; }
  QPushButton* PreviousButton() const { return previous_button_; }
  QPushButton* NextButton() const { return next_button_; }
  int CurrentFrame() const { return frame_; }
  const Palette& PreviewPalette() const { return palette_; }

 private:
  void SelectionChanged();
  void ShowNothing(const QString& why);
  void ChoosePalette();
  std::vector<int> SelectedRows() const;

  ArchiveBrowserHooks hooks_;
  std::string archive_path_;
  DRSArchive archive_;
  std::vector<DRSSelectedFile> rows_;
  Palette palette_;
  std::unique_ptr<SLPFile> slp_;
  std::vector<SLPFrameInfo> frames_;
  int frame_ = 0;

  QLineEdit* path_box_ = nullptr;
  QListWidget* list_ = nullptr;
  QLabel* count_label_ = nullptr;
  QLabel* picture_ = nullptr;
  QLabel* frame_label_ = nullptr;
  QLabel* palette_label_ = nullptr;
  QPushButton* open_button_ = nullptr;
  QPushButton* previous_button_ = nullptr;
  QPushButton* next_button_ = nullptr;
  QPushButton* add_button_ = nullptr;
  QPushButton* close_button_ = nullptr;
};

}  // namespace zorv::gui
