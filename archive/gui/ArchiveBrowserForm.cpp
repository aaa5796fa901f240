#include "archive/gui/ArchiveBrowserForm.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>

#include "archive/ArchiveInputs.h"
#include "archive/ArchiveMember.h"
#include "codec/DIBSection.h"
#include "codec/SLPFormat.h"
#include "codec/SLPReader.h"
#include "common/FileIO.h"
#include "common/Functions.h"
#include "common/gui/Controls.h"
#include "common/gui/Images.h"
#include "common/gui/Look.h"
#include "common/gui/Platform.h"
#include "package/GameArchives.h"

namespace zorv::gui {
namespace {

constexpr int kClientWidth = 520;
constexpr int kClientHeight = 402;
constexpr QRect kPictureArea(216, 34, 296, 256);
// The game keeps its palette as this file of the "bina" table.
constexpr int32_t kPaletteID = 50500;
// A file larger than any sprite the SLP reader takes is not read for a
// preview.
constexpr int64_t kMaxPreviewBytes = static_cast<int64_t>(kMaxSLPFileBytes);

// A listed file as a line: type, id and size in columns.
QString RowText(const std::string& type, const DRSFile& file) {
  QString text = ToQ(type).leftJustified(5);
  text += QString::number(file.ID).rightJustified(10);
  text += QString::number(file.Size).rightJustified(10);
  return text;
}

// The game palette held by the archive at path, if it holds a valid one.
bool PaletteOfArchive(const std::string& path, Palette& palette) {
  return LoadPaletteInput(ArchiveMemberText({path, kPaletteID}), palette).ok();
}

// The interface archive beside path, found as an install finds it
// (GRAPHICS.DRS-style names too), or "".
std::string InterfaceArchiveBeside(const std::string& path) {
  constexpr int kInterfaceTarget = 2;
  const std::string folder = GetFolder(path);
  std::string name;
  if (!FindGameArchive(folder.empty() ? std::string(".") : folder, kInterfaceTarget, name))
    return {};
  return folder + name;
}

}  // namespace

ArchiveBrowserForm::ArchiveBrowserForm() : QWidget(nullptr, Qt::Window) {
  setObjectName("ArchiveBrowserForm");
  setWindowTitle("Browse game archive");
  StyleWindow(this);
  setFixedSize(kClientWidth, kClientHeight);

  MakeLabel(this, "ArchiveLabel", "Archive:", FixedFont(), QRect(8, 9, 64, 16));
  path_box_ = MakeBox(this, "ArchivePathBox", QString(), QRect(76, 6, 344, 21));
  path_box_->setReadOnly(true);
  open_button_ = MakeButton(this, "ArchiveOpenButton", "Open...", 8.25, QRect(428, 6, 84, 21));

  list_ = new QListWidget(this);
  list_->setObjectName("ArchiveFileListBox");
  StyleBox(list_);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setGeometry(8, 34, 200, 300);
  count_label_ = MakeLabel(this, "ArchiveCountLabel", QString(), FixedFont(), QRect(8, 338, 200, 16));

  picture_ = new QLabel(this);
  picture_->setObjectName("ArchiveFramePicture");
  picture_->setGeometry(kPictureArea);
  picture_->setAlignment(Qt::AlignCenter);
  picture_->setAutoFillBackground(true);
  QPalette black = picture_->palette();
  black.setColor(QPalette::Window, Qt::black);
  black.setColor(QPalette::WindowText, Qt::white);
  picture_->setPalette(black);
  picture_->setFont(FixedFont());

  frame_label_ = MakeLabel(this, "ArchiveFrameLabel", QString(), FixedFont(), QRect(216, 296, 296, 16));
  previous_button_ = MakeButton(this, "FramePreviousButton", "<", 9.75, QRect(216, 314, 40, 21));
  next_button_ = MakeButton(this, "FrameNextButton", ">", 9.75, QRect(260, 314, 40, 21));
  palette_label_ = MakeLabel(this, "ArchivePaletteLabel", QString(), FixedFont(), QRect(8, 358, 504, 16));
  add_button_ = MakeButton(this, "ArchiveAddButton", "Add to project", 8.25, QRect(8, 376, 120, 21));
  close_button_ = MakeButton(this, "ArchiveCloseButton", "Close", 8.25, QRect(432, 376, 80, 21));

  connect(open_button_, &QPushButton::clicked, this, [this] { ChooseArchive(); });
  connect(list_, &QListWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
  connect(previous_button_, &QPushButton::clicked, this, [this] { ShowFrame(frame_ - 1); });
  connect(next_button_, &QPushButton::clicked, this, [this] { ShowFrame(frame_ + 1); });
  connect(add_button_, &QPushButton::clicked, this, [this] { AddSelectedToProject(); });
  connect(close_button_, &QPushButton::clicked, this, [this] { close(); });
  ShowNothing(QString());
  add_button_->setEnabled(false);
}

ArchiveBrowserForm::~ArchiveBrowserForm() = default;

std::string ArchiveBrowserForm::ExtractedName(const std::string& type, int32_t id) {
  return NumberText(id) + "." + (type == "bina" ? std::string("bin") : type);
}

void ArchiveBrowserForm::Open(ArchiveBrowserHooks hooks) {
  hooks_ = std::move(hooks);
  show();
  raise();
  activateWindow();
  if (archive_path_.empty()) ChooseArchive();
}

void ArchiveBrowserForm::ChooseArchive() {
  FileDialogRequest request;
  request.title = "Select a game archive";
  request.filter = "Game archives (*.drs)|*.drs|All files (*.*)|*.*";
  const std::optional<std::string> path = CurrentPlatform().OpenFile(request);
  if (path && !path->empty()) OpenArchive(*path);
}

bool ArchiveBrowserForm::OpenArchive(const std::string& path) {
  DRSArchive archive;
  if (Status read = ReadDRSArchive(path, archive); !read) {
    ShowFailure(Status::Fail("Cannot open the game archive!", read.message()),
                MsgIcon::Exclamation);
    return false;
  }
  archive_path_ = path;
  archive_ = std::move(archive);
  rows_.clear();
  for (const DRSTable& table : archive_.Tables) {
    std::vector<DRSFile> files = table.Files;
    std::stable_sort(files.begin(), files.end(),
                     [](const DRSFile& a, const DRSFile& b) { return a.ID < b.ID; });
    for (const DRSFile& file : files) rows_.push_back(DRSSelectedFile{table.Type, file});
  }
  path_box_->setText(ToQ(path));
  ChoosePalette();
  {
    const QSignalBlocker block(list_);
    list_->clear();
    for (const DRSSelectedFile& row : rows_) list_->addItem(RowText(row.Type, row.File));
  }
  count_label_->setText(QString::number(rows_.size()) + (rows_.size() == 1 ? " file" : " files"));
  SelectionChanged();
  return true;
}

void ArchiveBrowserForm::ChoosePalette() {
  if (PaletteOfArchive(archive_path_, palette_)) {
    palette_label_->setText("Palette: the archive's own (bina 50500)");
    return;
  }
  const std::string beside = InterfaceArchiveBeside(archive_path_);
  if (!beside.empty() && PaletteOfArchive(beside, palette_)) {
    palette_label_->setText("Palette: " + ToQ(GetFileName(beside)) + " (bina 50500)");
    return;
  }
  palette_ = Palette::BuiltIn();
  palette_label_->setText("Palette: built-in");
}

std::vector<int> ArchiveBrowserForm::SelectedRows() const {
  std::vector<int> rows;
  for (const QListWidgetItem* item : list_->selectedItems()) rows.push_back(list_->row(item));
  std::sort(rows.begin(), rows.end());
  return rows;
}

void ArchiveBrowserForm::ShowNothing(const QString& why) {
  slp_.reset();
  frames_.clear();
  frame_ = 0;
  picture_->setPixmap(QPixmap());
  picture_->setText(why);
  frame_label_->clear();
  previous_button_->setEnabled(false);
  next_button_->setEnabled(false);
}

void ArchiveBrowserForm::SelectionChanged() {
  const std::vector<int> rows = SelectedRows();
  add_button_->setEnabled(!rows.empty());
  // The preview follows the item the user last picked.
  const int current = list_->currentRow();
  if (rows.empty() || current < 0 || current >= static_cast<int>(rows_.size())) {
    ShowNothing(QString());
    return;
  }
  const DRSSelectedFile& row = rows_[static_cast<size_t>(current)];
  if (row.Type != "slp") {
    ShowNothing("No preview for " + ToQ(row.Type) + " files");
    return;
  }
  if (row.File.Size > kMaxPreviewBytes) {
    ShowNothing("Too large for a preview");
    return;
  }
  std::string bytes;
  auto slp = std::make_unique<SLPFile>();
  std::vector<SLPFrameInfo> frames;
  SLPHeader header;
  Status read = ReadDRSFile(archive_path_, row.File, bytes);
  if (read) {
    slp = std::make_unique<SLPFile>(std::move(bytes));
    read = ReadSLPHeader(*slp, header, frames);
  }
  if (!read || frames.empty()) {
    ShowNothing(read ? QString("The SLP has no frames") : QString("Cannot show this SLP"));
    frame_label_->setText(read ? QString() : ToQ(read.message()).section('\n', -1));
    return;
  }
  slp_ = std::move(slp);
  frames_ = std::move(frames);
  ShowFrame(0);
}

void ArchiveBrowserForm::ShowFrame(int frame) {
  if (!slp_ || frames_.empty()) return;
  frame_ = std::clamp(frame, 0, static_cast<int>(frames_.size()) - 1);
  previous_button_->setEnabled(frame_ > 0);
  next_button_->setEnabled(frame_ + 1 < static_cast<int>(frames_.size()));
  const QString count = "Frame " + QString::number(frame_ + 1) + " of " +
                        QString::number(frames_.size());
  cDIBSection colour, data;
  if (Status decoded = DecodeSLPFrame(*slp_, frames_[static_cast<size_t>(frame_)], palette_,
                                      colour, data);
      !decoded) {
    picture_->setPixmap(QPixmap());
    picture_->setText("Cannot show this frame");
    frame_label_->setText(count + ": damaged");
    return;
  }
  QImage image = ToQImage(colour);
  // Large frames are shown whole, scaled down; small ones enlarged by a
  // whole factor (at most 4), so that their pixels stay square and sharp.
  const QSize area = kPictureArea.size();
  if (image.width() > area.width() || image.height() > area.height()) {
    image = image.scaled(area, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  } else if (!image.isNull()) {
    const int factor = std::min({4, area.width() / image.width(), area.height() / image.height()});
    if (factor > 1) image = image.scaled(image.size() * factor);
  }
  picture_->setText(QString());
  picture_->setPixmap(QPixmap::fromImage(image));
  frame_label_->setText(count + " (" + QString::number(colour.Width()) + " x " +
                        QString::number(colour.Height()) + ")");
}

void ArchiveBrowserForm::AddSelectedToProject() {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty()) return;
  if (!hooks_.project_open || !hooks_.project_open()) {
    CurrentPlatform().ShowMessage(Message{"Open or create a project first!", "Error",
                                          MsgIcon::Exclamation, MsgButtons::OK, MsgAnswer::OK});
    return;
  }
  FileDialogRequest request;
  request.title = "Select the folder to extract the files into";
  const std::optional<std::string> chosen = CurrentPlatform().ChooseFolder(request);
  if (!chosen || chosen->empty()) return;
  std::string folder = *chosen;
  if (!IsFolderSeparator(folder.back())) folder += '/';

  std::vector<DRSSelectedFile> files;
  int existing = 0;
  for (int row : rows) {
    files.push_back(rows_[static_cast<size_t>(row)]);
    if (FileExists(folder + ExtractedName(files.back().Type, files.back().File.ID))) ++existing;
  }
  if (existing > 0) {
    const MsgAnswer answer = CurrentPlatform().ShowMessage(
        Message{"This will overwrite " + NumberText(existing) +
                    (existing == 1 ? " file" : " files") +
                    " in the folder. Do you want to continue?",
                "Warning", MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No});
    if (answer != MsgAnswer::Yes) return;
  }
  std::vector<std::string> extracted;
  DRSExtractOptions options;
  options.Replace = existing > 0;
  options.NameOf = [](const DRSSelectedFile& file) { return ExtractedName(file.Type, file.File.ID); };
  options.Written = [&extracted](const std::string& path, const DRSSelectedFile&) {
    extracted.push_back(path);
  };
  if (Status written = ExtractDRSFiles(archive_path_, files, folder, options); !written)
    ShowFailure(Status::Fail("Error extracting files!", written.message()), MsgIcon::Exclamation);
  if (!extracted.empty() && hooks_.add_files) hooks_.add_files(extracted);
}

}  // namespace zorv::gui
