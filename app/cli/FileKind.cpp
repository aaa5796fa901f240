#include "app/cli/FileKind.h"

#include <cctype>

#include "archive/DRSArchive.h"
#include "codec/SLPFormat.h"
#include "codec/SLX.h"
#include "common/Functions.h"
#include "common/LittleEndian.h"
#include "project/ModProject.h"

namespace zorv::cli {
namespace {

constexpr std::string_view kMPIMagic = "MPI 0.6 ";
constexpr std::string_view kPaletteHeader = "JASC-PAL";

// Whether the text's first line, ended by CR LF, LF or the text's end, is
// exactly the header.
bool FirstLineIs(std::string_view start, std::string_view header) {
  if (start.substr(0, header.size()) != header) return false;
  std::string_view rest = start.substr(header.size());
  return rest.empty() || rest.front() == '\r' || rest.front() == '\n';
}

bool LooksLikeSLP(std::string_view start, uint64_t file_size) {
  if (start.size() < kSLPHeaderSize || file_size < kSLPHeaderSize) return false;
  const auto digit = [&](size_t i) { return std::isdigit(static_cast<unsigned char>(start[i])); };
  if (!digit(0) || start[1] != '.' || !digit(2)) return false;
  const int32_t count = le::I32(start, 4);
  return count >= 0 &&
         kSLPHeaderSize + static_cast<uint64_t>(count) * kSLPFrameInfoSize <= file_size;
}

}  // namespace

const char* FileKindName(FileKind kind) {
  switch (kind) {
    case FileKind::SLP: return "SLP";
    case FileKind::SLX: return "SLX";
    case FileKind::MPR: return "MPR";
    case FileKind::MPI: return "MPI";
    case FileKind::BMP: return "BMP";
    case FileKind::PAL: return "PAL";
    case FileKind::DRS: return "DRS";
    case FileKind::Unknown: break;
  }
  return "";
}

FileKind KindByContent(std::string_view start, uint64_t file_size) {
  if (FirstLineIs(start, kSLXHeader)) return FileKind::SLX;
  if (FirstLineIs(start, kProjectHeader)) return FileKind::MPR;
  // The palette reader allows blanks before its header.
  const size_t text = start.find_first_not_of(" \t");
  if (text != std::string_view::npos && FirstLineIs(start.substr(text), kPaletteHeader))
    return FileKind::PAL;
  if (start.substr(0, kMPIMagic.size()) == kMPIMagic) return FileKind::MPI;
  if (start.substr(0, 2) == "BM") return FileKind::BMP;
  if (LooksLikeSLP(start, file_size)) return FileKind::SLP;
  // After the SLP test: an archive has no magic at its start, only text
  // that no SLP begins with, and a version at byte 40.
  if (LooksLikeDRSArchive(start)) return FileKind::DRS;
  return FileKind::Unknown;
}

FileKind KindByExtension(const std::string& path) {
  const std::string name = GetFileName(path);
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return FileKind::Unknown;
  const std::string extension = AsciiLower(name.substr(dot + 1));
  for (FileKind kind : {FileKind::SLP, FileKind::SLX, FileKind::MPR, FileKind::MPI,
                        FileKind::BMP, FileKind::PAL, FileKind::DRS})
    if (extension == AsciiLower(FileKindName(kind))) return kind;
  return FileKind::Unknown;
}

}  // namespace zorv::cli
