#include "project/WeirdPicture.h"

#include <cmath>
#include <limits>

namespace zorv {

std::optional<std::vector<AnimationPixel>> WeirdPictureTick(int32_t t) {
  const double lo = std::floor(std::pow(t / 50.0, 2));
  const double hi = std::floor(std::pow(t / 20.0, 2));
  if (hi * static_cast<double>(t) > std::numeric_limits<int32_t>::max()) return std::nullopt;
  std::vector<AnimationPixel> pixels;
  for (int64_t i = static_cast<int64_t>(lo); i <= static_cast<int64_t>(hi); ++i) {
    const int32_t product = static_cast<int32_t>(i * t);
    const int red = static_cast<int>(std::floor(std::sin(product / (t / 100.0 + 1)) * 127 + 128));
    const int blue =
        static_cast<int>(std::floor(std::cos(product / (static_cast<double>(i) / 16 + 1)) * 127 + 128));
    pixels.push_back({static_cast<int32_t>(138 + i), static_cast<int32_t>(t - i),
                      red + 65536 * blue});
  }
  return pixels;
}

}  // namespace zorv
