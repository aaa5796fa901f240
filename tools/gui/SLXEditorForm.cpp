#include "tools/gui/SLXEditorForm.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <optional>
#include <vector>

#include "codec/DIBSection.h"
#include "codec/FrameBitmaps.h"
#include "codec/PlayerColours.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "common/Functions.h"
#include "common/gui/Controls.h"
#include "common/gui/Images.h"
#include "common/gui/Look.h"
#include "common/gui/Platform.h"
#include "common/gui/Windows.h"
#include "tools/HotSpotRange.h"
#include "tools/gui/FrameView.h"
#include "tools/gui/SLXDocument.h"

namespace zorv::gui {

// The window's background: navy with five white outline rectangles, and
// the crosshair mark where it reaches beyond the colour view.
class EditorSurface : public QWidget {
 public:
  explicit EditorSurface(QWidget* parent) : QWidget(parent) { StyleWindow(this); }
  std::optional<QPoint> mark;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), NavyColour());
    painter.setPen(Qt::white);
    for (QRect r : {QRect(4, 16, 221, 33), QRect(4, 56, 221, 33), QRect(4, 96, 221, 33),
                    QRect(5, 97, 229, 40), QRect(192, 32, 157, 57)})
      painter.drawRect(r.adjusted(0, 0, -1, -1));
    if (mark) {
      // White inverted by exclusive-or on navy.
      painter.setPen(QColor(255, 255, 127));
      painter.drawLine(mark->x() - 12, mark->y(), mark->x() + 12, mark->y());
      painter.drawLine(mark->x(), mark->y() - 12, mark->x(), mark->y() + 12);
    }
  }
};

namespace {

QLabel* Label(QWidget* parent, const char* name, const char* caption, QRect place) {
  return MakeLabel(parent, name, caption, FixedFont(), place);
}

QLineEdit* Box(QWidget* parent, const char* name, QRect place) {
  return MakeBox(parent, name, "30", place);
}

QScrollBar* Spin(QWidget* parent, const char* name, Qt::Orientation orientation, QRect place) {
  auto* spin = new QScrollBar(orientation, parent);
  spin->setObjectName(name);
  spin->setRange(0, 2);
  spin->setValue(1);
  spin->setPageStep(1);
  spin->setGeometry(place);
  return spin;
}

}  // namespace

SLXEditorForm::SLXEditorForm(Windows& windows, SLXDocument& document)
    : windows_(windows), document_(document) {
  setObjectName("SLXEditorForm");
  setWindowTitle("SLX Editor");
  surface_ = new EditorSurface(this);
  setCentralWidget(surface_);
  BuildControls();
  BuildMenus();
  resize(465, 297 + menuBar()->sizeHint().height());

  // The editor follows the document: a newly loaded graphic is shown at
  // once, whether or not the editor was asked for, and auto-generation
  // moves the slider and shows its results here.
  connect(&document_, &SLXDocument::graphicLoaded, this, [this] { ShowFrame(true); });
  connect(&document_, &SLXDocument::frameSelected, this, [this](int frame) {
    SetSliderQuietly(frame);
  });
  connect(&document_, &SLXDocument::frameRangeReset, this, [this](int frame_count) {
    if (frame_scroll_->maximum() == frame_count) return;
    ResetSlider(frame_count);
    document_.SetCurrentFrame(frame_scroll_->value());
  });
  connect(&document_, &SLXDocument::frameRedisplayRequested, this, [this] { ShowFrame(false); });
  connect(&document_, &SLXDocument::playerChanged, this, [this](int player) {
    if (QAction* choice = MenuAction("menu_player_choice(" + std::to_string(player) + ")"))
      choice->setChecked(true);
    if (CurrentFrameValid()) ShowFrame(false);
  });
  connect(&document_, &SLXDocument::frameGenerated, this, [this](const AutoGenResult& result) {
    // The frame as it now is (hot spot and place), then the generated
    // bitmaps over it.
    ShowFrame(false);
    ApplyGenerated(result);
  });
}

SLXEditorForm::~SLXEditorForm() = default;

QWidget* SLXEditorForm::Surface() const { return surface_; }

