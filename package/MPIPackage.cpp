#include "package/MPIPackage.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "common/FileIO.h"
#include "common/Functions.h"

namespace zorv {
namespace {

void PutLE(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 255));
}

uint32_t GetLE(const std::string& bytes, size_t offset, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i)
    value = (value << 8) | static_cast<uint8_t>(bytes[offset + static_cast<size_t>(i)]);
  return value;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool ReadExactly(std::FILE* file, std::string& out, size_t size) {
  out.resize(size);
  return size == 0 || std::fread(out.data(), 1, size, file) == size;
}

}  // namespace

std::string EncodeMPIHeader(int16_t entry_count, const std::string& title,
                            const std::string& readme) {
  std::string header(kMPIMagic, kMPIMagicSize);
  PutLE(header, static_cast<uint16_t>(entry_count), 2);
  PutLE(header, static_cast<uint16_t>(title.size()), 2);
  PutLE(header, static_cast<uint16_t>(readme.size()), 2);
  header += title;
  header += readme;
  return header;
}

std::string EncodeMPIEntry(const MPIEntry& entry) {
  std::string bytes;
  bytes.push_back(static_cast<char>(entry.Kind));
  bytes.push_back(static_cast<char>(entry.ReplaceTarget));
  PutLE(bytes, static_cast<uint32_t>(entry.ResourceID), 4);
  PutLE(bytes, static_cast<uint32_t>(entry.Length), 4);
  PutLE(bytes, static_cast<uint32_t>(entry.Offset), 4);
  return bytes;
}

Status ReadMPIPackage(const std::string& path, MPIPackage& package) {
  int64_t file_size = FileSize(path);
  if (file_size < 0) return Status::Fail(path + ": no such file");
  FilePtr file(std::fopen(NativePath(path).c_str(), "rb"));
  if (!file) return Status::Fail(path + ": " + SystemReason());
  auto damaged = [&](const std::string& what) {
    return Status::Fail(path + ": not an MPI package: " + what);
  };

  std::string header;
  if (file_size < kMPIHeaderSize || !ReadExactly(file.get(), header, kMPIHeaderSize))
    return damaged("the file is shorter than a package header");
  if (std::memcmp(header.data(), kMPIMagic, kMPIMagicSize) != 0)
    return damaged("it does not start with \"MPI 0.6 \"");
  auto count = static_cast<int16_t>(GetLE(header, 8, 2));
  auto title_size = static_cast<int16_t>(GetLE(header, 10, 2));
  auto readme_size = static_cast<int16_t>(GetLE(header, 12, 2));
  if (count < 0 || title_size < 0 || readme_size < 0)
    return damaged("a negative count or length in the header");
  int64_t data_start = kMPIHeaderSize + title_size + readme_size + kMPIEntrySize * count;
  if (data_start > file_size) return damaged("the file ends inside its directory");

  MPIPackage read;
  read.FileSize = file_size;
  std::string directory;
  if (!ReadExactly(file.get(), read.Title, static_cast<size_t>(title_size)) ||
      !ReadExactly(file.get(), read.Readme, static_cast<size_t>(readme_size)) ||
      !ReadExactly(file.get(), directory, static_cast<size_t>(kMPIEntrySize * count)))
    return Status::Fail(path + ": read error");

  int64_t expected_offset = data_start;
  for (int32_t i = 0; i < count; ++i) {
    size_t at = static_cast<size_t>(kMPIEntrySize * i);
    MPIEntry entry;
    entry.Kind = static_cast<uint8_t>(directory[at]);
    entry.ReplaceTarget = static_cast<uint8_t>(directory[at + 1]);
    entry.ResourceID = static_cast<int32_t>(GetLE(directory, at + 2, 4));
    entry.Length = static_cast<int32_t>(GetLE(directory, at + 6, 4));
    entry.Offset = static_cast<int32_t>(GetLE(directory, at + 10, 4));
    std::string which = "entry " + NumberText(i + 1);
    if (entry.Length < 0) return damaged(which + " has a negative length");
    if (entry.Offset != expected_offset)
      return damaged(which + " starts at " + NumberText(entry.Offset) + " instead of " +
                     NumberText(expected_offset));
    expected_offset += entry.Length;
    if (expected_offset > file_size) return damaged(which + " runs past the end of the file");
    read.Entries.push_back(entry);
  }
  if (expected_offset != file_size)
    return damaged(NumberText(file_size - expected_offset) +
                   " bytes after the last entry's data");
  package = std::move(read);
  return Status::Ok();
}

Status ReadMPIEntryData(const std::string& path, const MPIEntry& entry, std::string& data) {
  data.clear();
  if (entry.Offset < 0 || entry.Length < 0 ||
      int64_t{entry.Offset} + entry.Length > FileSize(path))
    return Status::Fail(path + ": the entry lies outside the file");
  FilePtr file(std::fopen(NativePath(path).c_str(), "rb"));
  if (!file) return Status::Fail(path + ": " + SystemReason());
  if (
      std::fseek(file.get(), static_cast<long>(entry.Offset), SEEK_SET) != 0 ||
      !ReadExactly(file.get(), data, static_cast<size_t>(entry.Length))) {
    data.clear();
    return Status::Fail(path + ": the entry's data cannot be read");
  }
  return Status::Ok();
}

}  // namespace zorv
