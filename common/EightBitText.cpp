#include "common/EightBitText.h"

namespace zorv {

std::string FileNameAsText(std::string_view name) {
  std::string text;
  text.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (byte < 0x80) {
      text += static_cast<char>(byte);
      continue;
    }
    // Two-byte sequences C2 80 to C3 BF are exactly U+0080 to U+00FF.
    const bool latin1_pair = (byte == 0xC2 || byte == 0xC3) && i + 1 < name.size() &&
                             (static_cast<unsigned char>(name[i + 1]) & 0xC0) == 0x80;
    if (!latin1_pair) return std::string(name);
    text += static_cast<char>(((byte & 0x03) << 6) | (static_cast<unsigned char>(name[i + 1]) & 0x3F));
    ++i;
  }
  return text;
}

}  // namespace zorv