void SLXEditorForm::BuildControls() {
  Label(surface_, "CenterLabel", "Center:", QRect(8, 23, 57, 17));
  center_x_box_ = Box(surface_, "CenterXBox", QRect(72, 23, 41, 18));
  center_x_box_->setProperty("tag", "");
  Label(surface_, "CenterCommaLabel", ",", QRect(112, 23, 9, 17));
  center_y_box_ = Box(surface_, "CenterYBox", QRect(120, 23, 41, 18));
  center_x_scroll_ = Spin(surface_, "CenterXScroll", Qt::Horizontal, QRect(168, 24, 49, 17));
  center_y_scroll_ = Spin(surface_, "CenterYScroll", Qt::Vertical, QRect(184, 8, 17, 49));
  auto* useless = new QPushButton(surface_);
  useless->setObjectName("UselessButton");
  useless->setGeometry(184, 24, 17, 17);
  useless->setFocusPolicy(Qt::NoFocus);
  const char* zoom_captions[2] = {"Zoom (colour)", "Zoom (data)"};
  for (int i = 0; i < 2; ++i) {
    zoom_buttons_[i] = MakeButton(surface_, QString("ZoomButton(%1)").arg(i), zoom_captions[i],
                                  8.25, QRect(240, 40 + 24 * i, 97, 17));
    connect(zoom_buttons_[i], &QPushButton::clicked, this, [this, i] { Zoom(i); });
  }
  Label(surface_, "FrameScrollLabel", "Frame:", QRect(16, 64, 49, 17));
  frame_scroll_ = new QScrollBar(Qt::Horizontal, surface_);
  frame_scroll_->setObjectName("FrameScroll");
  frame_scroll_->setGeometry(72, 64, 145, 17);
  frame_scroll_->setRange(1, 1);
  frame_scroll_->setValue(1);
  frame_scroll_->setPageStep(1);
  frame_scroll_->setProperty("tag", "on");
  colour_view_ = new FrameView(surface_);
  colour_view_->setObjectName("SLXColourPicBox");
  colour_view_->setGeometry(16, 104, 40, 40);
  data_view_ = new FrameView(surface_);
  data_view_->setObjectName("SLXDataPicBox");
  data_view_->setGeometry(184, 104, 40, 40);
  // The frames lie below every control of the window.
  data_view_->lower();
  colour_view_->lower();
  animate_timer_ = new QTimer(this);
  animate_timer_->setObjectName("AnimateTimer");
  animate_timer_->setInterval(100);

  connect(center_x_box_, &QLineEdit::textChanged, this, &SLXEditorForm::CenterBoxChanged);
  connect(center_y_box_, &QLineEdit::textChanged, this, &SLXEditorForm::CenterBoxChanged);
  connect(center_x_scroll_, &QScrollBar::valueChanged, this,
          [this] { SpinChanged(center_x_scroll_, center_x_box_); });
  connect(center_y_scroll_, &QScrollBar::valueChanged, this,
          [this] { SpinChanged(center_y_scroll_, center_y_box_); });
  connect(frame_scroll_, &QScrollBar::valueChanged, this, &SLXEditorForm::FrameScrollChanged);
  connect(animate_timer_, &QTimer::timeout, this, &SLXEditorForm::AnimationTick);
  colour_view_->on_press = [this](Qt::MouseButton b, QPoint v, QPoint g) { ColourPress(b, v, g); };
  colour_view_->on_move = [this](QPoint v, QPoint g) { ColourMove(v, g); };
  colour_view_->on_release = [this](Qt::MouseButton b) { ColourRelease(b); };
  data_view_->on_press = [this](Qt::MouseButton b, QPoint v, QPoint) { DataPress(b, v); };
  data_view_->on_move = [this](QPoint v, QPoint) { DataMove(v); };
  data_view_->on_release = [this](Qt::MouseButton) { DataRelease(); };
}

