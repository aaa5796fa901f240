#include "codec/SLPReader.h"

#include <algorithm>
#include <cstring>

#include "codec/DataColours.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "common/Functions.h"
#include "common/LittleEndian.h"

namespace zorv {
namespace {

// A pixel as it lies in bitmap memory: blue, green, red.
struct BGR {
  uint8_t b, g, r;
};

constexpr BGR ToBGR(ColourValue v) {
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

// The pixel stores are the decoder's inner loops; they stay inline however
// large the decoder grows.
[[gnu::always_inline]] inline void PutPixel(uint8_t* row, int32_t x, BGR c) {
  uint8_t* p = row + 3 * static_cast<size_t>(x);
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
}

// Sets n pixels from x on. The last pixel is written with three single
// bytes, so nothing past the span changes.
[[gnu::always_inline]] inline void FillSpan(uint8_t* row, int32_t x, int32_t n, BGR c) {
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

// A palette colour's pixel word as pixel bytes.
BGR WordBGR(uint32_t word) {
  return {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
          static_cast<uint8_t>(word >> 16)};
}

// Classify for every byte, worked out once by the compiler.
constexpr std::array<SLPCommand, 256> kCommandOf = [] {
  std::array<SLPCommand, 256> table{};
  for (int b = 0; b < 256; ++b) table[b] = ClassifySLPCommand(static_cast<uint8_t>(b));
  return table;
}();

// Draws one frame. All reads go through bytes/size, all writes stay inside
// the rows, so a damaged file can only make it fail.
class FrameDecoder {
 public:
  FrameDecoder(std::string_view file, const SLPFrameInfo& frame, const Palette& palette,
               cDIBSection& colour, cDIBSection& data)
      : bytes_(reinterpret_cast<const uint8_t*>(file.data())),
        size_(file.size()),
        frame_(frame),
        colour_(colour),
        data_(data),
        palette_(palette.PixelWords()) {}

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
  // The data colours as pixel bytes. Transparent and outline pixels are
  // magenta in the colour bitmap too, shadow pixels red.
  static constexpr BGR kBlack{0, 0, 0}, kMagenta = ToBGR(kDataTransparent),
                       kWhite = ToBGR(kDataNormal), kGreen = ToBGR(kDataPlayer),
                       kRed = ToBGR(kDataShadow), kBlue = ToBGR(kDataPlayerOutline),
                       kYellow = ToBGR(kDataBlackOutline);

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
    // Held locally: the pixel stores below could otherwise make the
    // compiler fetch the table's address again for every pixel.
    const uint32_t* const words = palette_.data();
    const uint8_t* edges = bytes_ + frame_.OutlineTableOffset + 4 * size_t(y);
    const int32_t left = le::I16(edges), right = le::I16(edges + 2);
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
    pos_ = le::U32(bytes_ + entry);

    int32_t x = left;
    for (;;) {
      if (pos_ >= size_) return PastEnd();
      const uint8_t b = bytes_[pos_++];
      int32_t n = 0;
      // Every case reads its count, checks that the pixels fit in the row
      // and the bytes in the file, then paints both bitmaps.
      switch (kCommandOf[b]) {
        case SLPCommand::kEndOfRow:
          if (right > width - x) return Fault("the right edge runs past the row's width");
          FillSpan(colour, x, right, kMagenta);
          FillSpan(data, x, right, kMagenta);
          FillSpan(colour, x + right, width - x - right, kBlack);
          FillSpan(data, x + right, width - x - right, kBlack);
          return true;
        case SLPCommand::kPlayerOutlineRun:
        case SLPCommand::kBlackOutlineRun:
          if (!Next(n)) return PastEnd();
          if (n > width - x) return PastWidth();
          FillSpan(colour, x, n, kMagenta);
          FillSpan(data, x, n, b == slp::kPlayerOutlineRun ? kBlue : kYellow);
          break;
        case SLPCommand::kPlayerOutlinePixel:
        case SLPCommand::kBlackOutlinePixel:
          n = 1;
          if (n > width - x) return PastWidth();
          PutPixel(colour, x, kMagenta);
          PutPixel(data, x, b == slp::kPlayerOutlinePixel ? kBlue : kYellow);
          break;
        case SLPCommand::kFill:
          if (!NibbleCount(b, n) || pos_ >= size_) return PastEnd();
          if (n > width - x) return PastWidth();
          FillSpan(colour, x, n, WordBGR(words[bytes_[pos_++]]));
          FillSpan(data, x, n, kWhite);
          break;
        case SLPCommand::kShadow:
          if (!NibbleCount(b, n)) return PastEnd();
          if (n > width - x) return PastWidth();
          FillSpan(colour, x, n, kRed);
          FillSpan(data, x, n, kRed);
          break;
        case SLPCommand::kLongSkip:
          if (!Next(n)) return PastEnd();
          n += (b >> 4) * 256;
          if (n > width - x) return PastWidth();
          FillSpan(colour, x, n, kMagenta);
          FillSpan(data, x, n, kMagenta);
          break;
        case SLPCommand::kPlayerShadeRun:
          if (!Next(n)) return PastEnd();
          if (n > width - x) return PastWidth();
          FillSpan(colour, x, n, WordBGR(words[16 + (b >> 4)]));
          FillSpan(data, x, n, kGreen);
          break;
        case SLPCommand::kPlayerCopy: {
          if (!NibbleCount(b, n)) return PastEnd();
          if (n > width - x) return PastWidth();
          if (size_ - pos_ < size_t(n)) return PastEnd();
          const uint8_t* index = bytes_ + pos_;
          for (int32_t k = 0; k < n; ++k) {
            if (index[k] > 239) return BadPlayerIndex(index[k]);
            PutPixel(colour, x + k, WordBGR(words[16 + index[k]]));
          }
          pos_ += size_t(n);
          FillSpan(data, x, n, kGreen);
          break;
        }
        case SLPCommand::kPlayerFill: {
          if (!NibbleCount(b, n) || pos_ >= size_) return PastEnd();
          if (n > width - x) return PastWidth();
          const uint8_t index = bytes_[pos_++];
          if (index > 239) return BadPlayerIndex(index);
          FillSpan(colour, x, n, WordBGR(words[16 + index]));
          FillSpan(data, x, n, kGreen);
          break;
        }
        case SLPCommand::kShortSkip:
          n = b >> 2;
          if (n == 0 && !Next(n)) return PastEnd();
          if (n > width - x) return PastWidth();
          FillSpan(colour, x, n, kMagenta);
          FillSpan(data, x, n, kMagenta);
          break;
        case SLPCommand::kLongCopy:
        case SLPCommand::kShortCopy: {
          if (kCommandOf[b] == SLPCommand::kLongCopy) {
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
            for (int32_t k = 0; k + 1 < n; ++k, p += 3) {
              const uint32_t word = words[index[k]];
              std::memcpy(p, &word, 4);
            }
            PutPixel(p, 0, WordBGR(words[index[n - 1]]));
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
  const std::array<uint32_t, 256>& palette_;
};

// Decodes a frame of a file on disk from only the bytes it should use: its
// row edge table, its command offset table and the span of its rows, each
// row taking at most two bytes per pixel and an end byte when every command
// paints something. The three are laid side by side in one buffer, the
// offsets moved to match. False when the frame needs more than that or
// fails; the caller then decides.
bool DecodeFromWindow(const SLPFile& file, const SLPFrameInfo& frame, const Palette& palette,
                      cDIBSection& colour, cDIBSection& data) {
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
    if (le::I16(edge + 4 * size_t(y)) == kSLPEmptyRow) continue;
    const uint64_t start = le::U32(offset + 4 * size_t(y));
    low = std::min(low, start);
    high = std::max(high, start + row_bytes);
  }
  high = std::min(high, file.Size());
  const uint64_t rows_at = 2 * table_size;
  if (low < high) {
    for (int32_t y = 0; y < height; ++y)
      if (le::I16(edge + 4 * size_t(y)) != kSLPEmptyRow)
        le::SetU32(offsets, 4 * size_t(y),
                 static_cast<uint32_t>(le::U32(offset + 4 * size_t(y)) - low + rows_at));
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
  return FrameDecoder(tables, moved, palette, colour, data).Decode().ok();
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
  const std::lock_guard<std::mutex> lock(disk_mutex_);
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
  header = DecodeSLPHeader(head);
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
  for (size_t i = 0; i < frames.size(); ++i)
    frames[i] = DecodeSLPFrameInfo(std::string_view(table).substr(kSLPFrameInfoSize * i));
  return Status::Ok();
}

Status ReadSLPHeader(const std::string& path, SLPFile& file, SLPHeader& header,
                     std::vector<SLPFrameInfo>& frames) {
  frames.clear();
  Status opened = file.Open(path);
  if (!opened) return opened;
  return ReadSLPHeader(file, header, frames);
}

Status DecodeSLPFrame(const SLPFile& file, const SLPFrameInfo& frame, const Palette& palette,
                      cDIBSection& colour, cDIBSection& data) {
  Status decoded = Status::Ok();
  if (!file.OnDisk()) {
    decoded = FrameDecoder(file.Bytes(), frame, palette, colour, data).Decode();
  } else if (!DecodeFromWindow(file, frame, palette, colour, data)) {
    // The frame reaches outside the bytes it was expected to use, or is
    // damaged: decode it once more from the whole file, which gives the
    // same picture or the exact reason for the failure.
    std::string whole;
    decoded = file.Read(0, file.Size(), whole);
    if (decoded) decoded = FrameDecoder(whole, frame, palette, colour, data).Decode();
  }
  if (!decoded) {
    colour.ClearUp();
    data.ClearUp();
  }
  return decoded;
}

Status DecodeSLP(const SLPFile& file, const Palette& palette, std::vector<FrameBitmaps>& frames,
                 const ProgressSink& progress) {
  frames.clear();
  SLPHeader header;
  std::vector<SLPFrameInfo> infos;
  if (Status read = ReadSLPHeader(file, header, infos); !read) return read;
  std::vector<FrameBitmaps> decoded(infos.size());
  const auto count = static_cast<int64_t>(infos.size());
  for (size_t i = 0; i < infos.size(); ++i) {
    const auto number = static_cast<int64_t>(i + 1);
    Tell(progress, "Decoding frame " + NumberText(number), number, count);
    FrameBitmaps& frame = decoded[i];
    if (Status done = DecodeSLPFrame(file, infos[i], palette, frame.Colour, frame.Data); !done)
      return Status::Fail("frame " + NumberText(number) + ": " + done.message());
    frame.CenterX = infos[i].HotSpotX;
    frame.CenterY = infos[i].HotSpotY;
  }
  frames = std::move(decoded);
  return Status::Ok();
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

Status ConvertSLPToSLX(const std::string& slp_path, const std::string& requested_slx_path,
                       const Palette& palette, const ProgressSink& progress) {
  const std::string slx_path = SLXPathWithExtension(requested_slx_path);
  const std::string folder = GetFolder(slx_path);
  const std::string title = GetFileTitle(slx_path);
  auto fail = [](const std::string& detail) {
    return Status::Fail(kMsgErrorCreatingSLX, detail);
  };

  SLPFile file;
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  if (Status read = ReadSLPHeader(slp_path, file, header, frames); !read)
    return fail(AboutFile(slp_path, read.message()));

  SLXGraphic graphic;
  graphic.Path = slx_path;
  graphic.FrameCount = header.FrameCount;
  graphic.Frames.resize(frames.size());
  cDIBSection colour, data;
  for (int32_t i = 1; i <= header.FrameCount; ++i) {
    Tell(progress, "Decoding frame " + NumberText(i), i, header.FrameCount);
    const SLPFrameInfo& info = frames[static_cast<size_t>(i - 1)];
    if (Status decoded = DecodeSLPFrame(file, info, palette, colour, data); !decoded)
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
