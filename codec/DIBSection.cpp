#include "codec/DIBSection.h"

#include <algorithm>
#include <cstring>

#include "codec/BitmapPNG.h"
#include "codec/PNGFiles.h"
#include "common/FileIO.h"
#include "common/LittleEndian.h"

namespace zorv {

bool cDIBSection::Create(int32_t width, int32_t height) {
  ClearUp();
  if (width < 0 || height < 0 || width > kMaxDimension || height > kMaxDimension)
    return false;
  uint64_t bytes = static_cast<uint64_t>((width * 3 + 3) & ~3) * static_cast<uint64_t>(height);
  if (bytes > kMaxImageBytes) return false;
  if (!pixels_.Allocate(static_cast<size_t>(bytes))) return false;
  width_ = width;
  height_ = height;
  return true;
}

bool cDIBSection::Reshape(int32_t width, int32_t height) {
  if (width < 0 || height < 0 || width > kMaxDimension || height > kMaxDimension) {
    ClearUp();
    return false;
  }
  uint64_t bytes = static_cast<uint64_t>((width * 3 + 3) & ~3) * static_cast<uint64_t>(height);
  if (bytes > kMaxImageBytes || !pixels_.Reshape(static_cast<size_t>(bytes))) {
    ClearUp();
    return false;
  }
  width_ = width;
  height_ = height;
  return true;
}

void cDIBSection::ClearUp() {
  pixels_.Release();
  width_ = 0;
  height_ = 0;
}

void cDIBSection::DrawRowSpan(int32_t first_x, int32_t last_x, int32_t y,
                              ColourValue colour) {
  if (y < 0 || y >= height_) return;
  first_x = std::max(first_x, 0);
  last_x = std::min(last_x, width_ - 1);
  if (first_x > last_x) return;
  const uint8_t b = static_cast<uint8_t>(BlueOf(colour)),
                g = static_cast<uint8_t>(GreenOf(colour)),
                r = static_cast<uint8_t>(RedOf(colour));
  uint8_t* p = Row(y) + 3 * first_x;
  uint8_t* end = Row(y) + 3 * (last_x + 1);
  for (; p != end; p += 3) {
    p[0] = b;
    p[1] = g;
    p[2] = r;
  }
}

void cDIBSection::Fill(ColourValue colour) {
  for (int32_t y = 0; y < height_; ++y) DrawRowSpan(0, width_ - 1, y, colour);
}

void cDIBSection::PaintPicture(cDIBSection& destination, int32_t left, int32_t top,
                               int32_t width, int32_t height, int32_t source_left,
                               int32_t source_top) const {
  if (width < 0) width = width_;
  if (height < 0) height = height_;
  // Clip the block to the source, then to the destination.
  int64_t sx = source_left, sy = source_top, dx = left, dy = top;
  int64_t w = width, h = height;
  if (sx < 0) { w += sx; dx -= sx; sx = 0; }
  if (sy < 0) { h += sy; dy -= sy; sy = 0; }
  if (dx < 0) { w += dx; sx -= dx; dx = 0; }
  if (dy < 0) { h += dy; sy -= dy; dy = 0; }
  w = std::min<int64_t>({w, width_ - sx, destination.width_ - dx});
  h = std::min<int64_t>({h, height_ - sy, destination.height_ - dy});
  if (w <= 0 || h <= 0) return;
  // A block moved down inside one bitmap is copied from its last row up,
  // so that no source row is overwritten before it has been read.
  const bool last_row_first = &destination == this && dy > sy;
  for (int64_t i = 0; i < h; ++i) {
    const int64_t row = last_row_first ? h - 1 - i : i;
    const uint8_t* from = Row(static_cast<int32_t>(sy + row)) + 3 * sx;
    uint8_t* to = destination.Row(static_cast<int32_t>(dy + row)) + 3 * dx;
    std::memmove(to, from, static_cast<size_t>(3 * w));
  }
}

void cDIBSection::LoadPictureBlt(const cDIBSection& source, int32_t source_left,
                                 int32_t source_top, int32_t width, int32_t height) {
  if (width < 0) width = width_;
  if (height < 0) height = height_;
  source.PaintPicture(*this, 0, 0, width, height, source_left, source_top);
}

Status cDIBSection::CreateFromPicture(const std::string& path) {
  ClearUp();
  std::string bytes;
  Status read = ReadWholeFile(path, bytes, kMaxImageBytes + (uint64_t{1} << 20));
  if (!read) return read;
  Status decoded = CreateFromPictureBytes(bytes);
  if (!decoded) return Status::Fail(path + ": " + decoded.message());
  return Status::Ok();
}

Status cDIBSection::CreateFromPictureBytes(std::string_view bytes) {
  if (HasPNGSignature(bytes)) return DecodePNGBitmap(bytes, *this);
  return DecodeBMP(bytes, *this);
}

Status cDIBSection::CreateFromBMPBytes(std::string_view bytes) {
  return DecodeBMP(bytes, *this);
}

std::string cDIBSection::BMPHeader() const {
  const uint32_t image_size = ImageSize();
  std::string out;
  out.reserve(54);
  // File header.
  le::PutU16(out, 0x4D42);
  le::PutU32(out, image_size + 54);
  le::PutU32(out, 0);
  le::PutU32(out, 54);
  // Information header.
  le::PutU32(out, 40);
  le::PutU32(out, static_cast<uint32_t>(width_));
  le::PutU32(out, static_cast<uint32_t>(height_));
  le::PutU16(out, 1);
  le::PutU16(out, 24);
  le::PutU32(out, 0);
  le::PutU32(out, image_size);
  for (int i = 0; i < 4; ++i) le::PutU32(out, 0);
  return out;
}

std::string cDIBSection::BMPBytes() const {
  std::string out = BMPHeader();
  out.append(reinterpret_cast<const char*>(pixels_.data()), pixels_.size());
  return out;
}

Status cDIBSection::SavePicture(const std::string& path,
                                const std::vector<std::string>& inputs) const {
  SafeFileWriter writer;
  if (Status opened = writer.Open(path, SafeFileWriter::Placement::kInPlaceWhenNew, inputs);
      !opened)
    return opened;
  writer.Write(BMPHeader());
  writer.Write(pixels_.data(), pixels_.size());
  return writer.Commit();
}

}  // namespace zorv