void SLXEditorForm::BuildMenus() {
  auto name = [](QAction* action, const char* object_name) {
    action->setObjectName(object_name);
    return action;
  };
  QAction* save = name(menuBar()->addAction("Save changes"), "menu_save");
  save->setShortcut(QKeySequence::Save);
  connect(save, &QAction::triggered, this, &SLXEditorForm::SaveChanges);
  QMenu* automation = menuBar()->addMenu("Automation");
  automation->setObjectName("menu_auto");
  connect(name(automation->addAction("Generate data"), "menu_auto_gendata"), &QAction::triggered,
          this, &SLXEditorForm::GenerateData);
  QMenu* fix_purple = automation->addMenu("Fix purple box");
  fix_purple->setObjectName("menu_auto_fixpurple");
  fix_purple->menuAction()->setObjectName("menu_auto_fixpurple");
  fix_purple->setEnabled(false);
  name(fix_purple->addAction("This frame"), "menu_auto_fixpurple_choice(0)");
  name(fix_purple->addAction("All frames"), "menu_auto_fixpurple_choice(1)");
  QMenu* animate = menuBar()->addMenu("Animate");
  animate->setObjectName("menu_animate");
  connect(name(animate->addAction("Start"), "menu_animate_start"), &QAction::triggered, this,
          &SLXEditorForm::StartAnimation);
  connect(name(animate->addAction("Stop"), "menu_animate_stop"), &QAction::triggered, this,
          &SLXEditorForm::StopAnimation);
  connect(name(animate->addAction("Between..."), "menu_animate_between"), &QAction::triggered,
          this, &SLXEditorForm::AnimateBetween);
  QMenu* center = menuBar()->addMenu("Center");
  center->setObjectName("menu_center");
  display_action_ = name(center->addAction("Display"), "menu_center_display");
  display_action_->setCheckable(true);
  connect(display_action_, &QAction::triggered, this, &SLXEditorForm::ToggleDisplay);
  QMenu* precision = center->addMenu("Precision");
  precision->setObjectName("menu_center_precision");
  const char* levels[3] = {"Low", "Medium", "High"};
  for (int i = 0; i < 3; ++i) {
    std::string object_name = "menu_center_precision_option(" + std::to_string(i + 1) + ")";
    precision_actions_[i] = name(precision->addAction(levels[i]), object_name.c_str());
    precision_actions_[i]->setCheckable(true);
    connect(precision_actions_[i], &QAction::triggered, this, [this, i] { SetPrecision(i + 1); });
  }
  precision_actions_[0]->setChecked(true);

  // After the menus above: which player's colours the views show.
  QMenu* player = menuBar()->addMenu("Player colour");
  player->setObjectName("menu_player");
  auto* players = new QActionGroup(player);
  for (int n = kMinPlayer; n <= kMaxPlayer; ++n) {
    const std::string object_name = "menu_player_choice(" + std::to_string(n) + ")";
    QAction* choice = name(player->addAction(QString("Player %1").arg(n)), object_name.c_str());
    choice->setCheckable(true);
    choice->setChecked(n == document_.Player());
    players->addAction(choice);
    connect(choice, &QAction::triggered, this, [this, n] { document_.SetPlayer(n); });
  }
}

QAction* SLXEditorForm::MenuAction(const std::string& object_name) const {
  return findChild<QAction*>(ToQ(object_name));
}

bool SLXEditorForm::DisplayChecked() const { return display_action_->isChecked(); }
bool SLXEditorForm::Animating() const { return animate_timer_->isActive(); }

std::optional<QPoint> SLXEditorForm::SurfaceMark() const { return surface_->mark; }

void SLXEditorForm::Open() {
  if (!isVisible()) {
    // Every opening starts from the design state.
    changed_ = false;
    SetPrecision(1);
    display_action_->setChecked(false);
    document_.SetPlayer(1);
    ClearMarks();
    colour_drag_ = data_drag_ = 0;
    animate_timer_->stop();
    colour_view_->move(16, 104);
    data_view_->move(184, 104);
    document_.SetAnchors(ViewAnchors{{colour_view_->x(), colour_view_->y()},
                                     {data_view_->x(), data_view_->y()}});
  }
  show();
  raise();
}

void SLXEditorForm::OpenForGraphic(int frame_count) {
  Open();
  ResetSlider(frame_count);
}

void SLXEditorForm::ResetSlider(int frame_count) {
  frame_scroll_->setProperty("tag", "off");
  frame_scroll_->setMaximum(std::max(frame_count, 1));
  frame_scroll_->setValue(1);
  frame_scroll_->setProperty("tag", "on");
}

void SLXEditorForm::SetSliderQuietly(int value) {
  if (frame_scroll_->value() == value) return;
  frame_scroll_->setProperty("tag", "off");
  frame_scroll_->setValue(value);
  frame_scroll_->setProperty("tag", "on");
}

bool SLXEditorForm::CurrentFrameValid() const {
  return document_.HasFrame(document_.CurrentFrame());
}

