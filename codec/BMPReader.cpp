// BMP reading for cDIBSection. Users edit frame bitmaps in any paint program,
// so this takes every header and pixel layout those write: core, info, V2 to
// V5 and OS/2 2.x headers; 1-, 4- and 8-bit colour tables, RLE4 and RLE8;
// 16- and 32-bit pixels with default or bit-field masks; 24-bit pixels. Each
// size and offset is checked against the file before it is used, so a broken
// file is refused with a reason and never read out of bounds.
#include <array>
#include <bit>
#include <cstring>
#include <string>

#include "codec/DIBSection.h"
#include "common/FileIO.h"
#include "common/LittleEndian.h"

namespace zorv {
namespace {

constexpr uint64_t kFileHeaderSize = 14;

// Header sizes: the OS/2 1.x core header, the OS/2 2.x short and full
// headers, and the Windows info header with its V2, V3, V4 and V5 extensions.
constexpr uint32_t kCoreHeader = 12;
constexpr uint32_t kOS2ShortHeader = 16;
constexpr uint32_t kInfoHeader = 40;
constexpr uint32_t kV2Header = 52;
constexpr uint32_t kOS2Header = 64;

// Compression codes of the info header.
constexpr uint32_t kRGB = 0;
constexpr uint32_t kRLE8 = 1;
constexpr uint32_t kRLE4 = 2;
constexpr uint32_t kBitFields = 3;
constexpr uint32_t kJPEG = 4;
constexpr uint32_t kPNG = 5;
constexpr uint32_t kAlphaBitFields = 6;

using le::U16;
using le::U32;

bool KnownHeaderSize(uint32_t size) {
  switch (size) {
    case 12: case 16: case 40: case 52: case 56: case 64: case 108: case 124:
      return true;
    default:
      return false;
  }
}

// Everything the pixel decoding needs, read from the headers and checked.
struct Layout {
  int32_t width = 0;
  int32_t height = 0;  // always positive; top_down tells the row order
  bool top_down = false;
  uint32_t bits = 0;
  uint32_t compression = kRGB;
  std::array<uint32_t, 3> masks{};  // red, green, blue for 16 and 32 bits
  uint64_t table_offset = 0;
  uint32_t table_entries = 0;
  uint32_t entry_size = 4;
  uint64_t pixel_offset = 0;
};

std::string Number(uint64_t n) { return std::to_string(n); }

// A mask must be one run of set bits inside the pixel (or 0: no component).
Status CheckMask(uint32_t mask, uint32_t bits) {
  if (mask == 0) return Status::Ok();
  uint32_t run = mask >> std::countr_zero(mask);
  if ((run & (run + 1)) != 0)
    return Status::Fail("a colour mask is not one run of bits");
  if (bits < 32 && (mask >> bits) != 0)
    return Status::Fail("a colour mask has bits outside the " + Number(bits) + "-bit pixel");
  return Status::Ok();
}

Status CheckCompression(const Layout& l, uint32_t header_size) {
  const bool os2 = header_size == kOS2ShortHeader || header_size == kOS2Header;
  if (os2 && l.compression == 3)
    return Status::Fail("Huffman-compressed BMP files are not supported");
  if (os2 && l.compression == 4)
    return Status::Fail("RLE24-compressed BMP files are not supported");
  switch (l.compression) {
    case kRGB:
      return Status::Ok();
    case kRLE8:
    case kRLE4:
      if (l.bits != (l.compression == kRLE8 ? 8u : 4u))
        return Status::Fail("the compression type does not match " + Number(l.bits) +
                            " bits per pixel");
      if (l.top_down)
        return Status::Fail("a compressed BMP picture cannot be stored top-down");
      return Status::Ok();
    case kBitFields:
    case kAlphaBitFields:
      if (l.bits != 16 && l.bits != 32)
        return Status::Fail("the compression type does not match " + Number(l.bits) +
                            " bits per pixel");
      return Status::Ok();
    case kJPEG:
      return Status::Fail("JPEG-compressed BMP files are not supported");
    case kPNG:
      return Status::Fail("PNG-compressed BMP files are not supported");
    default:
      return Status::Fail("BMP compression type " + Number(l.compression) +
                          " is not supported");
  }
}

// The fields of the file header and the picture header: size, row order,
// depth and compression. Needs only the headers' bytes, so the size of a
// picture can be read without the rest of its file.
Status ReadHeaders(std::string_view bytes, Layout& l, uint32_t& header_size,
                   uint32_t& colours_used) {
  const uint64_t size = bytes.size();
  if (size < kFileHeaderSize + 4) return Status::Fail("the file is too short to be a BMP file");
  if (bytes[0] != 'B' || bytes[1] != 'M')
    return Status::Fail("the file is not a BMP file (it does not start with \"BM\")");
  header_size = U32(bytes, 14);
  if (!KnownHeaderSize(header_size))
    return Status::Fail("the BMP header size " + Number(header_size) +
                        " is not one this program reads");
  if (size < kFileHeaderSize + header_size)
    return Status::Fail("the file is too short for its BMP header");

  int64_t width, height;
  uint32_t planes;
  colours_used = 0;
  if (header_size == kCoreHeader) {
    width = U16(bytes, 18);
    height = U16(bytes, 20);
    planes = U16(bytes, 22);
    l.bits = U16(bytes, 24);
    l.entry_size = 3;
  } else {
    width = static_cast<int32_t>(U32(bytes, 18));
    height = static_cast<int32_t>(U32(bytes, 22));
    planes = U16(bytes, 26);
    l.bits = U16(bytes, 28);
    if (header_size > kOS2ShortHeader) {
      l.compression = U32(bytes, 30);
      colours_used = U32(bytes, 46);
    }
  }
  if (planes != 1)
    return Status::Fail("the BMP header gives " + Number(planes) +
                        " colour planes instead of 1");
  if (width < 0) return Status::Fail("the picture width is negative");
  l.top_down = height < 0;
  if (height < 0) height = -height;
  const uint64_t bitmap_row = (static_cast<uint64_t>(width) * 3 + 3) & ~uint64_t{3};
  if (width > cDIBSection::kMaxDimension || height > cDIBSection::kMaxDimension ||
      bitmap_row * static_cast<uint64_t>(height) > cDIBSection::kMaxImageBytes)
    return Status::Fail("the picture is too large (" + Number(width) + " x " +
                        Number(height) + " pixels)");
  l.width = static_cast<int32_t>(width);
  l.height = static_cast<int32_t>(height);

  switch (l.bits) {
    case 1: case 4: case 8: case 16: case 24: case 32:
      break;
    default:
      return Status::Fail(Number(l.bits) + " bits per pixel is not a BMP colour depth "
                          "this program reads");
  }
  return CheckCompression(l, header_size);
}

Status ReadLayout(std::string_view bytes, Layout& l) {
  const uint64_t size = bytes.size();
  uint32_t header_size = 0, colours_used = 0;
  if (Status s = ReadHeaders(bytes, l, header_size, colours_used); !s) return s;

  // Colour masks: after a plain info header, or inside the V2 and later
  // headers. Those headers carry masks for uncompressed pixels too, but
  // only bit-field compression makes them count.
  uint64_t after_headers = kFileHeaderSize + header_size;
  if (l.compression == kBitFields || l.compression == kAlphaBitFields) {
    uint64_t mask_offset = kFileHeaderSize + kInfoHeader;
    if (header_size == kInfoHeader) {
      after_headers += l.compression == kAlphaBitFields ? 16 : 12;
      if (after_headers > size)
        return Status::Fail("the colour masks run past the end of the file");
    } else if (header_size < kV2Header || header_size == kOS2Header) {
      return Status::Fail("the BMP header has no room for colour masks");
    }
    for (int i = 0; i < 3; ++i) l.masks[i] = U32(bytes, mask_offset + 4 * i);
    for (uint32_t mask : l.masks)
      if (Status s = CheckMask(mask, l.bits); !s) return s;
  } else if (l.bits == 16) {
    l.masks = {0x7C00, 0x03E0, 0x001F};
  } else if (l.bits == 32) {
    l.masks = {0xFF0000, 0x00FF00, 0x0000FF};
  }

  // The colour table: as many entries as the header says are used (at most
  // one per possible index), or one per possible index.
  l.table_offset = after_headers;
  uint64_t table_end = after_headers;
  if (l.bits <= 8) {
    const uint32_t possible = 1u << l.bits;
    l.table_entries = colours_used != 0 && colours_used < possible ? colours_used : possible;
    table_end += uint64_t{l.table_entries} * l.entry_size;
    if (table_end > size) return Status::Fail("the colour table runs past the end of the file");
  }

  l.pixel_offset = U32(bytes, 10);
  if (l.pixel_offset > size)
    return Status::Fail("the pixel data starts past the end of the file");
  if (l.pixel_offset < after_headers)
    return Status::Fail("the pixel data starts inside the BMP headers");
  if (l.pixel_offset < table_end)
    return Status::Fail("the colour table runs into the pixel data");
  return Status::Ok();
}

// Colour table entries as blue | green << 8 | red << 16, the byte order of
// a pixel in memory. Indices past the table hold kMissing.
constexpr uint32_t kMissing = 1u << 24;

struct ColourTable {
  std::array<uint32_t, 256> entries;
  uint32_t count = 0;

