// `zorv info` for the graphics files: SLP sprites, SLX graphics, BMP
// bitmaps and JASC-PAL palettes.
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/InfoDescriptions.h"
#include "codec/DIBSection.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "common/Functions.h"

namespace zorv::cli {
namespace {

// A fixed-size text field of a binary header, printable characters only.
std::string FixedText(const char* text, size_t size) {
  std::string out;
  for (size_t i = 0; i < size && text[i] != '\0'; ++i)
    out += (text[i] >= 32 && text[i] < 127) ? text[i] : '?';
  return out;
}

std::string Text(const InfoJson& value) { return TerminalText(value); }

}  // namespace

Status DescribeSLP(const std::string& path, InfoJson& out) {
  SLPFile file;
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  if (Status read = ReadSLPHeader(path, file, header, frames); !read)
    return Status::Fail(AboutFile(path, read.message()));
  // The frame table alone says nothing of the rows behind it: every frame
  // is decoded, so a cut-off or damaged file is reported rather than
  // listed as if it were whole.
  cDIBSection colour, data;
  for (size_t i = 0; i < frames.size(); ++i) {
    if (Status decoded = DecodeSLPFrame(file, frames[i], Palette::BuiltIn(), colour, data);
        !decoded)
      return Status::Fail(
          AboutFile(path, "frame " + NumberText(static_cast<int64_t>(i + 1)) + ": " +
                              decoded.message()));
  }
  out["bytes"] = file.Size();
  out["version"] = FixedText(header.Version.data(), header.Version.size());
  out["comment"] = FixedText(header.Comment.data(), header.Comment.size());
  InfoJson& list = out["frames"] = InfoJson::array();
  for (const SLPFrameInfo& f : frames) {
    list.push_back({{"width", f.Width},
                    {"height", f.Height},
                    {"hotspot_x", f.HotSpotX},
                    {"hotspot_y", f.HotSpotY},
                    {"command_table_offset", f.CommandTableOffset},
                    {"outline_table_offset", f.OutlineTableOffset}});
  }
  return Status::Ok();
}

void PrintSLP(const InfoJson& d) {
  std::printf("SLP file %s\n", Text(d["file"]).c_str());
  std::printf("version \"%s\", comment \"%s\", %llu bytes\n", Text(d["version"]).c_str(),
              Text(d["comment"]).c_str(), d["bytes"].get<unsigned long long>());
  std::printf("frames %zu\n", d["frames"].size());
  std::printf("%6s %6s %6s %7s %7s %10s %10s\n", "frame", "width", "height", "hot x",
              "hot y", "commands", "edges");
  size_t number = 0;
  for (const InfoJson& f : d["frames"])
    std::printf("%6zu %6d %6d %7d %7d %10u %10u\n", ++number, f["width"].get<int>(),
                f["height"].get<int>(), f["hotspot_x"].get<int>(), f["hotspot_y"].get<int>(),
                f["command_table_offset"].get<unsigned>(),
                f["outline_table_offset"].get<unsigned>());
}

Status DescribeSLX(const std::string& path, InfoJson& out) {
  SLXGraphic graphic;
  if (Status loaded = LoadSLX(path, graphic); !loaded) return loaded;
  InfoJson& list = out["frames"] = InfoJson::array();
  int missing = 0;
  for (int32_t i = 1; i <= graphic.FrameCount; ++i) {
    const SLXFrame& frame = graphic.Frame(i);
    const bool colour = FileExists(graphic.ColourPath(i));
    const bool data = FileExists(graphic.DataPath(i));
    missing += !colour + !data;
    list.push_back({{"hotspot_x", frame.CenterX},
                    {"hotspot_y", frame.CenterY},
                    {"colour_file", frame.ColourFile},
                    {"colour_present", colour},
                    {"data_file", frame.DataFile},
                    {"data_present", data}});
  }
  out["missing_bitmaps"] = missing;
  return Status::Ok();
}

void PrintSLX(const InfoJson& d) {
  std::printf("SLX file %s\n", Text(d["file"]).c_str());
  std::printf("frames %zu\n", d["frames"].size());
  const auto presence = [](const InfoJson& present) {
    return present.get<bool>() ? "present" : "missing";
  };
  int number = 0;
  for (const InfoJson& f : d["frames"])
    std::printf("%6d hot spot %d,%d  colour %s (%s)  data %s (%s)\n", ++number,
                f["hotspot_x"].get<int>(), f["hotspot_y"].get<int>(),
                Text(f["colour_file"]).c_str(), presence(f["colour_present"]),
                Text(f["data_file"]).c_str(), presence(f["data_present"]));
  if (const int missing = d["missing_bitmaps"].get<int>(); missing > 0)
    std::printf("%d bitmap file(s) missing\n", missing);
}

Status DescribeBMP(const std::string& path, InfoJson& out) {
  // Decoded whole, so that a damaged or cut-off bitmap is reported.
  cDIBSection bitmap;
  if (Status loaded = bitmap.CreateFromPicture(path); !loaded)
    return Status::Fail(AboutFile(path, loaded.message()));
  out["bytes"] = FileSize(path);
  out["width"] = bitmap.Width();
  out["height"] = bitmap.Height();
  return Status::Ok();
}

void PrintBMP(const InfoJson& d) {
  std::printf("BMP file %s, %lld bytes\n", Text(d["file"]).c_str(),
              d["bytes"].get<long long>());
  std::printf("width %d, height %d\n", d["width"].get<int>(), d["height"].get<int>());
}

Status DescribePalette(const std::string& path, InfoJson& out) {
  Palette palette;
  if (Status loaded = LoadPalette(path, palette); !loaded) return loaded;
  InfoJson& colours = out["colours"] = InfoJson::array();
  for (int i = 0; i < 256; ++i) {
    const ColourValue c = palette.Colour(i);
    colours.push_back({RedOf(c), GreenOf(c), BlueOf(c)});
  }
  return Status::Ok();
}

void PrintPalette(const InfoJson& d) {
  std::printf("JASC-PAL palette %s\n", Text(d["file"]).c_str());
  std::printf("colours %zu\n", d["colours"].size());
  std::printf("%5s %5s %5s %5s\n", "index", "red", "green", "blue");
  int index = 0;
  for (const InfoJson& c : d["colours"])
    std::printf("%5d %5d %5d %5d\n", index++, c[0].get<int>(), c[1].get<int>(),
                c[2].get<int>());
}

}  // namespace zorv::cli
