#include "autogen/gui/SLXAutoGenForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QHideEvent>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

#include "autogen/gui/SLXAutoGenFormButtons.h"
#include "codec/SLX.h"
#include "common/Functions.h"
#include "common/gui/Controls.h"
#include "common/gui/Look.h"
#include "common/gui/Platform.h"
#include "tools/gui/SLXDocument.h"

namespace zorv::gui {
namespace {

constexpr int kClientWidth = 372;
constexpr int kClientHeight = 279;
constexpr int kPickIntervalMs = 100;

// The white frame around the four rows of settings, with a line between
// each row and the next.
constexpr QRect kGroupFrame(8, 8, 357, 209);
constexpr int kGroupLines[] = {40, 96, 152};

constexpr const char* kFixPurpleQuestion =
    "This will delete any borders around the image which are either the mask colour or "
    "purple -- use it when you accidentally did 'generate data' with the default mask colour "
    "and ended up with a purple rectangle around the image. Are you sure you want to continue?";

QColor ToQColor(ColourValue colour) {
  return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

bool IsColourValue(int64_t value) { return value >= 0 && value <= 0xFFFFFF; }

// Row captions: the fixed-pitch font, right-aligned against their controls.
QLabel* RowCaption(QWidget* parent, int index, const char* caption, QRect place) {
  QLabel* label =
      MakeLabel(parent, QString("Labels(%1)").arg(index), caption, FixedFont(), place);
  label->setAlignment(Qt::AlignRight | Qt::AlignTop);
  label->setWordWrap(true);
  return label;
}

QLabel* SmallLabel(QWidget* parent, const QString& name, const char* caption, QRect place,
                   Qt::Alignment alignment) {
  QLabel* label = MakeLabel(parent, name, caption, ArialFont(8.25), place);
  label->setAlignment(alignment | Qt::AlignTop);
  return label;
}

QCheckBox* Check(QWidget* parent, const char* name, QRect place) {
  return MakeCheck(parent, name, QString(), place);
}

QRadioButton* Option(QWidget* parent, const QString& name, const char* caption, QRect place) {
  auto* option = new QRadioButton(caption, parent);
  option->setObjectName(name);
  StyleCheck(option);
  option->setFont(ArialFont(8.25));
  option->setGeometry(place);
  return option;
}

QScrollBar* Slider(QWidget* parent, const char* name, QRect place, int maximum, int small_step,
                   int large_step) {
  auto* slider = new QScrollBar(Qt::Horizontal, parent);
  slider->setObjectName(name);
  slider->setGeometry(place);
  slider->setRange(0, maximum);
  slider->setSingleStep(small_step);
  slider->setPageStep(large_step);
  // The value, and with it the percentage, changes when the thumb is let
  // go, not while it is dragged.
  slider->setTracking(false);
  // The arrows are drawn in the text colour, which the window makes white;
  // the slider keeps the desktop's own colours.
  QPalette palette = slider->palette();
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Window,
                                   QPalette::Button})
    palette.setColor(role, QApplication::palette().color(role));
  slider->setPalette(palette);
  return slider;
}

QString Percent(int value) { return QString("(%1%)").arg(ToQ(NumberText(value))); }

}  // namespace

const char* SLXAutoGenForm::SettingKey(Colour which) {
  switch (which) {
    case kMask: return "Mask colour";
    case kShadow: return "Shadow colour";
    case kPlayer: return "Player colour";
  }
  return "";
}

ColourValue SLXAutoGenForm::DefaultColour(Colour which) {
  const AutoGenOptions defaults;
  switch (which) {
    case kMask: return defaults.MaskColour;
    case kShadow: return defaults.ShadowColour;
    case kPlayer: return defaults.PlayerColour;
  }
  return 0;
}

SLXAutoGenForm::SLXAutoGenForm(SLXDocument& document)
    : QWidget(nullptr, Qt::Dialog), document_(document) {
  setObjectName("SLXAutoGenForm");
  setWindowTitle("Data-bitmap auto-generation");
  StyleWindow(this);
  setFixedSize(kClientWidth, kClientHeight);
  BuildControls();
  ResetControls();
  LoadColours();
}

SLXAutoGenForm::~SLXAutoGenForm() { StopAllScreenPicks(); }

