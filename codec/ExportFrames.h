// Exporting the frames of a graphic (an SLP file or an SLX graphic) into a
// folder: as PNG pictures named like the SLX frames (title_NNN.png), as one
// sprite sheet (title.png with title.json), or as one animated GIF
// (title.gif).
#pragma once

#include <string>

#include "codec/FrameRender.h"
#include "codec/Palettes.h"
#include "common/Progress.h"
#include "common/Status.h"

namespace zorv {

enum class ExportFormat {
  kPNG,      // RGBA, player colour of the chosen player
  kIndexed,  // 8-bit paletted, exact indices
  kSheet,    // every frame in one RGBA picture, a grid, and a JSON list
  kGIF,      // a range of frames as one animation on their hot spots
};

struct ExportSettings {
  ExportFormat Format = ExportFormat::kPNG;
  RenderOptions Render;
  // The frames of a GIF, from 1; 0 as the last means the graphic's last.
  int32_t FirstFrame = 1;
  int32_t LastFrame = 0;
  int DelayMs = 100;  // each GIF frame's time, kept to hundredths of a second
};

// Where the sheet (folder/title.png), its list of frames (folder/title.json:
// each frame's rectangle in the sheet and its hot spot) and the animation
// (folder/title.gif) are written.
std::string SheetJSONPath(const std::string& folder, const std::string& title);
std::string SheetPicturePath(const std::string& folder, const std::string& title);
std::string GIFPath(const std::string& folder, const std::string& title);

inline constexpr const char* kMsgErrorExporting = "Error exporting frames!";

// The file frame number (from 1) is written to: folder/title_NNN.png.
std::string ExportFramePath(const std::string& folder, const std::string& title, int32_t number);

// Writes the frames of the SLP file in the settings' format (for PNG and
// indexed pictures folder/title_NNN.png), pixels through palette. Progress hears "Exporting frame " + i. A failure says "Error
// exporting frames!" and which file and frame; the frames written before
// it stay.
Status ExportSLPFrames(const std::string& slp_path, const std::string& folder,
                       const std::string& title, const Palette& palette,
                       const ExportSettings& settings, const ProgressSink& progress = {});

// The same for an SLX graphic and its frame bitmaps; the colour bitmaps are
// read against palette as the SLP encoder reads them.
Status ExportSLXFrames(const std::string& slx_path, const std::string& folder,
                       const std::string& title, const Palette& palette,
                       const ExportSettings& settings, const ProgressSink& progress = {});

}  // namespace zorv
