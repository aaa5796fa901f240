// The small window that shows how far a long operation has got: a title,
// a project bar with its label and a file bar with its label.
#pragma once

#include <QWidget>

#include "common/gui/ProgressView.h"

class QLabel;
class QFrame;

namespace zorv::gui {

class ProgressIndicator : public QWidget, public ProgressView {
  Q_OBJECT

 public:
  explicit ProgressIndicator(QWidget* parent = nullptr);

  void ShowFresh() override;
  void Unload() override;
  void SetTitle(const QString& title) override;
  void SetProjectPartVisible(bool visible) override;
  void SetFilePartVisible(bool visible) override;
  void SetFileStepVisible(bool visible) override;
  // fraction 0..1 of the Max rectangle's width; the caption goes to the label.
  void SetProjectProgress(const QString& caption, double fraction) override;
  void SetFileProgress(const QString& caption, double fraction) override;
  void RepaintNow() override;

  QLabel* TitleLabel() const { return title_label_; }
  QLabel* ProjectProgressLabel() const { return project_label_; }
  QLabel* FileProgressLabel() const { return file_label_; }
  QFrame* ProjectProgressBar() const { return project_bar_; }
  QFrame* ProjectProgressMax() const { return project_max_; }
  QFrame* FileProgressBar() const { return file_bar_; }
  QFrame* FileProgressMax() const { return file_max_; }

 private:
  void ResetToDesign();
  static void SetBar(QFrame* bar, QFrame* max, double fraction);

  QLabel* title_label_;
  QFrame* project_max_;
  QFrame* project_bar_;
  QLabel* project_label_;
  QFrame* file_max_;
  QFrame* file_bar_;
  QLabel* file_label_;
};

}  // namespace zorv::gui
