// Finding commands by the names typed on the command line: the command a
// list of words names, and the nearest name to a mistyped one.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace zorv::cli {

// How many single-character insertions, deletions, substitutions and swaps
// of two neighbours turn one text into the other ("slp2sxl" is one swap
// from "slp2slx").
size_t EditDistance(const std::string& a, const std::string& b);

// Of the names, the one nearest to typed, or "" when none is near enough
// to be a likely typing mistake.
std::string NearestName(const std::string& typed, const std::vector<std::string>& names);

// The names of a command's sub-commands, in the order of its help.
std::vector<std::string> CommandNames(const CLI::App& command);

// "unknown command 'x'", with "; did you mean 'y'?" when one is near.
std::string UnknownCommandText(const CLI::App& parent, const std::string& typed);

// Follows the words at the start of args (options end the walk) down the
// tree of commands. Sets unknown to the usage error for the first word
// that should name a command and names none; otherwise leaves it empty and
// gives the command the words name.
const CLI::App* FollowCommandWords(const CLI::App& app, const std::vector<std::string>& args,
                                   std::string& unknown);

// What `COMMAND --help` shows for that command: its usage line names the
// commands above it ("zorv project add").
std::string CommandHelp(const CLI::App& command);

}  // namespace zorv::cli
