// Importing the real samples' frames (ZORV_SAMPLES) from the PNG pictures
// the export makes of them, in memory, against encoding the same frames in
// the same run: the counter ratio_to_encode says how many encodings of the
// decoded frames into an SLP (EncodeSLP) one import costs. An import is
// every PNG decoded, its pixels classified (RGBA by the auto-generation
// rules, paletted by their indices), the colour and data bitmaps compressed
// into the PNG bytes the SLX's frame files hold, and the SLP encoded from
// them; writing files is left out. The PNG pictures are made before timing.
#include <benchmark/benchmark.h>

#include <span>
#include <string>
#include <vector>

#include "bench/BenchSamples.h"
#include "bench/BenchTiming.h"
#include "codec/BitmapPNG.h"
#include "codec/FrameRender.h"
#include "codec/PNGFiles.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "codec/SLPWriter.h"
#include "tools/ImportPNGFrames.h"

namespace {


enum class Format { kRGBA, kIndexed };

void Import(benchmark::State& state, const std::string& name, Format format) {
  const std::string dir = zorv::bench::SamplesDir();
  zorv::Palette palette;
  zorv::SLPFile file;
  std::vector<zorv::FrameBitmaps> decoded;
  if (dir.empty() || !zorv::LoadPalette(dir + name + ".pal", palette) ||
      !file.Open(dir + name + ".slp") || !zorv::DecodeSLP(file, palette, decoded)) {
    state.SkipWithError("ZORV_SAMPLES is not set or the sample does not load");
    return;
  }
  // The exported pictures: RGBA for player 1 without outlines, or paletted.
  zorv::SLPHeader header;
  std::vector<zorv::SLPFrameInfo> infos;
  if (!zorv::ReadSLPHeader(file, header, infos)) {
    state.SkipWithError("the sample's frame table does not load");
    return;
  }
  std::vector<std::string> pictures;
  int64_t pixels_total = 0;
  zorv::RenderOptions render;
  zorv::FramePixels pixels;
  for (const auto& f : infos) {
    zorv::RGBAImage rgba;
    zorv::IndexedImage indexed;
    std::string png;
    bool ok = zorv::FramePixelsFromSLP(file, f, pixels).ok();
    if (format == Format::kRGBA)
      ok = ok && zorv::RenderRGBA(pixels, palette, render, rgba).ok() &&
           zorv::EncodeRGBAPNG(rgba, png).ok();
    else
      ok = ok && zorv::RenderIndexed(pixels, palette, render, indexed).ok() &&
           zorv::EncodeIndexedPNG(indexed, png).ok();
    if (!ok) {
      state.SkipWithError("the sample does not export");
      return;
    }
    pictures.push_back(std::move(png));
    pixels_total += int64_t{f.Width} * f.Height;
  }
  zorv::PNGImportOptions options;
  options.Rules.ShadowColour = zorv::kNoShadow;
  options.Rules.PlayerColour = palette.Colour(21);
  options.Rules.PlayerTolerance = 40;
  options.Rules.Outlines = false;

  std::vector<zorv::FrameBitmaps> imported(pictures.size());
  zorv::PNGPicture picture;
  std::string frame_file, slp;
  auto import_all = [&] {
    for (size_t i = 0; i < pictures.size(); ++i) {
      zorv::FrameBitmaps& frame = imported[i];
      bool ok = zorv::DecodePNG(pictures[i], picture).ok() &&
                zorv::FrameFromPNG(picture, options, palette, frame.Colour, frame.Data).ok() &&
                zorv::EncodeBitmapPNG(frame.Colour, frame_file).ok() &&
                zorv::EncodeBitmapPNG(frame.Data, frame_file).ok();
      frame.CenterX = decoded[i].CenterX;
      frame.CenterY = decoded[i].CenterY;
      benchmark::DoNotOptimize(ok);
    }
    benchmark::DoNotOptimize(
        zorv::EncodeSLP(std::span<const zorv::FrameBitmaps>(imported), palette, slp).ok());
  };
  auto encode_all = [&] {
    benchmark::DoNotOptimize(
        zorv::EncodeSLP(std::span<const zorv::FrameBitmaps>(decoded), palette, slp).ok());
  };
  zorv::bench::MeasurePassesAgainst(state, pixels_total, import_all, encode_all,
                                    "ratio_to_encode");
}

}  // namespace

BENCHMARK_CAPTURE(Import, unit_png, std::string("unit"), Format::kRGBA)->UseManualTime();
BENCHMARK_CAPTURE(Import, unit_indexed, std::string("unit"), Format::kIndexed)->UseManualTime();
BENCHMARK_CAPTURE(Import, screen_png, std::string("screen"), Format::kRGBA)->UseManualTime();
BENCHMARK_CAPTURE(Import, screen_indexed, std::string("screen"), Format::kIndexed)
    ->UseManualTime();
