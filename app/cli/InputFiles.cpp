#include "app/cli/InputFiles.h"

#include "app/cli/Command.h"

namespace zorv::cli {

MissingInput::MissingInput(std::string message)
    : CLI::ParseError("MissingInput", std::move(message), kExitFailed) {}

CLI::Validator ExistingInputFile() {
  return CLI::Validator(
      [](std::string& path) -> std::string {
        std::string reason = CLI::ExistingFile(path);
        // CLI11 catches only its ValidationError here; this one reaches
        // the program's own handling of parse errors.
        if (!reason.empty()) throw MissingInput(reason);
        return {};
      },
      "FILE");
}

}  // namespace zorv::cli
