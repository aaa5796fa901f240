#include "codec/ExportFrames.h"

#include "codec/FrameBitmaps.h"
#include "codec/PNGFiles.h"
#include "codec/SLPReader.h"
#include "codec/SLX.h"

namespace zorv {
namespace {

std::string FrameText(int32_t number) { return "Frame " + std::to_string(number) + ": "; }

Status Failure(const std::string& input, const std::string& detail) {
  return Status::Fail(kMsgErrorExporting, input + ": " + detail);
}

// Renders one frame in the chosen format and writes it.
Status WriteFrame(const FramePixels& pixels, const Palette& palette,
                  const ExportSettings& settings, const std::string& path) {
  if (settings.Format == ExportFormat::kIndexed) {
    IndexedImage image;
    if (Status rendered = RenderIndexed(pixels, palette, settings.Render, image); !rendered)
      return rendered;
    return WriteIndexedPNG(path, image);
  }
  RGBAImage image;
  if (Status rendered = RenderRGBA(pixels, palette, settings.Render, image); !rendered)
    return rendered;
  return WriteRGBAPNG(path, image);
}

}  // namespace

std::string ExportFramePath(const std::string& folder, const std::string& title, int32_t number) {
  std::string path = folder;
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
  return path + title + "_" + PadFrameNumber(number) + ".png";
}

Status ExportSLPFrames(const std::string& slp_path, const std::string& folder,
                       const std::string& title, const Palette& palette,
                       const ExportSettings& settings, const ProgressSink& progress) {
  if (Status checked = CheckRenderOptions(settings.Render); !checked)
    return Failure(slp_path, checked.Detail());
  SLPFile file;
  if (Status opened = file.Open(slp_path); !opened) return Failure(slp_path, opened.message());
  return ExportSLPFrames(file, slp_path, folder, title, palette, settings, progress);
}

Status ExportSLPFrames(const SLPFile& file, const std::string& slp_path,
                       const std::string& folder, const std::string& title,
                       const Palette& palette, const ExportSettings& settings,
                       const ProgressSink& progress) {
  if (Status checked = CheckRenderOptions(settings.Render); !checked)
    return Failure(slp_path, checked.Detail());
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  if (Status read = ReadSLPHeader(file, header, frames); !read)
    return Failure(slp_path, read.message());
  const int32_t count = static_cast<int32_t>(frames.size());
  FramePixels pixels;
  for (int32_t i = 1; i <= count; ++i) {
    Tell(progress, "Exporting frame " + std::to_string(i), i, count);
    if (Status decoded = FramePixelsFromSLP(file, frames[static_cast<size_t>(i - 1)], pixels);
        !decoded)
      return Failure(slp_path, FrameText(i) + decoded.message());
    if (Status written = WriteFrame(pixels, palette, settings, ExportFramePath(folder, title, i));
        !written)
      return Failure(slp_path, FrameText(i) + written.message());
  }
  return Status::Ok();
}

Status ExportSLXFrames(const std::string& slx_path, const std::string& folder,
                       const std::string& title, const Palette& palette,
                       const ExportSettings& settings, const ProgressSink& progress) {
  if (Status checked = CheckRenderOptions(settings.Render); !checked)
    return Failure(slx_path, checked.Detail());
  SLXGraphic graphic;
  if (Status loaded = LoadSLX(slx_path, graphic); !loaded)
    return Failure(slx_path, loaded.message());
  PaletteMatcher matcher(palette);
  cDIBSection colour, data;
  FramePixels pixels;
  for (int32_t i = 1; i <= graphic.FrameCount; ++i) {
    Tell(progress, "Exporting frame " + std::to_string(i), i, graphic.FrameCount);
    if (Status read = LoadFrameBitmap(graphic.ColourPath(i), colour); !read)
      return Failure(slx_path, FrameText(i) + read.message());
    if (Status read = LoadFrameBitmap(graphic.DataPath(i), data); !read)
      return Failure(slx_path, FrameText(i) + read.message());
    if (Status made = FramePixelsFromBitmaps(colour, data, matcher, pixels); !made)
      return Failure(slx_path, FrameText(i) + made.message());
    if (Status written = WriteFrame(pixels, palette, settings, ExportFramePath(folder, title, i));
        !written)
      return Failure(slx_path, FrameText(i) + written.message());
  }
  return Status::Ok();
}

}  // namespace zorv
