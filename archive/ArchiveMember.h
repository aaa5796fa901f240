// Naming one file inside a game archive where a command takes a file name:
// "graphics.drs:1234" is the file of id 1234 in graphics.drs.
//
// The rule, so that real file names keep working: a name that is an
// existing file (or folder) is that file, whatever colons it holds. Only
// otherwise, when the text after the last colon is a decimal id (an
// optional minus and digits, within 32 bits) and the text before it names
// an existing regular file, does the name stand for a member of that
// archive. "C:\x.slp" is never a member (no id after its colon), and a
// file really named "a:1" is read as itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/Status.h"

namespace zorv {

struct ArchiveMemberName {
  std::string Archive;  // the archive's path, as written
  int32_t ID = 0;
};

// The id written in text: an optional minus and 1 to 10 digits, within
// int32, nothing else. No file system access.
std::optional<int32_t> ParseArchiveID(std::string_view text);

// The member a name stands for by the rule above, or nothing when it names
// a plain file (or nothing at all). Looks at the file system.
std::optional<ArchiveMemberName> ArchiveMemberOf(std::string_view name);

// "archive:id", as the user wrote it.
std::string ArchiveMemberText(const ArchiveMemberName& member);

// The bytes of the file of the type ("slp", "bina", ...) and id in the
// archive. Fails with the archive's damage, naming the id and type that the
// archive does not hold, or on a file larger than max_bytes (before it is
// read).
Status ReadArchiveMember(const ArchiveMemberName& member, std::string_view type,
                         std::string& bytes, uint64_t max_bytes = UINT64_MAX);

}  // namespace zorv