void SLXAutoGenForm::BuildControls() {
  labels_[0] = RowCaption(this, 0, "Mask:", QRect(56, 16, 49, 17));
  labels_[7] = RowCaption(this, 7, "Fix purple border:", QRect(160, 16, 145, 17));
  labels_[1] = RowCaption(this, 1, "Shadow:", QRect(40, 48, 65, 17));
  labels_[5] = RowCaption(this, 5, "Player colours:", QRect(40, 104, 65, 33));
  labels_[2] = RowCaption(this, 2, "Outlines:", QRect(32, 160, 73, 17));
  labels_[3] = RowCaption(this, 3, "Auto-crop:", QRect(24, 192, 81, 17));
  labels_[4] = SmallLabel(this, "Labels(4)", "Tolerance:", QRect(240, 42, 57, 17), Qt::AlignLeft);
  labels_[6] = SmallLabel(this, "Labels(6)", "Tolerance:", QRect(176, 98, 57, 17), Qt::AlignLeft);

  const char* button_names[3] = {"MaskColourButton", "ShadowColourButton", "PlayerCButton"};
  const QRect button_places[3] = {QRect(112, 16, 17, 17), QRect(216, 48, 17, 17),
                                  QRect(152, 104, 17, 17)};
  const char* timer_names[3] = {"MaskColourTimer", "ShadowColourTimer", "PlayerColourTimer"};
  for (int i = 0; i < 3; ++i) {
    const auto which = static_cast<Colour>(i);
    colour_buttons_[i] = new ColourButton(this);
    colour_buttons_[i]->setObjectName(button_names[i]);
    colour_buttons_[i]->setGeometry(button_places[i]);
    connect(colour_buttons_[i], &QPushButton::clicked, this, [this, which] { ChooseColour(which); });
    colour_buttons_[i]->on_right_press = [this, which] { StartScreenPick(which); };
    colour_buttons_[i]->on_right_release = [this, which] { StopScreenPick(which); };
    timers_[i] = new QTimer(this);
    timers_[i]->setObjectName(timer_names[i]);
    timers_[i]->setInterval(kPickIntervalMs);
    connect(timers_[i], &QTimer::timeout, this, [this, which] { ScreenPickTick(which); });
  }

  fix_purple_check_ = Check(this, "FixPurpleCheck", QRect(312, 16, 17, 17));
  connect(fix_purple_check_, &QCheckBox::toggled, this, &SLXAutoGenForm::FixPurpleToggled);

  shadow_options_[0] = Option(this, "ShadowOption(0)", "From graphic:", QRect(112, 48, 105, 17));
  shadow_options_[1] = Option(this, "ShadowOption(1)", "None", QRect(112, 72, 89, 17));
  shadow_tolerance_scroll_ =
      Slider(this, "ShadowToleranceScroll", QRect(240, 56, 105, 17), kMaxShadowTolerance, 3, 15);
  shadow_tolerance_label_ = SmallLabel(this, "ShadowToleranceLabel", "(0%)",
                                       QRect(296, 72, 49, 17), Qt::AlignRight);
  connect(shadow_tolerance_scroll_, &QScrollBar::valueChanged, this,
          [this](int value) { shadow_tolerance_label_->setText(Percent(value / 3)); });

  frame1_ = new QWidget(this);
  frame1_->setObjectName("Frame1");
  frame1_->setGeometry(112, 104, 49, 41);
  player_options_[0] = Option(frame1_, "PlayerCOption(0)", "On", QRect(0, 0, 49, 17));
  player_options_[1] = Option(frame1_, "PlayerCOption(1)", "Off", QRect(0, 24, 49, 17));
  // The colour button lies over the container's right edge.
  colour_buttons_[kPlayer]->raise();
  tolerance_scroll_ =
      Slider(this, "ToleranceScroll", QRect(176, 112, 105, 17), kMaxPlayerTolerance, 1, 5);
  tolerance_label_ =
      SmallLabel(this, "ToleranceLabel", "(30%)", QRect(232, 128, 49, 17), Qt::AlignRight);
  connect(tolerance_scroll_, &QScrollBar::valueChanged, this,
          [this](int value) { tolerance_label_->setText(Percent(value * 2)); });

  outlines_check_ = Check(this, "OutlinesCheck", QRect(112, 160, 17, 17));
  autocrop_check_ = Check(this, "AutocropCheck", QRect(112, 192, 17, 17));

  preview_button_ = new WrappingButton("Preview on current frame", this);
  preview_button_->setObjectName("PreviewButton");
  preview_button_->setGeometry(16, 232, 89, 33);
  apply_frame_button_ = new WrappingButton("Apply to current frame", this);
  apply_frame_button_->setObjectName("ApplyFrameButton");
  apply_frame_button_->setGeometry(144, 232, 89, 33);
  apply_anim_button_ = new WrappingButton("Apply to animation", this);
  apply_anim_button_->setObjectName("ApplyAnimButton");
  apply_anim_button_->setGeometry(272, 232, 89, 33);
  for (QPushButton* button : {preview_button_, apply_frame_button_, apply_anim_button_})
    StyleButton(button, 8.25);
  connect(preview_button_, &QPushButton::clicked, this, [this] { PreviewCurrentFrame(); });
  connect(apply_frame_button_, &QPushButton::clicked, this, [this] { ApplyToCurrentFrame(); });
  connect(apply_anim_button_, &QPushButton::clicked, this, [this] { ApplyToAnimation(); });
}

