// The input of fuzz_slx_to_slp: SLX text and frame bitmaps in one byte
// string, each part after the first preceded by kPartMarker.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorv::fuzz {

inline constexpr std::string_view kPartMarker = "\n#ZORV-BMP#\n";
// More parts than this are left in the last one.
inline constexpr size_t kMaxBundleParts = 9;

inline std::vector<std::string_view> SplitBundle(std::string_view bytes) {
  std::vector<std::string_view> parts;
  while (parts.size() + 1 < kMaxBundleParts) {
    size_t at = bytes.find(kPartMarker);
    if (at == std::string_view::npos) break;
    parts.push_back(bytes.substr(0, at));
    bytes.remove_prefix(at + kPartMarker.size());
  }
  parts.push_back(bytes);
  return parts;
}

inline std::string JoinBundle(const std::vector<std::string>& parts) {
  std::string bytes;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) bytes += kPartMarker;
    bytes += parts[i];
  }
  return bytes;
}

}  // namespace zorv::fuzz