  void Read(std::string_view bytes, const Layout& l) {
    entries.fill(kMissing);
    count = l.table_entries;
    for (uint32_t i = 0; i < count; ++i) {
      const uint64_t at = l.table_offset + uint64_t{i} * l.entry_size;
      entries[i] = static_cast<uint8_t>(bytes[at]) |
                   (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8) |
                   (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 16);
    }
  }
  Status Missing(uint32_t index) const {
    return Status::Fail("a pixel uses colour " + Number(index) +
                        ", beyond the end of the colour table (size " + Number(count) + ")");
  }
};

inline void PutColour(uint8_t* p, uint32_t bgr) {
  p[0] = static_cast<uint8_t>(bgr);
  p[1] = static_cast<uint8_t>(bgr >> 8);
  p[2] = static_cast<uint8_t>(bgr >> 16);
}

// One colour component of a masked pixel, scaled to 0..255: components
// wider than 8 bits keep their top 8, narrower ones are stretched so that
// their largest value gives 255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int drop = 0;
  std::array<uint8_t, 256> scale{};

  explicit Channel(uint32_t m) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    const int bits = std::popcount(m);
    drop = bits > 8 ? bits - 8 : 0;
    const uint32_t top = (1u << (bits - drop)) - 1;
    for (uint32_t v = 0; v <= top; ++v) scale[v] = static_cast<uint8_t>((v * 255 + top / 2) / top);
  }
  uint8_t Of(uint32_t pixel) const { return scale[((pixel & mask) >> shift) >> drop]; }
};

