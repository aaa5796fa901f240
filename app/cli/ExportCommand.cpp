// `zorv export IN.slp|IN.slx... -o DIR`: the frames of each graphic as PNG
// pictures (RGBA in a chosen player's colours or 8-bit paletted with exact
// indices), as a sprite sheet with its JSON list, or as an animated GIF,
// one folder per graphic as slp2slx makes them.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/cli/BatchOptions.h"
#include "app/cli/Command.h"
#include "archive/ArchiveInputs.h"
#include "codec/ExportFrames.h"
#include "codec/Palettes.h"
#include "common/FileIO.h"

namespace zorv::cli {
namespace {

namespace fs = std::filesystem;

struct ExportArgs {
  BatchArguments batch;
  std::string palette_path;
  std::string format = "png";
  std::string frames;  // "A-B" for a GIF
  bool delay_given = false;
  ExportSettings settings;
};

// "A-B", "A" or "A-" (to the last frame), frames counted from 1: false for
// anything else. A written 0 is refused rather than read as "to the last".
bool ParseFrameRange(const std::string& text, int32_t& first, int32_t& last) {
  const size_t dash = text.find('-');
  auto number = [](const std::string& digits, int32_t& value) {
    if (digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
      return false;
    value = std::stoi(digits);
    return value >= 1;
  };
  if (dash == std::string::npos) return number(text, first) && number(text, last);
  if (!number(text.substr(0, dash), first)) return false;
  if (dash + 1 == text.size()) {
    last = 0;
    return true;
  }
  return number(text.substr(dash + 1), last);
}

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(fs::path(NativePath(path)), ec);
}

// The graphics to export: files named are taken as they are; folders are
// searched for SLP files and for SLX files, each told by its content.
FoundInputs FindGraphics(const std::vector<std::string>& arguments, int threads) {
  std::vector<std::string> files, folders;
  for (const std::string& argument : arguments)
    (IsFolder(argument) ? folders : files).push_back(argument);
  FoundInputs found = FindInputs(files, InputKind::kSLP);
  if (folders.empty()) return found;
  std::set<std::string> taken;
  for (const InputKind kind : {InputKind::kSLP, InputKind::kSLX}) {
    FoundInputs walked = FindInputs(folders, kind, threads);
    for (BatchInput& input : walked.inputs)
      if (taken.insert(input.path).second) found.inputs.push_back(std::move(input));
    found.skipped.insert(found.skipped.end(), walked.skipped.begin(), walked.skipped.end());
    for (std::string& error : walked.errors)
      if (std::find(found.errors.begin(), found.errors.end(), error) == found.errors.end())
        found.errors.push_back(std::move(error));
  }
  // A file skipped by one walk may be the other kind's file.
  std::erase_if(found.skipped, [&](const std::string& path) { return taken.count(path) != 0; });
  std::sort(found.skipped.begin(), found.skipped.end());
  found.skipped.erase(std::unique(found.skipped.begin(), found.skipped.end()),
                      found.skipped.end());
  return found;
}

Status ExportOne(const BatchJob& job, const Palette& palette, const ExportSettings& settings) {
  // The job's output names the folder and title an SLX graphic of the
  // input would have; the frames are written there under that title.
  const fs::path output(job.output);
  const std::string folder = output.parent_path().generic_string();
  const std::string title = output.stem().string();
  if (LooksLike(InputKind::kSLX, job.input))
    return ExportSLXFrames(job.input, folder, title, palette, settings);
  return ExportSLPInputFrames(job.input, folder, title, palette, settings);
}

int RunExport(ExportArgs args) {
  args.settings.Format = args.format == "indexed" ? ExportFormat::kIndexed
                         : args.format == "sheet" ? ExportFormat::kSheet
                         : args.format == "gif"   ? ExportFormat::kGIF
                                                  : ExportFormat::kPNG;
  if (!args.frames.empty()) {
    if (args.settings.Format != ExportFormat::kGIF)
      return UsageError("--frames chooses the frames of a GIF; it needs --format gif");
    if (!ParseFrameRange(args.frames, args.settings.FirstFrame, args.settings.LastFrame) ||
        (args.settings.LastFrame != 0 && args.settings.LastFrame < args.settings.FirstFrame))
      return UsageError("--frames " + args.frames +
                        ": give the first and the last frame, such as 1-10, counted from 1");
  }
  if (args.delay_given && args.settings.Format != ExportFormat::kGIF)
    return UsageError("--delay times the frames of a GIF; it needs --format gif");
  const RenderOptions& render = args.settings.Render;
  if (render.TransparentIndex == render.ShadowIndex)
    return UsageError("--transparent-index and --shadow-index are both " +
                      std::to_string(render.ShadowIndex) + "; they must differ");

  auto palette = std::make_shared<Palette>(Palette::BuiltIn());
  if (!args.palette_path.empty())
    if (Status loaded = LoadPaletteInput(args.palette_path, *palette); !loaded)
      return Failed(loaded);

  const FoundInputs found = FindGraphics(args.batch.paths, args.batch.Threads());
  if (!found.errors.empty()) {
    for (const std::string& error : found.errors) PrintError(error);
    std::fprintf(stderr, "Nothing was converted.\n");
    return kExitUsage;
  }
  std::vector<BatchJob> jobs;
  for (const BatchInput& input : found.inputs)
    jobs.push_back(
        {input.path, OutputPath(input, args.batch.out_folder, OutputShape::kFolderPerGraphic)});
  if (const std::string clash = ClashingOutputs(jobs, OutputPlace::kApart); !clash.empty()) {
    PrintError(clash + " Nothing was converted.");
    return kExitUsage;
  }
  if (args.batch.verbose)
    for (const std::string& skipped : found.skipped)
      std::printf("%s skipped: not a file of this kind\n", skipped.c_str());

  BatchSettings batch;
  batch.threads = args.batch.Threads();
  batch.verbosity = args.batch.Level();
  batch.skipped = static_cast<int>(found.skipped.size());
  const ExportSettings settings = args.settings;
  return RunBatch(
      jobs, [palette, settings](const BatchJob& job) { return ExportOne(job, *palette, settings); },
      batch);
}

void Setup(CLI::App& app, CommandAction& action) {
  auto* command = app.add_subcommand(
      "export",
      "Export every frame of SLP sprites and SLX graphics as PNG pictures.\n"
      "  zorv export [-o DIR] PATH...     files and folders; folders are searched, "
      "subfolders too, for SLP and SLX files (told by their content), and "
      "units/archer.slp becomes units/archer/archer_001.png and on, one folder per graphic; "
      "ARCHIVE:ID names the slp file of that id in a game archive (graphics.drs:1234 "
      "becomes 1234/1234_001.png)\n"
      "  --format png: RGBA; transparent pixels alpha 0, player colour in the shades of "
      "--player (palette entry 16 x N + the pixel's index), shadow black with "
      "--shadow-alpha, outlines transparent unless --outlines\n"
      "  --format indexed: 8-bit paletted with the whole palette in index order; "
      "transparent pixels --transparent-index (marked transparent), shadow "
      "--shadow-index, player colour 16 + its index\n"
      "  --format sheet: one RGBA picture of every frame in a grid (title.png) and "
      "title.json with each frame's rectangle in it and its hot spot\n"
      "  --format gif: one animated GIF (title.gif) of --frames, placed so that their hot "
      "spots coincide, each shown --delay milliseconds, looping; pixels of alpha 128 and "
      "more are drawn in their palette colour");
  auto args = std::make_shared<ExportArgs>();
  command->add_option("PATH", args->batch.paths, "SLP and SLX files and folders")->required();
  AddBatchOptions(*command, args->batch);
  command->add_option("--format", args->format, "png (default), indexed, sheet or gif")
      ->check(CLI::IsMember({"png", "indexed", "sheet", "gif"}));
  command->add_option("--frames", args->frames,
                      "The frames of a GIF, A-B (default: all), counted from 1");
  CLI::Option* delay =
      command
          ->add_option("--delay", args->settings.DelayMs,
                       "Milliseconds each GIF frame shows (default 100), kept to hundredths "
                       "of a second")
          ->check(CLI::Range(10, 655350));
  RenderOptions& render = args->settings.Render;
  command->add_option("--player", render.Player, "Player colour 1 to 8 (default 1)")
      ->check(CLI::Range(kMinPlayer, kMaxPlayer));
  command
      ->add_option("--shadow-alpha", render.ShadowAlpha,
                   "Alpha of shadow pixels, 0 to 255 (default 128)")
      ->check(CLI::Range(0, 255));
  command->add_flag("--outlines", render.Outlines,
                    "Draw outlines: player-colour outlines in the player's brightest shade, "
                    "black outlines black (default: transparent)");
  command
      ->add_option("--transparent-index", render.TransparentIndex,
                   "Palette index of transparent pixels in indexed pictures (default 255)")
      ->check(CLI::Range(0, 255));
  command
      ->add_option("--shadow-index", render.ShadowIndex,
                   "Palette index of shadow pixels in indexed pictures (default 254)")
      ->check(CLI::Range(0, 255));
  command->add_option("--palette", args->palette_path,
                      "A JASC-PAL palette to use instead of the built-in one: a file, or a "
                      "bina file of a game archive as ARCHIVE:ID (interfac.drs:50500)");
  command->callback([&action, args, delay] {
    args->delay_given = delay->count() > 0;
    action = [args] { return RunExport(*args); };
  });
}

CommandRegistrar registrar(14, &Setup);

}  // namespace
}  // namespace zorv::cli
