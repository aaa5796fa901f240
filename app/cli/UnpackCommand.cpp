// `zorv unpack PACKAGE.mpi -o DIR`: a package back into its files and a
// project that compiles into it again.
#include <cstdio>
#include <memory>
#include <string>

#include "app/cli/Command.h"
#include "app/cli/InputFiles.h"
#include "app/cli/Progress.h"
#include "package/UnpackPackage.h"

namespace zorv::cli {
namespace {

struct UnpackArgs {
  std::string package_path;
  std::string folder;
  bool force = false;
};

int RunUnpack(const UnpackArgs& args) {
  UnpackOptions options;
  options.force = args.force;
  UnpackResult result;
  ProgressBar bar;
  Status unpacked = UnpackPackage(args.package_path, args.folder, options, result, bar.Sink());
  bar.Finish();
  if (!unpacked) return Failed(unpacked);
  std::printf("%zu files written; the project is %s\n", result.Files.size(),
              result.ProjectPath.c_str());
  // The project is whole either way; what keeps its compile from giving
  // the package's very bytes is said, so that nobody counts on them.
  for (const std::string& difference : result.Differences)
    std::fprintf(stderr, "Warning: compiling the project will not give the same package: %s\n",
                 difference.c_str());
  return kExitOk;
}

void Setup(CLI::App& app, CommandAction& action) {
  auto* command = app.add_subcommand(
      "unpack",
      "Unpack an MPI package into a folder: the readme as readme.txt, every entry as a "
      "file named by its id (1234.slp, 1234.wav, 1234.bin; other files by the game file "
      "they go into, language.dll), SLX entries also as an SLX graphic, icons as a BMP, "
      "and a project (PACKAGE.mpr) that compiles back into the same package");
  auto args = std::make_shared<UnpackArgs>();
  command->add_option("PACKAGE.mpi", args->package_path, "The package")
      ->required()
      ->check(ExistingInputFile());
  command->add_option("-o,--out", args->folder,
                      "The folder to unpack into: made when missing, and refused when it "
                      "holds files already, unless --force")
      ->required();
  command->add_flag("--force", args->force,
                    "Unpack into a folder that holds files, replacing those of the same "
                    "names");
  command->callback([&action, args] { action = [args] { return RunUnpack(*args); }; });
}

CommandRegistrar registrar(22, &Setup);

}  // namespace
}  // namespace zorv::cli
