#include "app/cli/HotSpotOption.h"

#include <charconv>
#include <string_view>

#include "common/Functions.h"
#include "tools/HotSpotRange.h"

namespace zorv::cli {
namespace {

// A whole number within the hot spot limit, the whole text and nothing
// else.
bool ParseCoordinate(std::string_view text, int32_t& value) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end && value >= -kHotSpotLimit &&
         value <= kHotSpotLimit;
}

}  // namespace

// "X,Y" into the two coordinates.
bool ParseHotSpot(const std::string& text, int32_t& x, int32_t& y) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos) return false;
  return ParseCoordinate(std::string_view(text).substr(0, comma), x) &&
         ParseCoordinate(std::string_view(text).substr(comma + 1), y);
}

CLI::Validator HotSpotText() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        int32_t x = 0, y = 0;
        if (ParseHotSpot(text, x, y)) return {};
        return "\"" + text + "\" is not X,Y: two whole numbers from " +
               NumberText(-kHotSpotLimit) + " to " + NumberText(kHotSpotLimit) +
               " with a comma between them";
      },
      "X,Y");
}

}  // namespace zorv::cli
