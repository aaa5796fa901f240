// Packages applied to the game: `install` writes a package's entries into
// the game's archives (or, with --dry-run, only lists what it would
// change), `uninstall` restores the archives from what the install kept,
// `installed` lists the installs recorded in a data folder.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/cli/Command.h"
#include "app/cli/Progress.h"
#include "package/PackageInstall.h"

namespace zorv::cli {
namespace {

struct InstallArgs {
  std::string package_path, data_dir;
  bool dry_run = false;
};

// Titles and names are 8-bit text of any bytes: control characters would
// garble the terminal, so they are shown as "?".
std::string Shown(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return text;
}

void PrintLines(const char* heading, const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  std::printf("%s\n", heading);
  for (const std::string& line : lines) std::printf("  %s\n", Shown(line).c_str());
}

int RunInstall(const InstallArgs& args) {
  InstallResult result;
  if (args.dry_run) {
    if (Status planned = PlanInstall(args.package_path, args.data_dir, result.Plan); !planned)
      return Failed(planned);
    std::printf("Dry run of \"%s\": nothing was written.\n",
                Shown(result.Plan.Package.Title).c_str());
    PrintLines("Would change:", DescribeChanges(result.Plan));
  } else {
    ProgressBar bar;
    Status installed = InstallPackage(args.package_path, args.data_dir, result, bar.Sink());
    bar.Finish();
    if (!installed) return Failed(installed);
    if (result.Installed.Number == 0)
      std::printf("\"%s\": nothing to install; no entry goes into a game archive.\n",
                  Shown(result.Plan.Package.Title).c_str());
    else
      std::printf("Installed \"%s\" as install %d.\n", Shown(result.Installed.Title).c_str(),
                  result.Installed.Number);
    PrintLines("Changed:", DescribeChanges(result.Plan));
  }
  PrintLines("Not installed:", DescribeNotInstalled(result.Plan));
  return kExitOk;
}

int RunUninstall(const InstallArgs& args) {
  InstalledPackage removed;
  ProgressBar bar;
  Status uninstalled = UninstallPackage(args.package_path, args.data_dir, removed, bar.Sink());
  bar.Finish();
  if (!uninstalled) return Failed(uninstalled);
  std::printf("Uninstalled install %s\n", Shown(DescribeInstalled(removed)).c_str());
  return kExitOk;
}

int RunInstalled(const InstallArgs& args) {
  InstallRecord record;
  if (Status read = ReadInstallRecord(args.data_dir, record); !read) return Failed(read);
  if (record.Packages.empty()) {
    std::printf("Nothing is installed in %s.\n", args.data_dir.c_str());
    return kExitOk;
  }
  for (const InstalledPackage& package : record.Packages) {
    std::printf("%s\n", Shown(DescribeInstalled(package)).c_str());
    std::printf("  from %s\n", Shown(package.PackageFile).c_str());
  }
  return kExitOk;
}

void SetupInstall(CLI::App& app, CommandAction& action) {
  auto* command = app.add_subcommand(
      "install", "Install a package into the game: every entry whose target is an archive "
                 "(gamedata, graphics, interfac, sounds, terrain) replaces the file of its id "
                 "in that archive in GAME_DATA_DIR, or is added (SLP and SLX entries to the slp "
                 "table, WAV to wav, BIN to bina). All archives change together or none does; "
                 "what `uninstall` needs is kept in GAME_DATA_DIR/zorv-installed/");
  auto args = std::make_shared<InstallArgs>();
  command->add_option("PACKAGE.mpi", args->package_path, "The package")->required();
  command->add_option("GAME_DATA_DIR", args->data_dir, "The game's data folder")->required();
  command->add_flag("--dry-run", args->dry_run, "List every change and write nothing");
  command->callback([&action, args] { action = [args] { return RunInstall(*args); }; });
}

void SetupUninstall(CLI::App& app, CommandAction& action) {
  auto* command = app.add_subcommand(
      "uninstall", "Remove an installed package: every archive its install changed is "
                   "restored byte for byte. Packages installed later over the same archives "
                   "must be removed first");
  auto args = std::make_shared<InstallArgs>();
  command->add_option("PACKAGE.mpi", args->package_path, "The package, as it was installed")
      ->required();
  command->add_option("GAME_DATA_DIR", args->data_dir, "The game's data folder")->required();
  command->callback([&action, args] { action = [args] { return RunUninstall(*args); }; });
}

void SetupInstalled(CLI::App& app, CommandAction& action) {
  auto* command = app.add_subcommand(
      "installed", "List the packages installed in a game's data folder, oldest first: "
                   "number, title, package file and the archives changed");
  auto args = std::make_shared<InstallArgs>();
  command->add_option("GAME_DATA_DIR", args->data_dir, "The game's data folder")->required();
  command->callback([&action, args] { action = [args] { return RunInstalled(*args); }; });
}

CommandRegistrar install_command(23, &SetupInstall);
CommandRegistrar uninstall_command(24, &SetupUninstall);
CommandRegistrar installed_command(25, &SetupInstalled);

}  // namespace
}  // namespace zorv::cli
