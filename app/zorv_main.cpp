// zorv: the command line of Zorv Mod Editor, for batch work and scripts.
#include <CLI/CLI.hpp>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "app/cli/Command.h"
#include "app/cli/CommandNames.h"
#include "app/cli/InputFiles.h"
#include "common/Version.h"

namespace zorv::cli {
namespace {

std::vector<std::pair<int, CommandSetup>>& Registry() {
  static std::vector<std::pair<int, CommandSetup>> registry;
  return registry;
}

}  // namespace

CommandRegistrar::CommandRegistrar(int order, CommandSetup setup) {
  Registry().emplace_back(order, setup);
}

int UsageError(const std::string& text) {
  std::fprintf(stderr, "Error: %s\nRun with --help for more information.\n", text.c_str());
  return kExitUsage;
}

void PrintError(const std::string& text) { std::fprintf(stderr, "Error: %s\n", text.c_str()); }

int Failed(const Status& status) {
  PrintError(status.message());
  return kExitFailed;
}

int ExitStatus(const Status& status) { return status ? kExitOk : Failed(status); }

namespace {

// A batch takes and gives back memory for frames and their files of the
// same few sizes thousands of times. Blocks of a few megabytes (a screen's
// frame) would each come from the system as new pages and go back on
// release, to be faulted in again page by page for the next file; kept in
// the heap, they are used again. Peak memory still follows the jobs
// running at once.
void KeepFrameMemoryForReuse() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

}  // namespace

}  // namespace zorv::cli

int main(int argc, char** argv) {
  using namespace zorv::cli;
  KeepFrameMemoryForReuse();
  CLI::App app{"zorv: convert SLP sprites and SLX graphics, and build mod packages, "
               "from the command line of Zorv Mod Editor."};
  app.name("zorv");
  app.require_subcommand(1);
  app.set_help_all_flag("--help-all", "Show the help of every command");
  app.set_version_flag("--version", std::string("zorv ") + zorv::kProgramVersion,
                       "Show the version and exit");
  // CLI11's own usage errors read like every other message of the program.
  // A missing input is a failure of the command, not a mistake in how it
  // was typed, and the help would not mend it.
  app.failure_message([](const CLI::App* failed, const CLI::Error& e) {
    if (dynamic_cast<const MissingInput*>(&e)) return "Error: " + std::string(e.what()) + "\n";
    return "Error: " + CLI::FailureMessage::simple(failed, e);
  });

  std::sort(Registry().begin(), Registry().end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  CommandAction action;
  for (const auto& entry : Registry()) entry.second(app, action);

  // A mistyped command is named as such, with the nearest real one, rather
  // than being taken for a missing command and a stray argument.
  std::string unknown;
  FollowCommandWords(app, std::vector<std::string>(argv + std::min(argc, 1), argv + argc), unknown);
  if (!unknown.empty()) return UsageError(unknown);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const MissingInput& e) {
    app.exit(e);
    return kExitFailed;
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }

  // What escapes a command (memory running out, say) ends it with a
  // message and the failure status, never with an abort.
  try {
    return action ? action() : kExitUsage;
  } catch (const std::bad_alloc&) {
    PrintError("There is not enough memory for this; nothing more was done.");
  } catch (const std::exception& e) {
    PrintError(std::string("An unexpected error stopped the command: ") + e.what());
  } catch (...) {
    PrintError("An unexpected error stopped the command.");
  }
  return kExitFailed;
}
