// GenerateDataBitmap: auto-generation of one frame of an SLX graphic, from
// its colour bitmap file to the written files and the placement of the
// editor's views.
#include "autogen/AutoGen.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "codec/BitmapPNG.h"
#include "codec/FrameBitmaps.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "common/FileTransaction.h"
#include "common/Functions.h"

namespace zorv {
namespace {

// Whether two paths name one file: the same text, or an existing file
// reached both ways (a link, another spelling, a second hard link).
bool SameFile(const std::string& a, const std::string& b) {
  const std::string native_a = NativePath(a), native_b = NativePath(b);
  if (native_a == native_b) return true;
  std::error_code ec;
  return std::filesystem::equivalent(native_a, native_b, ec) && !ec;
}

// The frames that list each colour bitmap, by the name the SLX file gives.
using SharingFrames = std::unordered_map<std::string, std::vector<int32_t>>;

SharingFrames IndexColourFiles(const SLXGraphic& graphic) {
  SharingFrames sharing;
  for (size_t i = 0; i < graphic.Frames.size(); ++i)
    sharing[graphic.Frames[i].ColourFile].push_back(static_cast<int32_t>(i + 1));
  return sharing;
}

void MoveHotSpots(SLXGraphic& graphic, const std::vector<int32_t>& frames, int32_t x, int32_t y) {
  for (int32_t frame : frames) {
    graphic.Frame(frame).CenterX = x;
    graphic.Frame(frame).CenterY = y;
  }
}

// Checks the settings and the frame number, loads the colour bitmap and
// generates; result says what went wrong, or holds the result's size and
// hot spot.
bool Generate(const SLXGraphic& graphic, const AutoGenOptions& options,
              GeneratedFrame& generated, AutoGenResult& result) {
  result.Frame = options.Frame;
  if (Status checked = CheckAutoGenOptions(options); !checked) {
    result.status = Status::Fail("Cannot generate data: " + checked.message() + ".");
    return false;
  }
  const int32_t frame_count =
      std::min<int64_t>(graphic.FrameCount, static_cast<int64_t>(graphic.Frames.size()));
  if (options.Frame < 1 || options.Frame > frame_count) {
    result.status = Status::Fail("Cannot generate data for frame " + NumberText(options.Frame) +
                                 ": the graphic has " + NumberText(frame_count) +
                                 (frame_count == 1 ? " frame." : " frames."));
    return false;
  }
  const SLXFrame& frame = graphic.Frame(options.Frame);
  const std::string colour_path = graphic.ColourPath(options.Frame);
  cDIBSection colour;
  if (Status loaded = LoadFrameBitmap(colour_path, colour); !loaded) {
    // The reason names the bitmap already; the path is given once.
    result.status = Status::Fail("Cannot read the colour bitmap of frame " +
                                 NumberText(options.Frame) + ".\n" +
                                 AboutFile(colour_path, loaded.message()) +
                                 "\nThe frame was left as it was.");
    return false;
  }
  if (Status made = GenerateFrameBitmaps(std::move(colour), options, frame.CenterX,
                                         frame.CenterY, generated);
      !made) {
    result.status = Status::Fail("Cannot generate data for frame " + NumberText(options.Frame) +
                                 ": " + made.message() + ".");
    return false;
  }
  result.Generated = true;
  result.Cropped = generated.Cropped;
  result.Width = generated.Colour.Width();
  result.Height = generated.Colour.Height();
  result.CenterX = generated.CenterX;
  result.CenterY = generated.CenterY;
  return true;
}

// Writes out both new bitmaps of frame_number beside the files they are to
// replace, after checking that both may be written: inside the SLX file's
// folder, neither of them the other, and neither of them the SLX file.
Status StageBitmaps(const SLXGraphic& graphic, int32_t frame_number,
                    const GeneratedFrame& generated, FileTransaction& transaction) {
  const SLXFrame& frame = graphic.Frame(frame_number);
  const std::string frame_text = NumberText(frame_number);
  std::string colour_path, data_path;
  Status writable = FramePathForWriting(graphic, frame.ColourFile, colour_path);
  if (writable) writable = FramePathForWriting(graphic, frame.DataFile, data_path);
  if (!writable)
    return Status::Fail("Frame " + frame_text + " cannot be saved: " + writable.message() + ".",
                        "Nothing was written.");
  if (SameFile(colour_path, data_path))
    return Status::Fail("The colour bitmap and the data bitmap of frame " + frame_text +
                        " are the same file:\n" + colour_path +
                        "\nWriting the data bitmap would destroy the picture, so nothing "
                        "was saved.");
  for (const std::string* path : {&colour_path, &data_path})
    if (SameFile(*path, graphic.Path))
      return Status::Fail("A bitmap of frame " + frame_text + " is the SLX file itself:\n" +
                          *path + "\nWriting it would destroy the graphic, so nothing was saved.");
  for (auto [path, bitmap] : {std::pair{&colour_path, &generated.Colour},
                              std::pair{&data_path, &generated.Data}}) {
    // A frame file named .png stays a PNG file; any other is a BMP file.
    std::string header, png;
    std::string_view pixels;
    if (IsPNGFrameName(*path)) {
      if (Status encoded = EncodeBitmapPNG(*bitmap, png); !encoded)
        return Status::Fail(kMsgErrorSavingBitmap, *path + ": " + encoded.Detail() +
                                                       "\nFrame " + frame_text +
                                                       " was left as it was.");
    } else {
      header = bitmap->BMPHeader();
      pixels = std::string_view(reinterpret_cast<const char*>(bitmap->DIBSectionBitsPtr()),
                                bitmap->ImageSize());
    }
    if (Status staged = transaction.Stage(*path, {header, png, pixels}); !staged)
      return Status::Fail(kMsgErrorSavingBitmap,
                          staged.message() + "\nFrame " + frame_text + " was left as it was.");
  }
  return Status::Ok();
}

// Writes out the SLX file's new text beside it.
Status StageSLX(const SLXGraphic& graphic, FileTransaction& transaction) {
  if (Status staged = transaction.Stage(graphic.Path, {FormatSLX(graphic)}); !staged)
    return Status::Fail(kMsgErrorSavingSLX, staged.message());
  return Status::Ok();
}

// The placement of the editor's views for a result.
void PlaceViews(const ViewAnchors& anchors, AutoGenResult& result) {
  result.Views.Width = result.Width;
  result.Views.Height = result.Height;
  if (result.HotSpotsMoved) {
    result.Views.Move = true;
    result.Views.ColourView = PlaceOnAnchor(anchors.ColourAnchor, result.CenterX, result.CenterY);
    result.Views.DataView = PlaceOnAnchor(anchors.DataAnchor, result.CenterX, result.CenterY);
  }
}

}  // namespace

ViewPoint PlaceOnAnchor(ViewPoint anchor, int32_t center_x, int32_t center_y) {
  auto clamp = [](int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
  };
  return {clamp(int64_t{anchor.X} - center_x), clamp(int64_t{anchor.Y} - center_y)};
}

AutoGenResult GenerateDataBitmap(SLXGraphic& graphic, const AutoGenOptions& options,
                                 const ViewAnchors& anchors) {
  AutoGenResult result;
  GeneratedFrame generated;
  if (!Generate(graphic, options, generated, result)) return result;

  if (options.Save) {
    // The three files as one change: the new hot spots go into a copy of
    // the graphic, which replaces it only once all three are in place.
    SLXGraphic changed = graphic;
    if (generated.Cropped)
      MoveHotSpots(changed, IndexColourFiles(graphic)[graphic.Frame(options.Frame).ColourFile],
                   generated.CenterX, generated.CenterY);
    FileTransaction transaction;
    Status written = StageBitmaps(graphic, options.Frame, generated, transaction);
    if (written) {
      written = StageSLX(changed, transaction);
      if (!written)
        written = Status::Fail(written.Headline(), written.Detail() + "\nFrame " +
                                                       NumberText(options.Frame) +
                                                       " was left as it was.");
    }
    if (written) {
      if (Status applied = transaction.Apply(); !applied)
        written = Status::Fail(kMsgErrorSavingBitmap, applied.message() + "\nFrame " +
                                                          NumberText(options.Frame) +
                                                          " was left as it was.");
    }
    if (written) {
      transaction.Keep();
      graphic = std::move(changed);
      result.Saved = true;
      result.HotSpotsMoved = generated.Cropped;
    } else {
      result.status = written;
    }
  }
  PlaceViews(anchors, result);
  result.ColourBitmap = std::move(generated.Colour);
  result.DataBitmap = std::move(generated.Data);
  return result;
}

AutoGenBatch GenerateAllDataBitmaps(SLXGraphic& graphic, AutoGenOptions options,
                                    const ProgressSink& progress, const AutoGenFrameDone& each,
                                    const ViewAnchors& anchors) {
  AutoGenBatch batch;
  options.Save = true;
  const int32_t frame_count = graphic.FrameCount;
  const SharingFrames sharing = IndexColourFiles(graphic);
  // The SLX file is written last; one that cannot be written at all is
  // found before any frame is done.
  if (frame_count > 0)
    if (Status replaceable = CanReplace(graphic.Path); !replaceable) {
      batch.status = Status::Fail(kMsgErrorSavingSLX, replaceable.message() +
                                                          "\nNothing was written.");
      return batch;
    }
  const std::vector<SLXFrame> frames_before = graphic.Frames;
  FileTransaction transaction;
  for (int32_t frame = 1; frame <= frame_count; ++frame) {
    Tell(progress, "Generating frame " + NumberText(frame), frame, frame_count);
    options.Frame = frame;
    AutoGenResult result;
    GeneratedFrame generated;
    if (Generate(graphic, options, generated, result)) {
      // Each frame's bitmaps go into place at once, so the next frame that
      // shares them reads them as they now are.
      Status written = StageBitmaps(graphic, frame, generated, transaction);
      if (written) {
        if (Status applied = transaction.Apply(); !applied)
          written = Status::Fail(kMsgErrorSavingBitmap, applied.message() + "\nFrame " +
                                                            NumberText(frame) +
                                                            " was left as it was.");
      }
      if (written) {
        if (generated.Cropped)
          MoveHotSpots(graphic, sharing.at(graphic.Frame(frame).ColourFile), generated.CenterX,
                       generated.CenterY);
        result.Saved = true;
        result.HotSpotsMoved = generated.Cropped;
        ++batch.Done;
      } else {
        result.status = written;
      }
      PlaceViews(anchors, result);
      result.ColourBitmap = std::move(generated.Colour);
      result.DataBitmap = std::move(generated.Data);
    }
    if (!result.status) ++batch.Failed;
    if (each && !each(result)) break;
  }
  if (batch.Done > 0) {
    Status saved = StageSLX(graphic, transaction);
    if (saved)
      if (Status applied = transaction.Apply(); !applied)
        saved = Status::Fail(kMsgErrorSavingSLX, applied.message());
    if (!saved) {
      transaction.Undo();
      graphic.Frames = frames_before;
      batch.status = Status::Fail(saved.Headline(),
                                  saved.Detail() + "\nEvery frame was put back as it was.");
      return batch;
    }
  }
  transaction.Keep();
  return batch;
}

}  // namespace zorv
