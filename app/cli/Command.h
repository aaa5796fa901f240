// Sub-commands of the zorv command line. Each file of app/cli adds its
// commands through a CommandRegistrar, so the commands stay independent.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>

#include "common/Status.h"

namespace zorv::cli {

// Exit statuses: 0 success, 1 the operation failed, 2 a usage error.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// A command's setup adds its sub-command to the app and sets the action
// that runs when it is chosen; the action's result is the exit status.
using CommandAction = std::function<int()>;
using CommandSetup = void (*)(CLI::App& app, CommandAction& action);

struct CommandRegistrar {
  CommandRegistrar(int order, CommandSetup setup);
};

// Reports a usage error the way CLI11 reports its own.
int UsageError(const std::string& text);

// Prints "Error: " + text to standard error.
void PrintError(const std::string& text);

// Prints a failure's message as PrintError does; gives kExitFailed.
int Failed(const Status& status);

// kExitOk for success, else Failed(status).
int ExitStatus(const Status& status);

}  // namespace zorv::cli
