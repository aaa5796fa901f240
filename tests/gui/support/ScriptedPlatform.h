// A platform whose dialogs answer from a script and which records what the
// windows asked, so the windows can be tested without a person.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/gui/Platform.h"

namespace zorv::test {

class ScriptedPlatform : public gui::Platform {
 public:
  ScriptedPlatform();
  ~ScriptedPlatform() override;

  // Answers, taken front first. A message box without a scripted answer
  // takes its default; a file dialog without one is cancelled.
  std::deque<MsgAnswer> message_answers;
  std::deque<std::optional<std::string>> file_answers;
  std::deque<std::vector<std::string>> multi_file_answers;
  std::deque<std::optional<std::string>> input_answers;
  std::deque<std::optional<ColourValue>> colour_answers;

  // What was asked.
  std::vector<Message> messages;
  std::vector<gui::FileDialogRequest> file_requests;
  std::vector<std::string> sounds_played;
  std::map<std::string, std::string> settings;  // "section/key" -> value
  std::map<std::pair<int, int>, ColourValue> screen;
  gui::Point cursor{0, 0};
  gui::Point screen_size{1024, 768};
  // When set, playing a sound fails with this message.
  std::string sound_failure;
  // Called with each message box as it is shown, while the windows still
  // show what they showed when it was asked.
  std::function<void(const Message&)> on_message;

  bool Said(const std::string& first_line) const;
  std::string LastFirstLine() const;

  MsgAnswer ShowMessage(const Message& message) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& default_text) override;
  std::optional<std::string> OpenFile(const gui::FileDialogRequest& request) override;
  std::vector<std::string> OpenFiles(const gui::FileDialogRequest& request) override;
  std::optional<std::string> SaveFile(const gui::FileDialogRequest& request) override;
  // Answers from file_answers, like the file dialogs.
  std::optional<std::string> ChooseFolder(const gui::FileDialogRequest& request) override;
  std::optional<ColourValue> ChooseColour(ColourValue initial) override;
  Status PlaySound(const std::string& path) override;
  std::string GetSetting(const std::string& application, const std::string& section,
                         const std::string& key, const std::string& fallback) override;
  void SaveSetting(const std::string& application, const std::string& section,
                   const std::string& key, const std::string& value) override;
  ColourValue ScreenPixel(gui::Point where) override;
  gui::Point CursorPosition() override;
  void SetCursorPosition(gui::Point where) override;
  gui::Point ScreenSize() override;

 private:
  std::optional<std::string> NextFile(const gui::FileDialogRequest& request);
};

}  // namespace zorv::test