bool SLXEditorForm::ShowFrame(bool first) {
  const SLXGraphic& graphic = document_.Graphic();
  document_.SetCurrentFrame(frame_scroll_->value());
  const int32_t current = document_.CurrentFrame();
  ShowFrameNumber();
  if (!CurrentFrameValid()) {
    // Nothing of another graphic stays in view.
    colour_view_->ShowPlaceholder(colour_view_->size());
    data_view_->ShowPlaceholder(colour_view_->size());
    CurrentPlatform().ShowMessage(Message{
        "Frame " + std::to_string(current) + " is not a frame of this graphic (" +
            std::to_string(graphic.FrameCount) + " frames).\n" + graphic.Path,
        "Error", MsgIcon::Exclamation, MsgButtons::OK, MsgAnswer::OK});
    return false;
  }
  const SLXFrame& frame = graphic.Frame(current);
  // A view whose bitmap cannot be loaded shows the placeholder, never the
  // picture of the frame shown before; the failures are told once the
  // views and boxes show this frame.
  std::vector<std::string> failures;
  cDIBSection colour;
  const Status colour_loaded = LoadFrameBitmap(graphic.ColourPath(current), colour);
  if (colour_loaded) {
    colour_view_->SetPicture(ToQImage(colour));
  } else {
    colour_view_->ShowPlaceholder(colour_view_->size());
    failures.push_back("Unable to load the colour bitmap of frame " + std::to_string(current) +
                       "!\n" + colour_loaded.message());
  }
  const std::string data_path = graphic.DataPath(current);
  bool data_shown = false;
  if (FileExists(data_path)) {
    cDIBSection data;
    Status data_loaded = LoadFrameBitmap(data_path, data);
    if (data_loaded) {
      data_view_->SetPicture(ToQImage(data));
      data_shown = true;
      // Player 1 is the colour bitmap as it is; another player's colours
      // need the data bitmap to tell which pixels are player colour.
      if (colour_loaded && document_.Player() != 1)
        colour_view_->SetPicture(
            ToQImage(InPlayerColours(colour, data, Palette::BuiltIn(), document_.Player())));
    } else {
      failures.push_back("Unable to load the data bitmap of frame " + std::to_string(current) +
                         "!\n" + data_loaded.message());
    }
  }
  // A frame without a readable data bitmap gets an empty data view at the
  // colour view's size.
  if (!data_shown) data_view_->ShowPlaceholder(colour_view_->size());
  // The hot spot as the editor keeps it: one a file holds beyond the limit
  // is shown, placed and (through SetCenter) stored as the limit.
  const int32_t center_x = ClampHotSpot(frame.CenterX);
  const int32_t center_y = ClampHotSpot(frame.CenterY);
  if (first)
    document_.SetAnchors(
        ViewAnchors{{colour_view_->x() + center_x, colour_view_->y() + center_y},
                    {colour_view_->x() + colour_view_->width() + 25 + center_x,
                     data_view_->y() + center_y}});
  const ViewAnchors& anchors = document_.Anchors();
  ViewPoint colour_place = PlaceOnAnchor(anchors.ColourAnchor, center_x, center_y);
  ViewPoint data_place = PlaceOnAnchor(anchors.DataAnchor, center_x, center_y);
  colour_view_->move(colour_place.X, colour_place.Y);
  data_view_->move(data_place.X, data_place.Y);
  // The boxes show this frame's hot spot even when its picture is missing,
  // so an edit made now goes to the frame the slider names.
  WriteCenterBoxes(center_x, center_y);
  SetCenter();
  for (const std::string& failure : failures)
    CurrentPlatform().ShowMessage(
        Message{failure, "Error", MsgIcon::Exclamation, MsgButtons::OK, MsgAnswer::OK});
  return colour_loaded.ok();
}

void SLXEditorForm::ShowFrameNumber() {
  if (!CurrentFrameValid()) {
    setWindowTitle("SLX Editor");
    frame_scroll_->setToolTip(QString());
    return;
  }
  const QString number = QString::number(document_.CurrentFrame()) + " of " +
                         QString::number(document_.Graphic().FrameCount);
  setWindowTitle("SLX Editor - frame " + number);
  frame_scroll_->setToolTip("Frame " + number);
}

void SLXEditorForm::WriteCenterBoxes(int64_t x, int64_t y) {
  // The boxes show what SetCenter stores.
  center_x_box_->setProperty("tag", "disabled");
  center_x_box_->setText(QString::number(ClampHotSpot(x)));
  center_y_box_->setText(QString::number(ClampHotSpot(y)));
  center_x_box_->setProperty("tag", "");
}

void SLXEditorForm::ClearMarks() {
  colour_view_->ClearMark();
  surface_->mark.reset();
  surface_->update();
}

