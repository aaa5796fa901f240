#include "tools/ImportPNGFrames.h"

#include "codec/DataColours.h"
#include "codec/FrameBitmaps.h"
#include "codec/SLPFormat.h"
#include "codec/SLPReader.h"
#include "codec/SLPWriter.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "common/Functions.h"
#include "tools/SheetList.h"

namespace zorv {
namespace {

// Alpha decides transparency; the auto-generation rules decide the rest.
// Transparent pixels are painted magenta and magenta is the mask, so an
// opaque magenta pixel is transparent too, as in every colour bitmap.
void FromRGBA(const RGBAImage& image, const AutoGenOptions& rules, cDIBSection& colour,
              cDIBSection& data) {
  const uint8_t* p = image.Pixels.data();
  for (int32_t y = 0; y < image.Height; ++y)
    for (int32_t x = 0; x < image.Width; ++x, p += 4)
      colour.SetPixel(x, y, p[3] < kOpaqueAlphaFrom ? kDataTransparent
                                                    : RGBColour(p[0], p[1], p[2]));
  AutoGenOptions options = rules;
  options.MaskColour = kDataTransparent;
  ClassifyPixels(colour, data, options);
  if (options.Outlines) AddOutlines(data);
  // Shadow in the colour bitmap as the decoder paints it.
  for (int32_t y = 0; y < image.Height; ++y)
    for (int32_t x = 0; x < image.Width; ++x)
      if (data.GetPixel(x, y) == kDataShadow) colour.SetPixel(x, y, kDataShadow);
}

void FromIndices(const IndexedImage& image, const PNGImportOptions& options,
                 const Palette& palette, cDIBSection& colour, cDIBSection& data) {
  const uint8_t* index = image.Indices.data();
  for (int32_t y = 0; y < image.Height; ++y)
    for (int32_t x = 0; x < image.Width; ++x, ++index) {
      ColourValue kind = kDataNormal, shown = palette.Colour(*index);
      if (*index == options.TransparentIndex) {
        kind = shown = kDataTransparent;
      } else if (*index == options.ShadowIndex) {
        kind = shown = kDataShadow;
      } else if (options.Rules.PlayerColours && *index >= kFirstPlayerIndex &&
                 *index <= kLastPlayerIndex) {
        kind = kDataPlayer;
      }
      colour.SetPixel(x, y, shown);
      data.SetPixel(x, y, kind);
    }
}

std::string FrameTitle(int32_t i) { return "frame " + NumberText(i); }

}  // namespace

Status CheckPNGImportOptions(const PNGImportOptions& options) {
  if (Status rules = CheckAutoGenOptions(options.Rules); !rules)
    return Status::Fail(kMsgErrorImportingFrames, rules.message());
  for (int index : {options.TransparentIndex, options.ShadowIndex})
    if (index < 0 || index > 255)
      return Status::Fail(kMsgErrorImportingFrames,
                          "The palette index " + NumberText(index) + " lies outside 0 to 255.");
  if (options.TransparentIndex == options.ShadowIndex)
    return Status::Fail(kMsgErrorImportingFrames,
                        "The transparent and the shadow index are both " +
                            NumberText(options.ShadowIndex) + "; they must differ.");
  return Status::Ok();
}

Status FrameFromPNG(const PNGPicture& picture, const PNGImportOptions& options,
                    const Palette& palette, cDIBSection& colour, cDIBSection& data) {
  const RGBAImage& rgba = picture.RGBA;
  if (int64_t{rgba.Width} * rgba.Height > kMaxSLPFramePixels ||
      !colour.Create(rgba.Width, rgba.Height) || !data.Create(rgba.Width, rgba.Height))
    return Status::Fail("a picture of " + NumberText(rgba.Width) + " x " +
                        NumberText(rgba.Height) + " pixels is too large for a frame");
  if (picture.Paletted)
    FromIndices(picture.Indexed, options, palette, colour, data);
  else
    FromRGBA(rgba, options.Rules, colour, data);
  return Status::Ok();
}

Status ImportPNGFrames(const PNGImportJob& job, const Palette& palette,
                       const ProgressSink& progress) {
  auto fail = [](const std::string& detail) {
    return Status::Fail(kMsgErrorImportingFrames, detail);
  };
  if (Status checked = CheckPNGImportOptions(job.options); !checked) return checked;
  if (job.frames.empty()) return fail("no frames were given");
  if (job.slx_path.empty() || IsFolderSeparator(job.slx_path.back()))
    return fail("no SLX file name was given");
  const std::string slx_path = SLXPathWithExtension(job.slx_path);
  const std::string folder = GetFolder(slx_path);
  const std::string title = GetFileTitle(slx_path);
  // Nothing written may be a frame being read.
  std::vector<std::string> inputs = job.frames;
  if (!job.sheet_list.empty()) inputs.push_back(job.sheet_list);
  for (const std::string& output : {slx_path, job.slp_path})
    if (Status apart = RefuseOverwritingInput(output, inputs); !output.empty() && !apart)
      return fail(apart.message());

  // A sheet is read whole, with its list, before any frame is written.
  PNGPicture sheet;
  std::vector<SheetFrame> cuts;
  if (!job.sheet_list.empty()) {
    if (job.frames.size() != 1) return fail("a sheet list goes with one sheet picture");
    if (Status read = ReadPNG(job.frames[0], sheet); !read)
      return fail("the sheet: " + read.Detail());
    if (Status read = ReadSheetList(job.sheet_list, sheet.RGBA.Width, sheet.RGBA.Height, cuts);
        !read)
      return fail("the sheet list " + read.message());
  }
  SLXGraphic graphic;
  graphic.Path = slx_path;
  graphic.FrameCount = static_cast<int32_t>(cuts.empty() ? job.frames.size() : cuts.size());
  graphic.Frames.resize(static_cast<size_t>(graphic.FrameCount));
  PNGPicture picture;
  cDIBSection colour, data;
  for (int32_t i = 1; i <= graphic.FrameCount; ++i) {
    Tell(progress, "Importing frame " + NumberText(i), i, graphic.FrameCount);
    SLXFrame& frame = graphic.Frame(i);
    std::string source;
    if (cuts.empty()) {
      source = job.frames[static_cast<size_t>(i - 1)];
      if (Status read = ReadPNG(source, picture); !read)
        return fail(FrameTitle(i) + ": " + read.Detail());
      frame.CenterX = job.center_x;
      frame.CenterY = job.center_y;
    } else {
      const SheetFrame& cut = cuts[static_cast<size_t>(i - 1)];
      source = job.frames[0] + " at " + NumberText(cut.X) + "," + NumberText(cut.Y);
      CutSheetFrame(sheet, cut, picture);
      frame.CenterX = cut.HotSpotX;
      frame.CenterY = cut.HotSpotY;
    }
    if (Status made = FrameFromPNG(picture, job.options, palette, colour, data); !made)
      return fail(FrameTitle(i) + ": " + source + ": " + made.message());
    frame.ColourFile = title + "_" + PadFrameNumber(i) + ".png";
    frame.DataFile = title + "_" + PadFrameNumber(i) + "d.png";
    if (Status saved = SaveFrameBitmap(colour, folder + frame.ColourFile, inputs); !saved)
      return fail(saved.message());
    if (Status saved = SaveFrameBitmap(data, folder + frame.DataFile, inputs); !saved)
      return fail(saved.message());
  }
  if (Status saved = SaveSLX(graphic); !saved) return saved;
  if (job.slp_path.empty()) return Status::Ok();
  return ConvertSLXToSLP(graphic, job.slp_path, palette);
}

}  // namespace zorv
