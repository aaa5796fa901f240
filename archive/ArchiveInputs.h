// Sprites and palettes named either as files or as files inside a game
// archive ("graphics.drs:1234", see ArchiveMember.h): the conversions read
// an archive's sprite from the slp table and its palette (JASC-PAL text)
// from the bina table, holding that one file in memory.
#pragma once

#include <string>

#include "codec/ExportFrames.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "common/Progress.h"
#include "common/Status.h"

namespace zorv {

// ConvertSLPToSLX of a file or of an archive's slp file.
Status ConvertSLPInputToSLX(const std::string& input, const std::string& slx_path,
                            const Palette& palette, FrameFileFormat format,
                            const ProgressSink& progress = {});

// ExportSLPFrames of a file or of an archive's slp file.
Status ExportSLPInputFrames(const std::string& input, const std::string& folder,
                            const std::string& title, const Palette& palette,
                            const ExportSettings& settings, const ProgressSink& progress = {});

// LoadPalette of a file (empty: the built-in palette) or of an archive's
// bina file. A failure says "Not valid palette file!" and why.
Status LoadPaletteInput(const std::string& input, Palette& palette);

}  // namespace zorv
