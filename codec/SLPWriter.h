// Writing SLP files (the writer of module SLXCode): frames in memory coded
// as the bytes of an SLP file, SLX graphics converted into SLP files, and
// BMP icons into icon row data. The palette is the caller's: the editor and
// the package compiler pass the built-in one.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "codec/DIBSection.h"
#include "codec/FrameBitmaps.h"
#include "codec/Palettes.h"
#include "codec/RunEncoder.h"
#include "codec/SLX.h"
#include "common/Progress.h"
#include "common/Status.h"

namespace zorv {

inline constexpr const char* kMsgMissingBMPs =
    "ERROR: Unable to find all BMPs from the SLX! SLP will be corrupted...";
inline constexpr const char* kMsgErrorConvertingFrame = "Error converting frame to SLP!";
inline constexpr const char* kMsgErrorWritingSLP = "Error writing SLP file!";
inline constexpr const char* kMsgErrorConvertingIcon = "Error converting icon!";

// "Error converting frame 3 to SLP!": a run that ends its row cannot be coded.
std::string ErrorConvertingFrameText(int32_t frame);
// "Error in frame 3: colour and data bitmap files do not match!"
std::string FramesDoNotMatchText(int32_t frame);

// Codes frames (frames[0] is frame 1) as the bytes of an SLP file in the
// layout the writer always uses: header, frame table, all row edge tables,
// all command offset tables, then the rows. Progress hears "Converting
// frame " + i as step i before frame i is coded. A frame that cannot be
// coded fails with the message that names it, and bytes stays empty.
Status EncodeSLP(std::span<const FrameBitmaps> frames, const Palette& palette,
                 std::string& bytes, const ProgressSink& progress = {});

// The same frames written as an SLP file at slp_path, row by row as they
// are coded; a failure leaves no file there (an existing one stays as it
// was).
Status WriteSLP(std::span<const FrameBitmaps> frames, const Palette& palette,
                const std::string& slp_path, const ProgressSink& progress = {});

// Converts graphic into an SLP file at slp_path. Every frame's bitmaps are
// checked (present, readable, of one size) before any frame is coded, and
// loaded once. Progress hears "Converting frame " + i as step i of the
// frame count before frame i is coded. A failure gives the message that
// says what stopped it ("ERROR: Unable to find all BMPs from the SLX! SLP
// will be corrupted...", "Error in frame 2: colour and data bitmap files do
// not match!", ...) and the detail, and leaves no SLP file at slp_path (an
// existing one stays as it was).
Status ConvertSLXToSLP(const SLXGraphic& graphic, const std::string& slp_path,
                       const Palette& palette, const ProgressSink& progress = {});
// The same with the caller's encoder (and its palette), whose matches of
// colours carry over from graphic to graphic: a batch keeps one per thread.
Status ConvertSLXToSLP(const SLXGraphic& graphic, const std::string& slp_path,
                       SLPRunEncoder& encoder, const ProgressSink& progress = {});

// Icon row data of a bitmap: flags, width, height, row offsets, then each
// row's pixels as normal pixels and the end-of-row byte.
std::string EncodeIcon(const cDIBSection& bitmap, int32_t icon_flags, const Palette& palette);

// Codes the BMP file as icon row data at output_path. A failure says "Error
// converting icon!" and why, and leaves no output.
Status ConvertBMPToIcon(const std::string& bmp_path, const std::string& output_path,
                        int32_t icon_flags, const Palette& palette);

}  // namespace zorv
