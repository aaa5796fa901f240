// What long operations show while they run: the progress window's parts,
// as its callers drive them. The progress window is the one implementation.
#pragma once

#include <QString>

namespace zorv::gui {

class ProgressView {
 public:
  virtual ~ProgressView() = default;

  // Shows the window at its design state: title "Compiling MPI file...",
  // every part visible, bars at their design width.
  virtual void ShowFresh() = 0;
  // Closes it; the next ShowFresh starts from the design state again.
  virtual void Unload() = 0;

  virtual void SetTitle(const QString& title) = 0;
  // A whole part: its label, its bar and the rectangle of the bar's full
  // length.
  virtual void SetProjectPartVisible(bool visible) = 0;
  virtual void SetFilePartVisible(bool visible) = 0;
  // The file part's label and bar only; its full-length rectangle stays.
  virtual void SetFileStepVisible(bool visible) = 0;
  // fraction 0..1 of the full length; the caption goes to the label.
  virtual void SetProjectProgress(const QString& caption, double fraction) = 0;
  virtual void SetFileProgress(const QString& caption, double fraction) = 0;
  // Paints the new texts and widths now, while the caller keeps working.
  virtual void RepaintNow() = 0;
};

}  // namespace zorv::gui