// Decodes one uncompressed row of the file into one row of the bitmap.
class RowDecoder {
 public:
  RowDecoder(std::string_view bytes, const Layout& l)
      : layout_(l), red_(l.masks[0]), green_(l.masks[1]), blue_(l.masks[2]) {
    if (l.bits <= 8) table_.Read(bytes, l);
    plain32_ = l.bits == 32 && l.masks[0] == 0xFF0000 && l.masks[1] == 0xFF00 &&
               l.masks[2] == 0xFF;
  }

  Status Decode(const uint8_t* in, uint8_t* out) const {
    const int32_t w = layout_.width;
    switch (layout_.bits) {
      case 24:
        std::memcpy(out, in, static_cast<size_t>(w) * 3);
        return Status::Ok();
      case 32:
        if (plain32_) {
          for (int32_t x = 0; x < w; ++x, in += 4, out += 3) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
          }
        } else {
          for (int32_t x = 0; x < w; ++x, in += 4, out += 3)
            Masked(static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8) |
                       (static_cast<uint32_t>(in[2]) << 16) |
                       (static_cast<uint32_t>(in[3]) << 24),
                   out);
        }
        return Status::Ok();
      case 16:
        for (int32_t x = 0; x < w; ++x, in += 2, out += 3)
          Masked(static_cast<uint32_t>(in[0]) | (static_cast<uint32_t>(in[1]) << 8), out);
        return Status::Ok();
      case 8:
        return Indexed(out, [in](int32_t x) { return in[x]; });
      case 4:
        return Indexed(out, [in](int32_t x) {
          return (x & 1) ? in[x >> 1] & 15 : in[x >> 1] >> 4;
        });
      default:
        return Indexed(out, [in](int32_t x) { return (in[x >> 3] >> (7 - (x & 7))) & 1; });
    }
  }

 private:
  void Masked(uint32_t pixel, uint8_t* out) const {
    out[0] = blue_.Of(pixel);
    out[1] = green_.Of(pixel);
    out[2] = red_.Of(pixel);
  }

  template <typename IndexAt>
  Status Indexed(uint8_t* out, IndexAt index_at) const {
    uint32_t seen = 0;
    for (int32_t x = 0; x < layout_.width; ++x, out += 3) {
      const uint32_t colour = table_.entries[index_at(x)];
      seen |= colour;
      PutColour(out, colour);
    }
    if (seen & kMissing) {
      for (int32_t x = 0;; ++x)
        if (table_.entries[index_at(x)] & kMissing) return table_.Missing(index_at(x));
    }
    return Status::Ok();
  }

  const Layout& layout_;
  ColourTable table_;
  Channel red_, green_, blue_;
  bool plain32_ = false;
};

