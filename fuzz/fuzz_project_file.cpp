// Project file text through ParseProjectFile, and as a file through
// LoadProjectFile.
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "project/ModProject.h"

namespace {
const zorv::fuzz::FuzzTempFolder* folder = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zorv::fuzz::InitialiseProgramState();
  static const zorv::fuzz::FuzzTempFolder temp("project_file");
  folder = &temp;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text = zorv::fuzz::AsBytes(data, size);
  zorv::ModProject parsed;
  if (zorv::ParseProjectFile(text, parsed)) {
    if (parsed.ResourceCount < 0 ||
        parsed.Resources.size() < static_cast<size_t>(parsed.ResourceCount)) {
      __builtin_trap();
    }
  }
  folder->Write("input.mpr", text);
  zorv::ModProject loaded;
  zorv::LoadProjectFile(folder->File("input.mpr"), loaded);
  folder->Clear();
  return 0;
}
