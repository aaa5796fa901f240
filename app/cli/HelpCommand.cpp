// `zorv help [COMMAND...]`: the help of the program, or of the command the
// words name, exactly as `COMMAND --help` shows it.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/cli/Command.h"
#include "app/cli/CommandNames.h"

namespace zorv::cli {
namespace {

int RunHelp(const CLI::App& app, const std::vector<std::string>& words) {
  std::string unknown;
  const CLI::App* command = FollowCommandWords(app, words, unknown);
  if (!unknown.empty()) return UsageError(unknown);
  // The program's own help straight from the formatter: app.help() would
  // show the help of the command chosen, which is `help` itself.
  const std::string text = command == &app
                               ? app.get_formatter()->make_help(&app, app.get_name(),
                                                                CLI::AppFormatMode::Normal)
                               : CommandHelp(*command);
  std::fputs(text.c_str(), stdout);
  return kExitOk;
}

void Setup(CLI::App& app, CommandAction& action) {
  auto* command = app.add_subcommand(
      "help", "Show the help of the program, or of a command (\"zorv help slp2slx\" is "
              "\"zorv slp2slx --help\")");
  auto words = std::make_shared<std::vector<std::string>>();
  command->add_option("COMMAND", *words, "The command, with its sub-command if it has them");
  command->callback([&app, &action, words] {
    action = [&app, words] { return RunHelp(app, *words); };
  });
}

CommandRegistrar registrar(90, &Setup);

}  // namespace
}  // namespace zorv::cli
