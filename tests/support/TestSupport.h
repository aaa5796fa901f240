// Shared pieces of the tests: a temporary folder per test, file helpers,
// running the command line.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/Status.h"

namespace zorv::test {

// A fresh folder for one test, removed afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }
  // Path of a file inside, as a string with "/" separators.
  std::string File(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Whether the tests run under AddressSanitizer or ThreadSanitizer, which
// reserve more address space than a memory limit (ulimit -v) leaves.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

// The folder of real sample files, or "" when ZORV_SAMPLES is unset.
std::string SamplesDir();
#define ZORV_REQUIRE_SAMPLES()                                        \
  do {                                                                \
    if (::zorv::test::SamplesDir().empty())                           \
      GTEST_SKIP() << "ZORV_SAMPLES is not set: no real sample files"; \
  } while (0)

// Runs a shell command; returns its exit status and what it printed to
// standard output and standard error.
struct CommandResult {
  int status = -1;
  std::string out;
  std::string err;
};
CommandResult RunCommand(const std::string& command);

// The zorv program built alongside the tests.
std::string ZorvProgram();

// Little-endian helpers for building binary test files.
void PutU16(std::string& out, uint32_t value);
void PutU32(std::string& out, uint32_t value);
uint32_t GetU32(const std::string& bytes, size_t offset);
int32_t GetI32(const std::string& bytes, size_t offset);
int16_t GetI16(const std::string& bytes, size_t offset);

}  // namespace zorv::test
