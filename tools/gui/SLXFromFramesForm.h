// "Create SLX from frames": collects loose BMP frames in order, sets the one
// central point they all get, and writes a new SLX with copies of the frames
// into an empty folder.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/CentralPointDrag.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace zorv::gui {

class FrameView;

class SLXFromFramesForm : public QWidget {
  Q_OBJECT

 public:
  SLXFromFramesForm();
  ~SLXFromFramesForm() override;

  // Shows the dialog; one that is not open starts afresh.
  void Open();

  // Refills the list from the frame paths and the frame count label.
  void RebuildListBox();
  // Redraws the crosshair at the central point on the picture and, where it
  // reaches beyond the picture, on the dialog surface.
  void DrawCentralPoint();

  // Commands of the buttons.
  void AddFrames();
  void MoveFrame(int direction);  // 0 up, 1 down
  void RemoveFrame();
  void CreateSLX();

  enum class DragMode { None, Picture, CentralPoint };
  DragMode Drag() const { return drag_mode_; }

  // Frame file paths in frame order (frame 1 first).
  const std::vector<std::string>& FramePaths() const { return frames_; }
  // The central point as the boxes give it.
  QPoint CentralPoint() const;
  // The crosshair stamp (black, white lines along row and column 12).
  const QImage& CrosshairImage() const { return crosshair_; }
  // Top left of the crosshair mark on the dialog surface.
  std::optional<QPoint> SurfaceMark() const { return surface_mark_; }

  QListWidget* FramesListBox() const { return list_; }
  QPushButton* FileMoveButton(int index) const { return move_buttons_[index]; }
  QPushButton* FileRemoveButton() const { return remove_button_; }
  QPushButton* FileAddButton() const { return add_button_; }
  QLabel* FrameCountLabel() const { return count_label_; }
  QLabel* CenterLabel() const { return center_label_; }
  QLineEdit* CenterXBox() const { return center_x_box_; }
  QLineEdit* CenterYBox() const { return center_y_box_; }
  QLineEdit* SuffixBox() const { return suffix_box_; }
  QPushButton* CreateSLXButton() const { return create_button_; }
  FrameView* FramePicBox() const { return picture_; }
  QLabel* Crosshair() const { return crosshair_box_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Reset();
  void UpdateMoveButtons();
  // The selected line (from 0), or -1 when no line is selected.
  int SelectedRow() const;
  void SelectionChanged();
  void FrameSelected();
  void ShowFrameBitmap(const std::string& path);
  void PicturePressed(Qt::MouseButton button, QPoint global);
  void PictureMoved(QPoint local, QPoint global);
  void PictureReleased();

  std::vector<std::string> frames_;
  DragMode drag_mode_ = DragMode::None;
  QPoint press_point_;
  CentralPointDrag central_drag_;
  QImage crosshair_;
  std::optional<QPoint> surface_mark_;

  QListWidget* list_;
  std::array<QPushButton*, 2> move_buttons_{};
  QPushButton* remove_button_;
  QPushButton* add_button_;
  QLabel* count_label_;
  QLabel* center_label_;
  QLineEdit* center_x_box_;
  QLineEdit* center_y_box_;
  QLineEdit* suffix_box_;
  QPushButton* create_button_;
  FrameView* picture_;
  QLabel* crosshair_box_;
};

}  // namespace zorv::gui
