// Compiling a fuzzed project. One input holds the project text and the
// files its resources use, separated by kPartMarker: the text becomes
// input.mpr and the parts after it 1.bmp, 2.bmp, ... beside it (SLX
// resources name their frame bitmaps the same way). Every resource's file
// is made one of these parts, so that nothing outside the folder is read.
//
// A compile that succeeds gives a package that reads back: the title, the
// last readme resource's text and one entry per other resource, in order,
// each holding its file's bytes (converted for SLX graphics and icons). One
// that fails leaves no package (an empty one for a missing readme). Either
// way the private temporary folder is gone and no input changed.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "codec/SLPReader.h"
#include "common/FileIO.h"
#include "common/LittleEndian.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/SLXBundle.h"
#include "package/MPICode.h"
#include "package/MPIPackage.h"
#include "project/ModProject.h"

namespace fs = std::filesystem;

namespace {
const zorv::fuzz::FuzzTempFolder* folder = nullptr;

std::string ReadOrEmpty(const std::string& path) {
  std::string bytes;
  if (!zorv::ReadWholeFile(path, bytes)) return {};
  return bytes;
}

bool FolderEmpty(const std::string& path) {
  std::error_code ec;
  return fs::is_empty(path, ec) && !ec;
}

void CheckPackage(const zorv::ModProject& project, const std::string& path) {
  zorv::MPIPackage package;
  if (!zorv::ReadMPIPackage(path, package) || package.Title != project.Title) __builtin_trap();
  std::vector<const zorv::ProjectResource*> packaged;
  const zorv::ProjectResource* readme = nullptr;
  for (int32_t i = 1; i <= project.ResourceCount; ++i) {
    const zorv::ProjectResource& r = project.Resource(i);
    if (r.ReplaceTarget == zorv::kTargetReadme)
      readme = &r;
    else
      packaged.push_back(&r);
  }
  if (!readme || package.Readme != ReadOrEmpty(readme->FilePath)) __builtin_trap();
  if (package.Entries.size() != packaged.size()) __builtin_trap();
  for (size_t i = 0; i < packaged.size(); ++i) {
    const zorv::ProjectResource& r = *packaged[i];
    const zorv::MPIEntry& entry = package.Entries[i];
    if (entry.Kind != r.Kind || entry.ReplaceTarget != r.ReplaceTarget ||
        entry.ResourceID != r.ResourceID)
      __builtin_trap();
    std::string bytes;
    if (!zorv::ReadMPIEntryData(path, entry, bytes)) __builtin_trap();
    if (r.Kind == zorv::KindSLX) {
      // The converter's SLP, which reads back.
      zorv::SLPFile file(bytes);
      zorv::SLPHeader header;
      std::vector<zorv::SLPFrameInfo> frames;
      if (!zorv::ReadSLPHeader(file, header, frames)) __builtin_trap();
    } else if (r.Kind == zorv::KindBMP) {
      // Icon row data starts with the resource's flags.
      if (bytes.size() < 12 || zorv::le::U32(bytes, 0) != static_cast<uint32_t>(r.IconFlags))
        __builtin_trap();
    } else if (bytes != ReadOrEmpty(r.FilePath)) {
      __builtin_trap();
    }
  }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zorv::fuzz::InitialiseProgramState();
  static const zorv::fuzz::FuzzTempFolder temp("compile");
  folder = &temp;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string_view> parts =
      zorv::fuzz::SplitBundle(zorv::fuzz::AsBytes(data, size));
  zorv::ModProject project;
  if (!zorv::ParseProjectFile(parts[0], project)) return 0;
  project.FilePath = folder->File("input.mpr");
  folder->Write("input.mpr", parts[0]);
  const size_t files = parts.size() - 1;
  for (size_t i = 1; i < parts.size(); ++i) folder->Write(std::to_string(i) + ".bmp", parts[i]);
  for (int32_t i = 1; i <= project.ResourceCount; ++i) {
    project.Resource(i).FilePath =
        files == 0 ? folder->File("missing.bmp")
                   : folder->File(std::to_string((i - 1) % files + 1) + ".bmp");
  }
  const std::string temp = folder->File("temp");
  fs::create_directory(temp);
  ::setenv("TEMP", temp.c_str(), 1);
  const std::string package_path = folder->File("out.mpi");
  const zorv::Status compiled = zorv::CompileMPI(project, package_path);
  if (!FolderEmpty(temp)) __builtin_trap();
  for (size_t i = 1; i < parts.size(); ++i)
    if (ReadOrEmpty(folder->File(std::to_string(i) + ".bmp")) != parts[i]) __builtin_trap();
  if (compiled) {
    CheckPackage(project, package_path);
  } else if (compiled.Headline() == zorv::kMsgReadmeRequired) {
    if (!ReadOrEmpty(package_path).empty()) __builtin_trap();
  } else if (zorv::FileSize(package_path) >= 0) {
    __builtin_trap();
  }
  folder->Clear();
  return 0;
}
