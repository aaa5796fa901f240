#include "tools/SheetList.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <tuple>
#include <utility>

#include "common/FileIO.h"
#include "common/Functions.h"

namespace zorv {
namespace {

using Json = nlohmann::json;

// An integer field of the object within [low, high].
Status ReadInteger(const Json& object, const char* name, int64_t low, int64_t high,
                   int32_t& value) {
  const std::string quoted = std::string("\"") + name + "\"";
  const auto found = object.find(name);
  if (found == object.end()) return Status::Fail(quoted + " is missing");
  if (!found->is_number_integer()) return Status::Fail(quoted + " is not a whole number");
  // The library keeps numbers from 0 up unsigned, and those beyond int64_t
  // are out of every range here.
  bool in_range = false;
  if (found->is_number_unsigned()) {
    const uint64_t number = found->get<uint64_t>();
    in_range = number <= static_cast<uint64_t>(high) &&
               (low <= 0 || number >= static_cast<uint64_t>(low));
  } else {
    const int64_t number = found->get<int64_t>();
    in_range = number >= low && number <= high;
  }
  if (!in_range)
    return Status::Fail(quoted + " is " + found->dump() + ", not " + NumberText(low) + " to " +
                        NumberText(high));
  value = static_cast<int32_t>(found->get<int64_t>());
  return Status::Ok();
}

Status ReadFrame(const Json& entry, size_t place, int32_t sheet_width, int32_t sheet_height,
                 SheetFrame& frame) {
  if (!entry.is_object()) return Status::Fail("is not an object");
  if (entry.contains("frame")) {
    int32_t number = 0;
    if (Status read = ReadInteger(entry, "frame", 1, INT32_MAX, number); !read) return read;
    if (static_cast<size_t>(number) != place)
      return Status::Fail("is numbered " + NumberText(number) + "; the frames must be listed "
                          "in order");
  }
  for (auto [name, limit, value] :
       {std::tuple{"x", sheet_width, &frame.X}, std::tuple{"y", sheet_height, &frame.Y},
        std::tuple{"width", sheet_width, &frame.Width},
        std::tuple{"height", sheet_height, &frame.Height}})
    if (Status read = ReadInteger(entry, name, 0, limit, *value); !read) return read;
  if (frame.Width < 1 || frame.Height < 1)
    return Status::Fail("is " + NumberText(frame.Width) + " x " + NumberText(frame.Height) +
                        " pixels; a frame needs at least one pixel");
  if (int64_t{frame.X} + frame.Width > sheet_width ||
      int64_t{frame.Y} + frame.Height > sheet_height)
    return Status::Fail("lies outside the sheet of " + NumberText(sheet_width) + " x " +
                        NumberText(sheet_height) + " pixels: " + NumberText(frame.Width) + " x " +
                        NumberText(frame.Height) + " at " + NumberText(frame.X) + "," +
                        NumberText(frame.Y));
  const auto hot = entry.find("hotspot");
  if (hot == entry.end()) return Status::Fail("\"hotspot\" is missing");
  if (!hot->is_object()) return Status::Fail("\"hotspot\" is not an object");
  for (auto [name, value] : {std::pair{"x", &frame.HotSpotX}, std::pair{"y", &frame.HotSpotY}})
    if (Status read = ReadInteger(*hot, name, INT32_MIN, INT32_MAX, *value); !read)
      return Status::Fail("hotspot " + read.message());
  return Status::Ok();
}

}  // namespace

Status ParseSheetList(const std::string& text, int32_t sheet_width, int32_t sheet_height,
                      std::vector<SheetFrame>& frames) {
  frames.clear();
  const Json list = Json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (list.is_discarded()) return Status::Fail("it is not JSON");
  if (!list.is_object()) return Status::Fail("it is not a JSON object");
  const auto entries = list.find("frames");
  if (entries == list.end() || !entries->is_array())
    return Status::Fail("it has no \"frames\" list");
  if (entries->empty()) return Status::Fail("its \"frames\" list is empty");
  if (entries->size() > kMaxSheetFrames)
    return Status::Fail("it lists " + NumberText(static_cast<int64_t>(entries->size())) +
                        " frames, more than the " +
                        NumberText(static_cast<int64_t>(kMaxSheetFrames)) + " a sheet may hold");
  frames.resize(entries->size());
  for (size_t i = 0; i < frames.size(); ++i)
    if (Status read = ReadFrame((*entries)[i], i + 1, sheet_width, sheet_height, frames[i]);
        !read) {
      frames.clear();
      return Status::Fail("frame " + NumberText(static_cast<int64_t>(i + 1)) + " " +
                          read.message());
    }
  return Status::Ok();
}

Status ReadSheetList(const std::string& path, int32_t sheet_width, int32_t sheet_height,
                     std::vector<SheetFrame>& frames) {
  std::string text;
  if (Status read = ReadWholeFile(path, text, kMaxSheetListBytes); !read)
    return Status::Fail(path + ": " + read.message());
  if (Status parsed = ParseSheetList(text, sheet_width, sheet_height, frames); !parsed)
    return Status::Fail(path + ": " + parsed.message());
  return Status::Ok();
}

void CutSheetFrame(const PNGPicture& sheet, const SheetFrame& frame, PNGPicture& picture) {
  const auto w = static_cast<size_t>(frame.Width), h = static_cast<size_t>(frame.Height);
  picture.RGBA.Width = frame.Width;
  picture.RGBA.Height = frame.Height;
  picture.RGBA.Pixels.resize(w * h * 4);
  const auto sheet_width = static_cast<size_t>(sheet.RGBA.Width);
  for (size_t y = 0; y < h; ++y)
    std::copy_n(&sheet.RGBA.Pixels[((frame.Y + y) * sheet_width + frame.X) * 4], w * 4,
                &picture.RGBA.Pixels[y * w * 4]);
  picture.Paletted = sheet.Paletted;
  if (!sheet.Paletted) return;
  picture.Indexed = IndexedImage{frame.Width, frame.Height, {}, sheet.Indexed.Colours,
                                 sheet.Indexed.Alpha, sheet.Indexed.ColourCount};
  picture.Indexed.Indices.resize(w * h);
  for (size_t y = 0; y < h; ++y)
    std::copy_n(&sheet.Indexed.Indices[(frame.Y + y) * sheet_width + frame.X], w,
                &picture.Indexed.Indices[y * w]);
}

}  // namespace zorv
