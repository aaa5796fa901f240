// Loading and saving a 1280 x 1024 BMP (the size of the largest interface
// frames), each against a plain copy of the same bytes timed in the same
// run: memcpy for decoding from memory, fread and fwrite for files.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "codec/DIBSection.h"
#include "common/FileIO.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1280;
constexpr int kHeight = 1024;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

const zorv::cDIBSection& Frame() {
  static const zorv::cDIBSection frame = [] {
    zorv::cDIBSection bitmap;
    bitmap.Create(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        bitmap.SetPixel(x, y, zorv::RGBColour(x & 255, y & 255, (x * y) & 255));
    return bitmap;
  }();
  return frame;
}

void PutLE(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 255));
}

// The frame as a BMP of the given depth: 24 bits as the program saves it,
// 32 bits as BGRA, 8 bits through a 256-entry colour table.
std::string FrameFile(int bits) {
  if (bits == 24) return Frame().BMPBytes();
  const uint32_t table = bits == 8 ? 1024 : 0;
  const uint32_t stride = (kWidth * bits / 8 + 3) & ~3u;
  std::string out = "BM";
  PutLE(out, 54 + table + stride * kHeight, 4);
  PutLE(out, 0, 4);
  PutLE(out, 54 + table, 4);
  PutLE(out, 40, 4);
  PutLE(out, kWidth, 4);
  PutLE(out, kHeight, 4);
  PutLE(out, 1, 2);
  PutLE(out, bits, 2);
  for (int i = 0; i < 6; ++i) PutLE(out, 0, 4);
  for (uint32_t i = 0; i < table / 4; ++i) PutLE(out, i * 0x010101u, 4);
  for (int row = 0; row < kHeight; ++row) {
    const size_t start = out.size();
    for (int x = 0; x < kWidth; ++x) {
      const zorv::ColourValue c = Frame().GetPixel(x, kHeight - 1 - row);
      if (bits == 8)
        out.push_back(static_cast<char>(c & 255));
      else
        PutLE(out, 0xFF000000u | (zorv::RedOf(c) << 16) | (zorv::GreenOf(c) << 8) |
                       zorv::BlueOf(c), 4);
    }
    out.resize(start + stride, '\0');
  }
  return out;
}

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("zorv-bench-bmp-" + name)).string();
}

// Mean seconds of one plain memcpy of size bytes over the given number of runs.
double CopySeconds(size_t size, int64_t runs) {
  std::vector<char> from(size, 1), to(size);
  const auto start = Clock::now();
  for (int64_t i = 0; i < runs; ++i) {
    from[static_cast<size_t>(i) % size] = static_cast<char>(i);
    std::memcpy(to.data(), from.data(), size);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  return SecondsSince(start) / static_cast<double>(runs);
}

double FreadSeconds(const std::string& path, size_t size, int64_t runs) {
  std::vector<char> buffer(size);
  const auto start = Clock::now();
  for (int64_t i = 0; i < runs; ++i) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return 0;
    benchmark::DoNotOptimize(std::fread(buffer.data(), 1, size, file));
    std::fclose(file);
  }
  return SecondsSince(start) / static_cast<double>(runs);
}

double FwriteSeconds(const std::string& path, const std::string& bytes, int64_t runs) {
  const auto start = Clock::now();
  for (int64_t i = 0; i < runs; ++i) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    benchmark::DoNotOptimize(std::fwrite(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
  }
  return SecondsSince(start) / static_cast<double>(runs);
}

// Decoding from memory; range(0) is the depth.
void BM_DecodeBMP(benchmark::State& state) {
  const std::string bytes = FrameFile(static_cast<int>(state.range(0)));
  zorv::cDIBSection bitmap;
  const auto start = Clock::now();
  for (auto _ : state) {
    if (!zorv::DecodeBMP(bytes, bitmap)) state.SkipWithError("decoding failed");
    benchmark::DoNotOptimize(bitmap.DIBSectionBitsPtr());
  }
  const double seconds = SecondsSince(start) / static_cast<double>(state.iterations());
  state.counters["ratio_to_copy"] = seconds / CopySeconds(bytes.size(), state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_DecodeBMP)->Arg(24)->Arg(32)->Arg(8)->Unit(benchmark::kMicrosecond);

void BM_CreateFromPicture(benchmark::State& state) {
  const std::string bytes = Frame().BMPBytes();
  const std::string path = TempPath("load.bmp");
  if (!Frame().SavePicture(path)) {
    state.SkipWithError("cannot write the test file");
    return;
  }
  zorv::cDIBSection bitmap;
  const auto start = Clock::now();
  for (auto _ : state) {
    if (!bitmap.CreateFromPicture(path)) state.SkipWithError("loading failed");
    benchmark::DoNotOptimize(bitmap.DIBSectionBitsPtr());
  }
  const double seconds = SecondsSince(start) / static_cast<double>(state.iterations());
  state.counters["ratio_to_fread"] = seconds / FreadSeconds(path, bytes.size(), state.iterations());
  state.counters["ratio_to_copy"] = seconds / CopySeconds(bytes.size(), state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
  std::remove(path.c_str());
}
BENCHMARK(BM_CreateFromPicture)->Unit(benchmark::kMicrosecond);

// The file reading inside CreateFromPicture on its own, to tell reading
// from decoding.
void BM_ReadWholeFile(benchmark::State& state) {
  const std::string bytes = Frame().BMPBytes();
  const std::string path = TempPath("read.bmp");
  if (!Frame().SavePicture(path)) {
    state.SkipWithError("cannot write the test file");
    return;
  }
  std::string contents;
  const auto start = Clock::now();
  for (auto _ : state) {
    if (!zorv::ReadWholeFile(path, contents)) state.SkipWithError("reading failed");
    benchmark::DoNotOptimize(contents.data());
  }
  const double seconds = SecondsSince(start) / static_cast<double>(state.iterations());
  state.counters["ratio_to_fread"] = seconds / FreadSeconds(path, bytes.size(), state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
  std::remove(path.c_str());
}
BENCHMARK(BM_ReadWholeFile)->Unit(benchmark::kMicrosecond);

void BM_SavePicture(benchmark::State& state) {
  const std::string bytes = Frame().BMPBytes();
  const std::string path = TempPath("save.bmp");
  const std::string plain_path = TempPath("save-plain.bmp");
  const auto start = Clock::now();
  for (auto _ : state)
    if (!Frame().SavePicture(path)) state.SkipWithError("saving failed");
  const double seconds = SecondsSince(start) / static_cast<double>(state.iterations());
  state.counters["ratio_to_fwrite"] =
      seconds / FwriteSeconds(plain_path, bytes, state.iterations());
  state.counters["ratio_to_copy"] = seconds / CopySeconds(bytes.size(), state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
  std::remove(path.c_str());
  std::remove(plain_path.c_str());
}
BENCHMARK(BM_SavePicture)->Unit(benchmark::kMicrosecond);

}  // namespace
