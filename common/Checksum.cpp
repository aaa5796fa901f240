#include "common/Checksum.h"

#include <xxhash.h>

#include <cstdio>
#include <memory>
#include <new>

#include "common/FileIO.h"

namespace zorv {
namespace {

constexpr size_t kBlock = size_t{1} << 20;

}  // namespace

void ContentHash::StateDeleter::operator()(XXH64_state_s* state) const { XXH64_freeState(state); }

ContentHash::ContentHash() : state_(XXH64_createState()) {
  // Without memory for a few dozen bytes nothing else would run either.
  if (!state_) throw std::bad_alloc();
  XXH64_reset(state_.get(), 0);
}

ContentHash::~ContentHash() = default;
ContentHash::ContentHash(ContentHash&&) noexcept = default;
ContentHash& ContentHash::operator=(ContentHash&&) noexcept = default;

void ContentHash::Add(std::string_view bytes) {
  XXH64_update(state_.get(), bytes.data(), bytes.size());
}

uint64_t ContentHash::Digest() const { return XXH64_digest(state_.get()); }

uint64_t HashOf(std::string_view bytes) {
  ContentHash hash;
  hash.Add(bytes);
  return hash.Digest();
}

Status FileHash(const std::string& path, uint64_t& hash, int64_t& size) {
  std::FILE* opened = nullptr;
  if (Status status = OpenForReading(path, opened); !status) return status;
  FilePtr file(opened);
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
