#include "app/cli/BatchRunner.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <thread>

#include "app/cli/BatchProgress.h"
#include "app/cli/Command.h"
#include "app/cli/NormalPaths.h"
#include "app/cli/RunOnThreads.h"
#include "common/FileIO.h"

namespace zorv::cli {
namespace {

namespace fs = std::filesystem;

// The message of a failed job, naming its input once.
std::string FailureText(const BatchJob& job, const Status& status) {
  const std::string& message = status.message();
  if (message.find(job.input) != std::string::npos) return message;
  return job.input + ": " + message;
}

Status RunOne(const BatchJob& job, const BatchAction& action) {
  try {
    std::error_code ec;
    const fs::path folder = fs::path(NativePath(job.output)).parent_path();
    if (!folder.empty()) fs::create_directories(folder, ec);
    if (ec)
      return Status::Fail("Cannot create the folder " + folder.generic_string(), ec.message());
    return action(job);
  } catch (const std::bad_alloc&) {
    return Status::Fail("There is not enough memory to convert this file.");
  } catch (const std::exception& e) {
    return Status::Fail("An unexpected error stopped this file's conversion", e.what());
  }
}

}  // namespace

std::string ClashingOutputs(const std::vector<BatchJob>& jobs, OutputPlace place) {
  std::map<std::string, const BatchJob*> inputs, outputs;
  NormalPaths normal;
  if (place == OutputPlace::kApart)
    for (const BatchJob& job : jobs) inputs.emplace(normal.Of(job.input), &job);
  for (const BatchJob& job : jobs) {
    const std::string output = normal.Of(job.output);
    if (auto input = inputs.find(output); input != inputs.end())
      return "The output of " + job.input + " would replace the input " + input->second->input +
             ".";
    auto [other, added] = outputs.emplace(output, &job);
    if (!added && place == OutputPlace::kInPlace)
      return job.input + " is named twice; it would be changed twice at once.";
    if (!added)
      return other->second->input + " and " + job.input + " would both be written to " +
             job.output + ".";
  }
  return {};
}

int DefaultThreads() {
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

int RunBatch(const std::vector<BatchJob>& jobs, const BatchAction& action,
             const BatchSettings& settings) {
  const bool show_line =
      settings.verbosity != Verbosity::kQuiet && isatty(STDERR_FILENO) == 1;
  BatchProgress progress(static_cast<int>(jobs.size()), show_line);
  std::mutex report;  // guards the progress line and everything printed
  std::atomic<size_t> next{0};
  std::atomic<int> failed{0};

  auto worker = [&] {
    for (size_t i = next++; i < jobs.size(); i = next++) {
      const BatchJob& job = jobs[i];
      {
        std::lock_guard lock(report);
        progress.Started(job.input);
      }
      const Status status = RunOne(job, action);
      std::lock_guard lock(report);
      if (!status) {
        ++failed;
        progress.Clear();
        PrintError(FailureText(job, status));
      } else if (settings.verbosity == Verbosity::kVerbose) {
        progress.Clear();
        std::printf("%s -> %s\n", job.input.c_str(), job.output.c_str());
        std::fflush(stdout);
      }
      progress.Finished();
    }
  };

  const size_t threads =
      std::clamp<size_t>(static_cast<size_t>(std::max(settings.threads, 1)), 1,
                         std::max<size_t>(jobs.size(), 1));
  RunOnThreads(static_cast<int>(threads), worker);
  progress.Clear();

  const int failures = failed.load();
  if (settings.verbosity != Verbosity::kQuiet)
    std::printf("%d converted, %d failed, %d skipped\n",
                static_cast<int>(jobs.size()) - failures, failures, settings.skipped);
  return failures ? kExitFailed : kExitOk;
}

}  // namespace zorv::cli
