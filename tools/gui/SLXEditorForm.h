// The SLX editor: shows the current frame's colour and data bitmaps aligned
// on their hot spots, steps and animates through the frames, and sets hot
// spots by typing, spinning and dragging. It works on the SLX document and
// follows it: a graphic loaded while the editor exists is shown at once.
#pragma once

#include <QMainWindow>
#include <QPoint>
#include <string>

#include "autogen/AutoGen.h"
#include "tools/CentralPointDrag.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollBar;
class QTimer;

namespace zorv::gui {

class FrameView;
class EditorSurface;
class SLXDocument;
class Windows;

class SLXEditorForm : public QMainWindow {
  Q_OBJECT

 public:
  SLXEditorForm(Windows& windows, SLXDocument& document);
  ~SLXEditorForm() override;

  // Shows the window with its members reset, as every opening does.
  void Open();
  // A graphic is being loaded for display: Open, then the frame slider
  // reset to 1..frame_count without running its handler.
  void OpenForGraphic(int frame_count);
  // Resets the frame slider to 1..frame_count without running its handler.
  void ResetSlider(int frame_count);

  // Puts the current frame (the slider's value) into the views; first sets
  // the anchors from the views' present places. False (after a message)
  // when the frame is not in the graphic or its colour bitmap is unreadable.
  bool ShowFrame(bool first);
  // Stores the boxes' hot spot into the current frame and draws the mark.
  void SetCenter();

  // Shows a generated frame in the views and moves them as told.
  void ApplyGenerated(const AutoGenResult& result);

  // Menu commands.
  void SaveChanges();
  void StartAnimation();
  void StopAnimation();
  void AnimateBetween();
  void ToggleDisplay();
  void SetPrecision(int option);  // 1 Low, 2 Medium, 3 High
  void AnimationTick();
  void Zoom(int index);           // 0 colour, 1 data
  void GenerateData();

  bool Changed() const { return changed_; }
  int PrecisionFactor() const { return precision_; }
  bool DisplayChecked() const;
  bool Animating() const;

  QLineEdit* CenterXBox() const { return center_x_box_; }
  QLineEdit* CenterYBox() const { return center_y_box_; }
  QScrollBar* CenterXScroll() const { return center_x_scroll_; }
  QScrollBar* CenterYScroll() const { return center_y_scroll_; }
  QScrollBar* FrameScroll() const { return frame_scroll_; }
  QPushButton* ZoomButton(int index) const { return zoom_buttons_[index]; }
  FrameView* SLXColourPicBox() const { return colour_view_; }
  FrameView* SLXDataPicBox() const { return data_view_; }
  QAction* MenuAction(const std::string& name) const;
  // The mark on the window surface, in client coordinates, if one is drawn.
  std::optional<QPoint> SurfaceMark() const;
  QWidget* Surface() const;

  // Mouse on the views, as the views pass it on (positions in the view,
  // global positions on the screen).
  void ColourPress(Qt::MouseButton button, QPoint view, QPoint global);
  void ColourMove(QPoint view, QPoint global);
  void ColourRelease(Qt::MouseButton button);
  void DataPress(Qt::MouseButton button, QPoint view);
  void DataMove(QPoint view);
  void DataRelease();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  void CenterBoxChanged();
  void SpinChanged(QScrollBar* spin, QLineEdit* box);
  void FrameScrollChanged();
  // Writes a hot spot into the boxes without running their change handling.
  void WriteCenterBoxes(int64_t x, int64_t y);
  // The frame number and count in the title and the slider's tool tip.
  void ShowFrameNumber();
  void SetSliderQuietly(int value);
  void ClearMarks();
  bool CurrentFrameValid() const;

  Windows& windows_;
  SLXDocument& document_;

  bool changed_ = false;
  int precision_ = 1;
  int colour_drag_ = 0;
  QPoint colour_press_;
  CentralPointDrag fine_drag_;
  int data_drag_ = 0;
  QPoint data_press_;

  EditorSurface* surface_;
  QLineEdit* center_x_box_;
  QLineEdit* center_y_box_;
  QScrollBar* center_x_scroll_;
  QScrollBar* center_y_scroll_;
  QPushButton* zoom_buttons_[2];
  QScrollBar* frame_scroll_;
  FrameView* colour_view_;
  FrameView* data_view_;
  QTimer* animate_timer_;
  QAction* display_action_ = nullptr;
  QAction* precision_actions_[3] = {};
};

}  // namespace zorv::gui
