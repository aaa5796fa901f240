// The conversion commands: slp2slx, slx2slp and icon.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/cli/BatchOptions.h"
#include "app/cli/Command.h"
#include "app/cli/PerThread.h"
#include "app/cli/Progress.h"
#include "archive/ArchiveInputs.h"
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

// Loads the palette named by --palette, or gives the built-in one.
Status PaletteFor(const std::string& palette_path, Palette& palette) {
  if (palette_path.empty()) {
    palette = Palette::BuiltIn();
    return Status::Ok();
  }
  return LoadPaletteInput(palette_path, palette);
}

constexpr const char* kPaletteHelp =
    "A JASC-PAL palette to use instead of the built-in one: a file, or a bina file of a "
    "game archive as ARCHIVE:ID (interfac.drs:50500)";

struct SLPToSLXOptions {
  BatchArguments batch;
  std::string palette_path;
  std::string frame_format = "bmp";
};

int RunSLPToSLX(const SLPToSLXOptions& options) {
  auto palette = std::make_shared<Palette>();
  if (Status loaded = PaletteFor(options.palette_path, *palette); !loaded) return Failed(loaded);
  const FrameFileFormat format =
      options.frame_format == "png" ? FrameFileFormat::kPNG : FrameFileFormat::kBMP;
  if (options.batch.IsSingleFile()) {
    ProgressBar bar(options.batch.quiet);
    Status converted = ConvertSLPInputToSLX(options.batch.paths[0], options.batch.paths[1],
                                            *palette, format, bar.Sink());
    bar.Finish();
    return ExitStatus(converted);
  }
  return RunBatchCommand(options.batch, InputKind::kSLP, OutputShape::kFolderPerGraphic,
                         [palette, format](const BatchJob& job) {
                           return ConvertSLPInputToSLX(job.input, job.output, *palette, format,
                                                       {});
                         });
}

void SetupSLPToSLX(CLI::App& app, CommandAction& action) {
  auto* command = app.add_subcommand(
      "slp2slx",
      "Convert SLP sprites into SLX graphics: one colour and one data BMP (or PNG) per frame "
      "beside the SLX file.\n"
      "  zorv slp2slx IN.slp OUT.slx      one file (\".slx\" is added to a name without "
      "extension)\n"
      "  zorv slp2slx ARCHIVE:ID OUT.slx  the slp file of that id in a game archive "
      "(graphics.drs:1234; in a batch it becomes 1234/1234.slx)\n"
      "  zorv slp2slx [-o DIR] PATH...    files and folders; folders are searched, "
      "subfolders too, for SLP files (recognised by their header, whatever their "
      "extension; .bmp and .png files are frames and not opened), and units/archer.slp "
      "becomes units/archer/archer.slx, one folder per graphic");
  auto options = std::make_shared<SLPToSLXOptions>();
  command->add_option("PATH", options->batch.paths, "SLP files and folders, or IN.slp OUT.slx")
      ->required();
  AddBatchOptions(*command, options->batch);
  command->add_option("--palette", options->palette_path, kPaletteHelp);
  command
      ->add_option("--frame-format", options->frame_format,
                   "The frame files written: bmp (24-bit BMP, the default) or png (lossless "
                   "24-bit PNG, title_NNN.png and title_NNNd.png)")
      ->check(CLI::IsMember({"bmp", "png"}));
  command->callback([&action, options] { action = [options] { return RunSLPToSLX(*options); }; });
}

struct SLXToSLPOptions {
  BatchArguments batch;
  std::string palette_path;
};

