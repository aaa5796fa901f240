#include "tools/gui/SLXFromFramesForm.h"

#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>

#include "codec/DIBSection.h"
#include "codec/FrameBitmaps.h"
#include "common/Functions.h"
#include "common/gui/Controls.h"
#include "common/gui/Images.h"
#include "common/gui/Look.h"
#include "common/gui/Platform.h"
#include "tools/gui/FrameView.h"
#include "tools/FramesToSLX.h"

namespace zorv::gui {
namespace {

constexpr int kClientWidth = 376;
constexpr int kClientHeight = 385;
constexpr QPoint kPictureHome(192, 176);
constexpr int kCrosshairSize = 25;
constexpr int kCrosshairCentre = 12;
// Marks further out than this are off every screen; keeping coordinates
// small keeps the arithmetic away from overflow.
constexpr int kFarthestMark = 1'000'000;
// A dragged picture stays within what window coordinates can hold.
constexpr int kFarthestPicture = 30'000;

// The two white outline rectangles on the dialog's background.
constexpr std::array<QRect, 2> kOutlines = {QRect(144, 4, 141, 49), QRect(144, 64, 229, 41)};

// Black, with white lines along row 12 and column 12.
QImage MakeCrosshair() {
  QImage image(kCrosshairSize, kCrosshairSize, QImage::Format_RGB32);
  image.fill(Qt::black);
  for (int i = 0; i < kCrosshairSize; ++i) {
    image.setPixel(i, kCrosshairCentre, 0xFFFFFFFF);
    image.setPixel(kCrosshairCentre, i, 0xFFFFFFFF);
  }
  return image;
}

// Combines the stamp into target by exclusive-or with its top left at
// top_left: white inverts what lies below, black leaves it.
void StampByXor(QImage& target, const QImage& stamp, QPoint top_left) {
  if (target.format() != QImage::Format_RGB32) target = target.convertToFormat(QImage::Format_RGB32);
  const QImage source = stamp.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < source.height(); ++y) {
    const int ty = top_left.y() + y;
    if (ty < 0 || ty >= target.height()) continue;
    const QRgb* from = reinterpret_cast<const QRgb*>(source.constScanLine(y));
    QRgb* to = reinterpret_cast<QRgb*>(target.scanLine(ty));
    for (int x = 0; x < source.width(); ++x) {
      const int tx = top_left.x() + x;
      if (tx < 0 || tx >= target.width()) continue;
      to[tx] ^= from[x] & 0x00FFFFFF;
    }
  }
}

// What a picture shows before a frame is chosen.
QImage Placeholder() {
  QImage image(64, 64, QImage::Format_RGB32);
  image.fill(Qt::black);
  return image;
}

// The dialog's own drawing: navy with the outline rectangles.
void PaintSurface(QPainter& painter, const QRect& area) {
  painter.fillRect(area, NavyColour());
  painter.setPen(QPen(Qt::white, 1));
  painter.setBrush(Qt::NoBrush);
  for (const QRect& outline : kOutlines) painter.drawRect(outline.adjusted(0, 0, -1, -1));
}

QLabel* Label(QWidget* parent, const char* name, const char* caption, QRect place) {
  QLabel* label = MakeLabel(parent, name, caption, FixedFont(), place);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QLineEdit* Box(QWidget* parent, const char* name, QRect place) {
  return MakeBox(parent, name, QString(), place);
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption, QRect place,
                    double points = 8.25) {
  return MakeButton(parent, name, caption, points, place);
}

QPoint ClampPoint(QPoint p, int limit) {
  return QPoint(std::clamp(p.x(), -limit, limit), std::clamp(p.y(), -limit, limit));
}

// Hidden entries by the desktop's rule (a leading "." here, the hidden
// attribute on Windows).
bool HiddenOnDesktop(const std::filesystem::path& entry) {
  if (IsDotHidden(entry)) return true;
  return QFileInfo(QFile::decodeName(entry.string().c_str())).isHidden();
}

}  // namespace

// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------


SLXFromFramesForm::SLXFromFramesForm() : QWidget(nullptr, Qt::Dialog) {
  setObjectName("SLXFromFramesForm");
  setWindowTitle("Create SLX from frames");
  StyleWindow(this);
  setFixedSize(kClientWidth, kClientHeight);
  crosshair_ = MakeCrosshair();

  // The picture lies below every other control, so a dragged picture never
  // hides a button.
  picture_ = new FrameView(this);
  picture_->setObjectName("FramePicBox");
  picture_->move(kPictureHome);

  list_ = new QListWidget(this);
  list_->setObjectName("FramesListBox");
  StyleBox(list_);
  list_->setFont(ArialFont(8.25));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setGeometry(8, 8, 129, 297);

  move_buttons_[0] = Button(this, "FileMoveButton_0", "Move up", QRect(8, 312, 65, 17));
  move_buttons_[1] = Button(this, "FileMoveButton_1", "Move down", QRect(72, 312, 65, 17));
  remove_button_ = Button(this, "FileRemoveButton", "Remove", QRect(8, 336, 65, 17));
  add_button_ = Button(this, "FileAddButton", "Add frames", QRect(72, 336, 65, 17));
  count_label_ = Label(this, "FrameCountLabel", "Frames: 0", QRect(16, 360, 121, 17));
  center_label_ = Label(this, "CenterLabel", "Central point:", QRect(152, 8, 113, 17));
  Label(this, "CenterXLabel", "X:", QRect(152, 24, 17, 17));
  center_x_box_ = Box(this, "CenterXBox", QRect(168, 24, 41, 19));
  Label(this, "CenterYLabel", "Y:", QRect(216, 24, 17, 17));
  center_y_box_ = Box(this, "CenterYBox", QRect(232, 24, 41, 19));
  QLabel* suffix_label =
      Label(this, "SuffixLabel", "Data bitmap filename suffix:", QRect(152, 68, 137, 33));
  suffix_label->setWordWrap(true);
  suffix_box_ = Box(this, "SuffixBox", QRect(296, 73, 65, 22));
  create_button_ =
      Button(this, "CreateSLXButton", "Copy images and create SLX", QRect(144, 112, 225, 33),
                 9.75);

  crosshair_box_ = new QLabel(this);
  crosshair_box_->setObjectName("Crosshair");
  crosshair_box_->setGeometry(160, 168, kCrosshairSize, kCrosshairSize);
  crosshair_box_->setPixmap(QPixmap::fromImage(crosshair_));
  crosshair_box_->hide();

  // A line counts as chosen only while it is selected: the list's current
  // line can outlive its selection (a Ctrl+click takes the selection away,
  // focus arriving by keyboard makes the first line current unselected).
  connect(list_, &QListWidget::itemSelectionChanged, this, &SLXFromFramesForm::SelectionChanged);
  connect(move_buttons_[0], &QPushButton::clicked, this, [this] { MoveFrame(0); });
  connect(move_buttons_[1], &QPushButton::clicked, this, [this] { MoveFrame(1); });
  connect(remove_button_, &QPushButton::clicked, this, &SLXFromFramesForm::RemoveFrame);
  connect(add_button_, &QPushButton::clicked, this, &SLXFromFramesForm::AddFrames);
  connect(create_button_, &QPushButton::clicked, this, &SLXFromFramesForm::CreateSLX);
  connect(center_x_box_, &QLineEdit::textChanged, this, [this] { DrawCentralPoint(); });
  connect(center_y_box_, &QLineEdit::textChanged, this, [this] { DrawCentralPoint(); });

  picture_->on_press = [this](Qt::MouseButton button, QPoint, QPoint global) {
    PicturePressed(button, global);
  };
  picture_->on_move = [this](QPoint local, QPoint global) { PictureMoved(local, global); };
  picture_->on_release = [this](Qt::MouseButton) { PictureReleased(); };

  Reset();
}

SLXFromFramesForm::~SLXFromFramesForm() = default;

void SLXFromFramesForm::Open() {
  if (!isVisible()) {
    Reset();
    // Adding frames comes first; a focused list would select its first line
    // as soon as it had one.
    add_button_->setFocus();
  }
  show();
  raise();
  activateWindow();
}

void SLXFromFramesForm::Reset() {
  frames_.clear();
  drag_mode_ = DragMode::None;
  center_x_box_->setText("30");
  center_y_box_->setText("30");
  suffix_box_->setText("data");
  RebuildListBox();
  for (QPushButton* button : {move_buttons_[0], move_buttons_[1], remove_button_})
    button->setEnabled(false);
  picture_->SetPicture(Placeholder());
  picture_->move(kPictureHome);
  DrawCentralPoint();
}

void SLXFromFramesForm::RebuildListBox() {
  list_->clear();
  const std::vector<std::string> lines = FrameListLines(frames_);
  for (size_t i = 0; i < frames_.size(); ++i) {
    auto* item = new QListWidgetItem(ToQ(lines[i]), list_);
    item->setToolTip(ToQ(frames_[i]));
  }
  count_label_->setText(ToQ("Frames: " + NumberText(static_cast<int64_t>(frames_.size()))));
}

void SLXFromFramesForm::UpdateMoveButtons() {
  // With no line selected both stay usable (and do nothing), as the list
  // has always behaved.
  const int selected = SelectedRow();
  const int count = list_->count();
  move_buttons_[0]->setEnabled(selected != 0);
  move_buttons_[1]->setEnabled(selected != count - 1);
}

QPoint SLXFromFramesForm::CentralPoint() const {
  return QPoint(LeadingNumberFloor(FromQ(center_x_box_->text())),
                LeadingNumberFloor(FromQ(center_y_box_->text())));
}

void SLXFromFramesForm::DrawCentralPoint() {
  const QPoint centre = ClampPoint(CentralPoint(), kFarthestMark);
  picture_->SetMark(centre);
  surface_mark_ = picture_->pos() + centre - QPoint(kCrosshairCentre, kCrosshairCentre);
  update();
}

void SLXFromFramesForm::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintSurface(painter, rect());
  if (!surface_mark_) return;
  // The surface under the mark, drawn again and stamped; the picture covers
  // the part of the mark that lies on it.
  const QRect area(*surface_mark_, QSize(kCrosshairSize, kCrosshairSize));
  if (!area.intersects(rect())) return;
  QImage patch(area.size(), QImage::Format_RGB32);
  {
    QPainter patch_painter(&patch);
    patch_painter.translate(-area.topLeft());
    PaintSurface(patch_painter, area);
  }
  StampByXor(patch, crosshair_, QPoint(0, 0));
  painter.drawImage(area.topLeft(), patch);
}

