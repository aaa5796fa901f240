// Inputs that must exist, checked while the command line is read.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace zorv::cli {

// What the check throws for an input that is missing (or is a folder): the
// command fails (exit status 1), as it would on opening the file, rather
// than the command line being taken as mistyped (status 2).
class MissingInput : public CLI::ParseError {
 public:
  explicit MissingInput(std::string message);
};

// CLI::ExistingFile, with a missing file reported as MissingInput.
CLI::Validator ExistingInputFile();

}  // namespace zorv::cli
