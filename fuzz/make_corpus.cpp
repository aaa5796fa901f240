// Writes the seed corpora of the fuzz targets into <out>/<target>/: files
// the program makes itself (bitmaps, SLP and SLX graphics, projects,
// palettes, packages) plus, when ZORV_SAMPLES is set, the real sample files
// of the matching kinds.
//   make_corpus <out folder>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "codec/BitmapPNG.h"
#include "codec/DIBSection.h"
#include "codec/PNGFiles.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "codec/SLPWriter.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/SLXBundle.h"
#include "package/MPIPackage.h"
#include "project/ModProject.h"

namespace fs = std::filesystem;
using namespace zorv;

namespace {

fs::path out_root;
int written = 0;

void Seed(const std::string& target, const std::string& name, std::string_view bytes) {
  fs::create_directories(out_root / target);
  if (!WriteFileSafely((out_root / target / name).string(), bytes)) {
    std::fprintf(stderr, "cannot write seed %s/%s\n", target.c_str(), name.c_str());
    std::exit(1);
  }
  ++written;
}

std::string ReadOrDie(const std::string& path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    std::exit(1);
  }
  return bytes;
}

void PutLE(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 255));
}

// A small BMP of any layout: header fields, colour table and pixel bytes
// as given; offsets and sizes computed.
std::string BuildBMP(uint32_t header_size, int32_t width, int32_t height, uint16_t bits,
                     uint32_t compression, const std::vector<uint32_t>& masks,
                     const std::vector<ColourValue>& table, const std::string& pixels) {
  std::string header;
  PutLE(header, header_size, 4);
  if (header_size == 12) {
    PutLE(header, static_cast<uint32_t>(width), 2);
    PutLE(header, static_cast<uint32_t>(height), 2);
    PutLE(header, 1, 2);
    PutLE(header, bits, 2);
  } else {
    PutLE(header, static_cast<uint32_t>(width), 4);
    PutLE(header, static_cast<uint32_t>(height), 4);
    PutLE(header, 1, 2);
    PutLE(header, bits, 2);
    PutLE(header, compression, 4);
    PutLE(header, static_cast<uint32_t>(pixels.size()), 4);
    PutLE(header, 2835, 4);
    PutLE(header, 2835, 4);
    PutLE(header, static_cast<uint32_t>(table.size()), 4);
    PutLE(header, 0, 4);
    for (uint32_t mask : masks) PutLE(header, mask, 4);
    header.resize(std::max<size_t>(header.size(), header_size), '\0');
  }
  for (ColourValue c : table) {
    header.push_back(static_cast<char>(BlueOf(c)));
    header.push_back(static_cast<char>(GreenOf(c)));
    header.push_back(static_cast<char>(RedOf(c)));
    if (header_size != 12) header.push_back('\0');
  }
  std::string out = "BM";
  const uint32_t offset = static_cast<uint32_t>(14 + header.size());
  PutLE(out, static_cast<uint32_t>(offset + pixels.size()), 4);
  PutLE(out, 0, 4);
  PutLE(out, offset, 4);
  return out + header + pixels;
}

// The settings bytes fuzz_autogen reads before its bitmap: flags (outlines,
// crop, player colours, fix purple, through files, magenta mask, no
// shadow), mask, shadow and player colours, the two tolerances, hot spot.
std::string AutoGenSettings(uint8_t flags) {
  std::string s(1, static_cast<char>(flags));
  s += std::string("\xFF\x00\xFF", 3);  // mask
  s += std::string("\xFF\x00\x00", 3);  // shadow
  s += std::string("\x00\x00\xFF", 3);  // player
  s += std::string("\x0F\x1E\x00\x05", 4);
  return s;
}

// A bitmap seeds the BMP reader, icon conversion and auto-generation (in
// memory with every pass, and saved through files).
void SeedBitmap(const std::string& name, std::string_view bytes) {
  Seed("fuzz_bmp_reader", name, bytes);
  Seed("fuzz_icon", name, bytes);
  Seed("fuzz_autogen", "memory_" + name, AutoGenSettings(0x2F) + std::string(bytes));
  Seed("fuzz_autogen", "files_" + name, AutoGenSettings(0x3F) + std::string(bytes));
}

