// The export formats made of several frames at once: a sprite sheet (one
// RGBA picture of every frame in a grid, and a JSON list of where each
// frame lies and its hot spot) and an animated GIF of a range of frames
// placed on their hot spots.
#pragma once

#include <string>

#include "codec/ExportFrames.h"
#include "codec/GraphicFrames.h"
#include "codec/PNGFiles.h"

namespace zorv {

// The sheet picture and the text of its list (naming the picture
// picture_name), made in memory.
Status MakeSheet(GraphicFrames& frames, const Palette& palette, const ExportSettings& settings,
                 const std::string& picture_name, RGBAImage& sheet, std::string& list_text,
                 const ProgressSink& progress = {});
// The bytes of the GIF of the settings' frames, made in memory.
Status MakeGIF(GraphicFrames& frames, const Palette& palette, const ExportSettings& settings,
               std::string& bytes, const ProgressSink& progress = {});

// The same written as picture_path and json_path, or gif_path.
Status ExportSheet(GraphicFrames& frames, const Palette& palette, const ExportSettings& settings,
                   const std::string& picture_path, const std::string& json_path,
                   const ProgressSink& progress);

Status ExportGIF(GraphicFrames& frames, const Palette& palette, const ExportSettings& settings,
                 const std::string& gif_path, const ProgressSink& progress);

}  // namespace zorv
