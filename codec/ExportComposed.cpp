#include "codec/ExportComposed.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>
#include <vector>

#include "codec/GIFFiles.h"
#include "codec/PNGFiles.h"
#include "common/FileIO.h"
#include "common/Functions.h"

namespace zorv {
namespace {

struct Shape {
  int32_t width = 0, height = 0, hot_x = 0, hot_y = 0;
};

std::string SizeText(int64_t width, int64_t height) {
  return NumberText(width) + " x " + NumberText(height);
}

// The shapes of frames first..last, read before any pixels so that a
// picture too large is refused before memory is taken for it.
Status ReadShapes(GraphicFrames& frames, int32_t first, int32_t last, std::vector<Shape>& shapes) {
  shapes.clear();
  for (int32_t i = first; i <= last; ++i) {
    Shape shape;
    if (Status read = frames.Shape(i, shape.width, shape.height, shape.hot_x, shape.hot_y); !read)
      return Status::Fail("Frame " + std::to_string(i) + ": " + read.message());
    shapes.push_back(shape);
  }
  return Status::Ok();
}

// Frame i rendered as RGBA for the settings. Its size must be the one its
// shape promised, which the sheet or canvas was laid out by: an SLX frame's
// bitmaps may disagree with the header read first (or change meanwhile).
Status RenderFrame(GraphicFrames& frames, int32_t i, const Shape& shape, const Palette& palette,
                   const ExportSettings& settings, RGBAImage& image) {
  FramePixels pixels;
  int32_t hot_x = 0, hot_y = 0;
  Status made = frames.Read(i, pixels, hot_x, hot_y);
  if (made) made = RenderRGBA(pixels, palette, settings.Render, image);
  if (!made) return Status::Fail("Frame " + std::to_string(i) + ": " + made.message());
  if (image.Width != shape.width || image.Height != shape.height)
    return Status::Fail("Frame " + std::to_string(i) + " is " +
                        SizeText(image.Width, image.Height) + " pixels, not the " +
                        SizeText(shape.width, shape.height) + " its picture's header gives.");
  return Status::Ok();
}

// A text file's lines end in CR LF, as every text file of the program's.
std::string WithCRLF(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

Status MakeSheet(GraphicFrames& frames, const Palette& palette, const ExportSettings& settings,
                 const std::string& picture_name, RGBAImage& sheet, std::string& list_text,
                 const ProgressSink& progress) {
  const int32_t count = frames.Count();
  if (count < 1) return Status::Fail("The graphic has no frames; there is no sheet to make.");
  std::vector<Shape> shapes;
  if (Status read = ReadShapes(frames, 1, count, shapes); !read) return read;
  // A grid about as wide as it is high, every cell the largest frame's size.
  int64_t cell_width = 0, cell_height = 0;
  for (const Shape& shape : shapes) {
    cell_width = std::max<int64_t>(cell_width, shape.width);
    cell_height = std::max<int64_t>(cell_height, shape.height);
  }
  const auto columns = static_cast<int64_t>(std::ceil(std::sqrt(static_cast<double>(count))));
  const int64_t rows = (count + columns - 1) / columns;
  const int64_t width = columns * cell_width, height = rows * cell_height;
  if (width < 1 || height < 1)
    return Status::Fail("Every frame is empty; there is no sheet to make.");
  if (width * height > kMaxPNGPixels)
    return Status::Fail("The sheet would be " + SizeText(width, height) +
                        " pixels, more than the " + NumberText(kMaxPNGPixels) +
                        " a picture may have; export the frames as PNG pictures instead.");
  sheet.Width = static_cast<int32_t>(width);
  sheet.Height = static_cast<int32_t>(height);
  sheet.Pixels.assign(static_cast<size_t>(width * height) * 4, 0);
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  RGBAImage frame;
  for (int32_t i = 1; i <= count; ++i) {
    Tell(progress, "Exporting frame " + std::to_string(i), i, count);
    const Shape& shape = shapes[static_cast<size_t>(i - 1)];
    if (Status rendered = RenderFrame(frames, i, shape, palette, settings, frame); !rendered)
      return rendered;
    const int64_t x = ((i - 1) % columns) * cell_width, y = ((i - 1) / columns) * cell_height;
    const size_t row_bytes = static_cast<size_t>(frame.Width) * 4;
    for (int32_t r = 0; r < frame.Height; ++r)
      std::memcpy(&sheet.Pixels[static_cast<size_t>(((y + r) * width + x) * 4)],
                  &frame.Pixels[static_cast<size_t>(r) * row_bytes], row_bytes);
    list.push_back({{"frame", i},
                    {"x", x},
                    {"y", y},
                    {"width", frame.Width},
                    {"height", frame.Height},
                    {"hotspot", {{"x", shape.hot_x}, {"y", shape.hot_y}}}});
  }
  const nlohmann::ordered_json described = {{"image", picture_name},
                                            {"width", width},
                                            {"height", height},
                                            {"frames", list}};
  list_text = WithCRLF(described.dump(2) + "\n");
  return Status::Ok();
}

Status ExportSheet(GraphicFrames& frames, const Palette& palette, const ExportSettings& settings,
                   const std::string& picture_path, const std::string& json_path,
                   const ProgressSink& progress) {
  RGBAImage sheet;
  std::string list_text;
  if (Status made = MakeSheet(frames, palette, settings, GetFileName(picture_path), sheet,
                              list_text, progress);
      !made)
    return made;
  if (Status written = WriteRGBAPNG(picture_path, sheet); !written) return written;
  return WriteFileSafely(json_path, list_text);
}

Status MakeGIF(GraphicFrames& frames, const Palette& palette, const ExportSettings& settings,
               std::string& bytes, const ProgressSink& progress) {
  const int32_t count = frames.Count();
  const int32_t first = settings.FirstFrame;
  const int32_t last = settings.LastFrame == 0 ? count : settings.LastFrame;
  if (first < 1 || last < first || last > count)
    return Status::Fail("Frames " + std::to_string(first) + " to " + std::to_string(last) +
                        " are not frames of this graphic, which has " + std::to_string(count) +
                        ".");
  std::vector<Shape> shapes;
  if (Status read = ReadShapes(frames, first, last, shapes); !read) return read;
  // Every frame is placed so that its hot spot lies on one point of the
  // canvas, which holds them all.
  int64_t left = INT64_MIN, top = INT64_MIN;
  for (const Shape& shape : shapes) {
    left = std::max<int64_t>(left, shape.hot_x);
    top = std::max<int64_t>(top, shape.hot_y);
  }
  int64_t width = 1, height = 1;
  for (const Shape& shape : shapes) {
    width = std::max<int64_t>(width, left - shape.hot_x + shape.width);
    height = std::max<int64_t>(height, top - shape.hot_y + shape.height);
  }
  if (width > kMaxGIFSide || height > kMaxGIFSide || width * height > kMaxPNGPixels)
    return Status::Fail("The frames placed on their hot spots need a canvas of " +
                        SizeText(width, height) + " pixels, more than a GIF of this program "
                                                  "holds (" +
                        NumberText(kMaxPNGPixels) + " pixels, " + NumberText(kMaxGIFSide) +
                        " a side).");
  const size_t canvas_pixels = static_cast<size_t>(width * height);
  PaletteMatcher matcher(palette);
  // Opaque pixels (alpha from 128) take their nearest palette index; the
  // others show the canvas through the transparent index.
  RGBAImage frame;
  auto draw = [&](size_t k, std::vector<uint8_t>& indices, std::vector<bool>& opaque) -> Status {
    const int32_t i = first + static_cast<int32_t>(k);
    if (Status rendered = RenderFrame(frames, i, shapes[k], palette, settings, frame); !rendered)
      return rendered;
    indices.assign(canvas_pixels, 0);
    opaque.assign(canvas_pixels, false);
    const int64_t x0 = left - shapes[k].hot_x, y0 = top - shapes[k].hot_y;
    for (int32_t y = 0; y < frame.Height; ++y)
      for (int32_t x = 0; x < frame.Width; ++x) {
        const uint8_t* p = &frame.Pixels[(static_cast<size_t>(y) * frame.Width + x) * 4];
        if (p[3] < 128) continue;
        const size_t at = static_cast<size_t>((y0 + y) * width + x0 + x);
        indices[at] = matcher.Nearest(RGBColour(p[0], p[1], p[2]));
        opaque[at] = true;
      }
    return Status::Ok();
  };
  // The transparent index is one no opaque pixel of any frame uses.
  std::vector<bool> used(256, false);
  std::vector<uint8_t> indices;
  std::vector<bool> opaque;
  for (size_t k = 0; k < shapes.size(); ++k) {
    if (Status drawn = draw(k, indices, opaque); !drawn) return drawn;
    for (size_t at = 0; at < canvas_pixels; ++at)
      if (opaque[at]) used[indices[at]] = true;
  }
  const auto unused = std::find(used.begin(), used.end(), false);
  if (unused == used.end())
    return Status::Fail("The frames use every one of the palette's 256 colours; a GIF then has "
                        "no colour left to mark transparent pixels.");
  const auto transparent = static_cast<uint8_t>(unused - used.begin());
  AnimatedGIFWriter gif;
  const int delay = std::max(1, (settings.DelayMs + 5) / 10);
  if (Status begun = gif.Begin(static_cast<int32_t>(width), static_cast<int32_t>(height),
                               palette.Colours(), transparent, delay);
      !begun)
    return begun;
  for (size_t k = 0; k < shapes.size(); ++k) {
    const int32_t i = first + static_cast<int32_t>(k);
    Tell(progress, "Exporting frame " + std::to_string(i), i - first + 1, last - first + 1);
    if (Status drawn = draw(k, indices, opaque); !drawn) return drawn;
    for (size_t at = 0; at < canvas_pixels; ++at)
      if (!opaque[at]) indices[at] = transparent;
    if (Status added = gif.AddFrame(indices); !added) return added;
  }
  return gif.Finish(bytes);
}

Status ExportGIF(GraphicFrames& frames, const Palette& palette, const ExportSettings& settings,
                 const std::string& gif_path, const ProgressSink& progress) {
  std::string bytes;
  if (Status made = MakeGIF(frames, palette, settings, bytes, progress); !made) return made;
  if (Status written = WriteFileSafely(gif_path, bytes); !written)
    return Status::Fail(kMsgErrorWritingGIF, written.message());
  return Status::Ok();
}

}  // namespace zorv
