// A fuzzed MPI package through ReadMPIPackage, the data of each entry the
// directory lists through ReadMPIEntryData, and the whole package through
// UnpackPackage: an unpack that succeeds leaves exactly the files it names
// (the project last) in its folder and nothing beside it; one that fails
// leaves nothing at all, not even the folder it made.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "package/MPIPackage.h"
#include "package/UnpackPackage.h"

namespace {
const zorv::fuzz::FuzzTempFolder* folder = nullptr;

std::vector<std::string> NamesIn(const std::string& path) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(path, ec))
    names.push_back(entry.path().filename().string());
  return names;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zorv::fuzz::InitialiseProgramState();
  static const zorv::fuzz::FuzzTempFolder temp("mpi_package");
  folder = &temp;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  folder->Write("input.mpi", zorv::fuzz::AsBytes(data, size));
  const std::string path = folder->File("input.mpi");
  zorv::MPIPackage package;
  if (zorv::ReadMPIPackage(path, package)) {
    for (const zorv::MPIEntry& entry : package.Entries) {
      std::string bytes;
      zorv::Status read = zorv::ReadMPIEntryData(path, entry, bytes);
      // A checked directory only lists data inside the file.
      if (!read || bytes.size() != static_cast<size_t>(entry.Length)) __builtin_trap();
    }
  }

  const std::string out = folder->File("out");
  zorv::UnpackResult result;
  const zorv::Status unpacked = zorv::UnpackPackage(path, out, {}, result);
  const size_t beside = NamesIn(folder->Folder()).size();
  if (unpacked) {
    if (result.Files.empty() || result.Files.back() != "input.mpr") __builtin_trap();
    if (NamesIn(out).size() != result.Files.size() || beside != 2) __builtin_trap();
  } else if (beside != 1) {
    __builtin_trap();
  }
  folder->Clear();
  return 0;
}
