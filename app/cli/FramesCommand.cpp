// `zorv frames2slx FRAME.bmp... -o OUT.slx`: "Create SLX from frames"
// without the editor. The frames dialog's own job does the work, so the
// names, the copies and the refusals are the same.
#include <charconv>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/Command.h"
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

// A whole number within the hot spot limit, the whole text and nothing
// else.
bool ParseCoordinate(std::string_view text, int32_t& value) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end && value >= -kHotSpotLimit &&
         value <= kHotSpotLimit;
}

// "X,Y" into the two coordinates.
bool ParseHotSpot(const std::string& text, int32_t& x, int32_t& y) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos) return false;
  return ParseCoordinate(std::string_view(text).substr(0, comma), x) &&
         ParseCoordinate(std::string_view(text).substr(comma + 1), y);
}

CLI::Validator HotSpotText() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        int32_t x = 0, y = 0;
        if (ParseHotSpot(text, x, y)) return {};
        return "\"" + text + "\" is not X,Y: two whole numbers from " +
               NumberText(-kHotSpotLimit) + " to " + NumberText(kHotSpotLimit) +
               " with a comma between them";
      },
      "X,Y");
}

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
      "Create an SLX graphic from BMP frames, one file per frame in the order given. The "
      "SLX must go into a folder holding no other files: each frame is copied there under "
      "its own base name, and every frame gets the same hot spot. The SLX names a data "
      "bitmap for each frame (base name + suffix + .bmp), which is not written: make them "
      "with autogen");
  auto args = std::make_shared<FramesArgs>();
  command->add_option("FRAME.bmp", args->frames, "The frame bitmaps, first frame first")
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
