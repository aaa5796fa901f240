#include "app/cli/BatchInputs.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <filesystem>

#include "app/cli/FolderWalk.h"
#include "archive/ArchiveMember.h"
#include "common/FileIO.h"
#include "common/Functions.h"

namespace zorv::cli {
namespace {

namespace fs = std::filesystem;

// The SLP header: 4 bytes of version, a 32-bit frame count, a 24-byte
// comment, then 32 bytes of frame information per frame.
constexpr size_t kSLPHeaderSize = 32;
constexpr size_t kSLPFrameInfoSize = 32;

// The first count bytes of the file, fewer when it is shorter; none when it
// cannot be read.
std::string FirstBytes(const std::string& path, size_t count) {
  std::string bytes;
  if (!ReadFileStart(path, count, bytes)) bytes.clear();
  return bytes;
}

bool LooksLikeSLP(const std::string& path) {
  const std::string head = FirstBytes(path, kSLPHeaderSize);
  if (head.size() < kSLPHeaderSize) return false;
  auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
  auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
  if (!digit(head[0]) || head[1] != '.' || !digit(head[2]) || !letter(head[3])) return false;
  const uint32_t frames = static_cast<uint8_t>(head[4]) | static_cast<uint8_t>(head[5]) << 8 |
                          static_cast<uint8_t>(head[6]) << 16 |
                          static_cast<uint32_t>(static_cast<uint8_t>(head[7])) << 24;
  std::error_code ec;
  const uintmax_t size = fs::file_size(fs::path(NativePath(path)), ec);
  if (ec || frames == 0) return false;
  return frames <= (size - kSLPHeaderSize) / kSLPFrameInfoSize;
}

bool LooksLikeSLX(const std::string& path) {
  const std::string head = FirstBytes(path, 9);
  return head.rfind("SLX 0.5", 0) == 0 &&
         (head.size() == 7 || head[7] == '\r' || head[7] == '\n');
}

std::string LowerExtension(const fs::path& path) {
  std::string extension = path.extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

// Whether a path's extension, in any case, is that of a frame file: .bmp
// or .png.
bool IsFrameFileName(std::string_view path) {
  for (std::string_view extension : {".bmp", ".png"}) {
    if (path.size() < extension.size()) continue;
    bool same = true;
    for (size_t i = 0; i < extension.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(
                 path[path.size() - extension.size() + i])) == extension[i];
    if (same) return true;
  }
  return false;
}

const char* ExtensionOf(InputKind kind) {
  switch (kind) {
    case InputKind::kSLP: return ".slp";
    case InputKind::kSLX: return ".slx";
    case InputKind::kBMP: return ".bmp";
  }
  return "";
}

void WalkFolder(const std::string& argument, InputKind kind, int threads, FoundInputs& found) {
  const fs::path root(NativePath(argument));
  std::vector<std::string> relatives;
  // A graphic's frames are BMP or PNG files, thousands in a large folder;
  // they are never an SLP or SLX file, so they are not opened to be sure.
  const auto keep = [kind](std::string_view name) {
    return kind == InputKind::kBMP || !IsFrameFileName(name);
  };
  if (Status listed = ListFilesBelow(argument, keep, relatives, threads); !listed) {
    found.errors.push_back("Cannot read the folder " + argument + ": " + listed.message());
    return;
  }
  // Sorted, so that the batch's order never depends on the file system's.
  std::sort(relatives.begin(), relatives.end());
  for (const std::string& relative : relatives) {
    const std::string path = (root / fs::path(relative)).generic_string();
    if (LooksLike(kind, path))
      found.inputs.push_back({path, relative});
    else if (LowerExtension(fs::path(relative)) == ExtensionOf(kind))
      found.skipped.push_back(path);
  }
}

}  // namespace

bool LooksLike(InputKind kind, const std::string& path) {
  switch (kind) {
    case InputKind::kSLP: return LooksLikeSLP(path);
    case InputKind::kSLX: return LooksLikeSLX(path);
    case InputKind::kBMP: return FirstBytes(path, 2) == "BM";
  }
  return false;
}

FoundInputs FindInputs(const std::vector<std::string>& arguments, InputKind kind, int threads) {
  FoundInputs found;
  for (const std::string& argument : arguments) {
    std::error_code ec;
    const fs::file_status status = fs::status(fs::path(NativePath(argument)), ec);
    if (fs::is_directory(status))
      WalkFolder(argument, kind, threads, found);
    else if (fs::exists(status))
      found.inputs.push_back({argument, fs::path(argument).filename().generic_string()});
    else if (const auto member = kind == InputKind::kSLP ? ArchiveMemberOf(argument) : std::nullopt)
      // A sprite in a game archive is named after its id: 1234/1234.slx.
      found.inputs.push_back({argument, NumberText(member->ID) + ".slp"});
    else
      found.errors.push_back("No such file or folder: " + argument);
  }
  return found;
}

std::string OutputPath(const BatchInput& input, const std::string& out_folder,
                       OutputShape shape) {
  const fs::path relative(input.relative);
  const fs::path folder = out_folder.empty()
                              ? fs::path(input.path).parent_path()
                              : fs::path(out_folder) / relative.parent_path();
  const std::string stem = relative.stem().string();
  fs::path output;
  switch (shape) {
    case OutputShape::kFolderPerGraphic: output = folder / stem / (stem + ".slx"); break;
    case OutputShape::kSameNameSLP: output = folder / (stem + ".slp"); break;
    case OutputShape::kSameNameIcon: output = folder / (stem + ".dat"); break;
    case OutputShape::kSameNameSLX: output = folder / relative.filename(); break;
  }
  return output.lexically_normal().generic_string();
}

}  // namespace zorv::cli