void SLXFromFramesForm::AddFrames() {
  FileDialogRequest request;
  request.title = "Select frames to import (shift/ctrl can select multiple files)";
  // BMP frames first, as always; PNG frames stay PNG in the graphic.
  request.filter = "BMP files (*.bmp)|*.bmp|PNG files (*.png)|*.png";
  const std::vector<std::string> chosen = CurrentPlatform().OpenFiles(request);
  if (chosen.empty()) return;
  frames_.insert(frames_.end(), chosen.begin(), chosen.end());
  RebuildListBox();
  UpdateMoveButtons();
}

int SLXFromFramesForm::SelectedRow() const {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty()) return -1;
  const int row = list_->row(selected.front());
  return row < static_cast<int>(frames_.size()) ? row : -1;
}

void SLXFromFramesForm::SelectionChanged() {
  UpdateMoveButtons();
  if (SelectedRow() >= 0) FrameSelected();
}

void SLXFromFramesForm::FrameSelected() {
  const int row = SelectedRow();
  if (row < 0) return;
  remove_button_->setEnabled(true);
  ShowFrameBitmap(frames_[static_cast<size_t>(row)]);
  DrawCentralPoint();
}

void SLXFromFramesForm::ShowFrameBitmap(const std::string& path) {
  cDIBSection bitmap;
  const Status loaded = LoadFrameBitmap(path, bitmap);
  QImage image = loaded ? ToQImage(bitmap) : QImage();
  if (!loaded || image.isNull()) {
    picture_->SetPicture(Placeholder());
    CurrentPlatform().ShowMessage(
        Message{"Cannot show the frame bitmap!\n" +
                    (loaded ? path + ": the picture is empty" : loaded.message()),
                "Error", MsgIcon::Exclamation, MsgButtons::OK, MsgAnswer::OK});
    return;
  }
  picture_->SetPicture(image);
}

