// Exporting every frame of a graphic (an SLP file or an SLX graphic) as PNG
// pictures in a folder, named like the SLX frames: title_NNN.png.
#pragma once

#include <string>

#include "codec/FrameRender.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "common/Progress.h"
#include "common/Status.h"

namespace zorv {

enum class ExportFormat {
  kPNG,      // RGBA, player colour of the chosen player
  kIndexed,  // 8-bit paletted, exact indices
};

struct ExportSettings {
  ExportFormat Format = ExportFormat::kPNG;
  RenderOptions Render;
};

inline constexpr const char* kMsgErrorExporting = "Error exporting frames!";

// The file frame number (from 1) is written to: folder/title_NNN.png.
std::string ExportFramePath(const std::string& folder, const std::string& title, int32_t number);

// Writes each frame of the SLP file as folder/title_NNN.png, pixels through
// palette. Progress hears "Exporting frame " + i. A failure says "Error
// exporting frames!" and which file and frame; the frames written before
// it stay.
Status ExportSLPFrames(const std::string& slp_path, const std::string& folder,
                       const std::string& title, const Palette& palette,
                       const ExportSettings& settings, const ProgressSink& progress = {});

// The same for an SLP file already open or held in memory (a file taken out
// of a game archive); name is what failures call it.
Status ExportSLPFrames(const SLPFile& file, const std::string& name, const std::string& folder,
                       const std::string& title, const Palette& palette,
                       const ExportSettings& settings, const ProgressSink& progress = {});

// The same for an SLX graphic and its frame bitmaps; the colour bitmaps are
// read against palette as the SLP encoder reads them.
Status ExportSLXFrames(const std::string& slx_path, const std::string& folder,
                       const std::string& title, const Palette& palette,
                       const ExportSettings& settings, const ProgressSink& progress = {});

}  // namespace zorv
