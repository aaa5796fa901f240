// Installing a small package into a 200 MB archive, as a ratio to copying
// the archive's bytes (a plain read-and-write loop of 1 MB blocks) in the
// same run, into a new file and over an existing copy (which, like the
// install, frees the 200 MB file it replaces): the install reads the old
// archive once, summing the files as it copies them, so it should stay
// within 1.5 times the copy. Wall time, since the disk is part of the cost; what the step
// before wrote is synced to disk before each timed step.
//
// On a disk, an archive replaced by a rename has its new bytes sent to the
// disk at once (ext4 does so for files replaced that way, so that a crash
// cannot leave an empty archive), which a copy left in the page cache puts
// off: the "synced" ratios time both until their bytes are on the disk. Each iteration
// copies, installs and uninstalls (the uninstall is timed too, as a ratio
// of its own); the ratios given are the medians of the iterations. TMPDIR
// chooses the file system (/dev/shm leaves the disk out).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/DRSWriter.h"
#include "common/FileIO.h"
#include "package/MPIPackage.h"
#include "package/PackageInstall.h"

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 2000;
constexpr size_t kFileSize = 100 << 10;  // 2000 x 100 KB: 200 MB

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Bytes that do not repeat, so that no file system can share or compress them.
std::string Noise(size_t size, uint32_t& state) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>(state >> 24);
  }
  return bytes;
}

void WriteArchive(const std::string& path) {
  uint32_t state = 7;
  zorv::DRSArchiveSource source;
  source.Tables.push_back({"slp", {}});
  for (int i = 0; i < kFiles; ++i)
    source.Tables[0].Files.push_back(zorv::DRSFileSource::FromBytes(i, Noise(kFileSize, state)));
  source.Tables.push_back({"bina", {zorv::DRSFileSource::FromBytes(50500, "JASC-PAL\r\n")}});
  if (!zorv::WriteDRSArchiveFile(path, source)) std::abort();
}

// Three files replaced, two added: a small mod.
void WritePackage(const std::string& path) {
  uint32_t state = 99;
  const std::vector<int32_t> ids{5, 1000, 1999, 5000, 5001};
  std::string header = zorv::EncodeMPIHeader(static_cast<int16_t>(ids.size()), "Bench", "readme");
  std::string directory, data;
  int32_t offset = static_cast<int32_t>(header.size() + zorv::kMPIEntrySize * ids.size());
  for (int32_t id : ids) {
    const std::string bytes = Noise(50 << 10, state);
    directory += zorv::EncodeMPIEntry({1, 1, id, static_cast<int32_t>(bytes.size()), offset});
    offset += static_cast<int32_t>(bytes.size());
    data += bytes;
  }
  if (!zorv::WriteFileSafely(path, header + directory + data)) std::abort();
}

void CopyBytes(const std::string& from, const std::string& to) {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  std::FILE* out = std::fopen(to.c_str(), "wb");
  if (!in || !out) std::abort();
  std::vector<char> block(1 << 20);
  for (size_t got; (got = std::fread(block.data(), 1, block.size(), in)) > 0;)
    if (std::fwrite(block.data(), 1, got, out) != got) std::abort();
  std::fclose(in);
  if (std::fclose(out) != 0) std::abort();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void BM_InstallInto200MBArchive(benchmark::State& state) {
  const fs::path root =
      fs::temp_directory_path() / ("zorv-bench-install-" + std::to_string(getpid()));
  const fs::path game = root / "data";
  fs::create_directories(game);
  const std::string archive = (game / "graphics.drs").string();
  const std::string package = (root / "mod.mpi").string();
  WriteArchive(archive);
  WritePackage(package);

  std::vector<double> install_ratios, replacing_ratios, uninstall_ratios, copies, replacing,
      synced_ratios;
  for (auto _ : state) {
    const std::string copy = (root / "copy.drs").string();
    fs::remove(copy);
    sync();
    auto start = Clock::now();
    CopyBytes(archive, copy);
    const double copied = Seconds(start);
    // The same copy over the one made: it frees the file it replaces, as
    // an install does with the old archive.
    sync();
    start = Clock::now();
    CopyBytes(archive, copy);
    const double replaced = Seconds(start);
    fs::remove(copy);
    sync();
    start = Clock::now();
    CopyBytes(archive, copy);
    sync();
    const double copied_synced = Seconds(start);
    fs::remove(copy);
    sync();

    zorv::InstallResult result;
    start = Clock::now();
    const zorv::Status installed = zorv::InstallPackage(package, game.string(), result);
    const double install = Seconds(start);
    sync();
    const double install_synced = Seconds(start);
    zorv::InstalledPackage removed;
    start = Clock::now();
    const zorv::Status uninstalled = zorv::UninstallPackage(package, game.string(), removed);
    const double uninstall = Seconds(start);
    if (!installed || !uninstalled) {
      state.SkipWithError((installed ? uninstalled : installed).message().c_str());
      break;
    }
    state.SetIterationTime(install);
    copies.push_back(copied);
    replacing.push_back(replaced);
    install_ratios.push_back(install / copied);
    replacing_ratios.push_back(install / replaced);
    uninstall_ratios.push_back(uninstall / copied);
    synced_ratios.push_back(install_synced / copied_synced);
  }
  if (!copies.empty()) {
    state.counters["copy_s"] = Median(copies);
    state.counters["replacing_copy_s"] = Median(replacing);
    state.counters["install_over_copy"] = Median(install_ratios);
    state.counters["install_over_replacing_copy"] = Median(replacing_ratios);
    state.counters["uninstall_over_copy"] = Median(uninstall_ratios);
    state.counters["install_over_copy_synced"] = Median(synced_ratios);
  }
  std::error_code ec;
  fs::remove_all(root, ec);
}
BENCHMARK(BM_InstallInto200MBArchive)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
