// A game archive of 2000 files, 100 MB, built in the benchmark: listing it
// (reading and checking the directory), extracting every file into a
// folder, and building it again from that folder, each as a ratio to a
// plain copy of the same bytes in the same run (the directory read with
// fread, the files written with fwrite from an archive read in blocks, the
// folder's files read and appended to one file). Wall time, with the
// processor time ratio beside it, which other programs on the machine
// disturb less. TMPDIR chooses the file system.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/DRSArchive.h"
#include "archive/DRSFolder.h"
#include "archive/DRSWriter.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 2000;
constexpr size_t kFileBytes = 50 * 1024;  // 2000 x 50 KB: about 100 MB
constexpr size_t kBlock = size_t{1} << 20;

double Seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
}

double OwnCPUSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// Wall and processor seconds of one call, added to the totals.
struct Timed {
  double wall = 0, cpu = 0;
  template <typename Work>
  void Add(Work work) {
    const double cpu_start = OwnCPUSeconds();
    const auto start = Clock::now();
    work();
    wall += std::chrono::duration<double>(Clock::now() - start).count();
    cpu += OwnCPUSeconds() - cpu_start;
  }
};

struct Workspace {
  fs::path root, archive;
  zorv::DRSArchive directory;

  Workspace() {
    root = fs::temp_directory_path() / ("zorv-bench-archive-" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    archive = root / "graphics.drs";
    zorv::DRSArchiveSource source;
    const char* types[] = {"bina", "slp", "wav"};
    uint32_t state = 12345;
    for (const char* type : types) source.Tables.push_back({type, {}});
    for (int i = 0; i < kFiles; ++i) {
      std::string bytes(kFileBytes, '\0');
      for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
      }
      source.Tables[static_cast<size_t>(i % 3)].Files.push_back(
          zorv::DRSFileSource::FromBytes(1000 + i, std::move(bytes)));
    }
    if (!zorv::WriteDRSArchiveFile(archive.string(), source)) std::abort();
    if (!zorv::ReadDRSArchive(archive.string(), directory)) std::abort();
  }
  ~Workspace() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

// The directory's bytes read as they are: what listing cannot beat.
void ReadDirectoryBytes(const fs::path& archive, int64_t size) {
  std::FILE* in = std::fopen(archive.c_str(), "rb");
  std::string bytes(static_cast<size_t>(size), '\0');
  if (!in || std::fread(bytes.data(), 1, bytes.size(), in) != bytes.size()) std::abort();
  std::fclose(in);
  benchmark::DoNotOptimize(bytes.data());
}

// Each file's bytes copied out of the archive into its own file.
void CopyFilesOut(const fs::path& archive, const zorv::DRSArchive& directory, const fs::path& to) {
  fs::create_directories(to);
  std::FILE* in = std::fopen(archive.c_str(), "rb");
  std::string block;
  for (const zorv::DRSTable& table : directory.Tables)
    for (const zorv::DRSFile& file : table.Files) {
      const fs::path path = to / (std::to_string(file.ID) + "." + table.Type);
      std::FILE* out = std::fopen(path.c_str(), "wb");
      std::fseek(in, static_cast<long>(file.Offset), SEEK_SET);
      for (int64_t left = file.Size; left > 0;) {
        block.resize(std::min<size_t>(kBlock, static_cast<size_t>(left)));
        if (std::fread(block.data(), 1, block.size(), in) != block.size()) std::abort();
        std::fwrite(block.data(), 1, block.size(), out);
        left -= static_cast<int64_t>(block.size());
      }
      std::fclose(out);
    }
  std::fclose(in);
}

// The folder's files appended to one file: what building cannot beat.
void ConcatenateFolder(const fs::path& folder, const fs::path& to) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::FILE* out = std::fopen(to.c_str(), "wb");
  std::string block;
  for (const fs::path& path : files) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    block.resize(kBlock);
    for (size_t got; (got = std::fread(block.data(), 1, block.size(), in)) > 0;)
      std::fwrite(block.data(), 1, got, out);
    std::fclose(in);
  }
  std::fclose(out);
}

void BM_Archive2000Files100MB(benchmark::State& state) {
  Workspace w;
  Timed list, list_copy, extract, extract_copy, build, build_copy;
  const std::string archive = w.archive.string();
  for (auto _ : state) {
    const double before = list.wall + extract.wall + build.wall;
    list.Add([&] {
      zorv::DRSArchive read;
      if (!zorv::ReadDRSArchive(archive, read)) std::abort();
      benchmark::DoNotOptimize(read.Tables.data());
    });
    list_copy.Add([&] { ReadDirectoryBytes(w.archive, w.directory.DataStart); });

    fs::remove_all(w.root / "out");
    fs::remove_all(w.root / "copy");
    sync();
    extract.Add([&] {
      std::vector<zorv::DRSSelectedFile> files;
      if (!zorv::SelectDRSFiles(w.directory, {}, "", files)) std::abort();
      if (!zorv::ExtractDRSFiles(archive, files, (w.root / "out").string(), {})) std::abort();
    });
    extract_copy.Add([&] { CopyFilesOut(w.archive, w.directory, w.root / "copy"); });

    fs::remove(w.root / "rebuilt.drs");
    fs::remove(w.root / "joined");
    sync();
    build.Add([&] {
      zorv::DRSArchiveSource source;
      std::vector<std::string> skipped;
      if (!zorv::ReadDRSFolder((w.root / "out").string(), source, skipped)) std::abort();
      if (!zorv::WriteDRSArchiveFile((w.root / "rebuilt.drs").string(), source)) std::abort();
    });
    build_copy.Add([&] { ConcatenateFolder(w.root / "copy", w.root / "joined"); });
    state.SetIterationTime(list.wall + extract.wall + build.wall - before);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["list_ms"] = 1000 * list.wall / n;
  state.counters["extract_ms"] = 1000 * extract.wall / n;
  state.counters["build_ms"] = 1000 * build.wall / n;
  state.counters["copy_extract_ms"] = 1000 * extract_copy.wall / n;
  state.counters["list_over_read"] = list.wall / list_copy.wall;
  state.counters["extract_over_copy"] = extract.wall / extract_copy.wall;
  state.counters["build_over_copy"] = build.wall / build_copy.wall;
  state.counters["cpu_extract_over_copy"] = extract.cpu / extract_copy.cpu;
  state.counters["cpu_build_over_copy"] = build.cpu / build_copy.cpu;
}
BENCHMARK(BM_Archive2000Files100MB)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