void SLXEditorForm::SetCenter() {
  const int32_t x = HotSpotFromText(FromQ(center_x_box_->text()));
  const int32_t y = HotSpotFromText(FromQ(center_y_box_->text()));
  // However the hot spot was changed (typed, spun, set or dragged with the
  // mouse), the graphic now differs from its file.
  if (document_.SetHotSpot(document_.CurrentFrame(), x, y)) changed_ = true;
  if (!DisplayChecked()) return;
  ClearMarks();
  colour_view_->SetMark(QPoint(x, y));
  surface_->mark = QPoint(colour_view_->x() + x, colour_view_->y() + y);
  surface_->update();
}

void SLXEditorForm::CenterBoxChanged() {
  if (center_x_box_->property("tag").toString() == "disabled") return;
  changed_ = true;
  // A number beyond the hot-spot limit is replaced by the limit, so the box
  // never shows other than what is stored.
  for (QLineEdit* box : {center_x_box_, center_y_box_}) {
    const std::string text = FromQ(box->text());
    if (!HotSpotTextBeyondLimit(text)) continue;
    center_x_box_->setProperty("tag", "disabled");
    box->setText(QString::number(HotSpotFromText(text)));
    center_x_box_->setProperty("tag", "");
  }
  display_action_->setChecked(true);
  SetCenter();
}

void SLXEditorForm::SpinChanged(QScrollBar* spin, QLineEdit* box) {
  const int value = spin->value();
  if (value == 1) return;
  // At the limit a spin leaves the hot spot where it is instead of wrapping.
  const int64_t current = HotSpotFromText(FromQ(box->text()));
  box->setText(QString::number(ClampHotSpot(value == 2 ? current + 1 : current - 1)));
  spin->setValue(1);
}

void SLXEditorForm::ToggleDisplay() {
  // The action has already toggled its check.
  if (!DisplayChecked()) ClearMarks();
  SetCenter();
}

void SLXEditorForm::SetPrecision(int option) {
  static constexpr int kFactors[3] = {1, 15, 50};
  if (option < 1 || option > 3) return;
  for (int i = 0; i < 3; ++i)
    if (precision_actions_[i]) precision_actions_[i]->setChecked(i == option - 1);
  precision_ = kFactors[option - 1];
}

void SLXEditorForm::FrameScrollChanged() {
  if (frame_scroll_->property("tag").toString() != "on") return;
  if (ShowFrame(false)) SetCenter();
}

void SLXEditorForm::StartAnimation() { animate_timer_->start(); }
void SLXEditorForm::StopAnimation() { animate_timer_->stop(); }

void SLXEditorForm::AnimationTick() {
  int next = document_.CurrentFrame() + 1;
  if (next > document_.AnimateLast()) next = document_.AnimateFirst();
  frame_scroll_->setProperty("tag", "off");
  frame_scroll_->setValue(next);
  frame_scroll_->setProperty("tag", "on");
  if (ShowFrame(false)) SetCenter();
}

void SLXEditorForm::AnimateBetween() {
  auto answer = CurrentPlatform().InputBox(
      "Animate between what frames?", "Animation",
      std::to_string(document_.AnimateFirst()) + "-" + std::to_string(document_.AnimateLast()));
  if (!answer || answer->empty()) return;
  const size_t dash = answer->find('-');
  if (dash == std::string::npos) return;
  const std::string first_text = answer->substr(0, dash);
  std::string last_text = answer->substr(dash + 1);
  last_text = last_text.substr(0, last_text.find('-'));
  auto first = ParseNumberLine(first_text);
  auto last = ParseNumberLine(last_text);
  if (!first || !last) return;
  if (*first >= 1 && *first <= *last && *last <= document_.Graphic().FrameCount) {
    document_.SetAnimationRange(*first, *last);
  } else {
    CurrentPlatform().ShowMessage(
        Message{"Invalid range!", "Error", MsgIcon::Critical, MsgButtons::OK, MsgAnswer::OK});
  }
}

void SLXEditorForm::ColourPress(Qt::MouseButton button, QPoint view, QPoint global) {
  colour_press_ = view;
  if (button == Qt::LeftButton) {
    colour_drag_ = 1;
  } else if (button == Qt::RightButton) {
    colour_drag_ = 3;
    display_action_->setChecked(true);
    WriteCenterBoxes(view.x(), view.y());
    fine_drag_ = CentralPointDrag(precision_);
    fine_drag_.Start({view.x(), view.y()}, {global.x(), global.y()});
    SetCenter();
  }
}

