// A 64-bit checksum of bytes given in pieces (XXH64 of the xxHash library,
// seed 0): fast enough
// to sum a 200 MB archive while it is written, and strong enough to tell a
// file changed by hand from the one that was recorded. Not a guard against
// someone who forges files on purpose.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/Status.h"

// xxHash's running state, kept behind a pointer so that this header does
// not bring in the library's.
struct XXH64_state_s;

namespace zorv {

class ContentHash {
 public:
  ContentHash();
  ~ContentHash();
  ContentHash(ContentHash&&) noexcept;
  ContentHash& operator=(ContentHash&&) noexcept;
  void Add(std::string_view bytes);
  // The checksum of every byte added so far (more may be added after).
  uint64_t Digest() const;

 private:
  struct StateDeleter {
    void operator()(XXH64_state_s* state) const;
  };
  std::unique_ptr<XXH64_state_s, StateDeleter> state_;
};

uint64_t HashOf(std::string_view bytes);

// The checksum of a whole file, read in blocks, and its size.
Status FileHash(const std::string& path, uint64_t& hash, int64_t& size);

// Sixteen lower-case hexadecimal digits, and back (false when it is not that).
std::string HashText(uint64_t hash);
bool ParseHashText(std::string_view text, uint64_t& hash);

}  // namespace zorv
