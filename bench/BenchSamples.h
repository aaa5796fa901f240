// Where the benchmarks find the game's sample sprites: the folder named by
// ZORV_SAMPLES, with a trailing "/", or "" when it is unset.
#pragma once

#include <cstdlib>
#include <string>

namespace zorv::bench {

inline std::string SamplesDir() {
  const char* dir = std::getenv("ZORV_SAMPLES");
  if (!dir || !*dir) return {};
  std::string path(dir);
  if (path.back() != '/') path += '/';
  return path;
}

}  // namespace zorv::bench
