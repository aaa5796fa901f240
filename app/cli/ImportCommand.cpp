// `zorv import FRAME.png... -o OUT.slx [-o OUT.slp] [--hotspot X,Y]` and
// `zorv import --sheet SHEET.json SHEET.png -o OUT.slx`: an SLX graphic, and
// an SLP if asked, from PNG frames or a sprite sheet (tools/ImportPNGFrames
// does the work).
#include <memory>
#include <string>
#include <vector>

#include "app/cli/AutogenRuleOptions.h"
#include "app/cli/Command.h"
#include "app/cli/HotSpotOption.h"
#include "app/cli/InputFiles.h"
#include "app/cli/Progress.h"
#include "codec/Palettes.h"
#include "common/Functions.h"
#include "tools/ImportPNGFrames.h"

namespace zorv::cli {
namespace {

struct ImportArgs {
  std::vector<std::string> frames;
  std::vector<std::string> outputs;
  std::string hotspot = "0,0";
  std::string sheet_list;
  std::string palette_path;
  int transparent_index = 255;
  int shadow_index = 254;
  AutogenRuleArguments rules;
};

bool HasExtension(const std::string& path, const std::string& extension) {
  const std::string name = GetFileName(path);
  return name.size() > extension.size() &&
         AsciiLower(name.substr(name.size() - extension.size())) == extension;
}

int RunImport(const ImportArgs& args) {
  PNGImportJob job;
  job.frames = args.frames;
  // -o names the SLX file, and a second -o ending in .slp the SLP file.
  for (const std::string& output : args.outputs) {
    std::string& target = HasExtension(output, ".slp") ? job.slp_path : job.slx_path;
    if (!target.empty())
      return UsageError("-o: give one SLX file and at most one SLP file (ending in .slp); " +
                        target + " and " + output + " are both " +
                        (&target == &job.slp_path ? "SLP" : "SLX") + " files");
    target = output;
  }
  if (job.slx_path.empty()) return UsageError("-o: name the SLX file to write");
  if (!args.sheet_list.empty() && args.frames.size() != 1)
    return UsageError("--sheet: give the one sheet picture its list describes, not " +
                      std::to_string(args.frames.size()) + " pictures");
  job.sheet_list = args.sheet_list;
  if (!ParseHotSpot(args.hotspot, job.center_x, job.center_y))
    return UsageError("--hotspot: \"" + args.hotspot + "\" is not X,Y");
  args.rules.ApplyTo(job.options.Rules);
  job.options.TransparentIndex = args.transparent_index;
  job.options.ShadowIndex = args.shadow_index;
  if (Status checked = CheckPNGImportOptions(job.options); !checked)
    return UsageError(checked.Detail());

  Palette palette = Palette::BuiltIn();
  if (!args.palette_path.empty())
    if (Status loaded = LoadPalette(args.palette_path, palette); !loaded) return Failed(loaded);
  ProgressBar bar(false);
  Status imported = ImportPNGFrames(job, palette, bar.Sink());
  bar.Finish();
  return ExitStatus(imported);
}

void Setup(CLI::App& app, CommandAction& action) {
  auto* command = app.add_subcommand(
      "import",
      "Build an SLX graphic (and with a second -o OUT.slp its SLP) from PNG frames, one "
      "file per frame in the order given, or from one sprite sheet and its --sheet list. Each frame's colour and data bitmaps are written "
      "beside the SLX as title_NNN.png and title_NNNd.png.\n"
      "  RGBA, RGB and grey frames: alpha below 128 is transparent; the rest is shadow, "
      "player colour or normal by the rules of autogen (--shadow, --player, their "
      "tolerances), with outlines added unless --no-outlines.\n"
      "  Paletted frames hold game palette indices, read as the indexed export writes "
      "them: --transparent-index and --shadow-index, 16 to 23 player colour (unless "
      "--no-player), any other index a normal pixel.");
  auto args = std::make_shared<ImportArgs>();
  command->add_option("FRAME.png", args->frames, "The PNG frames, first frame first")
      ->required()
      ->check(ExistingInputFile());
  command->add_option("-o,--out", args->outputs,
                      "OUT.slx (\".slx\" is added to a name without extension), and "
                      "optionally OUT.slp")
      ->required();
  CLI::Option* hotspot =
      command->add_option("--hotspot", args->hotspot, "The hot spot of every frame")
          ->capture_default_str()
          ->check(HotSpotText());
  command
      ->add_option("--sheet", args->sheet_list,
                   "SHEET.json: the frame is a sprite sheet as export --format sheet writes "
                   "it; the list gives each frame's rectangle in it and its hot spot")
      ->check(ExistingInputFile())
      ->excludes(hotspot);
  command->add_option("--palette", args->palette_path,
                      "A JASC-PAL palette to use instead of the built-in one");
  command
      ->add_option("--transparent-index", args->transparent_index,
                   "Paletted frames: the index of transparent pixels (default 255)")
      ->check(CLI::Range(0, 255));
  command
      ->add_option("--shadow-index", args->shadow_index,
                   "Paletted frames: the index of shadow pixels (default 254)")
      ->check(CLI::Range(0, 255));
  AddAutogenRuleOptions(*command, args->rules, "The frames have no shadow",
                        "Do not detect player colour (paletted frames: indices 16 to 23 "
                        "are normal pixels)");
  command->callback([&action, args] { action = [args] { return RunImport(*args); }; });
}

CommandRegistrar registrar(15, &Setup);

}  // namespace
}  // namespace zorv::cli
