// The operations on a project's resource list: importing a file as an
// entry, removing and moving entries, the list lines, and the rules of the
// name and ID boxes. The main window asks the questions and shows the
// results; these only change the ModProject.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Status.h"
#include "project/ModProject.h"

namespace zorv {

inline constexpr const char* kMsgUnrecognisedExtension = "Unrecognised file extension!";

// The entry a file becomes when imported, decided by its extension (any
// letter case): name = the lower-case file title, kind, replace target and
// resource ID by the import table. Nothing for an extension outside it.
std::optional<ProjectResource> ResourceForFile(const std::string& path);

// "Add new": appends the entry for path; number becomes its number (the new
// ResourceCount). An unknown extension fails ("Unrecognised file
// extension!" and the file) with the project unchanged, as does a project
// already holding the most resources a project file can count.
Status ImportResource(ModProject& project, const std::string& path, int16_t& number);

// Removes entry current (1-based) and returns the entry to select next: the
// one that followed, or the new last one when the last was removed; 0 when
// the list is now empty. A current outside the list changes nothing.
int16_t RemoveResource(ModProject& project, int16_t current);

enum class MoveDirection { Up, Down };

// Swaps entry current with its neighbour and returns the moved entry's new
// number. A move past either end changes nothing and returns current.
int16_t MoveResource(ModProject& project, int16_t current, MoveDirection direction);

// When the buttons are enabled for the selected entry current.
bool CanMoveUp(const ModProject& project, int16_t current);
bool CanMoveDown(const ModProject& project, int16_t current);
bool CanRemoveResource(const ModProject& project, int16_t current);

// "[" + Name + "]".
std::string ResourceListLine(const ProjectResource& resource);
// The lines of the list box, entry 1 first.
std::vector<std::string> ResourceListLines(const ModProject& project);

// The name box: stores name as the entry's Name when it differs; true when
// it changed (the list is then refilled).
bool RenameResource(ModProject& project, int16_t current, const std::string& name);

// The ID box: the floor of the text's leading number, nothing when that lies
// outside the 32-bit range (the ID then stays as it was).
std::optional<int32_t> ResourceIDFromText(std::string_view text);

// The ID box changed: sets ResourceID from the text when it is in range.
void ResourceIDTextChanged(ProjectResource& resource, std::string_view text);

// The ID box lost the focus: sets ResourceID as when it changed and returns
// the text the box shows from now on (the plain decimal of the ID).
std::string ResourceIDTextLeft(ProjectResource& resource, std::string_view text);

}  // namespace zorv
