#include "common/gui/Platform.h"

#include <stdexcept>

namespace zorv::gui {
namespace {

Platform* installed = nullptr;

}  // namespace

Platform& CurrentPlatform() {
  if (!installed) throw std::logic_error("no platform installed");
  return *installed;
}

void SetPlatform(Platform* platform) { installed = platform; }

void ShowFailure(const Status& failure, MsgIcon icon, const std::string& title) {
  CurrentPlatform().ShowMessage(
      Message{failure.message(), title, icon, MsgButtons::OK, MsgAnswer::OK});
}

std::string QtFilter(const std::string& filter) {
  // Pairs of description and pattern; Qt shows the description, which
  // already names the patterns, and takes the patterns from it.
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t bar = filter.find('|', start);
    parts.push_back(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  std::string out;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string patterns = parts[i + 1];
    for (char& c : patterns)
      if (c == ';') c = ' ';
    if (!out.empty()) out += ";;";
    // Keep the description as written, with the real patterns in brackets
    // when the description does not already end with them.
    std::string description = parts[i];
    if (description.find('(') == std::string::npos)
      description += " (" + patterns + ")";
    else if (description.find(patterns) == std::string::npos)
      description = description.substr(0, description.rfind('(')) + "(" + patterns + ")";
    out += description;
  }
  return out;
}

}  // namespace zorv::gui
