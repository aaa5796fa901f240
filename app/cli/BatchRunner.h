// Runs the conversions of a batch on several threads at once. A failing
// file does not stop the others; each failure is reported with its file
// name and the batch ends with a count of what was done.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/Status.h"

namespace zorv::cli {

struct BatchJob {
  std::string input;
  std::string output;
};

// Converts one input into its output. Runs on several threads at once:
// it must share nothing that it changes.
using BatchAction = std::function<Status(const BatchJob& job)>;

enum class Verbosity { kQuiet, kNormal, kVerbose };

struct BatchSettings {
  int threads = 1;
  Verbosity verbosity = Verbosity::kNormal;
  int skipped = 0;  // inputs left out before the batch began, for the summary
};

// Whether each job writes a new file apart from every input, or changes
// its own input (then its output is its input).
enum class OutputPlace { kApart, kInPlace };

// Why the batch must not start: two inputs written to one output, or an
// output apart from the inputs that is one of them. Empty when the jobs
// are apart.
std::string ClashingOutputs(const std::vector<BatchJob>& jobs, OutputPlace place);

// Runs every job, each once, creating its output's folder first; gives
// the exit status: kExitFailed when any job failed, else kExitOk.
int RunBatch(const std::vector<BatchJob>& jobs, const BatchAction& action,
             const BatchSettings& settings);

// Threads to use when -j is not given: one per core.
int DefaultThreads();

}  // namespace zorv::cli
