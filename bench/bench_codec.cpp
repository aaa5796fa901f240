// SLP decoding and frame encoding of the real samples (ZORV_SAMPLES), in
// memory, each against a plain pass over the same pixels timed in the same
// run: decoding against copying the two output bitmaps (memcpy), encoding
// against reading the two input bitmaps. Times are processor time of this
// process (std::clock), in blocks of several passes, so that other programs
// sharing the machine do not count; an iteration is one such block, and the
// counters give the time of one pass over the sample.
#include <benchmark/benchmark.h>

#include <memory>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/BenchSamples.h"
#include "bench/BenchTiming.h"
#include "codec/DataColours.h"
#include "codec/Palettes.h"
#include "codec/SLPFrameEncoder.h"
#include "codec/SLPReader.h"
#include "common/FileIO.h"

namespace {

using zorv::bench::CPUSeconds;
using zorv::bench::RepsFor;

using zorv::bench::SamplesDir;

// Times work against its baseline in the same run, in CPU time, and reports
// megapixels per second, the ratio to the baseline and the time per pass.
template <typename Work, typename Baseline>
void MeasureAgainst(benchmark::State& state, int64_t sample_pixels, Work& work,
                    Baseline& baseline, const char* ratio_name) {
  const int reps = RepsFor(baseline);
  double work_seconds = 0, baseline_seconds = 0;
  for (auto _ : state) {
    const double once = CPUSeconds(reps, work);
    baseline_seconds += CPUSeconds(reps, baseline);
    work_seconds += once;
    state.SetIterationTime(once);
  }
  const double passes = static_cast<double>(reps) * static_cast<double>(state.iterations());
  state.counters["Mpixel_per_s"] = static_cast<double>(sample_pixels) * passes / work_seconds / 1e6;
  state.counters[ratio_name] = work_seconds / baseline_seconds;
  state.counters["us_per_pass"] = 1e6 * work_seconds / passes;
}

struct cDIBSectionPair {
  zorv::cDIBSection colour, data;
};

struct Sample {
  std::unique_ptr<zorv::SLPFile> file;
  zorv::Palette palette;
  std::vector<zorv::SLPFrameInfo> frames;
  std::vector<zorv::cDIBSection> colour, data;  // every frame decoded
  int64_t pixels = 0;
  bool ok = false;
};

// Reads and decodes a sample once, with its own palette.
Sample& LoadSample(const std::string& name) {
  static std::vector<std::pair<std::string, Sample*>> cache;
  for (auto& [n, s] : cache)
    if (n == name) return *s;
  auto* sample = new Sample;
  cache.emplace_back(name, sample);
  const std::string dir = SamplesDir();
  if (dir.empty()) return *sample;
  if (!zorv::LoadPalette(dir + name + ".pal", sample->palette)) return *sample;
  // The file's bytes in memory, so the benchmark measures decoding alone.
  std::string bytes;
  if (!zorv::ReadWholeFile(dir + name + ".slp", bytes)) return *sample;
  sample->file = std::make_unique<zorv::SLPFile>(std::move(bytes));
  zorv::SLPHeader header;
  if (!zorv::ReadSLPHeader(*sample->file, header, sample->frames)) return *sample;
  for (const auto& f : sample->frames) {
    zorv::cDIBSection colour, data;
    if (!zorv::DecodeSLPFrame(*sample->file, f, sample->palette, colour, data)) return *sample;
    sample->pixels += int64_t{f.Width} * f.Height;
    sample->colour.push_back(std::move(colour));
    sample->data.push_back(std::move(data));
  }
  sample->ok = true;
  return *sample;
}

void Decode(benchmark::State& state, const std::string& name) {
  Sample& sample = LoadSample(name);
  if (!sample.ok) {
    state.SkipWithError("ZORV_SAMPLES is not set or the sample does not load");
    return;
  }
  zorv::cDIBSection colour, data;
  // The copy baseline: both output bitmaps' bytes of every frame.
  std::vector<std::vector<uint8_t>> from, to;
  for (size_t i = 0; i < sample.frames.size(); ++i) {
    const size_t bytes = 2 * sample.colour[i].ImageSize();
    from.emplace_back(bytes, uint8_t(i));
    to.emplace_back(bytes, 0);
  }
  auto decode_all = [&] {
    for (const auto& f : sample.frames) {
      benchmark::DoNotOptimize(
          zorv::DecodeSLPFrame(*sample.file, f, sample.palette, colour, data).ok());
      benchmark::DoNotOptimize(colour.DIBSectionBitsPtr());
      benchmark::DoNotOptimize(data.DIBSectionBitsPtr());
    }
  };
  auto copy_all = [&] {
    for (size_t i = 0; i < from.size(); ++i) {
      std::memcpy(to[i].data(), from[i].data(), from[i].size());
      benchmark::DoNotOptimize(to[i].data());
    }
  };
  MeasureAgainst(state, sample.pixels, decode_all, copy_all, "ratio_to_copy");
}

void Encode(benchmark::State& state, const std::string& name) {
  Sample& sample = LoadSample(name);
  if (!sample.ok) {
    state.SkipWithError("ZORV_SAMPLES is not set or the sample does not load");
    return;
  }
  // The editor and the compiler code against the built-in palette. One
  // encoder serves a whole job, as it does in a conversion.
  zorv::SLPRunEncoder encoder(zorv::Palette::BuiltIn());
  zorv::SLPEncodedFrame encoded;
  zorv::SLPRunFault fault;
  auto encode_all = [&] {
    for (size_t i = 0; i < sample.frames.size(); ++i)
      benchmark::DoNotOptimize(
          zorv::EncodeSLPFrame(sample.colour[i], sample.data[i], encoder, encoded, fault));
  };
  // The read baseline: every byte of both input bitmaps, summed.
  auto read_all = [&] {
    uint64_t sum = 0;
    for (size_t i = 0; i < sample.frames.size(); ++i) {
      for (const zorv::cDIBSection* bitmap : {&sample.colour[i], &sample.data[i]}) {
        const uint8_t* p = bitmap->DIBSectionBitsPtr();
        for (uint32_t k = 0; k < bitmap->ImageSize(); ++k) sum += p[k];
      }
    }
    benchmark::DoNotOptimize(sum);
  };
  MeasureAgainst(state, sample.pixels, encode_all, read_all, "ratio_to_read");
}

// A rendered picture of 1024 x 768 in full colour: a sky gradient behind
// a lit sphere, with the grain of a renderer's sampling noise, so nearly
// every pixel differs from its neighbours and hundreds of thousands of
// colours are new to the palette.
cDIBSectionPair FullColourRender() {
  cDIBSectionPair render;
  const int32_t width = 1024, height = 768;
  render.colour.Create(width, height);
  render.data.Create(width, height);
  render.data.Fill(zorv::kDataNormal);
  uint32_t seed = 99;
  auto grain = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>(seed >> 29) - 4;  // -4..3
  };
  auto clamp = [](double v) { return std::clamp(static_cast<int>(v), 0, 255); };
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      double r = 60 + 120.0 * y / height, g = 110 + 90.0 * y / height, b = 230 - 60.0 * y / height;
      const double dx = (x - 512) / 300.0, dy = (y - 384) / 300.0;
      if (dx * dx + dy * dy < 1) {
        const double dz = std::sqrt(1 - dx * dx - dy * dy);
        const double light = std::max(0.0, -0.5 * dx - 0.6 * dy + 0.62 * dz);
        r = 40 + 200 * light;
        g = 25 + 150 * light;
        b = 10 + 90 * light;
      }
      const int red = clamp(r + grain()), green = clamp(g + grain()), blue = clamp(b + grain());
      render.colour.SetPixel(x, y, zorv::RGBColour(red, green, blue));
    }
  }
  return render;
}

