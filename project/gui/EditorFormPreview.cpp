// The main window's preview of the selected resource and its commands.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>
#include <filesystem>

#include "codec/DIBSection.h"
#include "codec/FrameBitmaps.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "codec/SLPWriter.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "common/LineEnds.h"
#include "common/Functions.h"
#include "common/gui/Images.h"
#include "common/gui/EightBitText.h"
#include "common/gui/LongOperation.h"
#include "common/gui/Look.h"
#include "common/gui/Platform.h"
#include "common/gui/ProgressView.h"
#include "common/gui/Windows.h"
#include "project/ResourceList.h"
#include "project/gui/EditorForm.h"
#include "tools/gui/SLXDocument.h"

namespace zorv::gui {
namespace {

// Text files larger than this are not shown in the text view.
constexpr uint64_t kLargestText = 16u << 20;

// Whether folder holds a file title + "_*.bmp" (extension in any case).
bool FramesWouldBeOverwritten(const std::string& slx_path) {
  const std::string folder = GetFolder(slx_path);
  const std::string prefix = GetFileTitle(GetFileName(slx_path)) + "_";
  std::error_code ec;
  std::filesystem::directory_iterator it(folder.empty() ? "." : NativePath(folder), ec);
  if (ec) return false;
  for (const auto& entry : it) {
    const std::string name = entry.path().filename().string();
    if (name.size() >= prefix.size() + 4 && name.compare(0, prefix.size(), prefix) == 0 &&
        AsciiLower(name.substr(name.size() - 4)) == ".bmp")
      return true;
  }
  return false;
}

}  // namespace

void EditorForm::HideKindControls() {
  for (QWidget* w : std::initializer_list<QWidget*>{
           text_display_, text_save_, text_revert_, slx_display_button_, auto_slx_check_,
           slx2slp_button_, slp2slx_button_, sound_button_, auto_sound_check_, icon_list_,
           icon_picture_, icon_zoom_button_})
    w->hide();
  for (QCheckBox* check : icon_checks_) check->hide();
}

void EditorForm::HidePerResourceControls() {
  for (QWidget* w : std::initializer_list<QWidget*>{name_box_, name_label_, replace_label_,
                                                    replace_combo_, id_box_})
    w->hide();
  HideKindControls();
}

void EditorForm::ResourceSelected() {
  const int row = resource_list_->currentRow();
  if (row < 0 || row >= project_.ResourceCount) return;
  current_resource_ = row + 1;
  const ProjectResource resource = project_.Resource(current_resource_);
  {
    const QSignalBlocker name_block(name_box_);
    if (name_box_->text() != TextToQ(resource.Name)) name_box_->setText(TextToQ(resource.Name));
    // A target the list does not hold shows no selection.
    const int target = resource.Kind == KindBMP ? kTargetIcon : resource.ReplaceTarget;
    replace_combo_->setCurrentIndex(target >= 0 && target < replace_combo_->count() ? target : -1);
    const QSignalBlocker id_block(id_box_);
    id_box_->setText(QString::number(resource.ResourceID));
  }
  for (QWidget* w : std::initializer_list<QWidget*>{name_box_, name_label_, replace_label_,
                                                    replace_combo_, id_box_})
    w->show();
  HideKindControls();
  if (!FileExists(resource.FilePath)) {
    CurrentPlatform().ShowMessage(Message{"Unable to find file!\n" + resource.FilePath, "Error",
                                          MsgIcon::Exclamation, MsgButtons::OK, MsgAnswer::OK});
  } else {
    switch (resource.Kind) {
      case KindSLP:
        slp2slx_button_->show();
        break;
      case KindWAV:
        sound_button_->show();
        auto_sound_check_->show();
        if (auto_sound_check_->isChecked()) PlaySound();
        break;
      case KindBIN:
        ShowTextView();
        break;
      case KindSLX:
        slx_display_button_->show();
        auto_slx_check_->show();
        slx2slp_button_->show();
        if (auto_slx_check_->isChecked()) DisplayGraphic();
        break;
      case KindFile:
        if (resource.ReplaceTarget == kTargetReadme) ShowTextView();
        break;
      case KindBMP:
        ShowIconView(resource);
        break;
      default:
        break;
    }
  }
  const auto current = static_cast<int16_t>(current_resource_);
  move_buttons_[0]->setEnabled(CanMoveUp(project_, current));
  move_buttons_[1]->setEnabled(CanMoveDown(project_, current));
  remove_button_->setEnabled(CanRemoveResource(project_, current));
}

void EditorForm::LoadTextFile() {
  const ProjectResource* resource = Selected();
  std::string bytes;
  loading_text_ = true;
  if (resource) {
    Status read = ReadWholeFile(resource->FilePath, bytes, kLargestText);
    if (!read) {
      bytes.clear();
      CurrentPlatform().ShowMessage(Message{"Unable to read file!\n" + read.message(), "Error",
                                            MsgIcon::Exclamation, MsgButtons::OK, MsgAnswer::OK});
    }
  }
  // Each byte shows as the character of its number; line ends are kept
  // aside and written back as they were.
  text_lines_ = SplitAtLineEnds(bytes);
  QStringList pieces;
  for (const std::string& piece : text_lines_.pieces) pieces << TextToQ(piece);
  text_display_->setPlainText(pieces.join('\n'));
  std::vector<std::string> shown;
  for (const QString& piece : ShownTextPieces()) shown.push_back(TextFromQ(piece).value_or(""));
  // A file the view cannot show byte for byte is shown but never saved from
  // it. NUL bytes survive the view but cannot be seen or typed.
  text_editable_ = shown == text_lines_.pieces && bytes.find('\0') == std::string::npos;
  text_display_->setReadOnly(!text_editable_);
  if (!text_editable_) {
    QString safe = pieces.join('\n');
    safe.replace(QChar(0), QChar(0x2400));
    text_display_->setPlainText("[This file holds bytes that are not text, such as NUL, so it is "
                                "shown here read-only.]\n\n" + safe);
  }
  loading_text_ = false;
  text_save_->setEnabled(false);
  text_revert_->setEnabled(false);
}

QStringList EditorForm::ShownTextPieces() const {
  // Paragraphs, and the line breaks typed with Shift+Enter, both end lines.
  QString raw = text_display_->document()->toRawText();
  raw.replace(QChar::LineSeparator, QChar::ParagraphSeparator);
  return raw.split(QChar::ParagraphSeparator);
}

void EditorForm::ShowTextView() {
  LoadTextFile();
  text_display_->show();
  text_save_->show();
  text_revert_->show();
}

void EditorForm::SaveText() {
  const ProjectResource* resource = Selected();
  if (!resource || !text_editable_) return;
  std::vector<std::string> pieces;
  for (const QString& piece : ShownTextPieces()) {
    std::optional<std::string> bytes = TextFromQ(piece);
    if (!bytes) {
      CurrentPlatform().ShowMessage(Message{
          "Unable to save file!\nThe text holds the character \"" +
              FromQ(FirstCharacterBeyondEightBits(piece)) +
              "\", which an 8-bit text file cannot hold. Nothing was saved.",
          "Error", MsgIcon::Critical, MsgButtons::OK, MsgAnswer::OK});
      return;
    }
    pieces.push_back(std::move(*bytes));
  }
  const std::string bytes = JoinWithLineEnds(text_lines_, pieces);
  Status written = WriteFileSafely(resource->FilePath, bytes);
  if (!written) {
    CurrentPlatform().ShowMessage(Message{"Unable to save file!\n" + written.message(), "Error",
                                          MsgIcon::Critical, MsgButtons::OK, MsgAnswer::OK});
    return;
  }
  text_lines_ = SplitAtLineEnds(bytes);
  text_save_->setEnabled(false);
  text_revert_->setEnabled(false);
}

void EditorForm::RevertText() { LoadTextFile(); }

void EditorForm::PlaySound() {
  const ProjectResource* resource = Selected();
  if (!resource) return;
  if (Status played = CurrentPlatform().PlaySound(resource->FilePath); !played)
    ShowFailure(played, MsgIcon::Exclamation);
}

void EditorForm::ShowIconView(const ProjectResource& resource) {
  for (int i = 0; i < 8; ++i) {
    QCheckBox* check = icon_checks_[i];
    check->setEnabled(false);
    check->setChecked((resource.IconFlags >> i) & 1);
    check->setEnabled(true);
    check->show();
  }
  icon_list_->setEnabled(false);
  const int category = resource.IconFlags / 256;
  icon_list_->setCurrentIndex(category >= 0 && category < icon_list_->count() ? category : -1);
  icon_list_->setEnabled(true);
  icon_list_->show();
  cDIBSection icon;
  Status loaded = LoadFrameBitmap(resource.FilePath, icon);
  if (loaded) {
    icon_picture_->setPixmap(QPixmap::fromImage(ToQImage(icon)));
  } else {
    icon_picture_->setPixmap(QPixmap());
    CurrentPlatform().ShowMessage(Message{"Unable to load icon!\n" + loaded.message(), "Error",
                                          MsgIcon::Exclamation, MsgButtons::OK, MsgAnswer::OK});
  }
  icon_picture_->show();
  icon_zoom_button_->show();
}

int32_t EditorForm::GetIconFlags() const {
  int32_t flags = 256 * std::max(icon_list_->currentIndex(), 0);
  for (int i = 0; i < 8; ++i)
    if (icon_checks_[i]->isChecked()) flags += 1 << i;
  return flags;
}

void EditorForm::IconControlClicked() {
  ProjectResource* resource = Selected();
  if (!resource || resource->Kind != KindBMP) return;
  if (!icon_list_->isEnabled()) return;
  resource->IconFlags = GetIconFlags();
}

void EditorForm::ZoomIcon() { windows_.ShowZoom(icon_picture_->pixmap().toImage()); }

void EditorForm::ConvertToSLX() {
  ProjectResource* resource = Selected();
  if (!resource) return;
  auto chosen = AskSaveFile("Select new filename (preferably in an empty folder)",
                            "SLX file (*.slx)|*.slx", resource->Name + ".slx", true, true);
  if (!chosen || chosen->empty()) return;
  const std::string slx_path = SLXPathWithExtension(*chosen);
  if (FramesWouldBeOverwritten(slx_path)) {
    MsgAnswer answer = CurrentPlatform().ShowMessage(
        Message{"This may overwrite existing BMP files. Do you want to continue?", "Warning",
                MsgIcon::None, MsgButtons::YesNo, MsgAnswer::No});
    if (answer != MsgAnswer::Yes) return;
  }
  conversion_repaints_.clear();
  const std::string slp_path = resource->FilePath;
  const int entry = current_resource_;
  // The main window draws on the built-in palette, as it has since start-up.
  const Status converted = RunLongOperation(
      [&](const ProgressSink& sink) {
        return ConvertSLPToSLX(slp_path, slx_path, Palette::BuiltIn(), sink);
      },
      [this](const ProgressStep& step) {
        slp2slx_button_->setText("[converting frame " + QString::number(step.step) + "]");
        if (step.step % 5 == 0) {
          repaint();
          conversion_repaints_.push_back(FromQ(slp2slx_button_->text()));
        }
      });
  slp2slx_button_->setText("Convert to SLX");
  if (!converted) {
    ShowFailure(converted, MsgIcon::Critical);
    return;
  }
  project_.Resource(entry).FilePath = slx_path;
  project_.Resource(entry).Kind = KindSLX;
  ResourceSelected();
}

void EditorForm::ConvertToSLP() {
  ProjectResource* resource = Selected();
  if (!resource) return;
  auto chosen = AskSaveFile("Select new filename", "SLP file (*.slp)|*.slp",
                            resource->Name + ".slp", false, false);
  if (!chosen || chosen->empty()) return;
  if (FileExists(*chosen)) {
    MsgAnswer answer = CurrentPlatform().ShowMessage(
        Message{"This file already exists. Do you want to overwrite it?", "Warning",
                MsgIcon::None, MsgButtons::YesNo, MsgAnswer::No});
    if (answer != MsgAnswer::Yes) return;
  }
  const int entry = current_resource_;
  // The graphic becomes the one the editor shows, as loading it does.
  SLXDocument& document = document_;
  if (Status loaded = document.LoadFile(resource->FilePath, false); !loaded) {
    ShowFailure(loaded, MsgIcon::Exclamation);
    return;
  }
  ProgressView& progress = windows_.Progress();
  progress.ShowFresh();
  progress.SetTitle("Converting to SLP...");
  progress.SetProjectPartVisible(false);
  progress.SetFilePartVisible(true);
  const std::string slp_path = *chosen;
  // SLX graphics are coded against the game's own palette.
  const Status converted = RunLongOperation(
      [&](const ProgressSink& sink) {
        return ConvertSLXToSLP(document.Graphic(), slp_path, Palette::BuiltIn(), sink);
      },
      [&progress](const ProgressStep& step) {
        progress.SetFileProgress(ToQ(step.caption), step.Fraction());
        progress.RepaintNow();
      });
  if (!converted) ShowFailure(converted, MsgIcon::Critical);
  progress.Unload();
  if (converted) {
    project_.Resource(entry).FilePath = slp_path;
    project_.Resource(entry).Kind = KindSLP;
  }
  ResourceSelected();
}

}  // namespace zorv::gui
