// The names an unpacked package's files get. They are made from the
// entry's numbers alone (its id, kind and target), never from bytes of the
// package, so no name can hold a separator or lead out of the folder.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "package/MPIPackage.h"

namespace zorv {

// The file the readme text is written to.
inline constexpr const char* kUnpackedReadmeName = "readme.txt";

// The extension (without the dot) of the file an entry's bytes are written
// as: slp, wav and bin for kinds 1 to 3, slp for an SLX entry (whose SLX
// goes beside it), bmp for an icon; other files (kind 5) by the game file
// they go into, as importing such a file would give that target: dll for
// the language files, dat for genie, exe for skirmland, txt for a readme,
// bin for the rest. Kinds the program does not know are written as bin.
std::string UnpackedExtension(const MPIEntry& entry);

// The file title (name without extension): the target's name for a kind 5
// entry whose target has an extension of its own ("language_x1"), else the
// id in decimal ("1234", "-5"), whose leading number is the id again when
// the file is imported.
std::string UnpackedTitle(const MPIEntry& entry);

// Hands out file names that no earlier call gave: a title taken already
// gets "-2", "-3", ... ("1234-2.slp"), which keeps its leading number.
// Names are compared in lower case, as a folder on a case-blind file
// system would.
class UnpackedNames {
 public:
  // Reserves a whole name (the readme, the project).
  void Reserve(const std::string& name);
  // A new name title[-k].extension; the chosen title is given back too.
  std::string Take(const std::string& title, const std::string& extension,
                   std::string* chosen_title = nullptr);

 private:
  std::set<std::string> taken_;
};

}  // namespace zorv
