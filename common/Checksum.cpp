#include "common/Checksum.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "common/FileIO.h"

namespace zorv {
namespace {

constexpr int64_t kBlock = int64_t{1} << 20;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

uint32_t ExtendCRC32(uint32_t crc, std::string_view bytes) {
  // zlib takes lengths as uInt: feed pieces of at most 1 GB.
  const char* at = bytes.data();
  for (size_t left = bytes.size(); left > 0;) {
    const size_t piece = std::min<size_t>(left, size_t{1} << 30);
    crc = static_cast<uint32_t>(
        crc32(crc, reinterpret_cast<const Bytef*>(at), static_cast<uInt>(piece)));
    at += piece;
    left -= piece;
  }
  return crc;
}

uint32_t CombineCRC32(uint32_t first, uint32_t second, int64_t length_second) {
  return static_cast<uint32_t>(
      crc32_combine(first, second, static_cast<z_off_t>(length_second)));
}

Status FileStretchCRC32(const std::string& path, int64_t offset, int64_t length, uint32_t& crc) {
  std::FILE* opened = nullptr;
  if (Status status = OpenForReading(path, opened); !status) return status;
  std::unique_ptr<std::FILE, FileCloser> file(opened);
  if (offset < 0 || length < 0 || !SeekTo(file.get(), static_cast<uint64_t>(offset)))
    return Status::Fail(path + ": cannot be read");
  uint32_t sum = 0;
  std::string block;
  for (int64_t left = length; left > 0;) {
    block.resize(static_cast<size_t>(std::min(left, kBlock)));
    if (std::fread(block.data(), 1, block.size(), file.get()) != block.size())
      return Status::Fail(path + ": the file ended before its expected end");
    sum = ExtendCRC32(sum, block);
    left -= static_cast<int64_t>(block.size());
  }
  crc = sum;
  return Status::Ok();
}

Status FileCRC32(const std::string& path, uint32_t& crc, int64_t& size) {
  const int64_t length = FileSize(path);
  if (length < 0) return Status::Fail(path + ": no such file");
  if (Status read = FileStretchCRC32(path, 0, length, crc); !read) return read;
  size = length;
  return Status::Ok();
}

std::string CRCText(uint32_t crc) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", crc);
  return text;
}

bool ParseCRCText(std::string_view text, uint32_t& crc) {
  if (text.size() != 8) return false;
  uint32_t value = 0;
  for (char c : text) {
    uint32_t digit = 0;
    if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
    else if (c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
    else return false;
    value = value * 16 + digit;
  }
  crc = value;
  return true;
}

}  // namespace zorv
