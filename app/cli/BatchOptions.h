// The options every batch command shares (-o, -j, -q, -v) and the step
// from the command's arguments to a running batch.
#pragma once

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

#include "app/cli/BatchInputs.h"
#include "app/cli/BatchRunner.h"

namespace zorv::cli {

struct BatchArguments {
  std::vector<std::string> paths;
  std::string out_folder;
  int threads = 0;  // 0: one per core
  bool quiet = false;
  bool verbose = false;

  // The older form "COMMAND IN OUT": two paths, no -o, the first a file.
  bool IsSingleFile() const;
  Verbosity Level() const;
  // The threads asked for, or one per core.
  int Threads() const;
};

// Adds -o/--out, -j, -q and -v to command.
void AddBatchOptions(CLI::App& command, BatchArguments& arguments);

// Finds the inputs, maps each to its output and runs action on them all.
// Arguments that name nothing and outputs that clash are usage errors and
// nothing is converted.
int RunBatchCommand(const BatchArguments& arguments, InputKind kind, OutputShape shape,
                    const BatchAction& action, OutputPlace place = OutputPlace::kApart);

}  // namespace zorv::cli
