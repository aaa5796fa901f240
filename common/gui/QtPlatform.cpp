#include "common/gui/QtPlatform.h"

#include <QApplication>
#include <QColorDialog>
#include <QCursor>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QFile>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QSettings>
#include <QUrl>

namespace zorv::gui {
namespace {

QString Q(const std::string& text) { return QString::fromLocal8Bit(text.c_str()); }
std::string S(const QString& text) { return text.toLocal8Bit().toStdString(); }

QMessageBox::Icon QtIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButton QtButton(MsgAnswer answer) {
  switch (answer) {
    case MsgAnswer::OK: return QMessageBox::Ok;
    case MsgAnswer::Cancel: return QMessageBox::Cancel;
    case MsgAnswer::Yes: return QMessageBox::Yes;
    case MsgAnswer::No: return QMessageBox::No;
  }
  return QMessageBox::Ok;
}

QString InitialPath(const std::string& folder, const std::string& name) {
  QFileInfo info(Q(name));
  if (info.isAbsolute() || folder.empty()) return Q(name);
  return Q(folder) + "/" + Q(name);
}

}  // namespace

QtPlatform::QtPlatform() = default;
QtPlatform::~QtPlatform() = default;

QWidget* QtPlatform::Parent() const {
  return parent_ ? parent_ : QApplication::activeWindow();
}

MsgAnswer QtPlatform::ShowMessage(const Message& message) {
  QMessageBox box(QtIcon(message.icon), Q(message.title), Q(message.text),
                  QMessageBox::NoButton, Parent());
  switch (message.buttons) {
    case MsgButtons::OK: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OKCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  box.setDefaultButton(QtButton(message.default_answer));
  switch (box.exec()) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    default: break;
  }
  return message.buttons == MsgButtons::OK ? MsgAnswer::OK
         : message.buttons == MsgButtons::YesNo ? MsgAnswer::No
                                                 : MsgAnswer::Cancel;
}

std::optional<std::string> QtPlatform::InputBox(const std::string& prompt,
                                                const std::string& title,
                                                const std::string& default_text) {
  bool ok = false;
  QString text = QInputDialog::getText(Parent(), Q(title), Q(prompt), QLineEdit::Normal,
                                       Q(default_text), &ok);
  if (!ok) return std::nullopt;
  return S(text);
}

std::optional<std::string> QtPlatform::OpenFile(const FileDialogRequest& request) {
  QString path = QFileDialog::getOpenFileName(
      Parent(), Q(request.title), InitialPath(last_folder_, request.initial_name),
      Q(QtFilter(request.filter)));
  if (path.isEmpty()) return std::nullopt;
  last_folder_ = S(QFileInfo(path).absolutePath());
  return S(path);
}

std::vector<std::string> QtPlatform::OpenFiles(const FileDialogRequest& request) {
  QStringList paths = QFileDialog::getOpenFileNames(
      Parent(), Q(request.title), InitialPath(last_folder_, request.initial_name),
      Q(QtFilter(request.filter)));
  std::vector<std::string> out;
  for (const QString& path : paths) out.push_back(S(path));
  if (!paths.isEmpty()) last_folder_ = S(QFileInfo(paths.front()).absolutePath());
  return out;
}

std::optional<std::string> QtPlatform::SaveFile(const FileDialogRequest& request) {
  QFileDialog::Options options;
  if (!request.prompt_overwrite) options |= QFileDialog::DontConfirmOverwrite;
  QString path = QFileDialog::getSaveFileName(
      Parent(), Q(request.title), InitialPath(last_folder_, request.initial_name),
      Q(QtFilter(request.filter)), nullptr, options);
  if (path.isEmpty()) return std::nullopt;
  last_folder_ = S(QFileInfo(path).absolutePath());
  return S(path);
}

std::optional<std::string> QtPlatform::ChooseFolder(const FileDialogRequest& request) {
  QString path = QFileDialog::getExistingDirectory(Parent(), Q(request.title), Q(last_folder_));
  if (path.isEmpty()) return std::nullopt;
  last_folder_ = S(path);
  return S(path);
}

std::optional<ColourValue> QtPlatform::ChooseColour(ColourValue initial) {
  QColor chosen = QColorDialog::getColor(
      QColor(RedOf(initial), GreenOf(initial), BlueOf(initial)), Parent());
  if (!chosen.isValid()) return std::nullopt;
  return RGBColour(chosen.red(), chosen.green(), chosen.blue());
}

Status QtPlatform::PlaySound(const std::string& path) {
  constexpr const char* kCannotPlay = "Unable to play sound!";
  // The sound is checked here so that what cannot start is told at once;
  // the player reports only later, and only that it failed.
  QFile file(Q(path));
  if (!file.open(QIODevice::ReadOnly))
    return Status::Fail(kCannotPlay, path + "\nThe file cannot be read.");
  const QByteArray head = file.read(12);
  if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
    return Status::Fail(kCannotPlay, path + "\nThe file is not a WAV sound.");
  if (QMediaDevices::defaultAudioOutput().isNull())
    return Status::Fail(kCannotPlay, "This computer has no audio output device.");
  if (!sound_) {
    sound_ = std::make_unique<QSoundEffect>();
    QObject::connect(sound_.get(), &QSoundEffect::statusChanged, sound_.get(), [this] {
      if (sound_->status() != QSoundEffect::Error) return;
      ShowMessage(Message{std::string(kCannotPlay) + "\n" + S(sound_->source().toLocalFile()) +
                              "\nThe sound could not be decoded or played.",
                          "Error", MsgIcon::Exclamation, MsgButtons::OK, MsgAnswer::OK});
    });
  }
  sound_->stop();
  sound_->setSource(QUrl::fromLocalFile(Q(path)));
  sound_->play();
  return Status::Ok();
}

std::string QtPlatform::GetSetting(const std::string& application, const std::string& section,
                                   const std::string& key, const std::string& fallback) {
  QSettings settings(Q(application), Q(application));
  return S(settings.value(Q(section) + "/" + Q(key), Q(fallback)).toString());
}

void QtPlatform::SaveSetting(const std::string& application, const std::string& section,
                             const std::string& key, const std::string& value) {
  QSettings settings(Q(application), Q(application));
  settings.setValue(Q(section) + "/" + Q(key), Q(value));
}

ColourValue QtPlatform::ScreenPixel(Point where) {
  QScreen* screen = QGuiApplication::screenAt(QPoint(where.x, where.y));
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return 0;
  QPoint local = QPoint(where.x, where.y) - screen->geometry().topLeft();
  QImage pixel = screen->grabWindow(0, local.x(), local.y(), 1, 1).toImage();
  if (pixel.isNull()) return 0;
  QColor c = pixel.pixelColor(0, 0);
  return RGBColour(c.red(), c.green(), c.blue());
}

Point QtPlatform::CursorPosition() {
  QPoint p = QCursor::pos();
  return {p.x(), p.y()};
}

void QtPlatform::SetCursorPosition(Point where) { QCursor::setPos(where.x, where.y); }

Point QtPlatform::ScreenSize() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {0, 0};
  return {screen->geometry().width(), screen->geometry().height()};
}

}  // namespace zorv::gui
