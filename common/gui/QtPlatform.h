// The desktop services of the editor, through Qt.
#pragma once

#include <memory>

#include "common/gui/Platform.h"

class QSoundEffect;
class QWidget;

namespace zorv::gui {

class QtPlatform : public Platform {
 public:
  QtPlatform();
  ~QtPlatform() override;

  // The window that dialogs are centred on (the active window when unset).
  void SetDialogParent(QWidget* parent) { parent_ = parent; }

  MsgAnswer ShowMessage(const Message& message) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& default_text) override;
  std::optional<std::string> OpenFile(const FileDialogRequest& request) override;
  std::vector<std::string> OpenFiles(const FileDialogRequest& request) override;
  std::optional<std::string> SaveFile(const FileDialogRequest& request) override;
  std::optional<std::string> ChooseFolder(const FileDialogRequest& request) override;
  std::optional<ColourValue> ChooseColour(ColourValue initial) override;
  Status PlaySound(const std::string& path) override;
  std::string GetSetting(const std::string& application, const std::string& section,
                         const std::string& key, const std::string& fallback) override;
  void SaveSetting(const std::string& application, const std::string& section,
                   const std::string& key, const std::string& value) override;
  ColourValue ScreenPixel(Point where) override;
  Point CursorPosition() override;
  void SetCursorPosition(Point where) override;
  Point ScreenSize() override;

 private:
  QWidget* Parent() const;

  QWidget* parent_ = nullptr;
  // Plays WAV files itself, without a decoder plugin of the media backend.
  std::unique_ptr<QSoundEffect> sound_;
  std::string last_folder_;
};

}  // namespace zorv::gui
