#include "codec/ExportFrames.h"

#include "codec/ExportComposed.h"
#include "codec/GraphicFrames.h"
#include "codec/PNGFiles.h"

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

std::string InFolder(const std::string& folder, const std::string& name) {
  std::string path = folder;
  if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
  return path + name;
}

Status ExportGraphic(const std::string& path, bool slx, const std::string& folder,
                     const std::string& title, const Palette& palette,
                     const ExportSettings& settings, const ProgressSink& progress) {
  if (Status checked = CheckRenderOptions(settings.Render); !checked)
    return Failure(path, checked.Detail());
  GraphicFrames frames;
  if (Status opened = frames.Open(path, slx, palette); !opened)
    return Failure(path, opened.message());
  if (settings.Format == ExportFormat::kSheet) {
    if (Status made = ExportSheet(frames, palette, settings, SheetPicturePath(folder, title),
                                  SheetJSONPath(folder, title), progress);
        !made)
      return Failure(path, made.message());
    return Status::Ok();
  }
  if (settings.Format == ExportFormat::kGIF) {
    if (Status made = ExportGIF(frames, palette, settings, GIFPath(folder, title), progress);
        !made)
      return Failure(path, made.message());
    return Status::Ok();
  }
  const int32_t count = frames.Count();
  FramePixels pixels;
  for (int32_t i = 1; i <= count; ++i) {
    Tell(progress, "Exporting frame " + std::to_string(i), i, count);
    int32_t hot_x = 0, hot_y = 0;
    if (Status read = frames.Read(i, pixels, hot_x, hot_y); !read)
      return Failure(path, FrameText(i) + read.message());
    if (Status written = WriteFrame(pixels, palette, settings, ExportFramePath(folder, title, i));
        !written)
      return Failure(path, FrameText(i) + written.message());
  }
  return Status::Ok();
}

}  // namespace

std::string ExportFramePath(const std::string& folder, const std::string& title, int32_t number) {
  return InFolder(folder, title + "_" + PadFrameNumber(number) + ".png");
}

std::string SheetPicturePath(const std::string& folder, const std::string& title) {
  return InFolder(folder, title + ".png");
}

std::string SheetJSONPath(const std::string& folder, const std::string& title) {
  return InFolder(folder, title + ".json");
}

std::string GIFPath(const std::string& folder, const std::string& title) {
  return InFolder(folder, title + ".gif");
}

Status ExportSLPFrames(const std::string& slp_path, const std::string& folder,
                       const std::string& title, const Palette& palette,
                       const ExportSettings& settings, const ProgressSink& progress) {
  return ExportGraphic(slp_path, false, folder, title, palette, settings, progress);
}

Status ExportSLXFrames(const std::string& slx_path, const std::string& folder,
                       const std::string& title, const Palette& palette,
                       const ExportSettings& settings, const ProgressSink& progress) {
  return ExportGraphic(slx_path, true, folder, title, palette, settings, progress);
}

}  // namespace zorv
