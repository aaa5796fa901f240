// Reading SLP sprite files (module SLPCodeNew): the header, the frame table,
// the decoding of one frame into a colour and a data bitmap, and the
// conversion of a whole SLP file into an SLX graphic with its BMP files.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "codec/DIBSection.h"
#include "common/Status.h"

namespace zorv {

// The 32 bytes at offset 0 of an SLP file.
struct SLPHeader {
  std::array<char, 4> Version{};   // "2.0N" as written; ignored on reading
  int32_t FrameCount = 0;
  std::array<char, 24> Comment{};  // not used on reading
};

// One 32-byte record of the frame table, which starts at offset 32.
struct SLPFrameInfo {
  uint32_t CommandTableOffset = 0;  // the rows' command offsets
  uint32_t OutlineTableOffset = 0;  // the rows' edges (SLPRowEdges)
  uint32_t PaletteOffset = 0;
  uint32_t Properties = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t HotSpotX = 0;
  int32_t HotSpotY = 0;
};

// Transparent pixels before the first and after the last coded pixel of a
// row; Left = kSLPEmptyRow marks a row that is transparent from edge to edge.
struct SLPRowEdges {
  int16_t Left = 0;
  int16_t Right = 0;
};

inline constexpr int16_t kSLPEmptyRow = -32768;
inline constexpr uint8_t kSLPEndOfRow = 0x0F;
inline constexpr size_t kSLPHeaderSize = 32;
inline constexpr size_t kSLPFrameInfoSize = 32;

// The frames a reader accepts: each side within the bitmap's limit and at
// most this many pixels, so a damaged size cannot ask for gigabytes.
inline constexpr int64_t kMaxSLPFramePixels = int64_t{1} << 24;
// Larger files are refused before they are read.
inline constexpr uint64_t kMaxSLPFileBytes = uint64_t{256} << 20;

// One SLP file: either open on disk, where each read fetches only the bytes
// it needs so that memory holds one frame's data rather than the file, or
// held whole in memory (tests and fuzzers fill it straight from bytes). Every
// read is checked against the file's end.
class SLPFile {
 public:
  SLPFile() = default;
  explicit SLPFile(std::string bytes)
      : bytes_(std::move(bytes)), size_(bytes_.size()), open_(true) {}
  Status Open(const std::string& path);
  void Close();
  bool IsOpen() const { return open_; }
  // The bytes held in memory: the whole file when it was made from bytes,
  // nothing for a file opened on disk.
  std::string_view Bytes() const { return bytes_; }
  bool OnDisk() const { return disk_ != nullptr; }
  uint64_t Size() const { return size_; }
  // Up to size bytes from offset, fewer where the file ends first.
  Status Read(uint64_t offset, uint64_t size, std::string& out) const;

 private:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::string bytes_;
  std::unique_ptr<std::FILE, Closer> disk_;
  std::string path_;
  uint64_t size_ = 0;
  bool open_ = false;
};

// Reads the header and frame records (frames[0] is frame 1). Fails, without
// reading anything beyond the file, on a file shorter than its header, a
// negative frame count or a frame table that does not fit in the file.
Status ReadSLPHeader(const SLPFile& file, SLPHeader& header,
                     std::vector<SLPFrameInfo>& frames);
// The same for a file on disk, which stays open in file for DecodeSLPFrame.
Status ReadSLPHeader(const std::string& path, SLPFile& file, SLPHeader& header,
                     std::vector<SLPFrameInfo>& frames);

// Creates both bitmaps at the frame's size and draws the frame into them:
// the colour bitmap through the current palette, the data bitmap in the six
// data colours. Damaged frames fail with the reason (offsets outside the
// file, commands running past the row or the file, a player-colour index
// above 239, sizes beyond the limits); nothing outside the file or the
// bitmaps is ever touched.
Status DecodeSLPFrame(const SLPFile& file, const SLPFrameInfo& frame,
                      cDIBSection& colour, cDIBSection& data);

// 7 gives "007", 42 "042"; numbers of four digits or more stay as they are.
std::string PadFrameNumber(int32_t number);

// Hears the number (from 1) of the frame about to be decoded.
using SLPFrameProgress = std::function<void(int32_t frame)>;

// Converts an SLP file into BMP files beside the SLX file (title_NNN.bmp and
// title_NNNd.bmp) and the SLX file listing them. An SLX path whose file name
// has no extension gets ".slx". Uses the palette as it stands. A failure is
// reported ("Error creating SLX file!" first) and gives false; no SLX file is
// written then.
bool ConvertSLPToSLX(const std::string& slp_path, const std::string& slx_path,
                     const SLPFrameProgress& progress = {});

// The SLX path ConvertSLPToSLX writes for the path it was given.
std::string SLXPathWithExtension(const std::string& slx_path);

}  // namespace zorv
