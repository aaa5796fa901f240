// `zorv info FILE`: prints what a file holds. Each kind of file has its own
// printer, chosen by the file's extension; files of app/cli add theirs with
// RegisterInfoPrinter (or a file-level InfoPrinterRegistrar).
#pragma once

#include <string>

namespace zorv::cli {

// Prints the file's contents to standard output; the result is the exit
// status (0 ok, 1 the file could not be read).
using InfoPrinter = int (*)(const std::string& path);

// extension without the dot, in any case ("slp", "SLX").
void RegisterInfoPrinter(std::string extension, InfoPrinter printer);

// The printer for the path's extension, or nullptr.
InfoPrinter FindInfoPrinter(const std::string& path);

struct InfoPrinterRegistrar {
  InfoPrinterRegistrar(const char* extension, InfoPrinter printer) {
    RegisterInfoPrinter(extension, printer);
  }
};

}  // namespace zorv::cli
