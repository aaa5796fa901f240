// A new SLX graphic assembled from loose BMP frames: every frame gets the
// same central point, its bitmap is copied beside the SLX file under its base
// name, and its data bitmap is named for the user to make later.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "codec/SLX.h"
#include "common/Status.h"

namespace zorv {

// The name a frame file goes by: its title (the text between the last folder
// separator and the last "."), as the frame list shows it and as its copy
// and data bitmap are named.
std::string FrameBaseName(std::string_view frame_path);

// The lines of the frame list, one per frame: the base name, and for frames
// whose copies would share a name with another file's (base names that
// differ only in letter case count as the same, as they do on the game's
// system) the end of the folder the file lies in, as many folder names as
// tell those files apart, in brackets: "walk1 (north)", "walk1 (south)".
// The same file added twice gives the same line twice.
std::vector<std::string> FrameListLines(const std::vector<std::string>& frames);

// The picture extension a frame's copy and its data bitmap get: ".png" for a
// frame named *.png (in any case), which stays a PNG; ".bmp" for every other.
std::string FramePictureExtension(std::string_view frame_path);

// The graphic the frames make: one SLX frame per frame file in order, all
// with the central point (center_x, center_y), colour bitmap base name +
// the picture extension, data bitmap base name + suffix + the extension.
SLXGraphic BuildFramesSLX(const std::string& slx_path, const std::vector<std::string>& frames,
                          int32_t center_x, int32_t center_y, const std::string& suffix);

// Whether a folder entry is hidden or a system file, and so does not make
// its folder "not empty". The default takes names starting with "." as
// hidden; the dialog passes the desktop's own rule.
using HiddenEntryTest = std::function<bool(const std::filesystem::path&)>;
bool IsDotHidden(const std::filesystem::path& entry);

// Sets has_files when folder holds an ordinary file: anything but a
// sub-folder, a hidden entry or a system entry (device, pipe or socket).
// Fails when the folder cannot be listed.
Status FolderHoldsOrdinaryFiles(const std::string& folder, bool& has_files,
                                const HiddenEntryTest& hidden = IsDotHidden);

// Copies a file's bytes to destination, replacing it only once the whole
// copy is written; source and destination may be the same file.
Status CopyFileSafely(const std::string& source, const std::string& destination);

struct FramesToSLXJob {
  std::string slx_path;             // where the SLX file goes
  std::vector<std::string> frames;  // frame bitmap paths in frame order
  int32_t center_x = 30;
  int32_t center_y = 30;
  std::string suffix = "data";      // data bitmap name = base name + suffix + ".bmp"
  HiddenEntryTest hidden = IsDotHidden;
};

// The texts that refuse a job before anything is written.
inline constexpr const char* kFolderNotEmptyText =
    "You MUST create the SLX in a completely empty directory! (to avoid getting confused "
    "with existing files, and because it's just good organisation)";
inline constexpr const char* kSLXNamedLikeAFrameText =
    "The SLX file cannot have the same name as a frame bitmap!";
inline constexpr const char* kFramesShareACopyNameText =
    "Two different frame files would be copied to the same file name!";

// Checks that the SLX's folder is empty, copies every frame into it and
// writes the SLX file. Each copy keeps the frame file's base name, so two
// different files of one base name (from different folders, or differing
// only in letter case) are refused rather than one copy replacing the
// other; the same file listed twice is copied once. A refusal
// (kFolderNotEmptyText, kSLXNamedLikeAFrameText, kFramesShareACopyNameText)
// writes nothing; after any other failure the
// copies made so far are removed again (the folder was empty) and no SLX
// file is left.
Status CreateSLXFromFrames(const FramesToSLXJob& job);

}  // namespace zorv