void SLXEditorForm::ColourMove(QPoint view, QPoint global) {
  if (colour_drag_ == 1) {
    // Panning: the view follows the pointer, and so does its anchor. The
    // position is relative to the view, which has moved with the last step,
    // so each move carries only the new movement.
    const QPoint step = view - colour_press_;
    if (step.isNull()) return;
    colour_view_->move(colour_view_->pos() + step);
    const ViewPoint anchor = document_.Anchors().ColourAnchor;
    document_.SetColourAnchor({anchor.X + step.x(), anchor.Y + step.y()});
    SetCenter();
  } else if (colour_drag_ == 3) {
    if (precision_ == 1) {
      WriteCenterBoxes(view.x(), view.y());
      SetCenter();
      return;
    }
    // A fine drag: the hot spot moves by the pointer's movement divided by
    // the factor, and the pointer wraps round the screen edges.
    const Point screen = CurrentPlatform().ScreenSize();
    const ScreenPoint center = fine_drag_.Move(
        {global.x(), global.y()}, {screen.x, screen.y}, [](ScreenPoint where) {
          CurrentPlatform().SetCursorPosition({where.x, where.y});
          return CurrentPlatform().CursorPosition() == Point{where.x, where.y};
        });
    WriteCenterBoxes(center.x, center.y);
    SetCenter();
  }
}

void SLXEditorForm::ColourRelease(Qt::MouseButton) {
  if (colour_drag_ == 3 && CurrentFrameValid()) {
    const SLXFrame& frame = document_.Graphic().Frame(document_.CurrentFrame());
    ViewPoint place = PlaceOnAnchor(document_.Anchors().ColourAnchor, frame.CenterX, frame.CenterY);
    colour_view_->move(place.X, place.Y);
    SetCenter();
  }
  colour_drag_ = 0;
}

void SLXEditorForm::DataPress(Qt::MouseButton, QPoint view) {
  data_press_ = view;
  data_drag_ = 1;
}

void SLXEditorForm::DataMove(QPoint view) {
  if (data_drag_ != 1) return;
  const QPoint step = view - data_press_;
  if (step.isNull()) return;
  data_view_->move(data_view_->pos() + step);
  const ViewPoint anchor = document_.Anchors().DataAnchor;
  document_.SetDataAnchor({anchor.X + step.x(), anchor.Y + step.y()});
}

void SLXEditorForm::DataRelease() { data_drag_ = 0; }

void SLXEditorForm::Zoom(int index) {
  windows_.ShowZoom((index == 0 ? colour_view_ : data_view_)->Picture());
}

void SLXEditorForm::GenerateData() { windows_.OpenAutoGeneration(); }

void SLXEditorForm::SaveChanges() {
  if (Status saved = SaveSLX(document_.Graphic()); !saved) {
    ShowFailure(saved, MsgIcon::Critical);
    return;
  }
  CurrentPlatform().ShowMessage(
      Message{"Changes saved", "Saved", MsgIcon::Information, MsgButtons::OK, MsgAnswer::OK});
}

void SLXEditorForm::ApplyGenerated(const AutoGenResult& result) {
  if (!result.Generated) return;
  colour_view_->SetPicture(ToQImage(document_.Player() == 1
                                        ? result.ColourBitmap
                                        : InPlayerColours(result.ColourBitmap, result.DataBitmap,
                                                          Palette::BuiltIn(), document_.Player())));
  data_view_->SetPicture(ToQImage(result.DataBitmap));
  colour_view_->resize(result.Views.Width, result.Views.Height);
  data_view_->resize(result.Views.Width, result.Views.Height);
  if (result.Views.Move) {
    colour_view_->move(result.Views.ColourView.X, result.Views.ColourView.Y);
    data_view_->move(result.Views.DataView.X, result.Views.DataView.Y);
    WriteCenterBoxes(result.CenterX, result.CenterY);
  }
  SetCenter();
}

void SLXEditorForm::closeEvent(QCloseEvent* event) {
  animate_timer_->stop();
  if (changed_) {
    MsgAnswer answer = CurrentPlatform().ShowMessage(
        Message{"Do you want to save any changes to this graphic?", "Save changes", MsgIcon::None,
                MsgButtons::YesNo, MsgAnswer::Yes});
    if (answer == MsgAnswer::Yes)
      if (Status saved = SaveSLX(document_.Graphic()); !saved)
        ShowFailure(saved, MsgIcon::Critical);
  }
  changed_ = false;
  event->accept();
}

}  // namespace zorv::gui
