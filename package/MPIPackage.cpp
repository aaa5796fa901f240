#include "package/MPIPackage.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "common/FileIO.h"
#include "common/Functions.h"
#include "common/LittleEndian.h"

namespace zorv {
namespace {

bool ReadExactly(std::FILE* file, std::string& out, size_t size) {
  out.resize(size);
  return size == 0 || std::fread(out.data(), 1, size, file) == size;
}

}  // namespace

std::string EncodeMPIHeader(int16_t entry_count, const std::string& title,
                            const std::string& readme) {
  std::string header(kMPIMagic, kMPIMagicSize);
  le::PutU16(header, static_cast<uint16_t>(entry_count));
  le::PutU16(header, static_cast<uint16_t>(title.size()));
  le::PutU16(header, static_cast<uint16_t>(readme.size()));
  header += title;
  header += readme;
  return header;
}

std::string EncodeMPIEntry(const MPIEntry& entry) {
  std::string bytes;
  bytes.push_back(static_cast<char>(entry.Kind));
  bytes.push_back(static_cast<char>(entry.ReplaceTarget));
  le::PutU32(bytes, static_cast<uint32_t>(entry.ResourceID));
  le::PutU32(bytes, static_cast<uint32_t>(entry.Length));
  le::PutU32(bytes, static_cast<uint32_t>(entry.Offset));
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
  auto count = le::I16(header, 8);
  auto title_size = le::I16(header, 10);
  auto readme_size = le::I16(header, 12);
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
    entry.ResourceID = le::I32(directory, at + 2);
    entry.Length = le::I32(directory, at + 6);
    entry.Offset = le::I32(directory, at + 10);
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
  if (!SeekTo(file.get(), static_cast<uint64_t>(entry.Offset)) ||
      !ReadExactly(file.get(), data, static_cast<size_t>(entry.Length))) {
    data.clear();
    return Status::Fail(path + ": the entry's data cannot be read");
  }
  return Status::Ok();
}

}  // namespace zorv
