// The export formats made of several frames at once: a sprite sheet (one
// RGBA picture of every frame in a grid, and a JSON list of where each
// frame lies and its hot spot) and an animated GIF of a range of frames
// placed on their hot spots.
#pragma once

#include <string>

#include "codec/ExportFrames.h"
#include "codec/GraphicFrames.h"

namespace zorv {

Status ExportSheet(GraphicFrames& frames, const Palette& palette, const ExportSettings& settings,
                   const std::string& picture_path, const std::string& json_path,
                   const ProgressSink& progress);

Status ExportGIF(GraphicFrames& frames, const Palette& palette, const ExportSettings& settings,
                 const std::string& gif_path, const ProgressSink& progress);

}  // namespace zorv
