#include "codec/SLPReader.h"

#include <algorithm>
#include <cstring>

#include "codec/SLX.h"
#include "common/FileIO.h"
#include "common/Functions.h"
#include "common/Report.h"

namespace zorv {
namespace {

uint32_t U32At(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
int32_t I32At(const uint8_t* p) { return static_cast<int32_t>(U32At(p)); }
int16_t I16At(const uint8_t* p) {
  return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

// A pixel as it lies in bitmap memory: blue, green, red.
struct BGR {
  uint8_t b, g, r;
};

BGR ToBGR(ColourValue v) {
  return {static_cast<uint8_t>(BlueOf(v)), static_cast<uint8_t>(GreenOf(v)),
          static_cast<uint8_t>(RedOf(v))};
}

// A pixel's three bytes and the next pixel's first, for four-byte stores
// whose fourth byte the next store overwrites.
uint32_t Spread(BGR c) {
  const uint8_t bytes[4] = {c.b, c.g, c.r, c.b};
  uint32_t v;
  std::memcpy(&v, bytes, 4);
  return v;
}

void PutPixel(uint8_t* row, int32_t x, BGR c) {
  uint8_t* p = row + 3 * static_cast<size_t>(x);
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
}

// Sets n pixels from x on. The last pixel is written with three single
// bytes, so nothing past the span changes.
void FillSpan(uint8_t* row, int32_t x, int32_t n, BGR c) {
  if (n <= 0) return;
  uint8_t* p = row + 3 * static_cast<size_t>(x);
  if (n >= 16 && c.b == c.g && c.g == c.r) {
    std::memset(p, c.b, 3 * static_cast<size_t>(n));
    return;
  }
  const uint32_t v = Spread(c);
  for (int32_t k = 1; k < n; ++k, p += 3) std::memcpy(p, &v, 4);
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
}

// The palette in the two forms the decoder writes, kept while the palette
// stays the same so that frame after frame does not rebuild it.
struct PaletteColours {
  PaletteTable source{};
  std::array<BGR, 256> bgr{};
  std::array<uint32_t, 256> spread{};
  bool built = false;

  static const PaletteColours& Current() {
    thread_local PaletteColours cache;
    const PaletteTable& palette = Palette();
    if (!cache.built || cache.source != palette) {
      cache.source = palette;
      for (int i = 0; i < 256; ++i) {
        cache.bgr[i] = ToBGR(palette[i]);
        cache.spread[i] = Spread(cache.bgr[i]);
      }
      cache.built = true;
    }
    return cache;
  }
};

// The kinds of row command.
enum class Command : uint8_t {
  kEndOfRow,
  kPlayerOutlineRun,
  kPlayerOutlinePixel,
  kBlackOutlinePixel,
  kBlackOutlineRun,
  kFill,
  kShadow,
  kLongSkip,
  kPlayerShadeRun,
  kPlayerCopy,
  kPlayerFill,
  kShortSkip,
  kLongCopy,
  kShortCopy,
};

// What a command byte means. The tests run in this order, which settles the
// bytes that pass more than one (0x4E, 0x5E, 0x6E and 0x7E have the low
// nibble 0x0E of a player run of one shade).
constexpr Command Classify(uint8_t b) {
  if ((b & 0x0F) == 0x0F) return Command::kEndOfRow;
  if (b == 0x5E) return Command::kPlayerOutlineRun;
  if (b == 0x4E) return Command::kPlayerOutlinePixel;
  if (b == 0x6E) return Command::kBlackOutlinePixel;
  if (b == 0x7E) return Command::kBlackOutlineRun;
  if ((b & 0x0F) == 0x07) return Command::kFill;
  if ((b & 0x0F) == 0x0B) return Command::kShadow;
  if ((b & 0x0F) == 0x03) return Command::kLongSkip;
  if ((b & 0x0F) == 0x0E) return Command::kPlayerShadeRun;
  if ((b & 0x0F) == 0x06) return Command::kPlayerCopy;
  if ((b & 0x0F) == 0x0A) return Command::kPlayerFill;
  if ((b & 0x03) == 0x01) return Command::kShortSkip;
  if ((b & 0x0F) == 0x02) return Command::kLongCopy;
  return Command::kShortCopy;
}

// Classify for every byte, worked out once by the compiler.
constexpr std::array<Command, 256> kCommandOf = [] {
  std::array<Command, 256> table{};
  for (int b = 0; b < 256; ++b) table[b] = Classify(static_cast<uint8_t>(b));
  return table;
}();

// Draws one frame. All reads go through bytes/size, all writes stay inside
// the rows, so a damaged file can only make it fail.
class FrameDecoder {
 public:
  FrameDecoder(std::string_view file, const SLPFrameInfo& frame, cDIBSection& colour,
               cDIBSection& data)
      : bytes_(reinterpret_cast<const uint8_t*>(file.data())),
        size_(file.size()),
        frame_(frame),
        colour_(colour),
        data_(data),
        colours_(PaletteColours::Current()) {}

  Status Decode() {
    const int32_t width = frame_.Width, height = frame_.Height;
    if (width < 0 || height < 0)
      return Status::Fail("the frame has a negative size (" + SizeText() + ")");
    if (width > cDIBSection::kMaxDimension || height > cDIBSection::kMaxDimension ||
        int64_t{width} * height > kMaxSLPFramePixels)
      return Status::Fail("the frame is too large (" + SizeText() + ")");
    if (uint64_t{frame_.OutlineTableOffset} + 4 * uint64_t(height) > size_)
      return Status::Fail("the frame's row edge table lies outside the file");
    // Bitmaps of the right size are drawn over as they are: every pixel of
    // a row is painted, and rows that end short are made black, as a new
    // bitmap would be.
    for (cDIBSection* bitmap : {&colour_, &data_}) {
      if ((bitmap->Width() != width || bitmap->Height() != height) &&
          !bitmap->Create(width, height))
        return Status::Fail("no memory for a frame of " + SizeText() + " pixels");
    }
    for (int32_t y = 0; y < height; ++y)
      if (!DecodeRow(y)) return Status::Fail("row " + std::to_string(y) + ": " + fault_);
    return Status::Ok();
  }

 private:
  static constexpr BGR kBlack{0, 0, 0}, kMagenta{255, 0, 255}, kWhite{255, 255, 255},
      kGreen{0, 255, 0}, kRed{0, 0, 255}, kBlue{255, 0, 0}, kYellow{0, 255, 255};

  std::string SizeText() const {
    return std::to_string(frame_.Width) + " x " + std::to_string(frame_.Height);
  }

  bool Fault(std::string what) {
    fault_ = std::move(what);
    return false;
  }
  bool PastEnd() { return Fault("the commands run past the end of the file"); }
  bool PastWidth() {
    return Fault("the commands run past the row's width of " +
                 std::to_string(frame_.Width) + " pixels");
  }
  bool BadPlayerIndex(int index) {
    return Fault("player-colour index " + std::to_string(index) + " lies above 239");
  }

  // The next byte, if the file has one.
  bool Next(int32_t& n) {
    if (pos_ >= size_) return false;
    n = bytes_[pos_++];
    return true;
  }
  // The count in the high nibble, or in the next byte when that is 0.
  bool NibbleCount(uint8_t b, int32_t& n) {
    n = b >> 4;
    return n != 0 || Next(n);
  }

  bool DecodeRow(int32_t y) {
    const int32_t width = frame_.Width;
    uint8_t* colour = colour_.Row(y);
    uint8_t* data = data_.Row(y);
    const uint8_t* edges = bytes_ + frame_.OutlineTableOffset + 4 * size_t(y);
    const int32_t left = I16At(edges), right = I16At(edges + 2);
    if (left == kSLPEmptyRow) {
      FillSpan(colour, 0, width, kMagenta);
      FillSpan(data, 0, width, kMagenta);
      return true;
    }
    if (left < 0 || right < 0) return Fault("negative row edges");
    if (left > width) return Fault("the left edge lies past the row's width");
    FillSpan(colour, 0, left, kMagenta);
    FillSpan(data, 0, left, kMagenta);

    const uint64_t entry = uint64_t{frame_.CommandTableOffset} + 4 * uint64_t(y);
    if (entry + 4 > size_) return Fault("the command offset lies outside the file");
    pos_ = U32At(bytes_ + entry);

    int32_t x = left;
    for (;;) {
      if (pos_ >= size_) return PastEnd();
      const uint8_t b = bytes_[pos_++];
      int32_t n = 0;
      // Every case reads its count, checks that the pixels fit in the row
      // and the bytes in the file, then paints both bitmaps.
      switch (kCommandOf[b]) {
        case Command::kEndOfRow:
          if (right > width - x) return Fault("the right edge runs past the row's width");
          FillSpan(colour, x, right, kMagenta);
          FillSpan(data, x, right, kMagenta);
          FillSpan(colour, x + right, width - x - right, kBlack);
          FillSpan(data, x + right, width - x - right, kBlack);
          return true;
        case Command::kPlayerOutlineRun:
        case Command::kBlackOutlineRun:
          if (!Next(n)) return PastEnd();
          if (n > width - x) return PastWidth();
          FillSpan(colour, x, n, kMagenta);
          FillSpan(data, x, n, b == 0x5E ? kBlue : kYellow);
          break;
        case Command::kPlayerOutlinePixel:
        case Command::kBlackOutlinePixel:
          n = 1;
          if (n > width - x) return PastWidth();
          PutPixel(colour, x, kMagenta);
          PutPixel(data, x, b == 0x4E ? kBlue : kYellow);
          break;
        case Command::kFill:
          if (!NibbleCount(b, n) || pos_ >= size_) return PastEnd();
          if (n > width - x) return PastWidth();
          FillSpan(colour, x, n, colours_.bgr[bytes_[pos_++]]);
          FillSpan(data, x, n, kWhite);
          break;
        case Command::kShadow:
          if (!NibbleCount(b, n)) return PastEnd();
          if (n > width - x) return PastWidth();
          FillSpan(colour, x, n, kRed);
          FillSpan(data, x, n, kRed);
          break;
        case Command::kLongSkip:
          if (!Next(n)) return PastEnd();
          n += (b >> 4) * 256;
          if (n > width - x) return PastWidth();
          FillSpan(colour, x, n, kMagenta);
          FillSpan(data, x, n, kMagenta);
          break;
        case Command::kPlayerShadeRun:
          if (!Next(n)) return PastEnd();
          if (n > width - x) return PastWidth();
          FillSpan(colour, x, n, colours_.bgr[16 + (b >> 4)]);
          FillSpan(data, x, n, kGreen);
          break;
        case Command::kPlayerCopy: {
          if (!NibbleCount(b, n)) return PastEnd();
          if (n > width - x) return PastWidth();
          if (size_ - pos_ < size_t(n)) return PastEnd();
          const uint8_t* index = bytes_ + pos_;
          for (int32_t k = 0; k < n; ++k) {
            if (index[k] > 239) return BadPlayerIndex(index[k]);
            PutPixel(colour, x + k, colours_.bgr[16 + index[k]]);
          }
          pos_ += size_t(n);
          FillSpan(data, x, n, kGreen);
          break;
        }
        case Command::kPlayerFill: {
          if (!NibbleCount(b, n) || pos_ >= size_) return PastEnd();
          if (n > width - x) return PastWidth();
          const uint8_t index = bytes_[pos_++];
          if (index > 239) return BadPlayerIndex(index);
          FillSpan(colour, x, n, colours_.bgr[16 + index]);
          FillSpan(data, x, n, kGreen);
          break;
        }
        case Command::kShortSkip:
          n = b >> 2;
          if (n == 0 && !Next(n)) return PastEnd();
          if (n > width - x) return PastWidth();
          FillSpan(colour, x, n, kMagenta);
          FillSpan(data, x, n, kMagenta);
          break;
        case Command::kLongCopy:
        case Command::kShortCopy: {
          if (kCommandOf[b] == Command::kLongCopy) {
            if (!Next(n)) return PastEnd();
            n += (b & 0xF0) * 16;
          } else {
            n = b >> 2;  // no count byte; 0 is a copy of nothing
          }
          if (n > width - x) return PastWidth();
          if (size_ - pos_ < size_t(n)) return PastEnd();
          if (n > 0) {
            const uint8_t* index = bytes_ + pos_;
            uint8_t* p = colour + 3 * static_cast<size_t>(x);
            for (int32_t k = 0; k + 1 < n; ++k, p += 3) std::memcpy(p, &colours_.spread[index[k]], 4);
            PutPixel(p, 0, colours_.bgr[index[n - 1]]);
          }
          pos_ += size_t(n);
          FillSpan(data, x, n, kWhite);
          break;
        }
      }
      x += n;
    }
  }

  const uint8_t* bytes_;
  size_t size_;
  const SLPFrameInfo& frame_;
  cDIBSection& colour_;
  cDIBSection& data_;
  size_t pos_ = 0;
  std::string fault_;
  const PaletteColours& colours_;
};

void PutU32At(std::string& bytes, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 255);
}

// Decodes a frame of a file on disk from only the bytes it should use: its
// row edge table, its command offset table and the span of its rows, each
// row taking at most two bytes per pixel and an end byte when every command
// paints something. The three are laid side by side in one buffer, the
// offsets moved to match. False when the frame needs more than that or
// fails; the caller then decides.
bool DecodeFromWindow(const SLPFile& file, const SLPFrameInfo& frame, cDIBSection& colour,
                      cDIBSection& data) {
  const int32_t width = frame.Width, height = frame.Height;
  if (width < 0 || height < 0 || width > cDIBSection::kMaxDimension ||
      height > cDIBSection::kMaxDimension || int64_t{width} * height > kMaxSLPFramePixels)
    return false;
  const uint64_t table_size = 4 * static_cast<uint64_t>(height);
  std::string tables, offsets;
  if (!file.Read(frame.OutlineTableOffset, table_size, tables) || tables.size() != table_size ||
      !file.Read(frame.CommandTableOffset, table_size, offsets) || offsets.size() != table_size)
    return false;
  const auto* edge = reinterpret_cast<const uint8_t*>(tables.data());
  const auto* offset = reinterpret_cast<const uint8_t*>(offsets.data());
  uint64_t low = UINT64_MAX, high = 0;
  const uint64_t row_bytes = 2 * static_cast<uint64_t>(width) + 16;
  for (int32_t y = 0; y < height; ++y) {
    if (I16At(edge + 4 * size_t(y)) == kSLPEmptyRow) continue;
    const uint64_t start = U32At(offset + 4 * size_t(y));
    low = std::min(low, start);
    high = std::max(high, start + row_bytes);
  }
  high = std::min(high, file.Size());
  const uint64_t rows_at = 2 * table_size;
  if (low < high) {
    for (int32_t y = 0; y < height; ++y)
      if (I16At(edge + 4 * size_t(y)) != kSLPEmptyRow)
        PutU32At(offsets, 4 * size_t(y),
                 static_cast<uint32_t>(U32At(offset + 4 * size_t(y)) - low + rows_at));
    std::string rows;
    if (!file.Read(low, high - low, rows)) return false;
    if (rows_at + rows.size() > UINT32_MAX) return false;
    tables += offsets;
    tables += rows;
  } else if (low != UINT64_MAX) {
    return false;  // every coded row starts beyond the end of the file
  } else {
    tables += offsets;
  }
  SLPFrameInfo moved = frame;
  moved.OutlineTableOffset = 0;
  moved.CommandTableOffset = static_cast<uint32_t>(table_size);
  return FrameDecoder(tables, moved, colour, data).Decode().ok();
}

}  // namespace

Status SLPFile::Open(const std::string& path) {
  Close();
  const int64_t size = FileSize(path);
  if (size > static_cast<int64_t>(kMaxSLPFileBytes))
    return Status::Fail(path + ": file is too large");
  std::string native = NativePath(path);
  disk_.reset(std::fopen(native.c_str(), "rb"));
  if (!disk_) return Status::Fail(path + ": " + SystemReason());
  if (size < 0) {
    disk_.reset();
    return Status::Fail(path + ": not a regular file");
  }
  path_ = path;
  size_ = static_cast<uint64_t>(size);
  open_ = true;
  return Status::Ok();
}

void SLPFile::Close() {
  std::string().swap(bytes_);
  disk_.reset();
  path_.clear();
  size_ = 0;
  open_ = false;
}

Status SLPFile::Read(uint64_t offset, uint64_t size, std::string& out) const {
  out.clear();
  if (offset >= size_) return Status::Ok();
  size = std::min(size, size_ - offset);
  if (!disk_) {
    out.assign(bytes_, static_cast<size_t>(offset), static_cast<size_t>(size));
    return Status::Ok();
  }
  out.resize(static_cast<size_t>(size));
  if (std::fseek(disk_.get(), static_cast<long>(offset), SEEK_SET) != 0 ||
      std::fread(out.data(), 1, out.size(), disk_.get()) != out.size()) {
    out.clear();
    return Status::Fail(path_ + ": read error");
  }
  return Status::Ok();
}

Status ReadSLPHeader(const SLPFile& file, SLPHeader& header,
                     std::vector<SLPFrameInfo>& frames) {
  frames.clear();
  if (file.Size() < kSLPHeaderSize)
    return Status::Fail("the file is shorter than an SLP header (" +
                        std::to_string(file.Size()) + " bytes)");
  std::string head;
  if (Status read = file.Read(0, kSLPHeaderSize, head); !read) return read;
  const auto* p = reinterpret_cast<const uint8_t*>(head.data());
  std::memcpy(header.Version.data(), p, 4);
  header.FrameCount = I32At(p + 4);
  std::memcpy(header.Comment.data(), p + 8, 24);
  if (header.FrameCount < 0)
    return Status::Fail("negative frame count " + std::to_string(header.FrameCount));
  const uint64_t table_end =
      kSLPHeaderSize + kSLPFrameInfoSize * static_cast<uint64_t>(header.FrameCount);
  if (table_end > file.Size())
    return Status::Fail("the frame table of " + std::to_string(header.FrameCount) +
                        " frames is longer than the file");
  std::string table;
  if (Status read = file.Read(kSLPHeaderSize, table_end - kSLPHeaderSize, table); !read)
    return read;
  frames.resize(static_cast<size_t>(header.FrameCount));
  for (size_t i = 0; i < frames.size(); ++i) {
    const uint8_t* r = reinterpret_cast<const uint8_t*>(table.data()) + kSLPFrameInfoSize * i;
    SLPFrameInfo& f = frames[i];
    f.CommandTableOffset = U32At(r);
    f.OutlineTableOffset = U32At(r + 4);
    f.PaletteOffset = U32At(r + 8);
    f.Properties = U32At(r + 12);
    f.Width = I32At(r + 16);
    f.Height = I32At(r + 20);
    f.HotSpotX = I32At(r + 24);
    f.HotSpotY = I32At(r + 28);
  }
  return Status::Ok();
}

Status ReadSLPHeader(const std::string& path, SLPFile& file, SLPHeader& header,
                     std::vector<SLPFrameInfo>& frames) {
  frames.clear();
  Status opened = file.Open(path);
  if (!opened) return opened;
  return ReadSLPHeader(file, header, frames);
}

Status DecodeSLPFrame(const SLPFile& file, const SLPFrameInfo& frame,
                      cDIBSection& colour, cDIBSection& data) {
  Status decoded = Status::Ok();
  if (!file.OnDisk()) {
    decoded = FrameDecoder(file.Bytes(), frame, colour, data).Decode();
  } else if (!DecodeFromWindow(file, frame, colour, data)) {
    // The frame reaches outside the bytes it was expected to use, or is
    // damaged: decode it once more from the whole file, which gives the
    // same picture or the exact reason for the failure.
    std::string whole;
    decoded = file.Read(0, file.Size(), whole);
    if (decoded) decoded = FrameDecoder(whole, frame, colour, data).Decode();
  }
  if (!decoded) {
    colour.ClearUp();
    data.ClearUp();
  }
  return decoded;
}

std::string PadFrameNumber(int32_t number) {
  std::string digits = std::to_string(number);
  if (number >= 0 && digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return digits;
}

std::string SLXPathWithExtension(const std::string& slx_path) {
  if (GetFileName(slx_path).find('.') == std::string::npos) return slx_path + ".slx";
  return slx_path;
}

bool ConvertSLPToSLX(const std::string& slp_path, const std::string& requested_slx_path,
                     const SLPFrameProgress& progress) {
  const std::string slx_path = SLXPathWithExtension(requested_slx_path);
  const std::string folder = GetFolder(slx_path);
  const std::string title = GetFileTitle(slx_path);
  auto fail = [](const std::string& detail) {
    ReportError("Error creating SLX file!\n" + detail);
    return false;
  };

  SLPFile file;
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  if (Status read = ReadSLPHeader(slp_path, file, header, frames); !read)
    return fail(slp_path + ": " + read.message());

  SLXGraphic graphic;
  graphic.Path = slx_path;
  graphic.FrameCount = header.FrameCount;
  graphic.Frames.resize(frames.size());
  cDIBSection colour, data;
  for (int32_t i = 1; i <= header.FrameCount; ++i) {
    if (progress) progress(i);
    const SLPFrameInfo& info = frames[static_cast<size_t>(i - 1)];
    if (Status decoded = DecodeSLPFrame(file, info, colour, data); !decoded)
      return fail(slp_path + ": frame " + std::to_string(i) + ": " + decoded.message());
    SLXFrame& frame = graphic.Frame(i);
    frame.CenterX = info.HotSpotX;
    frame.CenterY = info.HotSpotY;
    frame.ColourFile = title + "_" + PadFrameNumber(i) + ".bmp";
    if (Status saved = colour.SavePicture(folder + frame.ColourFile); !saved)
      return fail(saved.message());
    frame.DataFile = title + "_" + PadFrameNumber(i) + "d.bmp";
    if (Status saved = data.SavePicture(folder + frame.DataFile); !saved)
      return fail(saved.message());
  }
  file.Close();
  return SaveSLX(graphic);
}

}  // namespace zorv
