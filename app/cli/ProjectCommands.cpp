// Mod projects without the editor: `compile` builds the MPI package,
// `project new|add|remove|set|title` edit a .mpr file.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/Command.h"
#include "app/cli/Progress.h"
#include "common/FileIO.h"
#include "common/Functions.h"
#include "package/MPICode.h"
#include "project/ModProject.h"
#include "project/ResourceList.h"

namespace zorv::cli {
namespace {

// What the editor's boxes let the user type.
constexpr size_t kMaxTitleLength = 50;
constexpr size_t kMaxNameLength = 30;

bool HoldsLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

// CLI11 check for a typed text: at most max characters, one line.
CLI::Validator TypedText(size_t max, const char* what) {
  return CLI::Validator(
      [max, what](std::string& text) -> std::string {
        if (text.size() > max)
          return std::string(what) + " is longer than " + std::to_string(max) + " characters";
        if (HoldsLineBreak(text)) return std::string(what) + " holds a line break";
        return {};
      },
      "TEXT");
}

// A resource file as the editor's file dialog gives it: a full path.
std::string FullPath(const std::string& path) {
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(NativePath(path), ec);
  return ec ? path : full.lexically_normal().string();
}

bool Load(const std::string& path, ModProject& project) {
  if (Status opened = OpenProject(path, project); !opened) {
    PrintError(opened.message());
    return false;
  }
  return true;
}

int Save(const ModProject& project) { return ExitStatus(SaveProject(project)); }

// --- compile ---------------------------------------------------------------

struct CompileArgs {
  std::string project_path, package_path;
};

int RunCompile(const CompileArgs& args) {
  ModProject project;
  if (!Load(args.project_path, project)) return kExitFailed;
  ProgressBar bar;
  Status compiled = CompileMPI(project, args.package_path, bar.Sink());
  bar.Finish();
  return ExitStatus(compiled);
}

void SetupCompile(CLI::App& app, CommandAction& action) {
  auto* command = app.add_subcommand(
      "compile", "Compile a mod project into an MPI package: the title, the readme "
                 "resource's text and every other resource, SLX graphics converted to "
                 "SLP and BMP icons to icon row data");
  auto args = std::make_shared<CompileArgs>();
  command->add_option("PROJECT.mpr", args->project_path, "The mod project")->required();
  command->add_option("OUT.mpi", args->package_path,
                      "The package to write (used as given; no extension is added)")
      ->required();
  command->callback([&action, args] { action = [args] { return RunCompile(*args); }; });
}

// --- project ---------------------------------------------------------------

struct ProjectArgs {
  std::string file;
  std::string title;
  bool force = false;
  std::vector<std::string> resources;
  int number = 0;
  std::optional<std::string> name;
  std::optional<std::string> target;
  std::optional<int32_t> id;
  std::optional<int32_t> icon_flags;
};

int RunNew(const ProjectArgs& args) {
  if (FileExists(args.file) && !args.force) {
    PrintError(args.file + " already exists; give --force to replace it");
    return kExitFailed;
  }
  ModProject project = MakeNewProject(args.file);
  if (!args.title.empty()) project.Title = args.title;
  return Save(project);
}

int RunAdd(const ProjectArgs& args) {
  ModProject project;
  if (!Load(args.file, project)) return kExitFailed;
  for (const std::string& resource : args.resources) {
    if (!FileExists(resource)) {
      PrintError(resource + ": no such file; nothing was added");
      return kExitFailed;
    }
    int16_t number = 0;
    if (Status imported = ImportResource(project, FullPath(resource), number); !imported) {
      PrintError(imported.message());
      std::fprintf(stderr, "Nothing was added.\n");
      return kExitFailed;
    }
    const ProjectResource& r = project.Resource(number);
    std::printf("%d %s: %s, %s, ID %d\n", number, ResourceListLine(r).c_str(),
                ResourceKindName(r.Kind).c_str(), ReplaceTargetName(r.ReplaceTarget).c_str(),
                r.ResourceID);
  }
  return Save(project);
}

// N must name a resource of the project.
bool ResourceInRange(const ModProject& project, int number, int& status) {
  if (number >= 1 && number <= project.ResourceCount) return true;
  status = UsageError("resource " + std::to_string(number) + " is not in the project (it has " +
                      std::to_string(project.ResourceCount) + " resources)");
  return false;
}

int RunRemove(const ProjectArgs& args) {
  ModProject project;
  if (!Load(args.file, project)) return kExitFailed;
  int status = kExitOk;
  if (!ResourceInRange(project, args.number, status)) return status;
  auto number = static_cast<int16_t>(args.number);
  if (!CanRemoveResource(project, number)) {
    PrintError("The last remaining resource of a project cannot be removed");
    return kExitFailed;
  }
  RemoveResource(project, number);
  return Save(project);
}

int RunSet(const ProjectArgs& args) {
  if (!args.name && !args.target && !args.id && !args.icon_flags)
    return UsageError("set: give at least one of --name, --target, --id, --icon-flags");
  std::optional<int16_t> target;
  if (args.target) {
    target = FindReplaceTarget(*args.target);
    if (!target) {
      auto index = ParseNumberLine(*args.target, 0,
                                   static_cast<int64_t>(ReplaceTargets.size()) - 1);
      if (!index || args.target->find('.') != std::string::npos)
        return UsageError("--target: " + *args.target +
                          " is neither a target name nor a number from 0 to 12");
      target = static_cast<int16_t>(*index);
    }
  }
  ModProject project;
  if (!Load(args.file, project)) return kExitFailed;
  int status = kExitOk;
  if (!ResourceInRange(project, args.number, status)) return status;
  auto number = static_cast<int16_t>(args.number);
  ProjectResource& r = project.Resource(number);
  if (args.name) RenameResource(project, number, *args.name);
  if (target) r.ReplaceTarget = *target;
  if (args.id) r.ResourceID = *args.id;
  if (args.icon_flags) r.IconFlags = *args.icon_flags;
  return Save(project);
}

int RunTitle(const ProjectArgs& args) {
  ModProject project;
  if (!Load(args.file, project)) return kExitFailed;
  project.Title = args.title;
  return Save(project);
}

void SetupProject(CLI::App& app, CommandAction& action) {
  auto* project = app.add_subcommand(
      "project", "Create and edit mod projects (.mpr) without the editor");
  project->require_subcommand(1);
  auto args = std::make_shared<ProjectArgs>();
  auto file_option = [&](CLI::App* command) {
    command->add_option("FILE.mpr", args->file, "The mod project")->required();
  };
  auto set_action = [&action, args](CLI::App* command, int (*run)(const ProjectArgs&)) {
    command->callback([&action, args, run] { action = [args, run] { return run(*args); }; });
  };

  auto* create = project->add_subcommand("new", "Create a project with no resources");
  file_option(create);
  create->add_option("--title", args->title, "The title (default \"Unnamed\")")
      ->check(TypedText(kMaxTitleLength, "the title"));
  create->add_flag("--force", args->force, "Replace an existing file");
  set_action(create, &RunNew);

  auto* add = project->add_subcommand(
      "add", "Import files as new resources at the end of the list: slp, slx, bin, wav, "
             "bmp, txt, dll, dat, exe (kind, target and ID follow from the extension and "
             "the file name)");
  file_option(add);
  add->add_option("RESOURCE", args->resources, "The files to import")->required();
  set_action(add, &RunAdd);

  auto* remove = project->add_subcommand("remove", "Remove resource N (counted from 1)");
  file_option(remove);
  remove->add_option("N", args->number, "The resource's number")->required();
  set_action(remove, &RunRemove);

  auto* set = project->add_subcommand("set", "Change resource N (counted from 1)");
  file_option(set);
  set->add_option("N", args->number, "The resource's number")->required();
  set->add_option("--name", args->name, "Display name, at most 30 characters")
      ->check(TypedText(kMaxNameLength, "the name"));
  set->add_option("--target", args->target,
                  "The game file it replaces: a name (gamedata, graphics, interfac, sounds, "
                  "terrain, readme, language, icon, language_x1, genie, genie_x1, skirmland, "
                  "skirmland_x1) or its number 0 to 12");
  set->add_option("--id", args->id, "The number of the game resource it replaces");
  set->add_option("--icon-flags", args->icon_flags,
                  "For BMP icons: civilisation bits 1..128 plus 256 x the category "
                  "(0 unit, 1 building, 2 research, 3 order)")
      ->check(CLI::Range(0, kMaxIconFlags));
  set_action(set, &RunSet);

  auto* title = project->add_subcommand("title", "Set the project's title");
  file_option(title);
  title->add_option("TITLE", args->title, "At most 50 characters")
      ->required()
      ->check(TypedText(kMaxTitleLength, "the title"));
  set_action(title, &RunTitle);
}

CommandRegistrar compile_command(20, &SetupCompile);
CommandRegistrar project_command(21, &SetupProject);

}  // namespace
}  // namespace zorv::cli
