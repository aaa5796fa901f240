#include "package/gui/ProgressIndicator.h"

#include <QFrame>
#include <QLabel>
#include <algorithm>

#include "common/gui/Look.h"

namespace zorv::gui {
namespace {

QFrame* FilledRectangle(QWidget* parent, const QColor& colour, const char* name) {
  auto* frame = new QFrame(parent);
  frame->setObjectName(name);
  frame->setAutoFillBackground(true);
  QPalette palette = frame->palette();
  palette.setColor(QPalette::Window, colour);
  frame->setPalette(palette);
  return frame;
}

QLabel* Label(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  StyleLabel(label);
  return label;
}

}  // namespace

ProgressIndicator::ProgressIndicator(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("ProgressIndicator");
  setWindowTitle("Progress");
  StyleWindow(this);
  title_label_ = Label(this, "TitleLabel");
  title_label_->setFont(ArialFont(9.75, true));
  project_max_ = FilledRectangle(this, Qt::white, "ProjectProgressMax");
  project_bar_ = FilledRectangle(this, Qt::red, "ProjectProgressBar");
  project_label_ = Label(this, "ProjectProgressLabel");
  file_max_ = FilledRectangle(this, Qt::white, "FileProgressMax");
  file_bar_ = FilledRectangle(this, Qt::red, "FileProgressBar");
  file_label_ = Label(this, "FileProgressLabel");
  // Labels are wide enough for "Adding file " and a long resource name.
  title_label_->setGeometry(8, 8, 225, 17);
  project_max_->setGeometry(8, 32, 225, 25);
  project_bar_->setGeometry(8, 32, 225, 25);
  project_label_->setGeometry(8, 64, 225, 17);
  file_max_->setGeometry(8, 96, 225, 25);
  file_bar_->setGeometry(8, 96, 225, 25);
  file_label_->setGeometry(8, 128, 225, 17);
  setFixedSize(241, 153);
  ResetToDesign();
}

void ProgressIndicator::ResetToDesign() {
  title_label_->setText("Compiling MPI file...");
  project_label_->clear();
  file_label_->clear();
  for (QWidget* part : {static_cast<QWidget*>(project_max_), static_cast<QWidget*>(project_bar_),
                        static_cast<QWidget*>(project_label_), static_cast<QWidget*>(file_max_),
                        static_cast<QWidget*>(file_bar_), static_cast<QWidget*>(file_label_)})
    part->setVisible(true);
  // Bars start empty: an operation that stops before its first step must
  // not show a bar that looks finished.
  SetBar(project_bar_, project_max_, 0.0);
  SetBar(file_bar_, file_max_, 0.0);
}

void ProgressIndicator::ShowFresh() {
  ResetToDesign();
  show();
  raise();
  RepaintNow();
}

void ProgressIndicator::Unload() {
  close();
  ResetToDesign();
}

void ProgressIndicator::SetTitle(const QString& title) { title_label_->setText(title); }

void ProgressIndicator::SetProjectPartVisible(bool visible) {
  project_max_->setVisible(visible);
  project_bar_->setVisible(visible);
  project_label_->setVisible(visible);
}

void ProgressIndicator::SetFilePartVisible(bool visible) {
  file_max_->setVisible(visible);
  file_bar_->setVisible(visible);
  file_label_->setVisible(visible);
}

void ProgressIndicator::SetFileStepVisible(bool visible) {
  file_bar_->setVisible(visible);
  file_label_->setVisible(visible);
}

void ProgressIndicator::SetBar(QFrame* bar, QFrame* max, double fraction) {
  fraction = std::clamp(fraction, 0.0, 1.0);
  bar->setGeometry(max->x(), max->y(), static_cast<int>(max->width() * fraction), max->height());
}

void ProgressIndicator::SetProjectProgress(const QString& caption, double fraction) {
  project_label_->setText(caption);
  SetBar(project_bar_, project_max_, fraction);
}

void ProgressIndicator::SetFileProgress(const QString& caption, double fraction) {
  file_label_->setText(caption);
  SetBar(file_bar_, file_max_, fraction);
}

void ProgressIndicator::RepaintNow() {
  if (isVisible()) repaint();
}

}  // namespace zorv::gui
