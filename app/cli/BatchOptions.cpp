#include "app/cli/BatchOptions.h"

#include <cstdio>
#include <filesystem>

#include "app/cli/Command.h"
#include "common/FileIO.h"

namespace zorv::cli {

bool BatchArguments::IsSingleFile() const {
  std::error_code ec;
  return out_folder.empty() && paths.size() == 2 &&
         !std::filesystem::is_directory(std::filesystem::path(NativePath(paths[0])), ec);
}

Verbosity BatchArguments::Level() const {
  if (quiet) return Verbosity::kQuiet;
  return verbose ? Verbosity::kVerbose : Verbosity::kNormal;
}

int BatchArguments::Threads() const { return threads > 0 ? threads : DefaultThreads(); }

void AddBatchOptions(CLI::App& command, BatchArguments& arguments) {
  command.add_option("-o,--out", arguments.out_folder,
                     "Write the outputs under this folder, each at its input's path below "
                     "the folder it was found in (default: beside each input)");
  command
      .add_option("-j,--jobs", arguments.threads,
                  "Convert this many files at once (default: one per core)")
      ->check(CLI::Range(1, 1024));
  auto* quiet = command.add_flag("-q,--quiet", arguments.quiet, "Print nothing but errors");
  command.add_flag("-v,--verbose", arguments.verbose, "List each file as it is converted")
      ->excludes(quiet);
}

int RunBatchCommand(const BatchArguments& arguments, InputKind kind, OutputShape shape,
                    const BatchAction& action, OutputPlace place) {
  const FoundInputs found = FindInputs(arguments.paths, kind, arguments.Threads());
  if (!found.errors.empty()) {
    for (const std::string& error : found.errors) PrintError(error);
    std::fprintf(stderr, "Nothing was converted.\n");
    return kExitUsage;
  }
  std::vector<BatchJob> jobs;
  jobs.reserve(found.inputs.size());
  for (const BatchInput& input : found.inputs)
    jobs.push_back({input.path, OutputPath(input, arguments.out_folder, shape)});
  if (const std::string clash = ClashingOutputs(jobs, place); !clash.empty())
  {
    PrintError(clash + " Nothing was converted.");
    return kExitUsage;
  }

  if (arguments.verbose)
    for (const std::string& skipped : found.skipped)
      std::printf("%s skipped: not a file of this kind\n", skipped.c_str());
  BatchSettings settings;
  settings.threads = arguments.Threads();
  settings.verbosity = arguments.Level();
  settings.skipped = static_cast<int>(found.skipped.size());
  return RunBatch(jobs, action, settings);
}

}  // namespace zorv::cli
