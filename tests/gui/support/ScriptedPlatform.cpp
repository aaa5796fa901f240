#include "tests/gui/support/ScriptedPlatform.h"

namespace zorv::test {

ScriptedPlatform::ScriptedPlatform() { gui::SetPlatform(this); }
ScriptedPlatform::~ScriptedPlatform() { gui::SetPlatform(nullptr); }

bool ScriptedPlatform::Said(const std::string& first_line) const {
  for (const auto& m : messages)
    if (m.text.substr(0, m.text.find('\n')) == first_line) return true;
  return false;
}

std::string ScriptedPlatform::LastFirstLine() const {
  if (messages.empty()) return {};
  const std::string& text = messages.back().text;
  return text.substr(0, text.find('\n'));
}

MsgAnswer ScriptedPlatform::ShowMessage(const Message& message) {
  messages.push_back(message);
  if (on_message) on_message(message);
  if (message_answers.empty()) return message.default_answer;
  MsgAnswer answer = message_answers.front();
  message_answers.pop_front();
  return answer;
}

std::optional<std::string> ScriptedPlatform::InputBox(const std::string& prompt,
                                                      const std::string& title,
                                                      const std::string&) {
  messages.push_back(Message{prompt, title, MsgIcon::None, MsgButtons::OKCancel,
                             MsgAnswer::OK});
  if (input_answers.empty()) return std::nullopt;
  auto answer = input_answers.front();
  input_answers.pop_front();
  return answer;
}

std::optional<std::string> ScriptedPlatform::NextFile(const gui::FileDialogRequest& request) {
  file_requests.push_back(request);
  if (file_answers.empty()) return std::nullopt;
  auto answer = file_answers.front();
  file_answers.pop_front();
  return answer;
}

std::optional<std::string> ScriptedPlatform::OpenFile(const gui::FileDialogRequest& request) {
  return NextFile(request);
}

std::vector<std::string> ScriptedPlatform::OpenFiles(const gui::FileDialogRequest& request) {
  file_requests.push_back(request);
  if (multi_file_answers.empty()) return {};
  auto answer = multi_file_answers.front();
  multi_file_answers.pop_front();
  return answer;
}

std::optional<std::string> ScriptedPlatform::SaveFile(const gui::FileDialogRequest& request) {
  return NextFile(request);
}

std::optional<std::string> ScriptedPlatform::ChooseFolder(const gui::FileDialogRequest& request) {
  return NextFile(request);
}

std::optional<ColourValue> ScriptedPlatform::ChooseColour(ColourValue) {
  if (colour_answers.empty()) return std::nullopt;
  auto answer = colour_answers.front();
  colour_answers.pop_front();
  return answer;
}

Status ScriptedPlatform::PlaySound(const std::string& path) {
  sounds_played.push_back(path);
  return sound_failure.empty() ? Status::Ok() : Status::Fail(sound_failure);
}

std::string ScriptedPlatform::GetSetting(const std::string&, const std::string& section,
                                         const std::string& key, const std::string& fallback) {
  auto it = settings.find(section + "/" + key);
  return it == settings.end() ? fallback : it->second;
}

void ScriptedPlatform::SaveSetting(const std::string&, const std::string& section,
                                   const std::string& key, const std::string& value) {
  settings[section + "/" + key] = value;
}

ColourValue ScriptedPlatform::ScreenPixel(gui::Point where) {
  auto it = screen.find({where.x, where.y});
  return it == screen.end() ? 0 : it->second;
}

gui::Point ScriptedPlatform::CursorPosition() { return cursor; }
void ScriptedPlatform::SetCursorPosition(gui::Point where) { cursor = where; }
gui::Point ScriptedPlatform::ScreenSize() { return screen_size; }

}  // namespace zorv::test
