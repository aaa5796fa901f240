// `zorv info FILE [--json]`: finds the file's kind by its content (or by
// its extension when the content says nothing) and prints its description
// as text or as JSON.
#include <cstdio>
#include <memory>
#include <string>

#include "app/cli/Command.h"
#include "app/cli/FileKind.h"
#include "app/cli/InfoDescriptions.h"
#include "common/FileIO.h"

namespace zorv::cli {
namespace {

constexpr const char* kKnownKinds = "SLP, SLX, MPR, MPI, BMP, PAL or DRS";

struct InfoArgs {
  std::string path;
  bool json = false;
};

int RunInfo(const InfoArgs& args) {
  // Reading the first bytes also refuses what is missing, a folder, a
  // pipe or a device, each with its reason.
  std::string start;
  if (Status read = ReadFileStart(args.path, kKindSignatureBytes, start); !read)
    return Failed(read);
  FileKind kind = KindByContent(start, static_cast<uint64_t>(FileSize(args.path)));
  // Contents that show no kind may still be a damaged file of the kind its
  // extension names: its describer then says what is wrong.
  if (kind == FileKind::Unknown) kind = KindByExtension(args.path);
  const InfoDescriber describer = DescriberFor(kind);
  if (!describer.describe)
    return UsageError("info: " + args.path + " is not a file zorv describes (" + kKnownKinds +
                      ")");

  InfoJson description;
  description["file"] = args.path;
  description["kind"] = FileKindName(kind);
  if (Status described = describer.describe(args.path, description); !described)
    return Failed(described);
  if (args.json) {
    // Names and titles are 8-bit text of the system's code page; bytes
    // that are no UTF-8 become U+FFFD rather than stopping the output.
    const std::string text =
        description.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::printf("%s\n", text.c_str());
  } else {
    describer.print(description);
  }
  return kExitOk;
}

void Setup(CLI::App& app, CommandAction& action) {
  auto* command = app.add_subcommand(
      "info", "Show what a file holds: an SLP's header and frame table, an SLX's frames and "
              "whether their bitmaps exist, a project's resources, a package's entries, a "
              "bitmap's size, a palette's colours, a game archive's tables. The kind of file "
              "is told by its content, whatever its extension");
  auto args = std::make_shared<InfoArgs>();
  command->add_option("FILE", args->path, "The file to describe")->required();
  command->add_flag("--json", args->json,
                    "Print the description as a JSON object, for other programs");
  command->callback([&action, args] { action = [args] { return RunInfo(*args); }; });
}

zorv::cli::CommandRegistrar registrar(40, &Setup);

}  // namespace

InfoDescriber DescriberFor(FileKind kind) {
  switch (kind) {
    case FileKind::SLP: return {&DescribeSLP, &PrintSLP};
    case FileKind::SLX: return {&DescribeSLX, &PrintSLX};
    case FileKind::MPR: return {&DescribeProject, &PrintProject};
    case FileKind::MPI: return {&DescribePackage, &PrintPackage};
    case FileKind::BMP: return {&DescribeBMP, &PrintBMP};
    case FileKind::PAL: return {&DescribePalette, &PrintPalette};
    case FileKind::DRS: return {&DescribeArchive, &PrintArchive};
    case FileKind::Unknown: break;
  }
  return {};
}

std::string TerminalText(std::string text) {
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || (byte >= 0x7f && byte < 0xa0)) c = '?';
  }
  return text;
}

std::string TerminalText(const InfoJson& value) { return TerminalText(value.get<std::string>()); }

}  // namespace zorv::cli
