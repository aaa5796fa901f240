// Animated GIF pictures through giflib: one colour table for all frames
// (a palette), each frame a whole canvas of indices shown for a delay, with
// one index transparent, looping for ever.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codec/ColourValue.h"
#include "common/Status.h"

struct GifFileType;

namespace zorv {

inline constexpr const char* kMsgErrorWritingGIF = "Error writing GIF file!";

// The largest canvas a GIF holds (its sizes are 16-bit).
inline constexpr int32_t kMaxGIFSide = 65535;

// Builds a GIF in memory frame by frame, so that only one frame is held at
// a time.
class AnimatedGIFWriter {
 public:
  AnimatedGIFWriter();
  ~AnimatedGIFWriter();
  AnimatedGIFWriter(const AnimatedGIFWriter&) = delete;
  AnimatedGIFWriter& operator=(const AnimatedGIFWriter&) = delete;

  // A canvas of width x height, the colours of indices 0..255, the index
  // that shows what lies behind, and the time each frame shows in
  // hundredths of a second.
  Status Begin(int32_t width, int32_t height, const std::array<ColourValue, 256>& colours,
               int transparent_index, int delay_centiseconds);
  // One frame: width x height indices, rows from the top.
  Status AddFrame(const std::vector<uint8_t>& indices);
  // Ends the file and gives its bytes.
  Status Finish(std::string& bytes);

 private:
  Status Failed(const std::string& what);

  GifFileType* gif_ = nullptr;
  std::string bytes_;
  int32_t width_ = 0, height_ = 0;
  int transparent_ = 0, delay_ = 0;
};

}  // namespace zorv