void SLXAutoGenForm::ResetControls() {
  const AutoGenOptions defaults;
  // Unticking asks nothing, so the reset runs through the usual handlers.
  fix_purple_check_->setChecked(defaults.FixPurple);
  shadow_options_[0]->setChecked(true);
  player_options_[defaults.PlayerColours ? 0 : 1]->setChecked(true);
  shadow_tolerance_scroll_->setValue(defaults.ShadowTolerance);
  shadow_tolerance_label_->setText(Percent(shadow_tolerance_scroll_->value() / 3));
  tolerance_scroll_->setValue(defaults.PlayerTolerance);
  tolerance_label_->setText(Percent(tolerance_scroll_->value() * 2));
  outlines_check_->setChecked(defaults.Outlines);
  autocrop_check_->setChecked(defaults.AutoCrop);
}

void SLXAutoGenForm::Open() {
  if (!isVisible()) {
    ResetControls();
    LoadColours();
  }
  show();
  raise();
  activateWindow();
}

void SLXAutoGenForm::LoadColours() {
  for (int i = 0; i < 3; ++i) {
    const auto which = static_cast<Colour>(i);
    const std::string stored = CurrentPlatform().GetSetting(
        kAppTitle, kSettingsSection, SettingKey(which), NumberText(DefaultColour(which)));
    // A value that is not a colour value (no number, or out of range)
    // would make every run fail; the default serves instead.
    const std::optional<int32_t> value = ParseNumberLine(stored, 0, 0xFFFFFF);
    colours_[i] = value ? *value : DefaultColour(which);
    ShowColour(which);
  }
}

void SLXAutoGenForm::ShowColour(Colour which) {
  colour_buttons_[which]->SetColour(ToQColor(colours_[which]));
}

void SLXAutoGenForm::SetColour(Colour which, ColourValue colour) {
  if (!IsColourValue(colour)) return;
  const bool changed = colours_[which] != colour;
  colours_[which] = colour;
  ShowColour(which);
  // The store is written at once; a screen pick ticking over one colour
  // does not rewrite it every 100 ms.
  if (changed)
    CurrentPlatform().SaveSetting(kAppTitle, kSettingsSection, SettingKey(which),
                                  NumberText(colour));
}

void SLXAutoGenForm::ChooseColour(Colour which) {
  const std::optional<ColourValue> chosen = CurrentPlatform().ChooseColour(colours_[which]);
  if (chosen) SetColour(which, *chosen);
}

void SLXAutoGenForm::StartScreenPick(Colour which) {
  // Only one pick runs at a time.
  for (int i = 0; i < 3; ++i)
    if (i != which) timers_[i]->stop();
  timers_[which]->start();
  if (!crosshair_shown_) {
    QApplication::setOverrideCursor(Qt::CrossCursor);
    crosshair_shown_ = true;
  }
}

void SLXAutoGenForm::ScreenPickTick(Colour which) {
  Platform& platform = CurrentPlatform();
  SetColour(which, platform.ScreenPixel(platform.CursorPosition()));
}

void SLXAutoGenForm::StopScreenPick(Colour which) {
  timers_[which]->stop();
  for (QTimer* timer : timers_)
    if (timer->isActive()) return;
  if (crosshair_shown_) {
    QApplication::restoreOverrideCursor();
    crosshair_shown_ = false;
  }
}

void SLXAutoGenForm::StopAllScreenPicks() {
  for (int i = 0; i < 3; ++i) StopScreenPick(static_cast<Colour>(i));
}

