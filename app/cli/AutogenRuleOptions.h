// The options of the auto-generation rules (shadow, player colour, their
// tolerances, outlines), which autogen and import both take.
#pragma once

#include <cstdint>
#include <string>

#include <CLI/CLI.hpp>

#include "autogen/AutoGen.h"

namespace zorv::cli {

struct AutogenRuleArguments {
  std::string shadow = "255,0,0";
  bool no_shadow = false;
  int32_t shadow_tolerance = 0;
  std::string player = "0,0,255";
  bool no_player = false;
  int32_t player_tolerance = 15;
  bool no_outlines = false;

  // Sets the rules' fields of options (the rest stays as it is). Call only
  // after parsing, which has checked the colours.
  void ApplyTo(AutoGenOptions& options) const;
};

// Adds --shadow, --no-shadow, --shadow-tolerance, --player, --no-player,
// --player-tolerance and --no-outlines; the two "no" flags take the help
// texts given, which say what the command's input is.
void AddAutogenRuleOptions(CLI::App& command, AutogenRuleArguments& args,
                           const std::string& no_shadow_help, const std::string& no_player_help);

}  // namespace zorv::cli
