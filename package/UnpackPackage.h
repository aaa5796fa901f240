// Unpacking an MPI package into a folder: the readme, every entry as a
// file and a mod project (.mpr) that compiles back into the package.
#pragma once

#include <string>
#include <vector>

#include "common/Progress.h"
#include "common/Status.h"

namespace zorv {

inline constexpr const char* kMsgErrorUnpacking = "Error unpacking package!";

struct UnpackOptions {
  // Write into a folder that holds files already, replacing those of the
  // same names. Without it such a folder is refused.
  bool force = false;
};

struct UnpackResult {
  std::string ProjectPath;
  // Every file written into the folder, the project last, by name.
  std::vector<std::string> Files;
  // Each way in which compiling the project will not give the package's
  // bytes (an SLX whose SLP comes out coded differently, an icon whose
  // colours the palette cannot tell apart, ...). Empty when the compile
  // gives the same bytes.
  std::vector<std::string> Differences;
};

// Unpacks the package at package_path into folder (made when missing):
// the readme text as readme.txt, each entry's bytes as a file named by its
// id (1234.slp, 1234.wav, 1234.bin) or, for other files, by the game file
// they go into (language.dll), an SLX entry also as an SLX graphic
// converted from its SLP (1234.slx with its frame bitmaps), an icon as a
// BMP rebuilt through the built-in palette (1234.bmp), and last the project
// named after the package (castle.mpi gives castle.mpr), whose resources
// name those files by their full paths.
//
// Everything is written first into a new folder inside folder and moved
// into place only once every entry has been written and checked, the
// project last: a failure leaves folder as it was. A folder that holds
// files already is refused unless options.force; nothing is ever written
// outside folder, nor over the package itself.
//
// A failure says "Error unpacking package!", then what is wrong (a damaged
// package, an entry that cannot be unpacked, a file that cannot be
// written). Progress hears "Unpacking entry " + i as step i of the entry
// count.
Status UnpackPackage(const std::string& package_path, const std::string& folder,
                     const UnpackOptions& options, UnpackResult& result,
                     const ProgressSink& progress = {});

}  // namespace zorv