// Encoding the full-colour render against encoding the same picture drawn
// in the palette's colours (each pixel replaced by the colour it is coded
// as, so both give the same bytes): the cost of matching new colours. Each
// pass is one job with an encoder of its own, as a conversion has.
void BM_EncodeFullColourRender(benchmark::State& state) {
  const zorv::Palette& palette = zorv::Palette::BuiltIn();
  static const cDIBSectionPair full = FullColourRender();
  static const cDIBSectionPair in_palette = [&] {
    cDIBSectionPair mapped = full;
    for (int32_t y = 0; y < mapped.colour.Height(); ++y)
      for (int32_t x = 0; x < mapped.colour.Width(); ++x)
        mapped.colour.SetPixel(
            x, y, palette.Colour(zorv::NearestPaletteIndex(palette, full.colour.GetPixel(x, y))));
    return mapped;
  }();
  zorv::SLPEncodedFrame encoded;
  zorv::SLPRunFault fault;
  auto encode = [&](const cDIBSectionPair& picture) {
    zorv::SLPRunEncoder encoder(palette);
    benchmark::DoNotOptimize(
        zorv::EncodeSLPFrame(picture.colour, picture.data, encoder, encoded, fault));
  };
  auto encode_full = [&] { encode(full); };
  auto encode_in_palette = [&] { encode(in_palette); };
  MeasureAgainst(state, int64_t{1024} * 768, encode_full, encode_in_palette,
                 "ratio_to_palette_colours");
}

void BM_DecodeUnit(benchmark::State& state) { Decode(state, "unit"); }
void BM_DecodeScreen(benchmark::State& state) { Decode(state, "screen"); }
void BM_EncodeUnit(benchmark::State& state) { Encode(state, "unit"); }
void BM_EncodeScreen(benchmark::State& state) { Encode(state, "screen"); }

BENCHMARK(BM_DecodeUnit)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeScreen)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeUnit)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeScreen)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeFullColourRender)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
