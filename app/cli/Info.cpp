// The `info` command and the table of printers by file extension.
#include "app/cli/Info.h"

#include <map>

#include "app/cli/Command.h"
#include "common/Functions.h"

namespace zorv::cli {
namespace {

std::map<std::string, InfoPrinter>& Printers() {
  static std::map<std::string, InfoPrinter> printers;
  return printers;
}

std::string ExtensionOf(const std::string& path) {
  const std::string name = GetFileName(path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : AsciiLower(name.substr(dot + 1));
}

std::string KnownExtensions() {
  std::string list;
  for (const auto& entry : Printers()) list += (list.empty() ? "." : ", .") + entry.first;
  return list;
}

void Setup(CLI::App& app, CommandAction& action) {
  auto* command = app.add_subcommand(
      "info", "Show what a file holds: an SLP's header and frame table, an SLX's "
              "frames and whether their bitmaps exist");
  auto path = std::make_shared<std::string>();
  command->add_option("FILE", *path, "The file to describe")->required();
  command->callback([&action, path] {
    action = [path] {
      InfoPrinter printer = FindInfoPrinter(*path);
      if (!printer)
        return UsageError("info: no description for files like " + *path +
                          " (known: " + KnownExtensions() + ")");
      return printer(*path);
    };
  });
}

zorv::cli::CommandRegistrar registrar(40, &Setup);

}  // namespace

void RegisterInfoPrinter(std::string extension, InfoPrinter printer) {
  if (!extension.empty() && extension.front() == '.') extension.erase(0, 1);
  Printers()[AsciiLower(extension)] = printer;
}

InfoPrinter FindInfoPrinter(const std::string& path) {
  auto found = Printers().find(ExtensionOf(path));
  return found == Printers().end() ? nullptr : found->second;
}

}  // namespace zorv::cli
