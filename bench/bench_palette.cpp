// Colour matching: colours taken from the palette (the exact pass) and
// arbitrary colours (the distance pass), in nanoseconds per call.
#include <benchmark/benchmark.h>

#include <vector>

#include "codec/Palettes.h"

namespace {

std::vector<zorv::ColourValue> ArbitraryColours(size_t n) {
  std::vector<zorv::ColourValue> colours(n);
  uint32_t seed = 7;
  for (auto& c : colours) {
    seed = seed * 1664525u + 1013904223u;
    c = static_cast<zorv::ColourValue>(seed >> 8);
  }
  return colours;
}

void BM_NearestIndexOfPaletteColours(benchmark::State& state) {
  const zorv::Palette& palette = zorv::Palette::BuiltIn();
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zorv::NearestPaletteIndex(palette, palette.Colour(i)));
    i = (i + 37) & 255;
  }
}
BENCHMARK(BM_NearestIndexOfPaletteColours);

// Every colour new: the full distance pass, as the palette answers alone.
void BM_NearestIndexOfArbitraryColours(benchmark::State& state) {
  const zorv::Palette& palette = zorv::Palette::BuiltIn();
  auto colours = ArbitraryColours(1 << 20);
  size_t i = 0;
  for (auto _ : state) {
    if (i == colours.size()) i = 0;
    benchmark::DoNotOptimize(zorv::NearestPaletteIndex(palette, colours[i++]));
  }
}
BENCHMARK(BM_NearestIndexOfArbitraryColours);

// A picture's worth of colours repeats: a few thousand distinct values,
// answered from a job's matcher.
void BM_NearestIndexOfRepeatedArbitraryColours(benchmark::State& state) {
  zorv::PaletteMatcher matcher(zorv::Palette::BuiltIn());
  auto colours = ArbitraryColours(4096);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(matcher.Nearest(colours[i]));
    i = (i + 1) & 4095;
  }
}
BENCHMARK(BM_NearestIndexOfRepeatedArbitraryColours);

}  // namespace
