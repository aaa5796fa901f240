#include "app/cli/AutogenRuleOptions.h"

#include "app/cli/ColourOption.h"

namespace zorv::cli {

void AutogenRuleArguments::ApplyTo(AutoGenOptions& options) const {
  options.ShadowColour = no_shadow ? kNoShadow : *ParseRGB(shadow);
  options.ShadowTolerance = shadow_tolerance;
  options.PlayerColours = !no_player;
  options.PlayerColour = *ParseRGB(player);
  options.PlayerTolerance = player_tolerance;
  options.Outlines = !no_outlines;
}

void AddAutogenRuleOptions(CLI::App& command, AutogenRuleArguments& args,
                           const std::string& no_shadow_help, const std::string& no_player_help) {
  CLI::Option* shadow =
      command.add_option("--shadow", args.shadow, "Shadow colour (default 255,0,0)")
          ->check(ColourValidator());
  CLI::Option* no_shadow = command.add_flag("--no-shadow", args.no_shadow, no_shadow_help);
  shadow->excludes(no_shadow);
  command
      .add_option("--shadow-tolerance", args.shadow_tolerance,
                  "Largest summed channel difference still shadow, 0 to 300 (default 0)")
      ->check(CLI::Range(0, static_cast<int>(kMaxShadowTolerance)));
  CLI::Option* player =
      command.add_option("--player", args.player, "Player colour (default 0,0,255)")
          ->check(ColourValidator());
  CLI::Option* no_player = command.add_flag("--no-player", args.no_player, no_player_help);
  player->excludes(no_player);
  command
      .add_option("--player-tolerance", args.player_tolerance,
                  "Largest hue difference in degrees still player colour, 0 to 50 "
                  "(default 15)")
      ->check(CLI::Range(0, static_cast<int>(kMaxPlayerTolerance)));
  command.add_flag("--no-outlines", args.no_outlines, "Do not add outlines");
}

}  // namespace zorv::cli