void SeedSLP(const std::string& name, std::string_view bytes) {
  Seed("fuzz_slp_reader", name, bytes);
  Seed("fuzz_slp_file", name, bytes);
  Seed("fuzz_slp_to_slx", name, bytes);
  // Exported in RGBA for player 2 with outlines, and paletted.
  Seed("fuzz_png_export", "rgba_" + name, std::string(1, '\x12') + std::string(bytes));
  Seed("fuzz_png_export", "indexed_" + name, std::string(1, '\x01') + std::string(bytes));
}

// PNG files the exporter writes, for the reader.
void PNGSeeds() {
  RGBAImage rgba;
  rgba.Width = 3;
  rgba.Height = 2;
  for (int i = 0; i < 24; ++i) rgba.Pixels.push_back(static_cast<uint8_t>(i * 11));
  std::string bytes;
  if (EncodeRGBAPNG(rgba, bytes)) Seed("fuzz_png_export", "rgba.png", "\x20" + bytes);
  IndexedImage indexed;
  indexed.Width = 2;
  indexed.Height = 2;
  indexed.Indices = {0, 10, 255, 7};
  indexed.Colours = Palette::BuiltIn().Colours();
  indexed.Alpha.fill(255);
  indexed.Alpha[255] = 0;
  if (EncodeIndexedPNG(indexed, bytes)) Seed("fuzz_png_export", "indexed.png", "\x20" + bytes);
}

// Sheet lists as export --format sheet writes them, for a 64 x 32 sheet.
void SheetListSeeds() {
  const std::string size("\x3F\x1F", 2);
  Seed("fuzz_sheet_list", "two_frames.json",
       size + R"({"image": "s.png", "width": 64, "height": 32, "frames": [
  {"frame": 1, "x": 0, "y": 0, "width": 20, "height": 30, "hotspot": {"x": 10, "y": -4}},
  {"frame": 2, "x": 20, "y": 0, "width": 44, "height": 32, "hotspot": {"x": 22, "y": 31}}]})");
  Seed("fuzz_sheet_list", "outside.json",
       size + R"({"frames": [{"x": 60, "y": 0, "width": 5, "height": 1, "hotspot": {"x": 0, "y": 0}}]})");
}

void BitmapSeeds() {
  for (auto [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {3, 2}, {5, 7}, {16, 3}}) {
    cDIBSection bitmap;
    bitmap.Create(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) bitmap.SetPixel(x, y, RGBColour(x * 40, y * 30, (x + y) * 9));
    SeedBitmap("rgb24_" + std::to_string(w) + "x" + std::to_string(h) + ".bmp", bitmap.BMPBytes());
  }
  const std::vector<ColourValue> two = {RGBColour(0, 0, 0), RGBColour(255, 255, 255)};
  std::vector<ColourValue> sixteen, many;
  for (int i = 0; i < 16; ++i) sixteen.push_back(RGBColour(i * 16, 255 - i * 16, i));
  for (int i = 0; i < 256; ++i) many.push_back(Palette::BuiltIn().Colour(i));
  // Rows are 4-byte aligned; pixel bytes here are already padded.
  SeedBitmap("mono.bmp", BuildBMP(40, 8, 2, 1, 0, {}, two, std::string("\xA5\0\0\0\x5A\0\0\0", 8)));
  SeedBitmap("four.bmp", BuildBMP(40, 4, 2, 4, 0, {}, sixteen, std::string("\x01\x23\0\0\x45\x67\0\0", 8)));
  SeedBitmap("eight.bmp", BuildBMP(40, 3, 2, 8, 0, {}, many, std::string("\x01\x02\x03\0\xFE\xFF\x10\0", 8)));
  SeedBitmap("eight_topdown.bmp", BuildBMP(40, 3, -2, 8, 0, {}, many, std::string("\x01\x02\x03\0\xFE\xFF\x10\0", 8)));
  SeedBitmap("core8.bmp", BuildBMP(12, 2, 2, 8, 0, {}, many, std::string("\x05\x06\0\0\x07\x08\0\0", 8)));
  // RLE8: a run, an absolute run, a delta, end of line, end of bitmap.
  SeedBitmap("rle8.bmp", BuildBMP(40, 6, 3, 8, 1, {}, many,
                               std::string("\x03\x07\x00\x03\x01\x02\x03\x00\x00\x00\x02\x01\x01"
                                           "\x02\x09\x00\x00\x00\x01", 19)));
  SeedBitmap("rle4.bmp", BuildBMP(40, 6, 2, 4, 2, {}, sixteen,
                               std::string("\x04\x12\x00\x04\x34\x56\x00\x00\x06\x78\x00\x01", 12)));
  SeedBitmap("rgb16_bitfields.bmp", BuildBMP(40, 2, 1, 16, 3, {0xF800, 0x07E0, 0x001F}, {},
                                          std::string("\x1F\xF8\xE0\x07", 4)));
  SeedBitmap("rgb16.bmp", BuildBMP(40, 2, 1, 16, 0, {}, {}, std::string("\x1F\x7C\xE0\x03", 4)));
  SeedBitmap("rgb32.bmp", BuildBMP(40, 2, 1, 32, 0, {}, {}, std::string("\x01\x02\x03\0\x04\x05\x06\0", 8)));
  SeedBitmap("rgb32_v4.bmp", BuildBMP(108, 2, 1, 32, 3, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {},
                                   std::string("\x01\x02\x03\xFF\x04\x05\x06\x80", 8)));
  SeedBitmap("rgb24_v5.bmp", BuildBMP(124, 1, 1, 24, 0, {}, {}, std::string("\x01\x02\x03\0", 4)));
}

