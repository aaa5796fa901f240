// A fuzzed MPI package through ReadMPIPackage, and the data of each entry
// the directory lists through ReadMPIEntryData.
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "package/MPIPackage.h"

namespace {
const zorv::fuzz::FuzzTempFolder* folder = nullptr;
}

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
  folder->Clear();
  return 0;
}
