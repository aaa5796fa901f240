// An SLX graphic (and, if asked, its SLP) built from PNG frames as paint
// programs and engines give them. A frame's colour and data bitmaps are
// made from each picture and written beside the SLX as PNG files.
//
// RGBA pictures (and grey or RGB ones, taken as opaque): pixels of alpha
// below 128 are transparent; the others are classified by the
// auto-generation rules (shadow colour, player hue, outlines) of the
// options.
//
// Paletted pictures are taken as indices of the game palette, mapped
// exactly as the indexed export writes them: the transparent index and the
// shadow index name those kinds, indices 16 to 23 (the first player's eight
// shades, 16 + the player-colour index) are player colour unless player
// colours are off in the rules, any other index is a normal pixel of that
// palette entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "autogen/AutoGen.h"
#include "codec/DIBSection.h"
#include "codec/Palettes.h"
#include "codec/PNGFiles.h"
#include "common/Progress.h"
#include "common/Status.h"

namespace zorv {

inline constexpr const char* kMsgErrorImportingFrames = "Error importing frames!";

// Alpha below this is a transparent pixel.
inline constexpr int kOpaqueAlphaFrom = 128;
// Paletted pixels of these indices are player colour.
inline constexpr int kFirstPlayerIndex = 16;
inline constexpr int kLastPlayerIndex = 23;

struct PNGImportOptions {
  // For RGBA pictures: the shadow and player-colour rules and the
  // outlines. Its frame, mask colour, crop and save settings are not used.
  AutoGenOptions Rules;
  // For paletted pictures, as in the indexed export.
  int TransparentIndex = 255;
  int ShadowIndex = 254;
};

// Refuses rules outside their ranges and indices outside 0..255 or equal.
Status CheckPNGImportOptions(const PNGImportOptions& options);

// The colour and data bitmaps of one picture. In the colour bitmap,
// transparent pixels are magenta and shadow red, as the SLP decoder paints
// them; normal and player-colour pixels have their colour (a paletted
// picture's from palette).
Status FrameFromPNG(const PNGPicture& picture, const PNGImportOptions& options,
                    const Palette& palette, cDIBSection& colour, cDIBSection& data);

struct PNGImportJob {
  std::vector<std::string> frames;  // PNG files, first frame first
  std::string slx_path;             // ".slx" is added to a name without extension
  std::string slp_path;             // empty: no SLP
  int32_t center_x = 0;             // every frame's hot spot
  int32_t center_y = 0;
  // A sprite sheet's list (tools/SheetList.h): frames then holds the one
  // sheet picture, cut into the list's rectangles, each frame with the
  // list's hot spot instead of center_x, center_y.
  std::string sheet_list;
  PNGImportOptions options;
};

// Reads every frame (or the sheet and its list, both before anything is
// written), writes title_NNN.png and title_NNNd.png beside the SLX
// file, the SLX file, and then the SLP file when one is named. Progress
// hears "Importing frame " + i. A failure says "Error importing frames!"
// and which file and why; no SLX file is written then. No file written may
// be one of the frames read.
Status ImportPNGFrames(const PNGImportJob& job, const Palette& palette,
                       const ProgressSink& progress = {});

}  // namespace zorv
