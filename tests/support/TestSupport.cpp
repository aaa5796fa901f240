#include "tests/support/TestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace zorv::test {

namespace {
std::atomic<int> temp_counter{0};
}

TempDir::TempDir() {
  auto base = std::filesystem::temp_directory_path();
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name()
                          : std::string("zorv");
  for (char& c : name)
    if (c == '/') c = '_';
  path_ = base / ("zorv-test-" + std::to_string(getpid()) + "-" +
                  std::to_string(temp_counter++) + "-" + name);
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  // Give back write permission a test may have taken, so everything goes.
  for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ec))
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::File(const std::string& name) const {
  return (path_ / name).string();
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string SamplesDir() {
  const char* dir = std::getenv("ZORV_SAMPLES");
  if (!dir || !*dir) return {};
  std::string path(dir);
  if (path.back() != '/') path += '/';
  return path;
}

CommandResult RunCommand(const std::string& command) {
  TempDir scratch;
  std::string out_file = scratch.File("stdout"), err_file = scratch.File("stderr");
  std::string full = command + " >" + out_file + " 2>" + err_file + " </dev/null";
  int raw = std::system(full.c_str());
  CommandResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadFileBytes(out_file);
  result.err = ReadFileBytes(err_file);
  return result;
}

std::string ZorvProgram() {
#ifdef ZORV_CLI_PATH
  return ZORV_CLI_PATH;
#else
  return "zorv";
#endif
}

void PutU16(std::string& out, uint32_t value) {
  out.push_back(static_cast<char>(value & 255));
  out.push_back(static_cast<char>((value >> 8) & 255));
}

void PutU32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 255));
}

uint32_t GetU32(const std::string& bytes, size_t offset) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes.at(offset + i));
  return v;
}

int32_t GetI32(const std::string& bytes, size_t offset) {
  return static_cast<int32_t>(GetU32(bytes, offset));
}

int16_t GetI16(const std::string& bytes, size_t offset) {
  return static_cast<int16_t>(static_cast<uint8_t>(bytes.at(offset)) |
                              (static_cast<uint8_t>(bytes.at(offset + 1)) << 8));
}

}  // namespace zorv::test
