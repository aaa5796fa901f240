// The conversion commands: slp2slx, slx2slp and icon.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/cli/Command.h"
#include "app/cli/Progress.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "codec/SLPWriter.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "common/Functions.h"

namespace zorv::cli {
namespace {

// Icon flags: civilisation bits 0..7 plus 256 x a category 0..3.
constexpr int kMaxIconFlags = 1023;

struct SLPToSLXOptions {
  std::string slp_path, slx_path, palette_path;
};

int RunSLPToSLX(const SLPToSLXOptions& options) {
  Palette palette;
  if (Status loaded = LoadPalette(options.palette_path, palette); !loaded) return Failed(loaded);
  ProgressBar bar;
  Status converted = ConvertSLPToSLX(options.slp_path, options.slx_path, palette, bar.Sink());
  bar.Finish();
  return ExitStatus(converted);
}

void SetupSLPToSLX(CLI::App& app, CommandAction& action) {
  auto* command = app.add_subcommand(
      "slp2slx", "Convert an SLP sprite into an SLX graphic: one colour and one data "
                 "BMP per frame beside the SLX file");
  auto options = std::make_shared<SLPToSLXOptions>();
  command->add_option("IN.slp", options->slp_path, "The SLP file to read")->required();
  command->add_option("OUT.slx", options->slx_path,
                      "The SLX file to write (\".slx\" is added to a name without "
                      "extension)")
      ->required();
  command->add_option("--palette", options->palette_path,
                      "A JASC-PAL palette to decode with instead of the built-in one");
  command->callback([&action, options] { action = [options] { return RunSLPToSLX(*options); }; });
}

struct SLXToSLPOptions {
  std::string slx_path, slp_path;
};

int RunSLXToSLP(const SLXToSLPOptions& options) {
  SLXGraphic graphic;
  if (Status loaded = LoadSLX(options.slx_path, graphic); !loaded) return Failed(loaded);
  ProgressBar bar;
  Status converted =
      ConvertSLXToSLP(graphic, options.slp_path, Palette::BuiltIn(), bar.Sink());
  bar.Finish();
  return ExitStatus(converted);
}

void SetupSLXToSLP(CLI::App& app, CommandAction& action) {
  auto* command = app.add_subcommand(
      "slx2slp", "Convert an SLX graphic and its BMP files into an SLP sprite "
                 "(coded against the built-in palette)");
  auto options = std::make_shared<SLXToSLPOptions>();
  command->add_option("IN.slx", options->slx_path, "The SLX file to read")->required();
  command->add_option("OUT.slp", options->slp_path, "The SLP file to write")->required();
  command->callback([&action, options] { action = [options] { return RunSLXToSLP(*options); }; });
}

struct IconOptions {
  std::string bmp_path, output_path;
  int flags = 0;
};

void SetupIcon(CLI::App& app, CommandAction& action) {
  auto* command = app.add_subcommand(
      "icon", "Code a BMP icon as icon row data for a mod package");
  auto options = std::make_shared<IconOptions>();
  command->add_option("IN.bmp", options->bmp_path, "The BMP file to read")->required();
  command->add_option("OUT", options->output_path, "The icon row data file to write")
      ->required();
  command
      ->add_option("--flags", options->flags,
                   "Icon flags: civilisation bits 1..128 plus 256 x the category "
                   "(0 unit, 1 building, 2 research, 3 order)")
      ->check(CLI::Range(0, kMaxIconFlags));
  command->callback([&action, options] {
    action = [options] {
      return ExitStatus(ConvertBMPToIcon(options->bmp_path, options->output_path,
                                         options->flags, Palette::BuiltIn()));
    };
  });
}

CommandRegistrar slp_to_slx(10, &SetupSLPToSLX);
CommandRegistrar slx_to_slp(11, &SetupSLXToSLP);
CommandRegistrar icon(12, &SetupIcon);

}  // namespace
}  // namespace zorv::cli
