// The package compiler: turns a mod project into one MPI package holding
// the title, the readme text, a directory and every resource's bytes, SLX
// graphics converted to SLP and BMP icons to icon row data on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "codec/SLX.h"
#include "common/Progress.h"
#include "common/Status.h"
#include "project/ModProject.h"

namespace zorv {

inline constexpr const char* kMsgReadmeRequired = "Readme file required!";

// Resource bytes are copied through one buffer of this size, block by block.
inline constexpr size_t kPackageCopyBlock = 64000;

// The folder the compiler's temporary folders go into: the one named by
// TEMP, or the system's temporary folder when TEMP is not set. Ends in a
// separator.
std::string TemporaryFolder();

// The name the resource at list position (1-based, readme resources
// counted) is converted to: "slx2slp_" + position + ".slp". Each compile
// keeps these in a new folder of its own inside TemporaryFolder(), so that
// compiles running at the same time never share a file.
std::string TemporaryResourceName(int32_t position);

// Hears each SLX graphic the compiler has loaded, before it is converted.
using SLXLoaded = std::function<void(const SLXGraphic&)>;

// Writes the package for project at package_path.
//
// progress hears "Initialising project file" (step 0) and then "Adding
// file " + Name as step i of ResourceCount for each packaged resource at
// list position i; while an SLX graphic is converted, its frames as steps
// of level 1. slx_loaded hears every SLX graphic as it is loaded.
//
// A failure comes back with its message first:
// - no readme text: "Readme file required!", leaving an empty file at
//   package_path;
// - a resource that cannot be converted: the converter's message and
//   detail, then the resource that stopped the compile;
// - a resource that cannot be read, that is too large for the package, or
//   a title or readme too long for it: a message naming the resource (or
//   the title or readme).
// Any package already at package_path stays as it was. Temporary files are
// removed in every case.
Status CompileMPI(const ModProject& project, const std::string& package_path,
                  const ProgressSink& progress = {}, const SLXLoaded& slx_loaded = {});

}  // namespace zorv
