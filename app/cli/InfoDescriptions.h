// What `zorv info` says about each kind of file. Each kind has a describer
// that reads the file into a JSON object (what --json prints) and a printer
// that shows that object as text; a file that cannot be read whole fails
// with the reason, naming the file once.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

#include "app/cli/FileKind.h"
#include "common/Status.h"

namespace zorv::cli {

// Keys keep the order they were added in, as a reader of the text expects.
using InfoJson = nlohmann::ordered_json;

// Text from a file, as printed for a person: control characters (C0, DEL
// and C1, which hold the terminal's escape sequences) become "?", so that
// a file's bytes never steer the terminal. --json escapes them itself.
std::string TerminalText(std::string text);
std::string TerminalText(const InfoJson& value);

struct InfoDescriber {
  Status (*describe)(const std::string& path, InfoJson& out) = nullptr;
  void (*print)(const InfoJson& description) = nullptr;
};

// Every field of the description but "file" and "kind", which the caller
// adds in front.
Status DescribeSLP(const std::string& path, InfoJson& out);
void PrintSLP(const InfoJson& description);
Status DescribeSLX(const std::string& path, InfoJson& out);
void PrintSLX(const InfoJson& description);
Status DescribeBMP(const std::string& path, InfoJson& out);
void PrintBMP(const InfoJson& description);
Status DescribePalette(const std::string& path, InfoJson& out);
void PrintPalette(const InfoJson& description);
Status DescribeProject(const std::string& path, InfoJson& out);
void PrintProject(const InfoJson& description);
Status DescribePackage(const std::string& path, InfoJson& out);
void PrintPackage(const InfoJson& description);
Status DescribeArchive(const std::string& path, InfoJson& out);
// A summary of each table.
void PrintArchive(const InfoJson& description);
// One line per file: type, id, size, offset (`zorv drs list`).
void PrintArchiveFiles(const InfoJson& description);

// The describer of a kind; both functions are null for FileKind::Unknown.
InfoDescriber DescriberFor(FileKind kind);

}  // namespace zorv::cli
