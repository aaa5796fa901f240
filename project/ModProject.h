// The mod project: a title and an ordered list of resources, each a file on
// disk and the game resource it replaces, stored as a ".mpr" text file.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Status.h"
#include "common/TextLines.h"

namespace zorv {

// What a resource file is; the number is stored in projects and packages.
enum ResourceKind : int16_t {
  KindSLP = 1,   // SLP graphic
  KindWAV = 2,   // WAV sound
  KindBIN = 3,   // BIN data file
  KindSLX = 4,   // SLX graphic (packaged as SLP)
  KindFile = 5,  // any other packaged file: txt, dll, dat, exe
  KindBMP = 6,   // BMP icon (packaged as icon row data)
};

// Short name of a kind ("SLP", "WAV", ...); "kind N" for other numbers.
std::string ResourceKindName(int32_t kind);

// The game files a resource can go into, by index (ReplaceTarget).
inline constexpr std::array<const char*, 13> ReplaceTargets = {
    "gamedata", "graphics", "interfac",    "sounds", "terrain",
    "readme",   "language", "icon",        "language_x1", "genie",
    "genie_x1", "skirmland", "skirmland_x1"};

inline constexpr int16_t kTargetGamedata = 0;
inline constexpr int16_t kTargetGraphics = 1;
inline constexpr int16_t kTargetSounds = 3;
inline constexpr int16_t kTargetReadme = 5;  // the package's readme text
inline constexpr int16_t kTargetLanguage = 6;
inline constexpr int16_t kTargetIcon = 7;
inline constexpr int16_t kTargetGenieX1 = 10;
inline constexpr int16_t kTargetSkirmlandX1 = 12;

// The target's name, or "target N" for an index outside the list.
std::string ReplaceTargetName(int32_t target);
// The index of a target name (exact, lower case), if it is one.
std::optional<int16_t> FindReplaceTarget(std::string_view name);

// IconFlags of a BMP icon: bit i for civilisation i (0..7) plus 256 times
// the icon category.
inline constexpr std::array<const char*, 4> kIconCategories = {"Unit", "Building",
                                                               "Research", "Order"};
inline constexpr int32_t kMaxIconFlags = 1023;
int32_t IconFlagsValue(uint8_t civilisations, int32_t category);
int32_t IconCategory(int32_t icon_flags);
uint8_t IconCivilisations(int32_t icon_flags);

struct ProjectResource {
  std::string Name;
  std::string FilePath;
  int16_t Kind = 0;
  int16_t ReplaceTarget = 0;
  int32_t ResourceID = 0;
  int32_t IconFlags = 0;
};

inline constexpr const char* kProjectHeader = "Mod Project - v0.50";
inline constexpr int16_t kMaxResources = INT16_MAX;

struct ModProject {
  std::string FilePath;
  std::string Title;
  int16_t ResourceCount = 0;
  // Resources[0] is resource 1. With no resources the list still holds one
  // empty slot.
  std::vector<ProjectResource> Resources;

  // Resource i counted from 1 (1..ResourceCount).
  ProjectResource& Resource(int32_t i) { return Resources.at(static_cast<size_t>(i - 1)); }
  const ProjectResource& Resource(int32_t i) const {
    return Resources.at(static_cast<size_t>(i - 1));
  }
  // Before the first New or Open nothing is open and every field is empty.
  bool IsOpen() const { return !FilePath.empty(); }
};

// A new project at path: title "Unnamed", no resources (one empty slot).
ModProject MakeNewProject(const std::string& path);

// The text of the project file, lines ended by CR LF.
std::string FormatProjectFile(const ModProject& project);

// Why a project file could not be read: the first line is not the header
// (Format) or anything else (Read: missing lines, numbers that are not
// numbers or out of range, a negative count, the file unreadable).
enum class ProjectFileError { None, Format, Read };

struct ProjectFileResult {
  ProjectFileError error = ProjectFileError::None;
  std::string reason;  // what exactly was wrong, for a second message line
  bool ok() const { return error == ProjectFileError::None; }
  explicit operator bool() const { return ok(); }
};

// Reads project file text into project (FilePath is left to the caller),
// a line at a time and no further than the last resource. On failure
// project is left as it was.
ProjectFileResult ParseProjectFile(LineSource& lines, ModProject& project);
ProjectFileResult ParseProjectFile(std::string_view text, ModProject& project);

// Reads the file at path into project, FilePath included; on failure
// project is left as it was.
ProjectFileResult LoadProjectFile(const std::string& path, ModProject& project);

// Writes the project to its FilePath, replacing the file only once the new
// one is complete. Refuses texts holding a line break, which would shift
// every later line of the file.
Status SaveProjectFile(const ModProject& project);

// The messages of a failed open, as the user sees them.
inline constexpr const char* kMsgUnrecognisedFormat = "Unrecognised file format!";
inline constexpr const char* kMsgErrorOpeningProject = "Error opening project file!";
inline constexpr const char* kMsgErrorSavingProject = "Error saving project file!";

// File > Open after the dialog: reads path into project. A failure says
// "Unrecognised file format!" or "Error opening project file!", then the
// file and reason, and leaves the open project as it was.
Status OpenProject(const std::string& path, ModProject& project);

// File > Save: writes the project to its FilePath. A failure says "Error
// saving project file!" and why; the file on disk stays as it was.
Status SaveProject(const ModProject& project);

// File > New after the dialog: a new project saved at path at once. When it
// cannot be saved the failure says so and project stays as it was.
Status NewProject(const std::string& path, ModProject& project);

}  // namespace zorv
