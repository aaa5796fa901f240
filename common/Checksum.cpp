#include "common/Checksum.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/FileIO.h"

namespace zorv {
namespace {

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t kPrime3 = 0x165667B19E3779F9ull;
constexpr uint64_t kPrime4 = 0x85EBCA77C2B2AE63ull;
constexpr uint64_t kPrime5 = 0x27D4EB2F165667C5ull;
constexpr size_t kBlock = size_t{1} << 20;

uint64_t RotateLeft(uint64_t x, int bits) { return (x << bits) | (x >> (64 - bits)); }

// Little-endian reads, whatever the machine's order: one load each (a
// byte at a time, the hash ran at a fraction of the speed of a copy).
uint64_t Read64(const unsigned char* p) {
  uint64_t value;
  std::memcpy(&value, p, sizeof value);
  if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap64(value);
  return value;
}
uint32_t Read32(const unsigned char* p) {
  uint32_t value;
  std::memcpy(&value, p, sizeof value);
  if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap32(value);
  return value;
}

uint64_t Round(uint64_t lane, uint64_t input) {
  lane += input * kPrime2;
  return RotateLeft(lane, 31) * kPrime1;
}

uint64_t MergeRound(uint64_t hash, uint64_t lane) {
  hash ^= Round(0, lane);
  return hash * kPrime1 + kPrime4;
}

void TakeStripe(uint64_t (&lanes)[4], const unsigned char* p) {
  lanes[0] = Round(lanes[0], Read64(p));
  lanes[1] = Round(lanes[1], Read64(p + 8));
  lanes[2] = Round(lanes[2], Read64(p + 16));
  lanes[3] = Round(lanes[3], Read64(p + 24));
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

ContentHash::ContentHash()
    : lanes_{kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1} {}

void ContentHash::Add(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t left = bytes.size();
  total_ += left;
  if (pending_size_ > 0) {
    const size_t take = std::min(left, 32 - pending_size_);
    std::memcpy(pending_ + pending_size_, p, take);
    pending_size_ += take;
    p += take;
    left -= take;
    if (pending_size_ < 32) return;
    TakeStripe(lanes_, pending_);
    pending_size_ = 0;
  }
  for (; left >= 32; p += 32, left -= 32) TakeStripe(lanes_, p);
  std::memcpy(pending_, p, left);
  pending_size_ = left;
}

uint64_t ContentHash::Digest() const {
  uint64_t hash;
  if (total_ >= 32) {
    hash = RotateLeft(lanes_[0], 1) + RotateLeft(lanes_[1], 7) + RotateLeft(lanes_[2], 12) +
           RotateLeft(lanes_[3], 18);
    for (uint64_t lane : lanes_) hash = MergeRound(hash, lane);
  } else {
    hash = lanes_[2] + kPrime5;  // the seed's lane
  }
  hash += total_;
  const unsigned char* p = pending_;
  size_t left = pending_size_;
  for (; left >= 8; p += 8, left -= 8) {
    hash ^= Round(0, Read64(p));
    hash = RotateLeft(hash, 27) * kPrime1 + kPrime4;
  }
  if (left >= 4) {
    hash ^= static_cast<uint64_t>(Read32(p)) * kPrime1;
    hash = RotateLeft(hash, 23) * kPrime2 + kPrime3;
    p += 4;
    left -= 4;
  }
  for (; left > 0; ++p, --left) {
    hash ^= *p * kPrime5;
    hash = RotateLeft(hash, 11) * kPrime1;
  }
  hash ^= hash >> 33;
  hash *= kPrime2;
  hash ^= hash >> 29;
  hash *= kPrime3;
  hash ^= hash >> 32;
  return hash;
}

uint64_t HashOf(std::string_view bytes) {
  ContentHash hash;
  hash.Add(bytes);
  return hash.Digest();
}

Status FileHash(const std::string& path, uint64_t& hash, int64_t& size) {
  std::FILE* opened = nullptr;
  if (Status status = OpenForReading(path, opened); !status) return status;
  std::unique_ptr<std::FILE, FileCloser> file(opened);
  ContentHash sum;
  std::string block(kBlock, '\0');
  int64_t length = 0;
  for (;;) {
    const size_t got = std::fread(block.data(), 1, block.size(), file.get());
    sum.Add(std::string_view(block.data(), got));
    length += static_cast<int64_t>(got);
    if (got < block.size()) break;
  }
  if (std::ferror(file.get())) return Status::Fail(path + ": " + SystemReason());
  hash = sum.Digest();
  size = length;
  return Status::Ok();
}

std::string HashText(uint64_t hash) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

bool ParseHashText(std::string_view text, uint64_t& hash) {
  if (text.size() != 16) return false;
  uint64_t value = 0;
  for (char c : text) {
    uint64_t digit = 0;
    if (c >= '0' && c <= '9') digit = static_cast<uint64_t>(c - '0');
    else if (c >= 'a' && c <= 'f') digit = static_cast<uint64_t>(c - 'a' + 10);
    else return false;
    value = value * 16 + digit;
  }
  hash = value;
  return true;
}

}  // namespace zorv
