// zorv autogen: generates data bitmaps of an SLX graphic from its colour
// bitmaps, as the auto-generation dialog does, or previews one frame's
// result into another folder.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/cli/BatchOptions.h"
#include "app/cli/AutogenRuleOptions.h"
#include "app/cli/ColourOption.h"
#include "app/cli/Command.h"
#include "app/cli/NormalPaths.h"
#include "app/cli/Progress.h"
#include "autogen/AutoGen.h"
#include "codec/FrameBitmaps.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "common/Functions.h"

namespace zorv::cli {
namespace {

namespace fs = std::filesystem;

struct AutogenArguments {
  BatchArguments batch;
  std::string slx_path;  // the one graphic of the single form
  int32_t frame = 1;
  bool all = false;
  std::string mask = "255,0,255";
  AutogenRuleArguments rules;
  bool no_crop = false;
  bool fix_purple = false;
  std::string preview_dir;
};

AutoGenOptions OptionsFrom(const AutogenArguments& args) {
  AutoGenOptions options;
  options.Frame = args.frame;
  options.MaskColour = *ParseRGB(args.mask);
  args.rules.ApplyTo(options);
  options.AutoCrop = !args.no_crop;
  options.FixPurple = args.fix_purple;
  return options;
}

void PrintFrame(const AutoGenResult& result) {
  std::printf("Frame %d: %d x %d, hot spot %d,%d%s\n", result.Frame, result.Width,
              result.Height, result.CenterX, result.CenterY,
              result.Cropped ? " (cropped)" : "");
}

// Whether writing to target would replace the SLX file or any frame file
// of the graphic.
bool IsGraphicFile(const SLXGraphic& graphic, const std::string& target) {
  const std::string normal_target = NormalPath(target);
  if (NormalPath(graphic.Path) == normal_target) return true;
  for (int32_t i = 1; i <= static_cast<int32_t>(graphic.Frames.size()); ++i)
    if (NormalPath(graphic.ColourPath(i)) == normal_target ||
        NormalPath(graphic.DataPath(i)) == normal_target)
      return true;
  return false;
}

int RunPreview(const AutogenArguments& args, SLXGraphic& graphic, AutoGenOptions options) {
  if (args.frame > graphic.FrameCount)
    return UsageError("--frame " + NumberText(args.frame) + ": " + args.slx_path + " has " +
                      NumberText(graphic.FrameCount) + " frames");
  options.Save = false;
  const SLXFrame& frame = graphic.Frame(args.frame);
  const fs::path folder(NativePath(args.preview_dir));
  const std::string colour_out = (folder / GetFileName(frame.ColourFile)).string();
  const std::string data_out = (folder / GetFileName(frame.DataFile)).string();
  if (NormalPath(colour_out) == NormalPath(data_out)) {
    PrintError("The colour and data bitmaps of frame " + NumberText(args.frame) +
               " have the same name; a preview would write one over the other: " + colour_out);
    return kExitFailed;
  }
  for (const std::string& target : {colour_out, data_out})
    if (IsGraphicFile(graphic, target)) {
      PrintError("A preview must not replace a file of the graphic: " + target +
                 "\nChoose another folder.");
      return kExitFailed;
    }

  AutoGenResult result = GenerateDataBitmap(graphic, options);
  if (!result.status) return Failed(result.status);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    PrintError("Cannot create the folder " + args.preview_dir + ": " + ec.message());
    return kExitFailed;
  }
  for (auto [bitmap, path] : {std::pair{&result.ColourBitmap, &colour_out},
                              std::pair{&result.DataBitmap, &data_out}}) {
    if (Status saved = SaveFrameBitmap(*bitmap, *path); !saved) {
      PrintError(std::string(kMsgErrorSavingBitmap) + "\n" + saved.message());
      return kExitFailed;
    }
  }
  PrintFrame(result);
  std::printf("Preview written to %s and %s\n", colour_out.c_str(), data_out.c_str());
  return kExitOk;
}

int RunApply(const AutogenArguments& args, SLXGraphic& graphic, AutoGenOptions options) {
  options.Save = true;
  const int32_t frame_count = graphic.FrameCount;
  if (!args.all) {
    if (args.frame > frame_count)
      return UsageError("--frame " + NumberText(args.frame) + ": " + args.slx_path +
                        " has " + NumberText(frame_count) + " frames");
    AutoGenResult result = GenerateDataBitmap(graphic, options);
    // A frame that could not be saved was left as it was: nothing to show.
    if (!result.status) return Failed(result.status);
    PrintFrame(result);
    return kExitOk;
  }
  // As "Apply to animation": every frame in turn, every frame tried.
  ProgressBar progress;
  const AutoGenBatch batch = GenerateAllDataBitmaps(
      graphic, options, progress.Sink(), [&progress](const AutoGenResult& result) {
        progress.Finish();
        if (!result.status)
          PrintError(result.status.message());
        else
          PrintFrame(result);
        return true;
      });
  progress.Finish();
  if (!batch.status) return Failed(batch.status);
  if (batch.Failed) {
    std::fprintf(stderr, "%d of %d frames failed.\n", batch.Failed, frame_count);
    return kExitFailed;
  }
  return kExitOk;
}

// Copies the SLX file and the frame bitmaps there are to to_slx, whose
// folder then holds them under the same names; copy is the graphic there.
Status CopyGraphic(const SLXGraphic& source, const std::string& to_slx, SLXGraphic& copy) {
  copy = source;
  copy.Path = to_slx;
  for (const SLXFrame& frame : source.Frames)
    for (const std::string& name : {frame.ColourFile, frame.DataFile}) {
      std::string from, to;
      if (Status inside = FramePathForWriting(source, name, from); !inside) return inside;
      if (Status inside = FramePathForWriting(copy, name, to); !inside) return inside;
      if (!FileExists(from)) continue;
      std::error_code ec;
      fs::create_directories(fs::path(NativePath(to)).parent_path(), ec);
      fs::copy_file(fs::path(NativePath(from)), fs::path(NativePath(to)),
                    fs::copy_options::overwrite_existing, ec);
      if (ec) return Status::Fail("Cannot copy " + from + " to " + to, ec.message());
    }
  return SaveSLX(copy);
}

// One graphic of a batch: its chosen frame, or every frame with --all,
// generated and saved; into a copy under the output folder when there is
// one, else in place.
Status GenerateInBatch(const AutogenArguments& args, const BatchJob& job) {
  SLXGraphic graphic;
  if (Status loaded = LoadSLX(job.input, graphic); !loaded) return loaded;
  if (!args.batch.out_folder.empty()) {
    SLXGraphic copy;
    if (Status copied = CopyGraphic(graphic, job.output, copy); !copied) return copied;
    graphic = std::move(copy);
  }
  AutoGenOptions options = OptionsFrom(args);
  options.Save = true;
  if (!args.all) {
    if (args.frame > graphic.FrameCount)
      return Status::Fail("--frame " + NumberText(args.frame) + ": " + job.input + " has " +
                          NumberText(graphic.FrameCount) + " frames");
    return GenerateDataBitmap(graphic, options).status;
  }
  const AutoGenBatch done = GenerateAllDataBitmaps(graphic, options);
  if (!done.status) return done.status;
  if (done.Failed)
    return Status::Fail(job.input + ": " + NumberText(done.Failed) + " of " +
                        NumberText(graphic.FrameCount) + " frames failed.");
  return Status::Ok();
}

// The single form names one SLX file and no output folder.
bool IsSingleGraphic(const AutogenArguments& args) {
  std::error_code ec;
  return args.batch.out_folder.empty() && args.batch.paths.size() == 1 &&
         !fs::is_directory(fs::path(NativePath(args.batch.paths[0])), ec);
}

void Setup(CLI::App& app, CommandAction& action) {
  auto args = std::make_shared<AutogenArguments>();
  CLI::App* command = app.add_subcommand(
      "autogen",
      "Generate the data bitmaps of an SLX graphic from its colour bitmaps: mask colour "
      "-> transparent, shadow colour -> shadow, player hue -> player colour, the rest "
      "normal; optionally crop each frame and add outlines. Saves the frame (or every "
      "frame with --all) unless --preview is given.\n"
      "Given several SLX files or folders (searched, subfolders too, for files whose first "
      "line is \"SLX 0.5\"), does the same to every graphic; with -o DIR each graphic is "
      "first copied to its path under DIR and only the copy is changed.");
  command->add_option("file", args->batch.paths, "The SLX graphic, or SLX files and folders")
      ->required();
  AddBatchOptions(*command, args->batch);
  CLI::Option* frame =
      command->add_option("--frame", args->frame, "Frame to process, from 1 (default 1)")
          ->check(CLI::Range(1, INT32_MAX));
  CLI::Option* all =
      command->add_flag("--all", args->all, "Process and save every frame in turn");
  frame->excludes(all);
  command->add_option("--mask", args->mask, "Background colour (default 255,0,255)")
      ->check(ColourValidator());
  AddAutogenRuleOptions(*command, args->rules, "The graphic has no shadow",
                        "Do not detect player colour");
  command->add_flag("--no-crop", args->no_crop, "Do not crop frames to their content");
  command->add_flag("--fix-purple", args->fix_purple,
                    "Treat magenta as background when cropping too (forces the crop)");
  command
      ->add_option("--preview", args->preview_dir,
                   "Write the frame's generated bitmaps into this folder and change "
                   "nothing else")
      ->excludes(all);
  command->callback([args, command, &action] {
    const bool preview = command->count("--preview") > 0;
    action = [args, preview] {
      if (!IsSingleGraphic(*args)) {
        if (preview) return UsageError("--preview works on one SLX file");
        return RunBatchCommand(args->batch, InputKind::kSLX, OutputShape::kSameNameSLX,
                               [args](const BatchJob& job) { return GenerateInBatch(*args, job); },
                               args->batch.out_folder.empty() ? OutputPlace::kInPlace
                                                              : OutputPlace::kApart);
      }
      args->slx_path = args->batch.paths[0];
      AutoGenOptions options = OptionsFrom(*args);
      SLXGraphic graphic;
      if (Status loaded = LoadSLX(args->slx_path, graphic); !loaded) return Failed(loaded);
      return preview ? RunPreview(*args, graphic, options) : RunApply(*args, graphic, options);
    };
  });
}

static CommandRegistrar registrar(50, &Setup);

}  // namespace
}  // namespace zorv::cli
