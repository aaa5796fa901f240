// Auto-generation of data bitmaps: derives a frame's data bitmap from its
// colour bitmap by colour rules, optionally cropping the frame to its
// content and drawing outlines around it.
//
// The work is split in two layers. GenerateFrameBitmaps and the passes it
// is made of work on bitmaps in memory. GenerateDataBitmap runs them on one
// frame of an SLX graphic: it loads the colour bitmap, moves hot spots and
// writes the files when saving, and says where the editor's views go; it
// touches no window itself.
#pragma once

#include <cstdint>
#include <functional>

#include "autogen/ColourRules.h"
#include "codec/DIBSection.h"
#include "codec/DataColours.h"
#include "codec/Palettes.h"
#include "codec/SLX.h"
#include "common/Progress.h"
#include "common/Status.h"

namespace zorv {

// The shadow colour of a graphic that has no shadow.
inline constexpr ColourValue kNoShadow = -1;
// Blank pixels kept around the content when cropping.
inline constexpr int32_t kCropMargin = 2;
inline constexpr int32_t kMaxPlayerTolerance = 50;
inline constexpr int32_t kMaxShadowTolerance = 300;

inline constexpr const char* kMsgErrorSavingBitmap = "Error saving bitmap!";

// The settings of one run. The defaults are those the dialog starts with.
struct AutoGenOptions {
  int32_t Frame = 1;                                 // 1-based
  ColourValue MaskColour = kMagenta;                 // background of the colour bitmap
  ColourValue ShadowColour = RGBColour(255, 0, 0);   // or kNoShadow
  bool Outlines = true;
  bool AutoCrop = true;
  bool PlayerColours = true;
  ColourValue PlayerColour = RGBColour(0, 0, 255);
  int32_t PlayerTolerance = 15;                      // hue degrees, 0..50
  bool Save = false;                                 // false: preview only
  bool FixPurple = false;                            // magenta is background too when cropping
  int32_t ShadowTolerance = 0;                       // summed channel difference, 0..300
};

// Colours outside 0..0xFFFFFF (other than kNoShadow for the shadow) and
// tolerances outside their ranges are refused.
Status CheckAutoGenOptions(const AutoGenOptions& options);

// ---- In memory -----------------------------------------------------------

// The smallest rectangle holding every pixel that is not background.
struct ContentBounds {
  bool Found = false;  // false when the whole bitmap is background
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;   // inclusive
  int32_t Bottom = 0;  // inclusive
};

// Background is the mask colour exactly and, with fix_purple, magenta.
ContentBounds FindContentBounds(const cDIBSection& colour, ColourValue mask,
                                bool fix_purple);

// Writes the kind of every pixel of colour into data (same size), first
// rule that applies: mask colour -> transparent, within the shadow
// tolerance -> shadow, a player shade -> player colour, else normal.
void ClassifyPixels(const cDIBSection& colour, cDIBSection& data,
                    const AutoGenOptions& options);

// The two outline passes over a data bitmap, in place: transparent pixels
// next to a solid pixel (4 direct neighbours) become player-colour outline,
// then transparent pixels with a player-colour outline pixel in their 3 x 3
// block become black outline. Pixels of other colours neither change nor
// count as solid.
void AddOutlines(cDIBSection& data);

// One frame's bitmaps after generation, with the hot spot that goes with
// them.
struct GeneratedFrame {
  cDIBSection Colour;  // cropped when Cropped, else the input unchanged
  cDIBSection Data;
  bool Cropped = false;
  int32_t CenterX = 0;
  int32_t CenterY = 0;
};

// Runs crop (when asked; fix purple implies it), classification and
// outlines on a colour bitmap whose hot spot is (center_x, center_y).
// A cropped frame is its content plus kCropMargin on every side, the new
// area filled with the mask colour; a frame that is all background becomes
// 1 x 1 with the hot spot (0, 0). Fails only for a bitmap too large to
// hold its margin.
Status GenerateFrameBitmaps(cDIBSection colour, const AutoGenOptions& options,
                            int32_t center_x, int32_t center_y, GeneratedFrame& out);

// ---- On a frame of an SLX graphic ----------------------------------------

struct ViewPoint {
  int32_t X = 0;
  int32_t Y = 0;
  bool operator==(const ViewPoint&) const = default;
};

// Where the editor pins each view's hot spot, in its client area.
struct ViewAnchors {
  ViewPoint ColourAnchor;
  ViewPoint DataAnchor;
  bool operator==(const ViewAnchors&) const = default;
};

// The top-left corner that puts a frame's hot spot (center_x, center_y) on
// anchor, kept within the 32-bit range.
ViewPoint PlaceOnAnchor(ViewPoint anchor, int32_t center_x, int32_t center_y);

// What the editor does with its two views once a frame is generated: give
// both the new size, show the result's bitmaps at their top left, and, when
// Move is set (the hot spot was moved because the frame was cropped and
// saved), put their top-left corners at the points given so that the new
// hot spot lies on each anchor. Otherwise the views keep their position.
struct ViewPlacement {
  int32_t Width = 0;
  int32_t Height = 0;
  bool Move = false;
  ViewPoint ColourView;
  ViewPoint DataView;
};

struct AutoGenResult {
  int32_t Frame = 0;        // the frame processed; the editor's slider ends here
  // Ok when everything asked for was done; otherwise what went wrong, with
  // Generated, Saved and HotSpotsMoved saying how far it got.
  Status status = Status::Ok();
  bool Generated = false;   // the bitmaps below hold the result
  bool Saved = false;       // both bitmaps and the SLX file were written
  bool Cropped = false;
  bool HotSpotsMoved = false;  // frames sharing the colour bitmap took the new hot spot
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t CenterX = 0;      // the hot spot that goes with the new bitmaps
  int32_t CenterY = 0;
  cDIBSection ColourBitmap;
  cDIBSection DataBitmap;
  ViewPlacement Views;
};

// Generates the data bitmap of options.Frame of graphic.
//
// The editor, before calling, sets its frame slider to options.Frame; when
// the result was generated it shows that frame, then the result's bitmaps
// placed as result.Views says.
//
// When saving: every frame whose ColourFile equals this frame's takes the
// new hot spot (only when cropped), and both bitmaps and the SLX file are
// written as one change: all three are replaced, or (after any failure)
// none is and graphic keeps its hot spots. A preview writes nothing and
// moves no hot spot.
//
// Failures come back in result.status and leave the frame as it was:
// settings out of range, a frame number outside the graphic, a colour
// bitmap that is missing, unreadable or larger than a frame may be, frame
// file names that lead outside the SLX file's folder, two of the three
// files that are one file, a failed write.
AutoGenResult GenerateDataBitmap(SLXGraphic& graphic, const AutoGenOptions& options,
                                 const ViewAnchors& anchors = {});

// How "apply to animation" went as a whole.
struct AutoGenBatch {
  int32_t Done = 0;    // frames generated and written
  int32_t Failed = 0;  // frames that failed (each left as it was)
  // Ok, or why the SLX file could not be written at the end; every frame
  // was then put back as it was, files and hot spots.
  Status status = Status::Ok();
};

// Hears each frame's result as soon as its bitmaps are written; gives
// whether to go on with the next frame.
using AutoGenFrameDone = std::function<bool(const AutoGenResult&)>;

// "Apply to animation": every frame from 1 to the frame count in turn, each
// frame's bitmaps written as it is done and the SLX file once at the end,
// so that the work grows with the number of frames and no faster. Progress
// hears "Generating frame " + i as step i before frame i. A frame that
// fails is left as it was and counted; each frame's result is handed to
// each, which may stop the run (the frames done stay done). When the SLX
// file cannot be written at the end, every frame's files are put back.
AutoGenBatch GenerateAllDataBitmaps(SLXGraphic& graphic, AutoGenOptions options,
                                    const ProgressSink& progress = {},
                                    const AutoGenFrameDone& each = {},
                                    const ViewAnchors& anchors = {});

}  // namespace zorv
