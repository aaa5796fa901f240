// Compiling a package of large resources that are copied as they are, as a
// ratio to copying the same files in the same run: with
// std::filesystem::copy_file (ratio_to_copy) and with a plain buffered
// read-and-write loop into one file (ratio_to_buffered_copy).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/FileIO.h"
#include "package/MPICode.h"
#include "project/ModProject.h"

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A folder of resource files for one benchmark, removed afterwards.
struct Workspace {
  fs::path root;
  std::vector<std::string> files;
  zorv::ModProject project;

  Workspace(int file_count, int megabytes) {
    root = fs::temp_directory_path() /
           ("zorv-bench-package-" + std::to_string(file_count) + "x" +
            std::to_string(megabytes));
    fs::remove_all(root);
    fs::create_directories(root / "copies");
    project = zorv::MakeNewProject((root / "bench.mpr").string());
    AddResource("readme.txt", std::string(2000, 'r'), zorv::KindFile, zorv::kTargetReadme);
    const zorv::ResourceKind kinds[] = {zorv::KindSLP, zorv::KindWAV, zorv::KindBIN,
                                        zorv::KindFile};
    uint32_t state = 12345;
    std::string bytes(static_cast<size_t>(megabytes) << 20, '\0');
    for (int i = 0; i < file_count; ++i) {
      for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
      }
      std::string name = "resource" + std::to_string(i) + ".bin";
      files.push_back((root / name).string());
      AddResource(name, bytes, kinds[i % 4], zorv::kTargetGamedata);
    }
  }
  ~Workspace() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }

  void AddResource(const std::string& name, const std::string& bytes, int16_t kind,
                   int16_t target) {
    std::string path = (root / name).string();
    if (!zorv::WriteFileSafely(path, bytes)) std::abort();
    zorv::ProjectResource r;
    r.Name = name;
    r.FilePath = path;
    r.Kind = kind;
    r.ReplaceTarget = target;
    project.Resources.resize(static_cast<size_t>(project.ResourceCount));
    project.Resources.push_back(r);
    ++project.ResourceCount;
  }
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double CopyFiles(const Workspace& w) {
  auto start = Clock::now();
  for (const auto& file : w.files)
    fs::copy_file(file, w.root / "copies" / fs::path(file).filename(),
                  fs::copy_options::overwrite_existing);
  return Seconds(Clock::now() - start);
}

double BufferedCopy(const Workspace& w) {
  auto start = Clock::now();
  std::vector<char> buffer(zorv::kPackageCopyBlock);
  std::FILE* out = std::fopen((w.root / "copies" / "joined").string().c_str(), "wb");
  if (!out) std::abort();
  for (const auto& file : w.files) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) std::abort();
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0)
      std::fwrite(buffer.data(), 1, got, out);
    std::fclose(in);
  }
  std::fclose(out);
  return Seconds(Clock::now() - start);
}

void BM_CompilePackageOfLargeFiles(benchmark::State& state) {
  Workspace w(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  std::string package = (w.root / "bench.mpi").string();
  double compile_total = 0, copy_total = 0, buffered_total = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    if (!zorv::CompileMPI(w.project, package)) state.SkipWithError("compile failed");
    double compile = Seconds(Clock::now() - start);
    state.SetIterationTime(compile);
    compile_total += compile;
    copy_total += CopyFiles(w);
    buffered_total += BufferedCopy(w);
  }
  int64_t bytes = 0;
  for (const auto& file : w.files) bytes += zorv::FileSize(file);
  state.SetBytesProcessed(bytes * state.iterations());
  state.counters["ratio_to_copy"] = compile_total / copy_total;
  state.counters["ratio_to_buffered_copy"] = compile_total / buffered_total;
}
BENCHMARK(BM_CompilePackageOfLargeFiles)
    ->Args({4, 8})
    ->Args({16, 2})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
