// "Data-bitmap auto-generation": the dialog in which the user sets the
// colour rules that derive data bitmaps from colour bitmaps and runs them
// on the frame the SLX editor shows (preview or apply) or on every frame of
// the SLX document's graphic, the editor following through the document. Its three colours can be chosen in the colour dialog or
// picked from the screen, and are remembered in the settings store.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

#include "autogen/AutoGen.h"
#include "codec/Palettes.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;

namespace zorv::gui {

class ColourButton;
class SLXDocument;

class SLXAutoGenForm : public QWidget {
  Q_OBJECT

 public:
  // The dialog's three colours, each with its button, pick timer and key.
  enum Colour { kMask = 0, kShadow = 1, kPlayer = 2 };

  // Where the colours are remembered, and the key of each colour.
  static constexpr const char* kSettingsSection = "Auto-gen";
  static const char* SettingKey(Colour which);
  // The colour a key falls back to when nothing usable is stored.
  static ColourValue DefaultColour(Colour which);

  explicit SLXAutoGenForm(SLXDocument& document);
  ~SLXAutoGenForm() override;

  // Shows the dialog without blocking. A dialog that is not open starts
  // from its design state with the colours from the settings store.
  void Open();

  // The settings of one run, read afresh from the controls.
  AutoGenOptions ReadOptions(int32_t frame, bool save) const;

  // The three buttons. Each returns whether everything asked for was done.
  bool PreviewCurrentFrame();
  bool ApplyToCurrentFrame();
  // Every frame from 1 to the graphic's frame count, the editor's slider
  // following; stops at the first frame that fails.
  bool ApplyToAnimation();

  // The colour buttons: a left click opens the colour dialog; the right
  // button held picks from the screen at every tick of the button's timer.
  void ChooseColour(Colour which);
  void StartScreenPick(Colour which);
  void ScreenPickTick(Colour which);
  void StopScreenPick(Colour which);

  ColourValue MaskColour() const { return colours_[kMask]; }
  ColourValue ShadowColour() const { return colours_[kShadow]; }
  ColourValue PlayerColour() const { return colours_[kPlayer]; }
  ColourValue ColourOf(Colour which) const { return colours_[which]; }

  // Controls, by the names they carry.
  QLabel* Labels(int index) const { return labels_[index]; }
  ColourButton* MaskColourButton() const { return colour_buttons_[kMask]; }
  ColourButton* ShadowColourButton() const { return colour_buttons_[kShadow]; }
  ColourButton* PlayerCButton() const { return colour_buttons_[kPlayer]; }
  ColourButton* ColourButtonOf(Colour which) const { return colour_buttons_[which]; }
  QTimer* ColourTimer(Colour which) const { return timers_[which]; }
  QCheckBox* FixPurpleCheck() const { return fix_purple_check_; }
  QRadioButton* ShadowOption(int index) const { return shadow_options_[index]; }
  QScrollBar* ShadowToleranceScroll() const { return shadow_tolerance_scroll_; }
  QLabel* ShadowToleranceLabel() const { return shadow_tolerance_label_; }
  QWidget* Frame1() const { return frame1_; }
  QRadioButton* PlayerCOption(int index) const { return player_options_[index]; }
  QScrollBar* ToleranceScroll() const { return tolerance_scroll_; }
  QLabel* ToleranceLabel() const { return tolerance_label_; }
  QCheckBox* OutlinesCheck() const { return outlines_check_; }
  QCheckBox* AutocropCheck() const { return autocrop_check_; }
  QPushButton* PreviewButton() const { return preview_button_; }
  QPushButton* ApplyFrameButton() const { return apply_frame_button_; }
  QPushButton* ApplyAnimButton() const { return apply_anim_button_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void BuildControls();
  void ResetControls();
  void LoadColours();
  void SetColour(Colour which, ColourValue colour);
  void ShowColour(Colour which);
  void FixPurpleToggled(bool ticked);
  void StopAllScreenPicks();
  // Generates one frame and shows the result in the editor.
  bool RunFrame(int32_t frame, bool save);

  SLXDocument& document_;
  std::array<ColourValue, 3> colours_{};
  bool crosshair_shown_ = false;

  std::array<QLabel*, 8> labels_{};
  std::array<ColourButton*, 3> colour_buttons_{};
  std::array<QTimer*, 3> timers_{};
  QCheckBox* fix_purple_check_ = nullptr;
  std::array<QRadioButton*, 2> shadow_options_{};
  QScrollBar* shadow_tolerance_scroll_ = nullptr;
  QLabel* shadow_tolerance_label_ = nullptr;
  QWidget* frame1_ = nullptr;
  std::array<QRadioButton*, 2> player_options_{};
  QScrollBar* tolerance_scroll_ = nullptr;
  QLabel* tolerance_label_ = nullptr;
  QCheckBox* outlines_check_ = nullptr;
  QCheckBox* autocrop_check_ = nullptr;
  QPushButton* preview_button_ = nullptr;
  QPushButton* apply_frame_button_ = nullptr;
  QPushButton* apply_anim_button_ = nullptr;
};

}  // namespace zorv::gui