// One frame with every kind of pixel: a shadow band, an outlined body with
// player colour, transparent corners.
void PaintFrame(int32_t width, int32_t height, int32_t seed, cDIBSection& colour,
                cDIBSection& data) {
  colour.Create(width, height);
  data.Create(width, height);
  data.Fill(kDataTransparent);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      ColourValue kind = kDataTransparent;
      if (y == height - 1) kind = kDataShadow;
      else if (x == 0 || x == width - 1) kind = (y % 2) ? kDataBlackOutline : kDataPlayerOutline;
      else if (x == y % width) kind = kDataPlayer;
      else if ((x + y + seed) % 5 != 0) kind = kDataNormal;
      data.SetPixel(x, y, kind);
      colour.SetPixel(x, y, Palette::BuiltIn().Colour((x * 7 + y * 13 + seed) % 256));
    }
  }
}

struct Made {
  std::string slx_text;
  std::vector<std::string> bitmaps;  // 1.bmp, 2.bmp, ... as the SLX names them
  std::string slp;
};

// A graphic of frame_count frames made through the program's own writer.
Made MakeGraphic(const fs::path& folder, int32_t frame_count, int32_t width, int32_t height) {
  Made made;
  SLXGraphic graphic;
  graphic.Path = (folder / "g.slx").string();
  graphic.FrameCount = frame_count;
  for (int32_t i = 1; i <= frame_count; ++i) {
    cDIBSection colour, data;
    PaintFrame(width + i - 1, height, i, colour, data);
    const std::string colour_name = std::to_string(2 * i - 1) + ".bmp";
    const std::string data_name = std::to_string(2 * i) + ".bmp";
    if (!colour.SavePicture((folder / colour_name).string()) ||
        !data.SavePicture((folder / data_name).string())) {
      std::exit(1);
    }
    made.bitmaps.push_back(colour.BMPBytes());
    made.bitmaps.push_back(data.BMPBytes());
    graphic.Frames.push_back(SLXFrame{colour_name, data_name, width / 2 - i, height - 1});
  }
  made.slx_text = FormatSLX(graphic);
  if (!ConvertSLXToSLP(graphic, (folder / "g.slp").string(), Palette::BuiltIn())) std::exit(1);
  made.slp = ReadOrDie((folder / "g.slp").string());
  return made;
}

void GraphicSeeds(const fs::path& scratch) {
  struct Shape { int32_t frames, width, height; };
  int n = 0;
  for (Shape s : {Shape{1, 1, 1}, Shape{1, 6, 4}, Shape{2, 9, 5}, Shape{4, 12, 10}}) {
    fs::path folder = scratch / ("g" + std::to_string(++n));
    fs::create_directories(folder);
    Made made = MakeGraphic(folder, s.frames, s.width, s.height);
    const std::string name = "made" + std::to_string(n);
    SeedSLP(name + ".slp", made.slp);
    Seed("fuzz_slx", name + ".slx", made.slx_text);
    std::vector<std::string> parts{made.slx_text};
    parts.insert(parts.end(), made.bitmaps.begin(), made.bitmaps.end());
    if (parts.size() <= fuzz::kMaxBundleParts) Seed("fuzz_slx_to_slp", name + ".bundle", fuzz::JoinBundle(parts));
    // The same graphic with PNG frames, which the loader tells by content.
    std::vector<std::string> png_parts{made.slx_text};
    for (const std::string& bmp : made.bitmaps) {
      cDIBSection bitmap;
      std::string png;
      if (!bitmap.CreateFromBMPBytes(bmp) || !EncodeBitmapPNG(bitmap, png)) std::exit(1);
      png_parts.push_back(png);
    }
    if (png_parts.size() <= fuzz::kMaxBundleParts)
      Seed("fuzz_slx_to_slp", name + "_png.bundle", fuzz::JoinBundle(png_parts));
    for (size_t i = 0; i < made.bitmaps.size() && i < 2; ++i)
      SeedBitmap(name + "_" + std::to_string(i) + ".bmp", made.bitmaps[i]);

    // The SLX the reader writes back from that SLP.
    const std::string slx_path = (folder / "back.slx").string();
    if (!ConvertSLPToSLX((folder / "g.slp").string(), slx_path, Palette::BuiltIn()))
      std::exit(1);
    Seed("fuzz_slx", name + "_back.slx", ReadOrDie(slx_path));
  }
  // The empty graphic.
  SLXGraphic empty;
  Seed("fuzz_slx", "empty.slx", FormatSLX(empty));
}

