// Where the entries of a package go in the game: replace targets 0 to 4
// name the game's archives in its data folder, and an entry's kind names
// the table of the archive it goes into.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/Status.h"

namespace zorv {

// The highest replace target that is an archive (0 gamedata ... 4 terrain).
inline constexpr int kLastArchiveTarget = 4;

// "gamedata.drs" ... "terrain.drs" for targets 0 to 4, "" for any other.
std::string GameArchiveName(int target);

// The target whose archive has this file name, compared without letter
// case ("GRAPHICS.DRS" is 1), or nothing.
std::optional<int> GameArchiveTarget(const std::string& file_name);

// The table an entry of this kind goes into: "slp" for SLP (1) and SLX (4,
// whose package bytes are SLP), "wav" for WAV (2), "bina" for BIN (3);
// "" for kinds that go into no archive.
std::string ArchiveTableOfKind(uint8_t kind);

// The name under which the archive of target is found in data_dir: the
// lower-case name when it exists, else the one file whose name differs
// from it only in letter case (an install copied from another system
// may have GRAPHICS.DRS). None, or two such files, is a failure.
Status FindGameArchive(const std::string& data_dir, int target, std::string& file_name);

}  // namespace zorv
