// The package compiler: turns a mod project into one MPI package holding
// the title, the readme text, a directory and every resource's bytes, SLX
// graphics converted to SLP and BMP icons to icon row data on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/Progress.h"
#include "project/ModProject.h"

namespace zorv {

inline constexpr const char* kMsgReadmeRequired = "Readme file required!";

// Resource bytes are copied through one buffer of this size, block by block.
inline constexpr size_t kPackageCopyBlock = 64000;

// The folder of the compiler's temporary files: the one named by TEMP, or
// the system's temporary folder when TEMP is not set. Ends in a separator.
std::string TemporaryFolder();

// Where the resource at list position (1-based, readme resources counted)
// is converted to: "slx2slp_" + position + ".slp" in TemporaryFolder().
std::string TemporaryResourcePath(int32_t position);

// Writes the package for project at package_path.
//
// progress hears "Initialising project file" and then "Adding file " + Name
// with the fraction (i - 1) / ResourceCount for each packaged resource i.
// file_progress hears the frames of each SLX conversion; a window shows its
// file part from then until the next "Adding file".
//
// Failures are reported to the user and give false:
// - no readme text: "Readme file required!", leaving an empty file at
//   package_path;
// - a resource that cannot be converted or read, that is too large for the
//   package, or a title or readme too long for it: a message naming the
//   resource (or the title or readme); any package already at package_path
//   stays as it was.
// Temporary files are removed in every case.
bool CompileMPI(const ModProject& project, const std::string& package_path,
                const ProgressSink& progress = {}, const ProgressSink& file_progress = {});

}  // namespace zorv