void SLXFromFramesForm::MoveFrame(int direction) {
  const int row = SelectedRow();
  if (row < 0) return;
  const int other = direction == 0 ? row - 1 : row + 1;
  if (other < 0 || other >= static_cast<int>(frames_.size())) return;
  std::swap(frames_[static_cast<size_t>(row)], frames_[static_cast<size_t>(other)]);
  RebuildListBox();
  list_->setCurrentRow(other);
  UpdateMoveButtons();
}

void SLXFromFramesForm::RemoveFrame() {
  const int row = SelectedRow();
  if (row < 0) return;
  frames_.erase(frames_.begin() + row);
  RebuildListBox();
  UpdateMoveButtons();
}

void SLXFromFramesForm::CreateSLX() {
  FileDialogRequest request;
  request.title = "Select name for SLX -- MUST BE IN AN EMPTY DIRECTORY!";
  request.filter = "SLX file (*.slx)|*.slx";
  request.initial_name = "something.slx";
  request.path_must_exist = true;
  const std::optional<std::string> chosen = CurrentPlatform().SaveFile(request);
  if (!chosen || chosen->empty()) return;
  FramesToSLXJob job;
  job.slx_path = *chosen;
  job.frames = frames_;
  const QPoint centre = CentralPoint();
  job.center_x = centre.x();
  job.center_y = centre.y();
  job.suffix = FromQ(suffix_box_->text());
  job.hidden = HiddenOnDesktop;
  const Status created = CreateSLXFromFrames(job);
  if (created) {
    CurrentPlatform().ShowMessage(
        Message{"SLX created", "Success", MsgIcon::Information, MsgButtons::OK, MsgAnswer::OK});
    return;
  }
  // A job refused before anything was written is the user's to mend; any
  // other failure stopped a job under way.
  const std::string headline = created.Headline();
  const bool refused = headline == kFolderNotEmptyText || headline == kSLXNamedLikeAFrameText ||
                       headline == kFramesShareACopyNameText;
  ShowFailure(created, refused ? MsgIcon::Exclamation : MsgIcon::Critical);
}

