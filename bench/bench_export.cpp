// Exporting the real samples' frames (ZORV_SAMPLES) as PNG, as a sprite
// sheet and as an animated GIF, in memory, against decoding the same frames
// in the same run: the counter ratio_to_decode says how many decodings one
// export costs. An export is the frame read with its exact indices, the
// picture made and compressed into PNG bytes (or the sheet laid out, its
// list written and the sheet compressed; or the GIF's frames placed and
// compressed); writing the files is left out, as the disk's speed is no
// property of the code. The sheet and the GIF read their frames through
// GraphicFrames, which opens the SLP file anew in every pass. Times are processor time (std::clock) in blocks of
// several passes, as in bench_codec.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchSamples.h"
#include "bench/BenchTiming.h"
#include "codec/ExportComposed.h"
#include "codec/FrameRender.h"
#include "codec/PNGFiles.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "common/FileIO.h"

namespace {

using zorv::bench::MeasurePassesAgainst;

struct Sample {
  std::unique_ptr<zorv::SLPFile> file;
  zorv::Palette palette;
  std::vector<zorv::SLPFrameInfo> frames;
  int64_t pixels = 0;
  bool ok = false;
};

Sample LoadSample(const std::string& name) {
  Sample sample;
  const std::string dir = zorv::bench::SamplesDir();
  if (dir.empty() || !zorv::LoadPalette(dir + name + ".pal", sample.palette)) return sample;
  std::string bytes;
  if (!zorv::ReadWholeFile(dir + name + ".slp", bytes)) return sample;
  sample.file = std::make_unique<zorv::SLPFile>(std::move(bytes));
  zorv::SLPHeader header;
  if (!zorv::ReadSLPHeader(*sample.file, header, sample.frames)) return sample;
  for (const auto& f : sample.frames) sample.pixels += int64_t{f.Width} * f.Height;
  sample.ok = true;
  return sample;
}

// Times export_all, one pass at a time, against decoding the same frames
// (repeated to take measurable time) in the same run, and gives the
// counters every export benchmark reports.
template <typename Export>
void MeasureAgainstDecode(benchmark::State& state, const Sample& sample, Export& export_all) {
  zorv::cDIBSection colour, data;
  auto decode_all = [&] {
    for (const auto& f : sample.frames) {
      benchmark::DoNotOptimize(
          zorv::DecodeSLPFrame(*sample.file, f, sample.palette, colour, data).ok());
      benchmark::DoNotOptimize(colour.DIBSectionBitsPtr());
    }
  };
  MeasurePassesAgainst(state, sample.pixels, export_all, decode_all, "ratio_to_decode");
}

enum class Format { kRGBA, kIndexed };

void Export(benchmark::State& state, const std::string& name, Format format) {
  const Sample sample = LoadSample(name);
  if (!sample.ok) {
    state.SkipWithError("ZORV_SAMPLES is not set or the sample does not load");
    return;
  }
  zorv::RenderOptions options;
  options.Player = 2;
  options.Outlines = true;
  zorv::FramePixels pixels;
  zorv::RGBAImage rgba;
  zorv::IndexedImage indexed;
  std::string png;
  uint64_t png_bytes = 0;
  auto export_all = [&] {
    png_bytes = 0;
    for (const auto& f : sample.frames) {
      bool ok = zorv::FramePixelsFromSLP(*sample.file, f, pixels).ok();
      if (format == Format::kRGBA)
        ok = ok && zorv::RenderRGBA(pixels, sample.palette, options, rgba).ok() &&
             zorv::EncodeRGBAPNG(rgba, png).ok();
      else
        ok = ok && zorv::RenderIndexed(pixels, sample.palette, options, indexed).ok() &&
             zorv::EncodeIndexedPNG(indexed, png).ok();
      benchmark::DoNotOptimize(ok);
      png_bytes += png.size();
    }
  };
  MeasureAgainstDecode(state, sample, export_all);
  state.counters["png_kbytes"] = static_cast<double>(png_bytes) / 1024;
}

enum class Composed { kSheet, kGIF };

void ExportComposed(benchmark::State& state, const std::string& name, Composed kind) {
  const Sample sample = LoadSample(name);
  if (!sample.ok) {
    state.SkipWithError("ZORV_SAMPLES is not set or the sample does not load");
    return;
  }
  const std::string path = zorv::bench::SamplesDir() + name + ".slp";
  zorv::ExportSettings settings;
  settings.Render.Player = 2;
  settings.Render.Outlines = true;
  zorv::RGBAImage sheet;
  std::string list, bytes;
  auto export_all = [&] {
    zorv::GraphicFrames frames;
    bool ok = frames.Open(path, false, sample.palette).ok();
    if (kind == Composed::kSheet)
      ok = ok && zorv::MakeSheet(frames, sample.palette, settings, name + ".png", sheet, list)
                     .ok() &&
           zorv::EncodeRGBAPNG(sheet, bytes).ok();
    else
      ok = ok && zorv::MakeGIF(frames, sample.palette, settings, bytes).ok();
    if (!ok) state.SkipWithError("the export failed");
    benchmark::DoNotOptimize(bytes.data());
  };
  MeasureAgainstDecode(state, sample, export_all);
  state.counters["file_kbytes"] = static_cast<double>(bytes.size()) / 1024;
}

}  // namespace

BENCHMARK_CAPTURE(Export, unit_png, std::string("unit"), Format::kRGBA)->UseManualTime();
BENCHMARK_CAPTURE(Export, unit_indexed, std::string("unit"), Format::kIndexed)->UseManualTime();
BENCHMARK_CAPTURE(Export, screen_png, std::string("screen"), Format::kRGBA)->UseManualTime();
BENCHMARK_CAPTURE(Export, screen_indexed, std::string("screen"), Format::kIndexed)
    ->UseManualTime();
BENCHMARK_CAPTURE(ExportComposed, unit_sheet, std::string("unit"), Composed::kSheet)
    ->UseManualTime();
BENCHMARK_CAPTURE(ExportComposed, unit_gif, std::string("unit"), Composed::kGIF)->UseManualTime();
BENCHMARK_CAPTURE(ExportComposed, screen_sheet, std::string("screen"), Composed::kSheet)
    ->UseManualTime();
BENCHMARK_CAPTURE(ExportComposed, screen_gif, std::string("screen"), Composed::kGIF)
    ->UseManualTime();
