// The conversion commands: slp2slx, slx2slp and icon, and the `info`
// printers for SLP and SLX files.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/cli/Command.h"
#include "app/cli/Info.h"
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

std::string FixedText(const char* text, size_t size) {
  std::string out;
  for (size_t i = 0; i < size && text[i] != '\0'; ++i)
    out += (text[i] >= 32 && text[i] < 127) ? text[i] : '?';
  return out;
}

int PrintSLPInfo(const std::string& path) {
  SLPFile file;
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  if (Status read = ReadSLPHeader(path, file, header, frames); !read) {
    PrintError(AboutFile(path, read.message()));
    return kExitFailed;
  }
  std::printf("SLP file %s\n", path.c_str());
  std::printf("version \"%s\", comment \"%s\", %zu bytes\n",
              FixedText(header.Version.data(), 4).c_str(),
              FixedText(header.Comment.data(), 24).c_str(), file.Size());
  std::printf("frames %d\n", header.FrameCount);
  std::printf("%6s %6s %6s %7s %7s %10s %10s\n", "frame", "width", "height", "hot x",
              "hot y", "commands", "edges");
  for (size_t i = 0; i < frames.size(); ++i) {
    const SLPFrameInfo& f = frames[i];
    std::printf("%6zu %6d %6d %7d %7d %10u %10u\n", i + 1, f.Width, f.Height, f.HotSpotX,
                f.HotSpotY, f.CommandTableOffset, f.OutlineTableOffset);
  }
  return kExitOk;
}

int PrintSLXInfo(const std::string& path) {
  SLXGraphic graphic;
  if (Status loaded = LoadSLX(path, graphic); !loaded) return Failed(loaded);
  std::printf("SLX file %s\n", path.c_str());
  std::printf("frames %d\n", graphic.FrameCount);
  int missing = 0;
  for (int32_t i = 1; i <= graphic.FrameCount; ++i) {
    const SLXFrame& frame = graphic.Frame(i);
    const bool colour = FileExists(graphic.ColourPath(i));
    const bool data = FileExists(graphic.DataPath(i));
    missing += !colour + !data;
    std::printf("%6d hot spot %d,%d  colour %s (%s)  data %s (%s)\n", i, frame.CenterX,
                frame.CenterY, frame.ColourFile.c_str(), colour ? "present" : "missing",
                frame.DataFile.c_str(), data ? "present" : "missing");
  }
  if (missing) std::printf("%d bitmap file(s) missing\n", missing);
  return kExitOk;
}

CommandRegistrar slp_to_slx(10, &SetupSLPToSLX);
CommandRegistrar slx_to_slp(11, &SetupSLXToSLP);
CommandRegistrar icon(12, &SetupIcon);
InfoPrinterRegistrar slp_info("slp", &PrintSLPInfo);
InfoPrinterRegistrar slx_info("slx", &PrintSLXInfo);

}  // namespace
}  // namespace zorv::cli
