// Writing SLX graphics as SLP files, and BMP icons as icon row data.
#pragma once

#include <cstdint>
#include <string>

#include "codec/SLX.h"
#include "common/Progress.h"

namespace zorv {

// Converts graphic into an SLP file at slp_path. Progress, when given, hears
// "Converting frame " + i with the fraction (i - 1) / FrameCount before each
// frame is coded. A failure is reported to the user, leaves no SLP file at
// slp_path (an existing file there stays as it was) and gives false.
bool ConvertSLXToSLP(const SLXGraphic& graphic, const std::string& slp_path,
                     const ProgressSink& progress = {});

// Codes the BMP file as icon row data (flags, width, height, row offsets,
// rows of normal pixels) at output_path. A failure is reported, leaves no
// output and gives false.
bool ConvertBMPToIcon(const std::string& bmp_path, const std::string& output_path,
                      int32_t icon_flags);

}  // namespace zorv