int RunSLXToSLP(const SLXToSLPOptions& options) {
  auto palette = std::make_shared<Palette>();
  if (Status loaded = PaletteFor(options.palette_path, *palette); !loaded) return Failed(loaded);
  if (options.batch.IsSingleFile()) {
    SLXGraphic graphic;
    if (Status loaded = LoadSLX(options.batch.paths[0], graphic); !loaded) return Failed(loaded);
    ProgressBar bar(options.batch.quiet);
    Status converted = ConvertSLXToSLP(graphic, options.batch.paths[1], *palette, bar.Sink());
    bar.Finish();
    return ExitStatus(converted);
  }
  // Each thread codes its graphics with one encoder, which has matched
  // most colours of the batch after its first few graphics.
  auto encoders = std::make_shared<PerThread<SLPRunEncoder>>(
      [palette] { return std::make_unique<SLPRunEncoder>(*palette); });
  return RunBatchCommand(options.batch, InputKind::kSLX, OutputShape::kSameNameSLP,
                         [palette, encoders](const BatchJob& job) {
                           SLXGraphic graphic;
                           if (Status loaded = LoadSLX(job.input, graphic); !loaded)
                             return loaded;
                           return ConvertSLXToSLP(graphic, job.output, encoders->Mine(), {});
                         });
}

void SetupSLXToSLP(CLI::App& app, CommandAction& action) {
  auto* command = app.add_subcommand(
      "slx2slp",
      "Convert SLX graphics and their BMP files into SLP sprites, coded against the "
      "built-in palette or --palette.\n"
      "  zorv slx2slp IN.slx OUT.slp      one file\n"
      "  zorv slx2slp [-o DIR] PATH...    files and folders; folders are searched, "
      "subfolders too, for SLX files (first line \"SLX 0.5\", whatever their extension; "
      ".bmp and .png files are frames and not opened), and units/archer.slx becomes "
      "units/archer.slp");
  auto options = std::make_shared<SLXToSLPOptions>();
  command->add_option("PATH", options->batch.paths, "SLX files and folders, or IN.slx OUT.slp")
      ->required();
  AddBatchOptions(*command, options->batch);
  command->add_option("--palette", options->palette_path, kPaletteHelp);
  command->callback([&action, options] { action = [options] { return RunSLXToSLP(*options); }; });
}

struct IconOptions {
  BatchArguments batch;
  std::string palette_path;
  int flags = 0;
};

int RunIcon(const IconOptions& options) {
  auto palette = std::make_shared<Palette>();
  if (Status loaded = PaletteFor(options.palette_path, *palette); !loaded) return Failed(loaded);
  const int flags = options.flags;
  if (options.batch.IsSingleFile())
    return ExitStatus(
        ConvertBMPToIcon(options.batch.paths[0], options.batch.paths[1], flags, *palette));
  return RunBatchCommand(options.batch, InputKind::kBMP, OutputShape::kSameNameIcon,
                         [palette, flags](const BatchJob& job) {
                           return ConvertBMPToIcon(job.input, job.output, flags, *palette);
                         });
}

void SetupIcon(CLI::App& app, CommandAction& action) {
  auto* command = app.add_subcommand(
      "icon",
      "Code BMP icons as icon row data for a mod package.\n"
      "  zorv icon IN.bmp OUT             one file\n"
      "  zorv icon [-o DIR] PATH...       files and folders; folders are searched, "
      "subfolders too, for BMP files (starting with \"BM\", whatever their extension), and "
      "icons/sword.bmp becomes icons/sword.dat");
  auto options = std::make_shared<IconOptions>();
  command->add_option("PATH", options->batch.paths, "BMP files and folders, or IN.bmp OUT")
      ->required();
  AddBatchOptions(*command, options->batch);
  command
      ->add_option("--flags", options->flags,
                   "Icon flags: civilisation bits 1..128 plus 256 x the category "
                   "(0 unit, 1 building, 2 research, 3 order)")
      ->check(CLI::Range(0, kMaxIconFlags));
  command->add_option("--palette", options->palette_path, kPaletteHelp);
  command->callback([&action, options] { action = [options] { return RunIcon(*options); }; });
}

CommandRegistrar slp_to_slx(10, &SetupSLPToSLX);
CommandRegistrar slx_to_slp(11, &SetupSLXToSLP);
CommandRegistrar icon(12, &SetupIcon);

}  // namespace
}  // namespace zorv::cli
