// A batch of 200 SLP files (copies of the real samples, ZORV_SAMPLES)
// converted by the zorv program to SLX and back, with 1 and with 2 threads,
// against a plain copy of the bytes the batch writes, all in one run.
// Wall time, since the point of the threads is the time one waits. Each
// iteration runs all three, so the ratios compare like with like on a
// machine whose load changes. The copy runs on 2 threads too, which tells
// how much of a second thread the file system lets any program have.
// What the step before removed is synced to
// disk before each timed step, so that no step pays for freeing the
// blocks of another. TMPDIR chooses the file system (a tmpfs such as
// /dev/shm leaves the disk out and measures the program's own work).
//
// The peak memory (maximum resident set size) of the zorv process is read
// from wait4: a batch of 200 files should need no more than one of 20,
// since only the jobs running at once hold their frames.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchSamples.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 200;
constexpr int kScreens = 5;  // the rest are copies of unit.slp

using zorv::bench::SamplesDir;

struct Run {
  double seconds = 0;
  double cpu_seconds = 0;  // user and system time of the process
  long peak_kb = 0;
  bool ok = false;
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec); }

// Processor time (user and system) this process spent so far.
double OwnCPUSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// Runs zorv with arguments, its output thrown away. Started with
// posix_spawn, which does not copy this process's page tables (it holds
// the bytes of a whole batch for the copy) as fork would.
Run Zorv(const std::vector<std::string>& arguments) {
  std::vector<char*> argv{const_cast<char*>(ZORV_CLI_PATH)};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  const int spawned = posix_spawn(&child, ZORV_CLI_PATH, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return Run{};
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  Run run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpu_seconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  run.peak_kb = usage.ru_maxrss;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

// A folder of count SLP files, the first kScreens of them screen.slp.
fs::path MakeInputs(const fs::path& root, int count) {
  const fs::path in = root / ("in" + std::to_string(count));
  fs::create_directories(in);
  for (int i = 0; i < count; ++i)
    fs::copy_file(SamplesDir() + (i < kScreens ? "screen.slp" : "unit.slp"),
                  in / ("sprite" + std::to_string(i) + ".slp"),
                  fs::copy_options::overwrite_existing);
  return in;
}

// Both ways with threads threads; true when both succeeded. Adds the wall
// time and the processor time spent.
bool BothWays(const fs::path& in, const fs::path& work, int threads, double& seconds,
              double& cpu_seconds) {
  fs::remove_all(work);
  sync();
  const std::string j = std::to_string(threads);
  Run there = Zorv({"slp2slx", "-q", "-j", j, "-o", (work / "slx").string(), in.string()});
  Run back = Zorv({"slx2slp", "-q", "-j", j, "-o", (work / "slp").string(), (work / "slx").string()});
  seconds += there.seconds + back.seconds;
  cpu_seconds += there.cpu_seconds + back.cpu_seconds;
  return there.ok && back.ok;
}

using Tree = std::map<fs::path, std::string>;

// The files below root and their bytes.
Tree ReadTree(const fs::path& root) {
  Tree files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) {
      std::ifstream in(entry.path(), std::ios::binary);
      files[entry.path().lexically_relative(root)].assign(std::istreambuf_iterator<char>(in), {});
    }
  return files;
}

void WriteFiles(const std::vector<const Tree::value_type*>& files, const fs::path& to) {
  for (const Tree::value_type* file : files) {
    fs::create_directories((to / file->first).parent_path());
    std::ofstream out(to / file->first, std::ios::binary);
    out.write(file->second.data(), static_cast<std::streamsize>(file->second.size()));
  }
}

// Writes the same files afresh: what the batch cannot do faster than. With
// 2 threads, each writes every other graphic's folder, as the batch's
// threads share out graphics: how much a second thread gains on this
// machine's file system for the very files the batch writes. Adds the wall
// time and the processor time spent.
void Copy(const Tree& files, const fs::path& to, int threads, double& seconds, double& cpu_seconds) {
  fs::remove_all(to);
  sync();
  std::vector<std::vector<const Tree::value_type*>> shares(threads);
  std::map<fs::path, int> share_of_folder;
  for (const auto& file : files) {
    const auto found =
        share_of_folder.try_emplace(file.first.parent_path(), static_cast<int>(share_of_folder.size()) % threads)
            .first;
    shares[found->second].push_back(&file);
  }
  const double cpu_start = OwnCPUSeconds();
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> helpers;
  for (int share = 1; share < threads; ++share) helpers.emplace_back(WriteFiles, std::cref(shares[share]), to);
  WriteFiles(shares[0], to);
  for (std::thread& helper : helpers) helper.join();
  seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  cpu_seconds += OwnCPUSeconds() - cpu_start;
}

void BM_Batch200BothWays(benchmark::State& state) {
  if (SamplesDir().empty()) {
    state.SkipWithError("ZORV_SAMPLES is not set");
    return;
  }
  const fs::path root = fs::temp_directory_path() / ("zorv-bench-batch-" + std::to_string(getpid()));
  const fs::path in = MakeInputs(root, kFiles);
  // Peak memory of slp2slx -j 2 on 20 files and on 200, measured first:
  // a child's peak counts the pages it shared with this process before it
  // started the program, so this process holds little yet. Its own peak so
  // far is given beside them.
  const fs::path few = MakeInputs(root, 20);
  rusage own{};
  getrusage(RUSAGE_SELF, &own);
  state.counters["bench_peak_kb"] = static_cast<double>(own.ru_maxrss);
  state.counters["peak_kb_20"] =
      static_cast<double>(Zorv({"slp2slx", "-q", "-j", "2", "-o", (root / "mem20").string(), few.string()}).peak_kb);
  state.counters["peak_kb_200"] =
      static_cast<double>(Zorv({"slp2slx", "-q", "-j", "2", "-o", (root / "mem200").string(), in.string()}).peak_kb);
  state.counters["back_peak_kb_20"] = static_cast<double>(
      Zorv({"slx2slp", "-q", "-j", "2", "-o", (root / "back20").string(), (root / "mem20").string()})
          .peak_kb);
  state.counters["back_peak_kb_200"] = static_cast<double>(
      Zorv({"slx2slp", "-q", "-j", "2", "-o", (root / "back200").string(), (root / "mem200").string()})
          .peak_kb);
  for (const char* made : {"mem20", "mem200", "back20", "back200"}) fs::remove_all(root / made);

  double one = 0, two = 0, copy = 0, copy_two = 0, one_cpu = 0, two_cpu = 0, copy_cpu = 0, copy_two_cpu = 0;
  if (!BothWays(in, root / "first", 1, one, one_cpu)) {
    state.SkipWithError("zorv failed on the batch");
    fs::remove_all(root);
    return;
  }
  const auto written = ReadTree(root / "first");
  one = one_cpu = 0;
  // Each iteration's own ratio too: its three runs follow one another, so
  // a spell of load on a shared machine falls on all three more often than
  // on the sums of different iterations.
  std::vector<double> iteration_ratios, iteration_gains;
  for (auto _ : state) {
    const double one_before = one, two_before = two, copy_before = copy;
    BothWays(in, root / "j1", 1, one, one_cpu);
    BothWays(in, root / "j2", 2, two, two_cpu);
    Copy(written, root / "copy", 1, copy, copy_cpu);
    Copy(written, root / "copy2", 2, copy_two, copy_two_cpu);
    state.SetIterationTime(two - two_before);
    iteration_ratios.push_back((two - two_before) / (copy - copy_before));
    iteration_gains.push_back((one - one_before) / (two - two_before));
  }
  std::sort(iteration_ratios.begin(), iteration_ratios.end());
  std::sort(iteration_gains.begin(), iteration_gains.end());
  const double n = static_cast<double>(state.iterations());
  state.counters["j1_s"] = one / n;
  state.counters["j2_s"] = two / n;
  state.counters["copy_s"] = copy / n;
  state.counters["j1_over_j2"] = one / two;
  state.counters["j1_over_j2_median"] = iteration_gains[iteration_gains.size() / 2];
  state.counters["j1_over_copy"] = one / copy;
  state.counters["j2_over_copy"] = two / copy;
  state.counters["j2_over_copy_median"] = iteration_ratios[iteration_ratios.size() / 2];
  state.counters["j2_over_copy_min"] = iteration_ratios.front();
  // What a second thread gains the copy: the file system's share of the
  // batch cannot gain more.
  state.counters["copy_j1_over_j2"] = copy / copy_two;
  // Processor time, which other programs on the machine disturb less: the
  // work the batch does against the work of the copy.
  state.counters["cpu_j1_over_copy"] = one_cpu / copy_cpu;
  state.counters["cpu_j2_over_j1"] = two_cpu / one_cpu;
  state.counters["cpu_copy_j2_over_j1"] = copy_two_cpu / copy_cpu;

  fs::remove_all(root);
}
BENCHMARK(BM_Batch200BothWays)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
