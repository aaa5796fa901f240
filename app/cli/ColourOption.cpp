#include "app/cli/ColourOption.h"

namespace zorv::cli {

// "R,G,B" with three whole numbers 0..255; blanks around a number allowed.
std::optional<ColourValue> ParseRGB(const std::string& text) {
  int channels[3];
  size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    size_t end = i < 2 ? text.find(',', start) : text.size();
    if (end == std::string::npos) return std::nullopt;
    std::string part = text.substr(start, end - start);
    size_t first = part.find_first_not_of(' '), last = part.find_last_not_of(' ');
    if (first == std::string::npos) return std::nullopt;
    part = part.substr(first, last - first + 1);
    if (part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos)
      return std::nullopt;
    channels[i] = std::stoi(part);
    if (channels[i] > 255) return std::nullopt;
    start = end + 1;
  }
  return RGBColour(channels[0], channels[1], channels[2]);
}

CLI::Validator ColourValidator() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        return ParseRGB(text) ? std::string() : "not a colour R,G,B (each 0 to 255): " + text;
      },
      "R,G,B");
}

}  // namespace zorv::cli
