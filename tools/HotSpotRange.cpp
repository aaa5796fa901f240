#include "tools/HotSpotRange.h"

#include <algorithm>
#include <cmath>

#include "common/Functions.h"

namespace zorv {
namespace {

// The leading number rounded down, as a double so that nothing is lost
// before the limit is applied.
double FlooredLeadingNumber(std::string_view text) {
  const double value = std::floor(LeadingNumber(text));
  return std::isnan(value) ? 0.0 : value;
}

}  // namespace

int32_t ClampHotSpot(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, -kHotSpotLimit, kHotSpotLimit));
}

int32_t HotSpotFromText(std::string_view text) {
  const double value = std::clamp(FlooredLeadingNumber(text), double{-kHotSpotLimit},
                                  double{kHotSpotLimit});
  return static_cast<int32_t>(value);
}

bool HotSpotTextBeyondLimit(std::string_view text) {
  const double value = FlooredLeadingNumber(text);
  return value < -kHotSpotLimit || value > kHotSpotLimit;
}

}  // namespace zorv
