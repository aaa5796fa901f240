// Game archives and folders of loose files: extracting files as ID.TYPE
// ("1234.slp") and building an archive back from such a folder.
//
// Names are made from the type and the id alone, never from bytes of the
// archive, and a type is 1 to 4 lower-case letters or digits (the reader
// refuses any other), so every name stays inside the folder. A negative
// id keeps its sign: "-5.slp".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/DRSArchive.h"
#include "archive/DRSWriter.h"
#include "common/Progress.h"
#include "common/Status.h"

namespace zorv {

// "1234.slp" for the slp file 1234.
std::string DRSFileName(std::string_view type, int32_t id);

struct DRSSelectedFile {
  std::string Type;
  DRSFile File;
};

// The files of the archive to extract, tables in their order: every file,
// or those of the ids asked for. type, when not empty, keeps to one table.
// An id asked for that is not there fails, naming it; nothing is chosen.
Status SelectDRSFiles(const DRSArchive& archive, const std::vector<int32_t>& ids,
                      std::string_view type, std::vector<DRSSelectedFile>& selected);

struct DRSExtractOptions {
  bool Replace = false;  // replace files of the same names in the folder
  // The file name of each file in the folder; DRSFileName when not set.
  std::function<std::string(const DRSSelectedFile& file)> NameOf;
  // Called after each file is written, with its path.
  std::function<void(const std::string& path, const DRSSelectedFile& file)> Written;
};

// Writes each selected file of the archive at archive_path as
// folder/ID.TYPE, making the folder when it is missing. Before anything is
// written, a name already taken in the folder (by a file, a folder or a
// link, even a dangling one) is refused unless options.Replace; a link is
// then replaced as a link, never written through. Holds one block of a
// file at a time.
Status ExtractDRSFiles(const std::string& archive_path, const std::vector<DRSSelectedFile>& files,
                       const std::string& folder, const DRSExtractOptions& options,
                       const ProgressSink& progress = {});

// The archive a folder of ID.TYPE files makes: one table per type, tables
// by type name, each file read from its file when the archive is written.
// Only the folder's own regular files count. Names that are not an id and
// a type (no number before the dot, no dot, hidden files) and sub-folders
// are left out and listed in skipped. A name that is an id and a type but
// cannot be one (an id outside 32 bits, a type that is no archive type, the
// same id and type twice as in "12.slp" and "012.slp") fails: the
// folder's files would not all go in.
Status ReadDRSFolder(const std::string& folder, DRSArchiveSource& source,
                     std::vector<std::string>& skipped);

}  // namespace zorv
