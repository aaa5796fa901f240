// `zorv drs list|extract|build`: the game's resource archives (.drs) seen
// as folders of files named by id and type.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/cli/Command.h"
#include "app/cli/InfoDescriptions.h"
#include "app/cli/InputFiles.h"
#include "app/cli/Progress.h"
#include "archive/ArchiveMember.h"
#include "archive/DRSArchive.h"
#include "archive/DRSFolder.h"
#include "archive/DRSWriter.h"
#include "common/FileIO.h"
#include "common/Functions.h"

namespace zorv::cli {
namespace {

namespace fs = std::filesystem;

struct DRSArgs {
  std::string archive;
  std::string folder;
  std::vector<std::string> ids;
  std::string type;
  bool json = false;
  bool force = false;
  bool quiet = false;
  bool verbose = false;
};

int RunList(const DRSArgs& args) {
  InfoJson description;
  description["file"] = args.archive;
  description["kind"] = "DRS";
  if (Status described = DescribeArchive(args.archive, description); !described)
    return Failed(described);
  if (args.json) {
    // The copyright is bytes of the archive: any that are no UTF-8 become
    // U+FFFD rather than stopping the output.
    const std::string text =
        description.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::printf("%s\n", text.c_str());
  } else {
    PrintArchiveFiles(description);
  }
  return kExitOk;
}

int RunExtract(const DRSArgs& args) {
  std::vector<int32_t> ids;
  for (const std::string& text : args.ids) {
    const std::optional<int32_t> id = ParseArchiveID(text);
    if (!id) return UsageError("extract: " + text + " is no file id (a whole number in 32 bits)");
    ids.push_back(*id);
  }
  DRSArchive archive;
  if (Status read = ReadDRSArchive(args.archive, archive); !read) return Failed(read);
  std::vector<DRSSelectedFile> files;
  if (Status chosen = SelectDRSFiles(archive, ids, args.type, files); !chosen)
    return Failed(Status::Fail(args.archive + ": " + chosen.message() + "; nothing was extracted"));

  DRSExtractOptions options;
  options.Replace = args.force;
  if (args.verbose)
    options.Written = [](const std::string& path, const DRSSelectedFile& file) {
      std::printf("%s (%s bytes)\n", path.c_str(), NumberText(file.File.Size).c_str());
    };
  ProgressBar bar(args.quiet || args.verbose);
  Status extracted = ExtractDRSFiles(args.archive, files, args.folder, options, bar.Sink());
  bar.Finish();
  if (!extracted) return Failed(extracted);
  if (!args.quiet)
    std::printf("%zu files extracted into %s\n", files.size(), args.folder.c_str());
  return kExitOk;
}

int RunBuild(const DRSArgs& args) {
  DRSArchiveSource source;
  std::vector<std::string> skipped;
  if (Status read = ReadDRSFolder(args.folder, source, skipped); !read)
    return Failed(Status::Fail(read.message() + "; no archive was written"));
  if (!args.quiet)
    for (const std::string& name : skipped) std::fprintf(stderr, "Skipped: %s\n", name.c_str());
  std::error_code ec;
  if (!args.force && fs::exists(fs::symlink_status(fs::path(NativePath(args.archive)), ec))) {
    PrintError(args.archive + " already exists; give --force to replace it");
    return kExitFailed;
  }
  ProgressBar bar(args.quiet);
  Status written = WriteDRSArchiveFile(args.archive, source, bar.Sink());
  bar.Finish();
  if (!written) return Failed(written);
  if (!args.quiet) {
    size_t count = 0;
    for (const DRSTableSource& table : source.Tables) count += table.Files.size();
    std::printf("%s: %zu tables, %zu files\n", args.archive.c_str(), source.Tables.size(), count);
  }
  return kExitOk;
}

// --type: any type an archive may hold, though slp, wav and bina are the
// game's.
CLI::Validator ArchiveType() {
  return CLI::Validator(
      [](std::string& type) -> std::string {
        if (IsDRSType(type)) return {};
        return "\"" + type + "\" is no archive file type (slp, wav, bina: 1 to 4 lower-case "
                             "letters or digits)";
      },
      "TYPE");
}

void SetupDRS(CLI::App& app, CommandAction& action) {
  auto* drs = app.add_subcommand(
      "drs", "The game's resource archives (.drs): list their files, extract them as "
             "ID.TYPE files (1234.slp) and build an archive from such a folder");
  drs->require_subcommand(1);
  auto args = std::make_shared<DRSArgs>();
  auto set_action = [&action, args](CLI::App* command, int (*run)(const DRSArgs&)) {
    command->callback([&action, args, run] { action = [args, run] { return run(*args); }; });
  };
  auto quiet_verbose = [&](CLI::App* command, const char* verbose_help) {
    auto* quiet = command->add_flag("-q,--quiet", args->quiet, "Print nothing but errors");
    command->add_flag("-v,--verbose", args->verbose, verbose_help)->excludes(quiet);
  };

  auto* list = drs->add_subcommand(
      "list", "List every table's files: type, id, size in bytes and offset in the archive");
  list->add_option("ARCHIVE", args->archive, "The archive")->required()->check(ExistingInputFile());
  list->add_flag("--json", args->json, "Print the archive as a JSON object, for other programs");
  set_action(list, &RunList);

  auto* extract = drs->add_subcommand(
      "extract",
      "Write files of an archive into a folder as ID.TYPE (1234.slp, -5.wav, 50500.bina): "
      "every file, or those of the ids given. Names come from the id and type only, so "
      "nothing is written outside the folder; a name that is taken there (a file, a folder "
      "or a link) stops the command before anything is written, unless --force");
  extract->add_option("ARCHIVE", args->archive, "The archive")
      ->required()
      ->check(ExistingInputFile());
  extract->add_option("ID", args->ids, "The ids of the files to extract (default: all)");
  extract->add_option("--type", args->type, "Only the files of this type: slp, wav or bina")
      ->check(ArchiveType());
  extract->add_option("-o,--out", args->folder, "The folder to write into (made if missing)")
      ->required();
  extract->add_flag("--force", args->force,
                    "Replace files of the same names (a link is replaced, not written through)");
  quiet_verbose(extract, "List each file as it is written");
  set_action(extract, &RunExtract);

  auto* build = drs->add_subcommand(
      "build",
      "Build an archive from a folder of ID.TYPE files, in the game's layout: one table per "
      "type in the order of the type names, files by id, data without gaps; extracted and "
      "built again, such an archive gives the same bytes. Files not named ID.TYPE and "
      "sub-folders are skipped and named; an id outside 32 bits or a type of more than 4 "
      "letters or digits stops the command");
  build->add_option("DIR", args->folder, "The folder of files")->required();
  build->add_option("-o,--out", args->archive, "The archive to write")->required();
  build->add_flag("--force", args->force, "Replace an existing archive");
  build->add_flag("-q,--quiet", args->quiet, "Print nothing but errors");
  set_action(build, &RunBuild);
}

CommandRegistrar drs_command(30, &SetupDRS);

}  // namespace
}  // namespace zorv::cli
