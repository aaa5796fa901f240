// The SLX graphic: a text file listing, per frame, a hot spot and the names
// of a colour bitmap and a data bitmap lying beside it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "codec/Palettes.h"
#include "common/Status.h"

namespace zorv {

// The colours of a data bitmap, one per kind of pixel.
inline constexpr ColourValue kDataTransparent = RGBColour(255, 0, 255);
inline constexpr ColourValue kDataNormal = RGBColour(255, 255, 255);
inline constexpr ColourValue kDataPlayer = RGBColour(0, 255, 0);
inline constexpr ColourValue kDataShadow = RGBColour(255, 0, 0);
inline constexpr ColourValue kDataPlayerOutline = RGBColour(0, 0, 255);
inline constexpr ColourValue kDataBlackOutline = RGBColour(255, 255, 0);

inline constexpr const char* kSLXHeader = "SLX 0.5";

struct SLXFrame {
  std::string ColourFile;  // relative to the SLX file's folder
  std::string DataFile;
  int32_t CenterX = 0;
  int32_t CenterY = 0;
};

struct SLXGraphic {
  std::string Path;
  int32_t FrameCount = 0;
  std::vector<SLXFrame> Frames;  // Frames[0] is frame 1
  // Editing values of the editor; not stored in the file.
  int32_t CurrentFrame = 1;
  int32_t AnimateFirst = 1;
  int32_t AnimateLast = 0;

  // Frame i counted from 1.
  SLXFrame& Frame(int32_t i) { return Frames.at(static_cast<size_t>(i - 1)); }
  const SLXFrame& Frame(int32_t i) const { return Frames.at(static_cast<size_t>(i - 1)); }
  // Full paths of frame i's bitmaps: the SLX file's folder + the names.
  std::string ColourPath(int32_t i) const;
  std::string DataPath(int32_t i) const;
};

// The graphic the editor, auto-generation, "Convert to SLP" and the package
// compiler work on.
SLXGraphic& CurrentSLX();

// What the editor window does when a graphic is loaded for it. Attached by
// the editor; without one loading only fills the current graphic.
class SLXLoadListener {
 public:
  virtual ~SLXLoadListener() = default;
  // Before the frames are read, when the editor is to be shown: show it and
  // reset its frame slider to 1..frame_count without running its handler.
  virtual void ShowEditor(int32_t frame_count) = 0;
  // After all frames are read: the first display of the new graphic.
  virtual void FirstDisplay() = 0;
};
void SetSLXLoadListener(SLXLoadListener* listener);

// The text of an SLX file. Rejects anything that is not a whole SLX file:
// a wrong first line, a count that is not a number or is negative, fewer
// lines than the count announces, a hot-spot line without two numbers.
Status ParseSLX(std::string_view text, SLXGraphic& graphic);

// The SLX file text of a graphic, lines ended by CR LF.
std::string FormatSLX(const SLXGraphic& graphic);

// Reads the file into the current graphic. An unrecognised file is reported
// ("Unrecognised file format!") and leaves the current graphic as it was.
bool LoadSLX(const std::string& path, bool show_editor);

// Writes the graphic to its own Path, replacing the file only once the new
// one is complete; a failure is reported and gives false.
bool SaveSLX(const SLXGraphic& graphic);

}  // namespace zorv
