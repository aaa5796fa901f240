// GenerateDataBitmap: auto-generation of one frame of an SLX graphic, from
// its colour bitmap file to the written files and the placement of the
// editor's views.
#include "autogen/AutoGen.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>

#include "codec/FrameBitmaps.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "common/Functions.h"

namespace zorv {
namespace {


// Whether two paths name one file: the same text, or an existing file
// reached both ways.
bool SameFile(const std::string& a, const std::string& b) {
  const std::string native_a = NativePath(a), native_b = NativePath(b);
  if (native_a == native_b) return true;
  std::error_code ec;
  return std::filesystem::equivalent(native_a, native_b, ec) && !ec;
}

// Writes the whole of a bitmap into a writer that is not yet committed.
Status PrepareBitmap(SafeFileWriter& writer, const std::string& path,
                     const cDIBSection& bitmap) {
  if (Status opened = writer.Open(path); !opened) return opened;
  writer.Write(bitmap.BMPHeader());
  writer.Write(bitmap.DIBSectionBitsPtr(), bitmap.ImageSize());
  return Status::Ok();
}

// Writes both bitmaps of frame_number, moves the hot spots and saves the
// SLX file. Both bitmaps are completely written before either replaces its
// file, so a failure while writing changes nothing on disk. The hot spots
// follow the colour bitmap: once it has been replaced, they are moved and
// saved even if the data bitmap could not be.
void SaveFrame(SLXGraphic& graphic, int32_t frame_number, const GeneratedFrame& generated,
               AutoGenResult& result) {
  const std::string colour_path = graphic.ColourPath(frame_number);
  const std::string data_path = graphic.DataPath(frame_number);
  const std::string frame_text = NumberText(frame_number);
  if (SameFile(colour_path, data_path)) {
    result.status = Status::Fail(
        "The colour bitmap and the data bitmap of frame " + frame_text +
        " are the same file:\n" + colour_path +
        "\nWriting the data bitmap would destroy the picture, so nothing was saved.");
    return;
  }
  SafeFileWriter colour_writer, data_writer;
  Status prepared = PrepareBitmap(colour_writer, colour_path, generated.Colour);
  if (prepared) prepared = PrepareBitmap(data_writer, data_path, generated.Data);
  if (prepared && colour_writer.failed()) prepared = colour_writer.Commit();
  if (prepared && data_writer.failed()) prepared = data_writer.Commit();
  if (prepared) prepared = colour_writer.Commit();
  if (!prepared) {
    result.status = Status::Fail(kMsgErrorSavingBitmap, prepared.message() + "\nFrame " +
                                                            frame_text + " was left as it was.");
    return;
  }
  const Status data_written = data_writer.Commit();

  if (generated.Cropped) {
    const std::string colour_file = graphic.Frame(frame_number).ColourFile;
    for (SLXFrame& frame : graphic.Frames) {
      if (frame.ColourFile != colour_file) continue;
      frame.CenterX = generated.CenterX;
      frame.CenterY = generated.CenterY;
    }
    result.HotSpotsMoved = true;
  }
  const Status slx_saved = SaveSLX(graphic);
  result.Saved = data_written.ok() && slx_saved.ok();
  if (!data_written) {
    std::string detail = data_written.message() + "\nThe colour bitmap of frame " + frame_text +
                         " was saved, its data bitmap was not.";
    if (!slx_saved) detail += "\n" + slx_saved.message();
    result.status = Status::Fail(kMsgErrorSavingBitmap, detail);
  } else if (!slx_saved) {
    result.status = slx_saved;
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
  result.Frame = options.Frame;
  if (Status checked = CheckAutoGenOptions(options); !checked) {
    result.status = Status::Fail("Cannot generate data: " + checked.message() + ".");
    return result;
  }
  const int32_t frame_count =
      std::min<int64_t>(graphic.FrameCount, static_cast<int64_t>(graphic.Frames.size()));
  if (options.Frame < 1 || options.Frame > frame_count) {
    result.status = Status::Fail("Cannot generate data for frame " + NumberText(options.Frame) +
                                 ": the graphic has " + NumberText(frame_count) +
                                 (frame_count == 1 ? " frame." : " frames."));
    return result;
  }

  const SLXFrame& frame = graphic.Frame(options.Frame);
  const std::string colour_path = graphic.ColourPath(options.Frame);
  cDIBSection colour;
  if (Status loaded = LoadFrameBitmap(colour_path, colour); !loaded) {
    result.status = Status::Fail("Cannot read the colour bitmap of frame " +
                                 NumberText(options.Frame) + ": " + colour_path + "\n" +
                                 loaded.message() + "\nThe frame was left as it was.");
    return result;
  }
  GeneratedFrame generated;
  if (Status made = GenerateFrameBitmaps(std::move(colour), options, frame.CenterX,
                                         frame.CenterY, generated);
      !made) {
    result.status = Status::Fail("Cannot generate data for frame " + NumberText(options.Frame) +
                                 ": " + made.message() + ".");
    return result;
  }
  result.Generated = true;
  result.Cropped = generated.Cropped;
  result.Width = generated.Colour.Width();
  result.Height = generated.Colour.Height();
  result.CenterX = generated.CenterX;
  result.CenterY = generated.CenterY;

  if (options.Save) SaveFrame(graphic, options.Frame, generated, result);

  result.Views.Width = result.Width;
  result.Views.Height = result.Height;
  if (result.HotSpotsMoved) {
    result.Views.Move = true;
    result.Views.ColourView = PlaceOnAnchor(anchors.ColourAnchor, result.CenterX, result.CenterY);
    result.Views.DataView = PlaceOnAnchor(anchors.DataAnchor, result.CenterX, result.CenterY);
  }
  result.ColourBitmap = std::move(generated.Colour);
  result.DataBitmap = std::move(generated.Data);
  return result;
}

int32_t GenerateAllDataBitmaps(SLXGraphic& graphic, AutoGenOptions options,
                               const ProgressSink& progress, const AutoGenFrameDone& each) {
  options.Save = true;
  const int32_t frame_count = graphic.FrameCount;
  int32_t failed = 0;
  for (int32_t frame = 1; frame <= frame_count; ++frame) {
    Tell(progress, "Generating frame " + NumberText(frame), frame, frame_count);
    options.Frame = frame;
    const AutoGenResult result = GenerateDataBitmap(graphic, options);
    if (!result.status) ++failed;
    if (each) each(result);
  }
  return failed;
}

}  // namespace zorv
