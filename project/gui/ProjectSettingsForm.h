// Edits the open project's title. While it is open the main window is
// disabled; it is enabled again however the dialog closes.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zorv::gui {

class ProjectSettingsForm : public QWidget {
  Q_OBJECT

 public:
  explicit ProjectSettingsForm(QWidget* main_window);

  // Shows the title and disables the main window; "Save changes" hands the
  // new title to on_save.
  void Open(const std::string& title, std::function<void(const std::string&)> on_save);

  QLineEdit* TitleBox() const { return title_box_; }
  QPushButton* OKButton() const { return ok_button_; }
  QPushButton* CancelButton() const { return cancel_button_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QWidget* main_window_;
  QLabel* title_label_;
  QLineEdit* title_box_;
  QPushButton* ok_button_;
  QPushButton* cancel_button_;
  std::function<void(const std::string&)> on_save_;
};

}  // namespace zorv::gui