// A sprite as modders paint them: magenta background, a body with blue
// player shades, a red shadow below.
cDIBSection PaintedSprite() {
  cDIBSection colour;
  colour.Create(12, 10);
  colour.Fill(kMagenta);
  for (int32_t y = 2; y < 7; ++y)
    for (int32_t x = 3; x < 9; ++x)
      colour.SetPixel(x, y, (x + y) % 4 == 0 ? RGBColour(20, 30, 200) : RGBColour(120, 90, 40));
  for (int32_t x = 2; x < 10; ++x) colour.SetPixel(x, 8, RGBColour(255, 0, 0));
  return colour;
}

void AutoGenSeeds() {
  const std::string sprite = PaintedSprite().BMPBytes();
  SeedBitmap("sprite.bmp", sprite);
  // No crop, no outlines; fix purple alone; no shadow.
  Seed("fuzz_autogen", "plain_sprite", AutoGenSettings(0x24) + sprite);
  Seed("fuzz_autogen", "purple_sprite", AutoGenSettings(0x0D) + sprite);
  Seed("fuzz_autogen", "noshadow_sprite", AutoGenSettings(0x67) + sprite);
  std::string png;
  if (!EncodeBitmapPNG(PaintedSprite(), png)) std::exit(1);
  Seed("fuzz_autogen", "png_sprite", AutoGenSettings(0x24) + png);
}

// A project using every kind of resource, its files the parts after the
// project text (resource i uses part i): the readme, an SLX graphic whose
// frame bitmaps are parts 3 and 4, which are also packaged as an icon and a
// plain file, and a sound.
void CompileSeeds() {
  cDIBSection colour = PaintedSprite(), data;
  data.Create(colour.Width(), colour.Height());
  data.Fill(kDataTransparent);
  for (int32_t y = 2; y < 7; ++y)
    for (int32_t x = 3; x < 9; ++x) data.SetPixel(x, y, (x + y) % 4 == 0 ? kDataPlayer : kDataNormal);
  SLXGraphic graphic;
  graphic.FrameCount = 1;
  graphic.Frames.push_back(SLXFrame{"3.bmp", "4.bmp", 6, 8});

  ModProject project = MakeNewProject("p.mpr");
  project.Title = "Seed mod";
  project.Resources.clear();
  struct Entry { int16_t kind, target; };
  const Entry entries[] = {{KindFile, kTargetReadme}, {KindSLX, 1}, {KindBMP, 2}, {KindFile, 3},
                           {KindWAV, 4}};
  int32_t id = 50500;
  for (const Entry& e : entries) {
    ProjectResource r;
    r.Name = "resource " + std::to_string(id);
    r.FilePath = "C:\\mod\\file.dat";
    r.Kind = e.kind;
    r.ReplaceTarget = e.target;
    r.ResourceID = id++;
    r.IconFlags = e.kind == KindBMP ? IconFlagsValue(0x15, 2) : 0;
    project.Resources.push_back(r);
  }
  project.ResourceCount = static_cast<int16_t>(project.Resources.size());
  const std::vector<std::string> parts = {
      FormatProjectFile(project), "Read me first.\r\nA seed mod.\r\n", FormatSLX(graphic),
      colour.BMPBytes(), data.BMPBytes(), std::string("RIFF\0\0\0\0WAVE", 12)};
  Seed("fuzz_compile", "every_kind.bundle", fuzz::JoinBundle(parts));
  // Without a readme, and with no resources at all.
  project.Resources.erase(project.Resources.begin());
  project.ResourceCount = static_cast<int16_t>(project.Resources.size());
  Seed("fuzz_compile", "no_readme.bundle", fuzz::JoinBundle({FormatProjectFile(project), parts[2]}));
  Seed("fuzz_compile", "new.bundle", FormatProjectFile(MakeNewProject("p.mpr")));
}

