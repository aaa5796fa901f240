// Processor time of this process for the codec benchmarks, in blocks of
// several passes, so that other programs sharing the machine count less.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>

namespace zorv::bench {

// Processor seconds spent by one call of work, repeated reps times.
template <typename Work>
double CPUSeconds(int reps, Work work) {
  const std::clock_t start = std::clock();
  for (int r = 0; r < reps; ++r) work();
  return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

// Passes per timed block: about 20 ms of work, at least one.
template <typename Work>
int RepsFor(Work work) {
  const double once = CPUSeconds(3, work) / 3;
  return once <= 0 ? 1000 : std::max(1, static_cast<int>(0.02 / once));
}

// Times work one pass at a time against baseline (repeated to take
// measurable time) in the same run, and gives ratio_name (work over
// baseline), Mpixel_per_s and ms_per_pass of the work.
template <typename Work, typename Baseline>
void MeasurePassesAgainst(benchmark::State& state, int64_t pixels, Work& work, Baseline& baseline,
                          const std::string& ratio_name) {
  const int reps = RepsFor(baseline);
  double work_seconds = 0, baseline_seconds = 0;
  for (auto _ : state) {
    const double once = CPUSeconds(1, work);
    baseline_seconds += CPUSeconds(reps, baseline) / reps;
    work_seconds += once;
    state.SetIterationTime(once);
  }
  const double passes = static_cast<double>(state.iterations());
  state.counters["Mpixel_per_s"] = static_cast<double>(pixels) * passes / work_seconds / 1e6;
  state.counters[ratio_name] = work_seconds / baseline_seconds;
  state.counters["ms_per_pass"] = 1e3 * work_seconds / passes;
}

}  // namespace zorv::bench
