// The program's 24-bit bitmap: pixel memory laid out as in a Windows BMP
// (rows bottom-up, blue-green-red bytes, rows padded to 4 bytes), with pixel
// access for the codec and BMP reading and writing.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "codec/Palettes.h"
#include "common/Status.h"

namespace zorv {

// Pixel memory that starts out black. Taken with calloc, so a large block
// comes straight from the system as zero pages that cost nothing until
// drawn on: a frame that fails part-way, or is drawn over anyway, never
// pays for clearing memory it does not use.
class PixelMemory {
 public:
  PixelMemory() = default;
  ~PixelMemory() { std::free(bytes_); }
  PixelMemory(const PixelMemory& other) { CopyFrom(other); }
  PixelMemory& operator=(const PixelMemory& other) {
    if (this != &other) CopyFrom(other);
    return *this;
  }
  PixelMemory(PixelMemory&& other) noexcept
      : bytes_(std::exchange(other.bytes_, nullptr)), size_(std::exchange(other.size_, 0)),
        capacity_(std::exchange(other.capacity_, 0)) {}
  PixelMemory& operator=(PixelMemory&& other) noexcept {
    std::swap(bytes_, other.bytes_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
    return *this;
  }

  // size zero bytes; false (and nothing held) when there is no memory.
  bool Allocate(size_t size) {
    Release();
    if (size == 0) return true;
    bytes_ = static_cast<uint8_t*>(std::calloc(size, 1));
    if (!bytes_) return false;
    size_ = capacity_ = size;
    return true;
  }
  // size bytes whose values are left undefined, in the memory held when it
  // is large enough: for a caller that writes every byte, such as a decoder
  // drawing frame after frame into the same bitmap. False (and nothing
  // held) when there is no memory.
  bool Reshape(size_t size) {
    if (size <= capacity_) {
      size_ = size;
      return true;
    }
    Release();
    bytes_ = static_cast<uint8_t*>(std::malloc(size));
    if (!bytes_) return false;
    size_ = capacity_ = size;
    return true;
  }
  void Release() {
    std::free(bytes_);
    bytes_ = nullptr;
    size_ = capacity_ = 0;
  }
  uint8_t* data() { return bytes_; }
  const uint8_t* data() const { return bytes_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

 private:
  void CopyFrom(const PixelMemory& other) {
    if (!Allocate(other.size_) && other.size_ != 0) throw std::bad_alloc();
    if (other.size_ != 0) std::memcpy(bytes_, other.bytes_, other.size_);
  }

  uint8_t* bytes_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;  // bytes held, size_ or more after Reshape
};

class cDIBSection {
 public:
  // Larger bitmaps are refused rather than allocated.
  static constexpr int32_t kMaxDimension = 32767;
  static constexpr uint64_t kMaxImageBytes = uint64_t{1} << 30;

  // The colour every read outside the bitmap gives.
  static constexpr ColourValue kInvalidColour = -1;

  // Releases the old pixels and makes a black bitmap of width x height.
  // False (and an empty bitmap) for negative or too large sizes.
  bool Create(int32_t width, int32_t height);
  // A bitmap of width x height whose pixel memory, padding included, is
  // left undefined, reusing the memory held when it is large enough. For
  // callers that write every byte of it before it is read. False (and an
  // empty bitmap) as for Create.
  bool Reshape(int32_t width, int32_t height);
  void ClearUp();
  bool IsEmpty() const { return pixels_.empty() && width_ == 0 && height_ == 0; }

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // 3 x width rounded up to a multiple of 4.
  int32_t BytesPerScanLine() const { return (width_ * 3 + 3) & ~3; }
  uint32_t ImageSize() const { return static_cast<uint32_t>(pixels_.size()); }

  uint8_t* DIBSectionBitsPtr() { return pixels_.data(); }
  const uint8_t* DIBSectionBitsPtr() const { return pixels_.data(); }

  // Pixel memory of row y counted from the top (no bounds check).
  uint8_t* Row(int32_t y) {
    return pixels_.data() + static_cast<size_t>(height_ - 1 - y) * BytesPerScanLine();
  }
  const uint8_t* Row(int32_t y) const {
    return pixels_.data() + static_cast<size_t>(height_ - 1 - y) * BytesPerScanLine();
  }

  bool Contains(int32_t x, int32_t y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_;
  }
  // The colour value at (x, y) from the top left, or -1 outside.
  ColourValue GetPixel(int32_t x, int32_t y) const {
    if (!Contains(x, y)) return kInvalidColour;
    return ColourOfPixelBytes(Row(y) + 3 * x);
  }
  // Writes outside the bitmap change nothing.
  void SetPixel(int32_t x, int32_t y, ColourValue colour) {
    if (!Contains(x, y)) return;
    uint8_t* p = Row(y) + 3 * x;
    p[0] = static_cast<uint8_t>(BlueOf(colour));
    p[1] = static_cast<uint8_t>(GreenOf(colour));
    p[2] = static_cast<uint8_t>(RedOf(colour));
  }
  // Sets pixels first_x..last_x (inclusive) of row y, clipped to the bitmap.
  void DrawRowSpan(int32_t first_x, int32_t last_x, int32_t y, ColourValue colour);
  void Fill(ColourValue colour);

  // Copies a width x height block from source (source_left, source_top) onto
  // destination (left, top); negative sizes mean this bitmap's own. Clipped
  // to both bitmaps.
  void PaintPicture(cDIBSection& destination, int32_t left = 0, int32_t top = 0,
                    int32_t width = -1, int32_t height = -1,
                    int32_t source_left = 0, int32_t source_top = 0) const;
  // Copies from source into this bitmap at 0, 0.
  void LoadPictureBlt(const cDIBSection& source, int32_t source_left = 0,
                      int32_t source_top = 0, int32_t width = -1,
                      int32_t height = -1);

  // Loads a BMP or a PNG file, told apart by their first bytes, not by
  // their names; on failure the bitmap is empty and the status says why.
  Status CreateFromPicture(const std::string& path);
  Status CreateFromPictureBytes(std::string_view bytes);
  Status CreateFromBMPBytes(std::string_view bytes);

  // Writes an uncompressed 24-bit BMP: 54 header bytes, no colour table,
  // rows bottom-up as they lie in memory. An existing file is replaced only
  // when the whole new one has been written.
  // Writes a 24-bit BMP file; a file there that is one of inputs (the files
  // the caller reads) is refused.
  Status SavePicture(const std::string& path, const std::vector<std::string>& inputs = {}) const;
  std::string BMPBytes() const;
  // The 54 bytes in front of the pixel memory in a BMP file.
  std::string BMPHeader() const;

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  PixelMemory pixels_;
};

// The width and height of the picture in a BMP file, read from its headers
// alone: the first bytes of the file (a thousand bytes hold the largest
// headers) or the whole of it. Fails for a file that is not a BMP file this
// program reads.
Status BMPSizeFromHead(std::string_view head, int32_t& width, int32_t& height);

// The same for a BMP or a PNG file, told apart by their first bytes; the
// head must hold the first thousand bytes of the file, or all of it.
Status PictureSizeFromHead(std::string_view head, int32_t& width, int32_t& height);
Status ReadPictureSize(const std::string& path, int32_t& width, int32_t& height);

// Decodes BMP file bytes into bitmap (created at the image's size). Accepts
// core, info, V4 and V5 headers; 1, 4 and 8 bits with a colour table, RLE4
// and RLE8; 16, 24 and 32 bits with or without bit-field masks; rows
// bottom-up or top-down. Anything else, or any inconsistency, fails.
Status DecodeBMP(std::string_view bytes, cDIBSection& bitmap);

}  // namespace zorv
