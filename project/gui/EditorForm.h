// The main window: the open mod project, its resource list, the preview of
// the selected resource and the menus that open every other window.
#pragma once

#include <QMainWindow>
#include <QRgb>
#include <QStringList>
#include <optional>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "common/LineEnds.h"
#include "project/ModProject.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTextEdit;
class QTimer;

namespace zorv::gui {

class AnimationOverlay;
class SLXDocument;
class Windows;

class EditorForm : public QMainWindow {
  Q_OBJECT

 public:
  EditorForm(Windows& windows, SLXDocument& document);
  ~EditorForm() override;

  // Menu commands.
  void NewProject();
  void OpenProject();
  void OpenProjectFile(const std::string& path);
  bool SaveProject();
  void ShowProjectSettings();
  void CompileProject();
  void ShowSLXFromFrames();
  // The game archive browser, which adds files to this project.
  void ShowArchiveBrowser();
  void ShowAbout();
  void ShowHelp();
  void ToggleAnimation();

  // Resource list operations.
  void ResetResourcePanel();
  void ImportResource();
  void ImportResourceFile(const std::string& path);
  // Files dropped on the window: a project (.mpr) opens, then files of the
  // kinds "Add new" takes are added to the open project.
  bool WouldTakeDrop(const std::vector<std::string>& paths) const;
  void OpenDroppedFiles(const std::vector<std::string>& paths);
  void RemoveResource();
  void MoveResource(int direction);  // 0 up, 1 down
  void RefreshResourceList();
  // Selects list position (0-based) and shows that entry.
  void SelectResource(int position);
  // The selection handler: shows the entry at the list's current row.
  void ResourceSelected();

  // Preview commands.
  void PlaySound();
  void DisplayGraphic();
  void DisplayGraphicFile(const std::string& path);
  void SaveText();
  void RevertText();
  void ConvertToSLX();
  void ConvertToSLP();
  void ZoomIcon();
  int32_t GetIconFlags() const;

  // The animation's counter and one tick of it.
  int AnimationCounter() const;
  void AnimationTick();
  bool AnimationRunning() const;
  // The colour the animation painted at (x, y) of the client area (0 where
  // it painted nothing).
  QRgb AnimationPixel(int x, int y) const;

  // Lays the controls out for the current client size (run on resize).
  void LayOut();

  const ModProject& Project() const { return project_; }
  ModProject& Project() { return project_; }
  bool ProjectOpen() const;
  int CurrentResource() const { return current_resource_; }
  // The file name the shared file dialog starts with next time.
  const std::string& DialogFileName() const { return dialog_file_name_; }
  // Main-window repaints while "Convert to SLX" ran, with the caption shown.
  const std::vector<std::string>& ConversionRepaints() const { return conversion_repaints_; }

  // Controls, by their names.
  QListWidget* ResourceListBox() const { return resource_list_; }
  QPushButton* ResMoveButton(int index) const { return move_buttons_[index]; }
  QPushButton* ResRemoveButton() const { return remove_button_; }
  QPushButton* ResAddButton() const { return add_button_; }
  QLabel* ResourceNameLabel() const { return name_label_; }
  QLineEdit* ResourceNameBox() const { return name_box_; }
  QLabel* ResourceReplaceLabel() const { return replace_label_; }
  QComboBox* ResourceReplaceCombo() const { return replace_combo_; }
  QLineEdit* ResourceReplaceIDBox() const { return id_box_; }
  QPushButton* SLP2SLXButton() const { return slp2slx_button_; }
  QPushButton* SoundPlayButton() const { return sound_button_; }
  QCheckBox* AutoSoundPlayCheck() const { return auto_sound_check_; }
  QPushButton* SLXDisplayButton() const { return slx_display_button_; }
  QCheckBox* AutoSLXDisplayCheck() const { return auto_slx_check_; }
  QPushButton* SLX2SLPButton() const { return slx2slp_button_; }
  QTextEdit* ResourceTextDisplay() const { return text_display_; }
  QPushButton* ResourceTextSave() const { return text_save_; }
  QPushButton* ResourceTextRevert() const { return text_revert_; }
  QComboBox* IconList() const { return icon_list_; }
  QCheckBox* IconCheck(int i) const { return icon_checks_[i]; }
  QPushButton* IconZoomButton() const { return icon_zoom_button_; }
  QLabel* IconPictureBox() const { return icon_picture_; }
  QFrame* Shape1() const { return shape1_; }
  QAction* MenuAction(const std::string& name) const;
  QMenu* ProjectMenu() const { return project_menu_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // A drag or drop of files the window takes, wherever on it; true when
  // handled here.
  bool TakeFileDrop(QEvent* event);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void BuildResourceControls();
  void BuildPreviewControls();
  void BuildIconControls();
  void HidePerResourceControls();
  void HideKindControls();
  void SetProjectCommandsEnabled(bool enabled);
  void ShowTextView();
  void ShowIconView(const ProjectResource& resource);
  void LoadTextFile();
  // The text view's lines, as the document holds them.
  QStringList ShownTextPieces() const;
  void IconControlClicked();
  void NameEdited();
  void IdEdited();
  void IdLeft();
  void ReplaceLeft();
  ProjectResource* Selected();
  // Asks the shared file dialog; remembers the chosen name for next time.
  std::optional<std::string> AskSaveFile(const std::string& title, const std::string& filter,
                                         const std::string& initial_name, bool prompt_overwrite,
                                         bool path_must_exist);
  std::optional<std::string> AskOpenFile(const std::string& title, const std::string& filter,
                                         const std::string& initial_name);

  Windows& windows_;
  // The SLX graphic the editor shows; loading one for display, for
  // conversion or while compiling replaces it.
  SLXDocument& document_;
  ModProject project_;
  bool project_open_ = false;
  int current_resource_ = 0;
  std::string dialog_file_name_;
  bool loading_text_ = false;
  // The shown text file split at its line ends, and whether the view shows
  // it byte for byte (only then can it be saved from the view).
  LineSplit text_lines_;
  bool text_editable_ = true;
  std::vector<std::string> conversion_repaints_;

  QWidget* client_;
  QMenu* project_menu_ = nullptr;
  QListWidget* resource_list_;
  std::array<QPushButton*, 2> move_buttons_{};
  QPushButton* remove_button_;
  QPushButton* add_button_;
  QFrame* shape1_;
  QLabel* name_label_;
  QLineEdit* name_box_;
  QLabel* replace_label_;
  QComboBox* replace_combo_;
  QLineEdit* id_box_;
  QPushButton* slp2slx_button_;
  QPushButton* sound_button_;
  QCheckBox* auto_sound_check_;
  QPushButton* slx_display_button_;
  QCheckBox* auto_slx_check_;
  QPushButton* slx2slp_button_;
  QTextEdit* text_display_ = nullptr;
  QPushButton* text_save_;
  QPushButton* text_revert_;
  QComboBox* icon_list_;
  std::array<QCheckBox*, 8> icon_checks_{};
  QPushButton* icon_zoom_button_;
  QLabel* icon_picture_;
  QTimer* weird_picture_timer_;
  AnimationOverlay* overlay_;
};

}  // namespace zorv::gui
