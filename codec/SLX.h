// The SLX graphic: a text file listing, per frame, a hot spot and the names
// of a colour bitmap and a data bitmap lying beside it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "codec/DataColours.h"
#include "common/Status.h"
#include "common/TextLines.h"

namespace zorv {

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

  // Frame i counted from 1.
  SLXFrame& Frame(int32_t i) { return Frames.at(static_cast<size_t>(i - 1)); }
  const SLXFrame& Frame(int32_t i) const { return Frames.at(static_cast<size_t>(i - 1)); }
  // Full paths of frame i's bitmaps: the SLX file's folder + the names.
  std::string ColourPath(int32_t i) const;
  std::string DataPath(int32_t i) const;
};

// The full path a frame file name leads to when a file is to be written
// through it. Names come from the SLX file, which may come from anyone: a
// name that is absolute, that has a ".." part (with either separator), or
// that leads out of the SLX file's folder through a link is refused, so that
// nothing outside the folder (or its subfolders) is ever written. Reading a
// frame through such a name stays allowed.
Status FramePathForWriting(const SLXGraphic& graphic, const std::string& name,
                           std::string& path);

// The text of an SLX file. Rejects anything that is not a whole SLX file:
// a wrong first line, a count that is not a number or is negative, fewer
// lines than the count announces, a hot-spot line without two numbers.
// Lines are read only as far as the frames the count announces.
Status ParseSLX(LineSource& lines, SLXGraphic& graphic);
Status ParseSLX(std::string_view text, SLXGraphic& graphic);

// The SLX file text of a graphic, lines ended by CR LF.
std::string FormatSLX(const SLXGraphic& graphic);

inline constexpr const char* kMsgUnrecognisedSLX = "Unrecognised file format!";
inline constexpr const char* kMsgErrorSavingSLX = "Error saving SLX file!";

// Reads the SLX file at path into graphic, Path included. A file that is
// not an SLX file fails with "Unrecognised file format!" and the reason,
// and leaves graphic as it was. The frame files are not looked at.
Status LoadSLX(const std::string& path, SLXGraphic& graphic);

// Writes the graphic to its own Path, replacing the file only once the new
// one is complete; a failure says "Error saving SLX file!" and why.
Status SaveSLX(const SLXGraphic& graphic);

}  // namespace zorv
