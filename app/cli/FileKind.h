// What kind of file `zorv info` is looking at, told by the file's first
// bytes so that a missing or wrong extension does not matter, and by the
// extension when the bytes say nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zorv::cli {

enum class FileKind { Unknown, SLP, SLX, MPR, MPI, BMP, PAL, DRS };

// "SLP", "SLX", "MPR", "MPI", "BMP", "PAL", "DRS" ("" for Unknown).
const char* FileKindName(FileKind kind);

// How many bytes from the start of a file KindByContent needs at most.
inline constexpr size_t kKindSignatureBytes = 64;

// The kind the file's first bytes (at most kKindSignatureBytes of them)
// show, given the file's whole size. The text kinds and MPI have fixed
// first lines or bytes, BMP its "BM"; an SLP has no magic, so it is taken
// for one when its version looks like "2.0N" and its frame table fits in
// the file. A game archive (DRS) is told by the version number at byte 40
// of its 64-byte header.
FileKind KindByContent(std::string_view start, uint64_t file_size);

// The kind the extension of the path names, in any letter case.
FileKind KindByExtension(const std::string& path);

}  // namespace zorv::cli
