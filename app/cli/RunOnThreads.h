// Work shared out over several threads of a batch: the calling thread and
// as many helpers as the system gives, up to the number asked for.
#pragma once

#include <functional>
#include <system_error>
#include <thread>
#include <vector>

namespace zorv::cli {

// Runs work on up to threads threads at once, this one included, and
// returns when every one has returned. work takes its tasks from a queue
// of its own, so it finishes them on fewer threads too: when the system
// refuses a thread, the others go on rather than stopping with tasks
// started.
inline void RunOnThreads(int threads, const std::function<void()>& work) {
  std::vector<std::thread> helpers;
  try {
    for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
  } catch (const std::system_error&) {
    // No more threads to be had.
  }
  work();
  for (std::thread& helper : helpers) helper.join();
}

}  // namespace zorv::cli