void SLXAutoGenForm::hideEvent(QHideEvent* event) {
  // A dialog closed while the right button is held would never see the
  // release; the pick and the crosshair end with it.
  StopAllScreenPicks();
  QWidget::hideEvent(event);
}

void SLXAutoGenForm::FixPurpleToggled(bool ticked) {
  if (!ticked) return;
  const MsgAnswer answer = CurrentPlatform().ShowMessage(Message{
      kFixPurpleQuestion, "Confirmation", MsgIcon::None, MsgButtons::YesNo, MsgAnswer::Yes});
  if (answer != MsgAnswer::Yes) fix_purple_check_->setChecked(false);
}

AutoGenOptions SLXAutoGenForm::ReadOptions(int32_t frame, bool save) const {
  AutoGenOptions options;
  options.Frame = frame;
  options.MaskColour = colours_[kMask];
  options.ShadowColour = shadow_options_[1]->isChecked() ? kNoShadow : colours_[kShadow];
  options.Outlines = outlines_check_->isChecked();
  options.AutoCrop = autocrop_check_->isChecked();
  options.PlayerColours = player_options_[0]->isChecked();
  options.PlayerColour = colours_[kPlayer];
  options.PlayerTolerance = tolerance_scroll_->value();
  options.Save = save;
  options.FixPurple = fix_purple_check_->isChecked();
  options.ShadowTolerance = shadow_tolerance_scroll_->value();
  return options;
}

bool SLXAutoGenForm::RunFrame(int32_t frame, bool save) {
  const int32_t shown_before = document_.CurrentFrame();
  // The editor's slider goes to the frame without showing it: showing it
  // would store the hot-spot boxes into it before it is generated.
  document_.SelectFrame(frame);
  const AutoGenResult result =
      GenerateDataBitmap(document_.Graphic(), ReadOptions(frame, save), document_.Anchors());
  if (result.HotSpotsMoved) document_.HotSpotsChanged();
  if (!result.status) ShowFailure(result.status, MsgIcon::Exclamation);
  if (!result.Generated) {
    // Nothing to show: the editor stays on the frame it shows.
    document_.SelectFrame(shown_before);
    return false;
  }
  document_.ShowGenerated(result);
  return result.status.ok();
}

bool SLXAutoGenForm::PreviewCurrentFrame() { return RunFrame(document_.CurrentFrame(), false); }

bool SLXAutoGenForm::ApplyToCurrentFrame() { return RunFrame(document_.CurrentFrame(), true); }

bool SLXAutoGenForm::ApplyToAnimation() {
  const int32_t frame_count = document_.Graphic().FrameCount;
  // A graphic loaded for conversion since the editor last opened leaves the
  // slider's range behind; every frame must be reachable on it.
  if (frame_count >= 1) document_.ResetFrameRange();
  int32_t shown_before = document_.CurrentFrame();
  bool all_done = true;
  const AutoGenBatch batch = GenerateAllDataBitmaps(
      document_.Graphic(), ReadOptions(1, true),
      [&](const ProgressStep& step) {
        // The editor's slider follows the work, as for one frame.
        shown_before = document_.CurrentFrame();
        document_.SelectFrame(static_cast<int32_t>(step.step));
      },
      [&](const AutoGenResult& result) {
        if (result.HotSpotsMoved) document_.HotSpotsChanged();
        if (result.Generated)
          document_.ShowGenerated(result);
        else
          document_.SelectFrame(shown_before);
        if (result.status) return true;
        // A frame that fails is reported and ends the run; going on would
        // bury that message under the same one for every later frame.
        // Running again is safe: frames already done come out the same.
        ShowFailure(result.status, MsgIcon::Exclamation);
        all_done = false;
        return false;
      },
      document_.Anchors());
  if (!batch.status) {
    // The SLX file could not be written: every frame was put back, so the
    // editor shows its frame again as the files now are.
    ShowFailure(batch.status, MsgIcon::Exclamation);
    document_.HotSpotsChanged();
    document_.RedisplayFrame();
    return false;
  }
  return all_done;
}

void SLXAutoGenForm::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(QPen(Qt::white, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(kGroupFrame.adjusted(0, 0, -1, -1));
  for (int y : kGroupLines)
    painter.drawLine(kGroupFrame.left(), y, kGroupFrame.right() - 1, y);
}

}  // namespace zorv::gui