void SLXFromFramesForm::PicturePressed(Qt::MouseButton button, QPoint global) {
  press_point_ = CentralPoint();
  central_drag_.Start({press_point_.x(), press_point_.y()}, {global.x(), global.y()});
  if (button == Qt::LeftButton) {
    drag_mode_ = DragMode::Picture;
  } else if (button == Qt::RightButton) {
    drag_mode_ = DragMode::CentralPoint;
    DrawCentralPoint();
  }
}

void SLXFromFramesForm::PictureMoved(QPoint local, QPoint global) {
  if (drag_mode_ == DragMode::Picture) {
    // The pixel at the central point comes under the pointer. Positions are
    // taken in the picture as it lies now, so the move a moved picture
    // causes under a resting pointer asks for no further move.
    const QPoint press = ClampPoint(press_point_, kFarthestMark);
    picture_->move(ClampPoint(picture_->pos() + local - press, kFarthestPicture));
    DrawCentralPoint();
  } else if (drag_mode_ == DragMode::CentralPoint) {
    Platform& platform = CurrentPlatform();
    const Point screen = platform.ScreenSize();
    const ScreenPoint centre = central_drag_.Move(
        {global.x(), global.y()}, {screen.x, screen.y}, [&platform](ScreenPoint to) {
          platform.SetCursorPosition({to.x, to.y});
          return platform.CursorPosition() == Point{to.x, to.y};
        });
    center_x_box_->setText(ToQ(NumberText(centre.x)));
    center_y_box_->setText(ToQ(NumberText(centre.y)));
    DrawCentralPoint();
  }
}

void SLXFromFramesForm::PictureReleased() {
  if (drag_mode_ == DragMode::CentralPoint) DrawCentralPoint();
  drag_mode_ = DragMode::None;
}

}  // namespace zorv::gui