// The bytes of uncompressed pixel data a picture needs: every row padded
// to 32 bits, the last row without its padding.
uint64_t UncompressedBytes(const Layout& l) {
  if (l.width == 0 || l.height == 0) return 0;
  const uint64_t row_bits = uint64_t{static_cast<uint32_t>(l.width)} * l.bits;
  const uint64_t stride = (row_bits + 31) / 32 * 4;
  return stride * static_cast<uint64_t>(l.height - 1) + (row_bits + 7) / 8;
}

Status DecodeRows(std::string_view bytes, const Layout& l, cDIBSection& bitmap) {
  const uint64_t row_bits = uint64_t{static_cast<uint32_t>(l.width)} * l.bits;
  const uint64_t stride = (row_bits + 31) / 32 * 4;
  if (UncompressedBytes(l) > bytes.size() - l.pixel_offset)
    return Status::Fail("the pixel data runs past the end of the file");
  const RowDecoder decoder(bytes, l);
  const uint8_t* in = reinterpret_cast<const uint8_t*>(bytes.data()) + l.pixel_offset;
  // Every byte of the bitmap is written: the row's pixels, then its
  // padding as zeros (the memory comes uncleared).
  const size_t pixel_bytes = 3 * static_cast<size_t>(l.width);
  const size_t padding = static_cast<size_t>(bitmap.BytesPerScanLine()) - pixel_bytes;
  if (l.bits == 24 && !l.top_down) {
    // The file's rows lie as the bitmap's memory does, padding and all (the
    // frames a batch reads back): one copy up to the last row's pixels (its
    // padding may be missing from the file), then the padding is cleared,
    // since a file may hold anything there.
    std::memcpy(bitmap.DIBSectionBitsPtr(), in, static_cast<size_t>(UncompressedBytes(l)));
    if (padding > 0) {
      uint8_t* out = bitmap.DIBSectionBitsPtr() + pixel_bytes;
      for (int32_t row = 0; row < l.height; ++row, out += stride)
        for (size_t k = 0; k < padding; ++k) out[k] = 0;
    }
    return Status::Ok();
  }
  for (int32_t row = 0; row < l.height; ++row, in += stride) {
    uint8_t* out = bitmap.Row(l.top_down ? row : l.height - 1 - row);
    if (Status s = decoder.Decode(in, out); !s) return s;
    if (padding > 0) std::memset(out + pixel_bytes, 0, padding);
  }
  return Status::Ok();
}

