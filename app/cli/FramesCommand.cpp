// `zorv frames2slx FRAME.bmp... -o OUT.slx`: "Create SLX from frames"
// without the editor. The frames dialog's own job does the work, so the
// names, the copies and the refusals are the same.
#include <charconv>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/Command.h"
#include "app/cli/HotSpotOption.h"
#include "app/cli/InputFiles.h"
#include "common/Functions.h"
#include "tools/FramesToSLX.h"
#include "tools/HotSpotRange.h"

namespace zorv::cli {
namespace {

struct FramesArgs {
  std::vector<std::string> frames;
  std::string slx_path;
  std::string hotspot = "30,30";
  std::string suffix = "data";
};

int RunFramesToSLX(const FramesArgs& args) {
  FramesToSLXJob job;
  job.slx_path = args.slx_path;
  job.frames = args.frames;
  if (!ParseHotSpot(args.hotspot, job.center_x, job.center_y))
    return UsageError("--hotspot: \"" + args.hotspot + "\" is not X,Y");
  job.suffix = args.suffix;
  return ExitStatus(CreateSLXFromFrames(job));
}

void Setup(CLI::App& app, CommandAction& action) {
  auto* command = app.add_subcommand(
      "frames2slx",
      "Create an SLX graphic from BMP or PNG frames, one file per frame in the order given. "
      "The SLX must go into a folder holding no other files: each frame is copied there "
      "under its own base name, and every frame gets the same hot spot. The SLX names a "
      "data bitmap for each frame (base name + suffix + .bmp, or .png for a .png frame), "
      "which is not written: make them with autogen");
  auto args = std::make_shared<FramesArgs>();
  command->add_option("FRAME.bmp", args->frames, "The frame pictures, first frame first")
      ->required()
      ->check(ExistingInputFile());
  command->add_option("-o,--out", args->slx_path,
                      "The SLX file to write, in an empty folder (used as given; no "
                      "extension is added)")
      ->required();
  command->add_option("--hotspot", args->hotspot, "The hot spot of every frame")
      ->capture_default_str()
      ->check(HotSpotText());
  command->add_option("--suffix", args->suffix,
                      "Added to a frame's base name to name its data bitmap")
      ->capture_default_str();
  command->callback([&action, args] { action = [args] { return RunFramesToSLX(*args); }; });
}

CommandRegistrar registrar(13, &Setup);

}  // namespace
}  // namespace zorv::cli
