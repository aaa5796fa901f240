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
  zorv::BuildSquareTable();
  zorv::LoadPalette("");
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zorv::NearestPaletteIndex(zorv::PaletteColour(i)));
    i = (i + 37) & 255;
  }
}
BENCHMARK(BM_NearestIndexOfPaletteColours);

// Every colour new: the full distance pass (the cache never hits).
void BM_NearestIndexOfArbitraryColoursUncached(benchmark::State& state) {
  zorv::BuildSquareTable();
  zorv::LoadPalette("");
  auto colours = ArbitraryColours(1 << 20);
  size_t i = 0;
  for (auto _ : state) {
    if (i == colours.size()) {
      state.PauseTiming();
      zorv::LoadPalette("");  // forget cached answers
      i = 0;
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(zorv::NearestPaletteIndex(colours[i++]));
  }
}
BENCHMARK(BM_NearestIndexOfArbitraryColoursUncached);

// A picture's worth of colours repeats: a few thousand distinct values.
void BM_NearestIndexOfRepeatedArbitraryColours(benchmark::State& state) {
  zorv::BuildSquareTable();
  zorv::LoadPalette("");
  auto colours = ArbitraryColours(4096);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zorv::NearestPaletteIndex(colours[i]));
    i = (i + 1) & 4095;
  }
}
BENCHMARK(BM_NearestIndexOfRepeatedArbitraryColours);

}  // namespace
