// Shared pieces of the fuzz targets: a private temporary folder per process,
// and the libFuzzer set-up.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "codec/Palettes.h"
#include "common/FileIO.h"

namespace zorv::fuzz {

// One folder per process under the system's temporary folder, emptied after
// every input and removed when the process ends.
class FuzzTempFolder {
 public:
  explicit FuzzTempFolder(std::string_view target) {
    std::error_code ec;
    path_ = std::filesystem::temp_directory_path(ec) /
            ("zorv-" + std::string(target) + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(path_, ec);
    std::filesystem::create_directories(path_, ec);
    if (ec) std::abort();
  }
  ~FuzzTempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  FuzzTempFolder(const FuzzTempFolder&) = delete;
  FuzzTempFolder& operator=(const FuzzTempFolder&) = delete;

  // The full path of a file in the folder, with "/" separators.
  std::string File(std::string_view name) const { return (path_ / name).string(); }
  std::string Folder() const { return path_.string(); }

  void Write(std::string_view name, std::string_view bytes) const {
    if (!WriteFileSafely(File(name), bytes)) std::abort();
  }

  // Removes everything the last input left behind.
  void Clear() const {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ec)) {
      std::filesystem::remove_all(entry.path(), ec);
    }
  }

 private:
  std::filesystem::path path_;
};

// Builds the built-in palette before the first input, so that its one-time
// set-up is not taken for the input's work; called once from
// LLVMFuzzerInitialize.
inline void InitialiseProgramState() { (void)Palette::BuiltIn(); }

inline std::string_view AsBytes(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace zorv::fuzz