void ProjectSeeds() {
  ModProject project = MakeNewProject("p.mpr");
  Seed("fuzz_project_file", "new.mpr", FormatProjectFile(project));
  project.Title = "A mod with every kind";
  project.Resources.clear();
  const int16_t kinds[] = {KindSLP, KindWAV, KindBIN, KindSLX, KindFile, KindBMP};
  for (int16_t i = 0; i < 6; ++i) {
    ProjectResource r;
    r.Name = "resource " + std::to_string(i + 1);
    r.FilePath = "C:\\mods\\file" + std::to_string(i) + ".dat";
    r.Kind = kinds[i];
    r.ReplaceTarget = static_cast<int16_t>(i * 2);
    r.ResourceID = 50000 + i;
    r.IconFlags = kinds[i] == KindBMP ? IconFlagsValue(0x15, 2) : 0;
    project.Resources.push_back(r);
  }
  project.ResourceCount = 6;
  Seed("fuzz_project_file", "six.mpr", FormatProjectFile(project));
}

void PaletteSeeds() {
  std::string text = "JASC-PAL\r\n0100\r\n256\r\n";
  for (int i = 0; i < 256; ++i) {
    ColourValue c = Palette::BuiltIn().Colour(i);
    text += std::to_string(RedOf(c)) + " " + std::to_string(GreenOf(c)) + " " +
            std::to_string(BlueOf(c)) + "\r\n";
  }
  Seed("fuzz_palette", "builtin.pal", text);
}

void PackageSeeds() {
  std::vector<std::string> datas = {"first entry", std::string("\0\1\2\3", 4), "x"};
  std::string title = "Title", readme = "Read me\r\nsecond line";
  std::string bytes = EncodeMPIHeader(static_cast<int16_t>(datas.size()), title, readme);
  int64_t offset = static_cast<int64_t>(bytes.size()) + kMPIEntrySize * static_cast<int64_t>(datas.size());
  for (size_t i = 0; i < datas.size(); ++i) {
    MPIEntry entry;
    entry.Kind = static_cast<uint8_t>(i + 1);
    entry.ReplaceTarget = static_cast<uint8_t>(i);
    entry.ResourceID = static_cast<int32_t>(100 + i);
    entry.Length = static_cast<int32_t>(datas[i].size());
    entry.Offset = static_cast<int32_t>(offset);
    offset += entry.Length;
    bytes += EncodeMPIEntry(entry);
  }
  for (const std::string& d : datas) bytes += d;
  Seed("fuzz_mpi_package", "three.mpi", bytes);
  Seed("fuzz_mpi_package", "empty.mpi", EncodeMPIHeader(0, "", ""));
}

void SampleSeeds() {
  const char* samples = std::getenv("ZORV_SAMPLES");
  if (!samples || !*samples || !fs::is_directory(samples)) return;
  for (const auto& entry : fs::directory_iterator(samples)) {
    const std::string ext = entry.path().extension().string();
    const std::string name = "sample_" + entry.path().filename().string();
    if (ext == ".slp") {
      std::string bytes = ReadOrDie(entry.path().string());
      SeedSLP(name, bytes);
    } else if (ext == ".pal") {
      Seed("fuzz_palette", name, ReadOrDie(entry.path().string()));
    } else if (ext == ".bmp") {
      SeedBitmap(name, ReadOrDie(entry.path().string()));
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_corpus <out folder>\n");
    return 2;
  }
  out_root = argv[1];
  fuzz::InitialiseProgramState();
  fuzz::FuzzTempFolder scratch("make_corpus");
  BitmapSeeds();
  AutoGenSeeds();
  CompileSeeds();
  GraphicSeeds(scratch.Folder());
  ProjectSeeds();
  PaletteSeeds();
  PackageSeeds();
  SampleSeeds();
  PNGSeeds();
  SheetListSeeds();
  std::printf("%d seed files in %s\n", written, out_root.string().c_str());
  return 0;
}