// RLE8 and RLE4: runs of one index (two alternating ones for RLE4), and
// escapes for end of line, end of bitmap, a move of the drawing position
// and absolute runs padded to whole 16-bit words. Rows run bottom-up; pixels
// no run paints stay black.
Status DecodeRunLengths(std::string_view bytes, const Layout& l, cDIBSection& bitmap) {
  ColourTable table;
  table.Read(bytes, l);
  const bool four = l.compression == kRLE4;
  const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data()) + l.pixel_offset;
  const uint64_t size = bytes.size() - l.pixel_offset;
  const int64_t width = l.width, height = l.height;
  int64_t x = 0, y = 0;  // y counts rows from the bottom
  uint64_t at = 0;

  auto start_run = [&](int64_t count) -> Status {
    if (y >= height) return Status::Fail("a compressed run goes past the top of the picture");
    if (x + count > width)
      return Status::Fail("a compressed run goes past the right edge of the picture");
    return Status::Ok();
  };
  auto paint = [&](uint32_t index) -> Status {
    const uint32_t colour = table.entries[index];
    if (colour & kMissing) return table.Missing(index);
    PutColour(bitmap.Row(static_cast<int32_t>(height - 1 - y)) + 3 * x, colour);
    ++x;
    return Status::Ok();
  };

  for (;;) {
    if (size - at < 2) {
      // A file may leave out the end mark once every row has been ended.
      if (y >= height) return Status::Ok();
      return Status::Fail("the compressed pixel data ends before its end mark");
    }
    const uint32_t first = data[at], second = data[at + 1];
    at += 2;
    if (first > 0) {
      if (Status s = start_run(first); !s) return s;
      for (uint32_t i = 0; i < first; ++i) {
        const uint32_t index = !four ? second : (i & 1) ? second & 15 : second >> 4;
        if (Status s = paint(index); !s) return s;
      }
      continue;
    }
    switch (second) {
      case 0:  // end of line
        if (y >= height) return Status::Fail("a compressed line end goes past the top of the picture");
        x = 0;
        ++y;
        break;
      case 1:  // end of bitmap
        return Status::Ok();
      case 2: {  // move right and up
        if (size - at < 2) return Status::Fail("the compressed pixel data ends inside a move");
        x += data[at];
        y += data[at + 1];
        at += 2;
        if (x > width || y > height)
          return Status::Fail("a compressed position move leaves the picture");
        break;
      }
      default: {  // absolute run of `second` indices
        const uint64_t run_bytes = four ? (second + 1) / 2 : second;
        if (size - at < run_bytes)
          return Status::Fail("the compressed pixel data ends inside a run");
        if (Status s = start_run(second); !s) return s;
        for (uint32_t i = 0; i < second; ++i) {
          const uint32_t index = !four ? data[at + i]
                                 : (i & 1) ? data[at + i / 2] & 15
                                           : data[at + i / 2] >> 4;
          if (Status s = paint(index); !s) return s;
        }
        at += run_bytes + (run_bytes & 1);
        if (at > size) at = size;
        break;
      }
    }
  }
}

}  // namespace

Status BMPSizeFromHead(std::string_view head, int32_t& width, int32_t& height) {
  Layout layout;
  uint32_t header_size = 0, colours_used = 0;
  if (Status s = ReadHeaders(head, layout, header_size, colours_used); !s) return s;
  width = layout.width;
  height = layout.height;
  return Status::Ok();
}

Status DecodeBMP(std::string_view bytes, cDIBSection& bitmap) {
  bitmap.ClearUp();
  Layout layout;
  Status status = ReadLayout(bytes, layout);
  if (!status) return status;
  // Pixels the file does not hold are refused before memory is taken for
  // them; only run-length pictures may be larger than their bytes.
  const bool run_lengths = layout.compression == kRLE8 || layout.compression == kRLE4;
  if (!run_lengths && UncompressedBytes(layout) > bytes.size() - layout.pixel_offset)
    return Status::Fail("the pixel data runs past the end of the file");
  // Rows are written whole; run-length pictures leave the pixels no run
  // paints black.
  if (!(run_lengths ? bitmap.Create(layout.width, layout.height)
                    : bitmap.Reshape(layout.width, layout.height)))
    return Status::Fail("there is not enough memory for a picture of " +
                        Number(static_cast<uint64_t>(layout.width)) + " x " +
                        Number(static_cast<uint64_t>(layout.height)) + " pixels");
  if (layout.width == 0 || layout.height == 0) return Status::Ok();  // an empty frame
  status = layout.compression == kRLE8 || layout.compression == kRLE4
               ? DecodeRunLengths(bytes, layout, bitmap)
               : DecodeRows(bytes, layout, bitmap);
  if (!status) bitmap.ClearUp();
  return status;
}

}  // namespace zorv
