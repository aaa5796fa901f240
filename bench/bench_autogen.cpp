// Auto-generation of one 1280 x 1024 frame with crop and outlines, as a
// ratio to one plain pass that reads every pixel of the same bitmap.
#include <benchmark/benchmark.h>

#include <ctime>
#include <cstdint>
#include <random>

#include "autogen/AutoGen.h"
#include "codec/DIBSection.h"

namespace zorv {
namespace {

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 1024;

// A sprite-like picture: a mask-coloured background around a large blob
// drawn from 256 colours, with a band of player blues and a patch of
// shadow red.
cDIBSection MakePicture() {
  std::mt19937 random(5);
  ColourValue colours[256];
  for (ColourValue& c : colours) c = static_cast<ColourValue>(random() & 0xFFFFFF);
  cDIBSection picture;
  picture.Create(kWidth, kHeight);
  picture.Fill(kMagenta);
  const double cx = kWidth / 2.0, cy = kHeight / 2.0;
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) {
      const double dx = (x - cx) / (kWidth * 0.45), dy = (y - cy) / (kHeight * 0.45);
      if (dx * dx + dy * dy > 1.0) continue;
      ColourValue c = colours[(x / 3 + y / 5 + (x * y) / 97) & 255];
      if (y % 64 < 8) c = RGBColour(0, 0, 80 + (x & 127));
      if (x > 900 && y > 700) c = RGBColour(255, 0, 0);
      picture.SetPixel(x, y, c);
    }
  return picture;
}

// One pass that reads every pixel through the same row memory.
uint64_t ReadEveryPixel(const cDIBSection& picture) {
  uint64_t sum = 0;
  for (int32_t y = 0; y < picture.Height(); ++y) {
    const uint8_t* row = picture.Row(y);
    for (int32_t i = 0; i < 3 * picture.Width(); ++i) sum += row[i];
  }
  return sum;
}

// Processor time, so that other programs sharing the machine weigh on
// both sides of the ratio alike.
double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

double SecondsOfReadPass(const cDIBSection& picture) {
  constexpr int kRepeats = 200;
  const double start = CpuSeconds();
  for (int repeat = 0; repeat < kRepeats; ++repeat)
    benchmark::DoNotOptimize(ReadEveryPixel(picture));
  return (CpuSeconds() - start) / kRepeats;
}

void BM_AutoGenFrameWithCropAndOutlines(benchmark::State& state) {
  const cDIBSection picture = MakePicture();
  AutoGenOptions options;  // crop and outlines on, shadow red, player blue
  options.ShadowTolerance = 30;
  const double read_seconds = SecondsOfReadPass(picture);
  GeneratedFrame out;
  int64_t iterations = 0;
  const double start = CpuSeconds();
  for (auto _ : state) {
    Status made = GenerateFrameBitmaps(picture, options, 640, 900, out);
    benchmark::DoNotOptimize(made.ok());
    ++iterations;
  }
  const double seconds = (CpuSeconds() - start) / static_cast<double>(iterations);
  state.counters["ratio_to_read"] = seconds / read_seconds;
  state.SetBytesProcessed(iterations * int64_t{3} * kWidth * kHeight);
}
BENCHMARK(BM_AutoGenFrameWithCropAndOutlines)->Unit(benchmark::kMillisecond);

void BM_ReadEveryPixel(benchmark::State& state) {
  const cDIBSection picture = MakePicture();
  for (auto _ : state) benchmark::DoNotOptimize(ReadEveryPixel(picture));
  state.SetBytesProcessed(state.iterations() * int64_t{3} * kWidth * kHeight);
}
BENCHMARK(BM_ReadEveryPixel)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zorv
