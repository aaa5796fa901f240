#include "project/gui/ProjectSettingsForm.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/gui/EightBitText.h"
#include "common/gui/Look.h"

namespace zorv::gui {

ProjectSettingsForm::ProjectSettingsForm(QWidget* main_window)
    : QWidget(nullptr, Qt::Dialog), main_window_(main_window) {
  setObjectName("ProjectSettingsForm");
  setWindowTitle("Project settings");
  StyleWindow(this);
  title_label_ = new QLabel("Title:", this);
  title_label_->setObjectName("TitleLabel");
  StyleLabel(title_label_);
  title_label_->setGeometry(TwipsRect(120, 150, 615, 255));
  title_box_ = new QLineEdit(this);
  title_box_->setObjectName("TitleBox");
  title_box_->setMaxLength(50);
  title_box_->setValidator(new EightBitValidator(title_box_));
  StyleBox(title_box_);
  title_box_->setGeometry(TwipsRect(720, 120, 5055, 315));
  ok_button_ = new QPushButton("Save changes", this);
  ok_button_->setObjectName("OKButton");
  StyleButton(ok_button_);
  ok_button_->setGeometry(TwipsRect(2880, 600, 1455, 375));
  cancel_button_ = new QPushButton("Cancel", this);
  cancel_button_->setObjectName("CancelButton");
  StyleButton(cancel_button_);
  cancel_button_->setGeometry(TwipsRect(4440, 600, 1335, 375));
  setFixedSize(Px(5895), Px(1095));

  connect(ok_button_, &QPushButton::clicked, this, [this] {
    const std::optional<std::string> title = TextFromQ(title_box_->text());
    if (on_save_ && title) on_save_(*title);
    close();
  });
  connect(cancel_button_, &QPushButton::clicked, this, &QWidget::close);
}

void ProjectSettingsForm::Open(const std::string& title,
                               std::function<void(const std::string&)> on_save) {
  on_save_ = std::move(on_save);
  title_box_->setText(TextToQ(title));
  if (main_window_) main_window_->setEnabled(false);
  show();
  raise();
  activateWindow();
}

void ProjectSettingsForm::keyPressEvent(QKeyEvent* event) {
  // Escape works as "Cancel", as in any dialog; otherwise the main window
  // would stay disabled until a button is clicked.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void ProjectSettingsForm::closeEvent(QCloseEvent* event) {
  if (main_window_) main_window_->setEnabled(true);
  on_save_ = nullptr;
  event->accept();
}

}  // namespace zorv::gui
