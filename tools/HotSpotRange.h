// The hot spots the SLX editor lets the user set. SLX files and SLP frames
// hold any signed 32-bit hot spot, but the editor places its views by the
// difference of two frames' hot spots and adds window positions, frame sizes
// (up to 32767), the crosshair's reach and spin steps to that. A limit of a
// hundred million pixels, far beyond any frame, keeps all of it well inside
// 32 bits, so nothing wraps round, and what a box shows is exactly what is
// stored and saved.
#pragma once

#include <cstdint>
#include <string_view>

namespace zorv {

inline constexpr int32_t kHotSpotLimit = 100'000'000;

// value, limited to -kHotSpotLimit .. kHotSpotLimit.
int32_t ClampHotSpot(int64_t value);

// The hot spot a box's text stands for: its leading number rounded down
// (12.7 gives 12, -3.5 gives -4, no number gives 0), limited as above.
int32_t HotSpotFromText(std::string_view text);

// Whether the text's leading number lies beyond the limit, so the box must
// be corrected to show the hot spot that is stored.
bool HotSpotTextBeyondLimit(std::string_view text);

}  // namespace zorv
