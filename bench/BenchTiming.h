// Processor time of this process for the codec benchmarks, in blocks of
// several passes, so that other programs sharing the machine count less.
#pragma once

#include <algorithm>
#include <ctime>

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

}  // namespace zorv::bench
