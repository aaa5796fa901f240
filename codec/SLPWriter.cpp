#include "codec/SLPWriter.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <tuple>
#include <vector>

#include "codec/DataColours.h"
#include "codec/RunEncoder.h"
#include "codec/SLPFormat.h"
#include "codec/SLPFrameEncoder.h"
#include "common/FileIO.h"
#include "common/Functions.h"
#include "common/LittleEndian.h"

namespace zorv {
namespace {

// What the writer makes, the reader takes: no SLP file larger than the
// reader opens.
constexpr uint64_t kMaxOffset = kMaxSLPFileBytes;

std::string ColourText(ColourValue v) {
  return std::to_string(RedOf(v)) + " " + std::to_string(GreenOf(v)) + " " +
         std::to_string(BlueOf(v));
}

std::string SizeText(const cDIBSection& bitmap) {
  return std::to_string(bitmap.Width()) + " x " + std::to_string(bitmap.Height());
}

std::string FaultDetail(int32_t frame, const SLPRunFault& fault) {
  std::string where = "frame " + std::to_string(frame) + ", row " +
                      std::to_string(fault.y) + ", x " + std::to_string(fault.x) + ": ";
  if (fault.data_colour == kDataTransparent)
    return where + "a transparent gap of " + std::to_string(fault.length) +
           " pixels (the most one command can skip is 4095)";
  return where + "the data colour " + ColourText(fault.data_colour) +
         " is none of the six data colours";
}

// "path: " in front of a detail, or nothing for frames held in memory.
std::string Where(const std::string& path) { return path.empty() ? std::string() : path + ": "; }

// Where the bytes of an SLP file go: appended in order, with each frame's
// tables filled in at their places once the frame is coded.
class SLPSink {
 public:
  virtual ~SLPSink() = default;
  virtual void Append(std::string_view bytes) = 0;
  virtual void AppendZeros(uint64_t count) = 0;
  virtual void WriteAt(uint64_t offset, std::string_view bytes) = 0;
};

class StringSink : public SLPSink {
 public:
  explicit StringSink(std::string& out) : out_(out) {}
  void Append(std::string_view bytes) override { out_ += bytes; }
  void AppendZeros(uint64_t count) override { out_.append(static_cast<size_t>(count), '\0'); }
  void WriteAt(uint64_t offset, std::string_view bytes) override {
    out_.replace(static_cast<size_t>(offset), bytes.size(), bytes);
  }

 private:
  std::string& out_;
};

class FileSink : public SLPSink {
 public:
  explicit FileSink(SafeFileWriter& out) : out_(out) {}
  void Append(std::string_view bytes) override { out_.Write(bytes); }
  void AppendZeros(uint64_t count) override {
    const std::string zeros(static_cast<size_t>(std::min<uint64_t>(count, 65536)), '\0');
    while (count > 0) {
      const size_t chunk = static_cast<size_t>(std::min<uint64_t>(count, zeros.size()));
      out_.Write(zeros.data(), chunk);
      count -= chunk;
    }
  }
  void WriteAt(uint64_t offset, std::string_view bytes) override {
    out_.WriteAt(offset, bytes.data(), bytes.size());
  }

 private:
  SafeFileWriter& out_;
};

// The size and hot spot of one frame, known before any frame is coded.
struct FrameShape {
  int32_t width = 0;
  int32_t height = 0;
  int32_t center_x = 0;
  int32_t center_y = 0;
};

Status FrameTooLarge(int32_t number, int32_t width, int32_t height,
                     const std::string& data_path) {
  return Status::Fail(
      "Error in frame " + std::to_string(number) + ": the frame is too large for an SLP!",
      (data_path.empty() ? "frame " + std::to_string(number) : data_path) + " is " +
          std::to_string(width) + " x " + std::to_string(height) + " pixels; at most " +
          std::to_string(kMaxSLPFramePixels) + " pixels fit.");
}

// Writes one SLP file frame by frame. The frames' sizes fix the layout
// before the first frame is coded (header, frame table, every frame's row
// edge table, every frame's command offset table, then the rows), so each
// frame's tables go straight to their places and its rows follow the rows
// before: memory holds one frame's coded rows, not the file.
class SLPStreamWriter {
 public:
  SLPStreamWriter(SLPRunEncoder& encoder, SLPSink& sink) : encoder_(encoder), sink_(sink) {}

  // Lays the file out for frames of these shapes and writes the header,
  // the frame table and the tables as zeros. Fails when the tables alone
  // would pass the 4 GB that offsets can reach.
  Status Begin(const std::vector<FrameShape>& shapes, const std::string& slp_path) {
    slp_path_ = slp_path;
    frames_.assign(shapes.size(), SLPFrameInfo{});
    uint64_t pos = kSLPHeaderSize + kSLPFrameInfoSize * shapes.size();
    for (size_t i = 0; i < shapes.size(); ++i) {
      SLPFrameInfo& f = frames_[i];
      f.Properties = kSLPProperties;
      f.Width = shapes[i].width;
      f.Height = shapes[i].height;
      f.HotSpotX = shapes[i].center_x;
      f.HotSpotY = shapes[i].center_y;
      f.OutlineTableOffset = static_cast<uint32_t>(pos);
      pos += 4 * static_cast<uint64_t>(f.Height);
      if (pos > kMaxOffset) return TooLarge();
    }
    for (SLPFrameInfo& f : frames_) {
      f.CommandTableOffset = static_cast<uint32_t>(pos);
      pos += 4 * static_cast<uint64_t>(f.Height);
      if (pos > kMaxOffset) return TooLarge();
    }
    sink_.Append(EncodeSLPHeader(static_cast<int32_t>(frames_.size())));
    for (const SLPFrameInfo& f : frames_) sink_.Append(EncodeSLPFrameInfo(f));
    sink_.AppendZeros(pos - (kSLPHeaderSize + kSLPFrameInfoSize * frames_.size()));
    pos_ = pos;
    return Status::Ok();
  }

  // Codes frame number (from 1), whose bitmaps have the shape Begin was
  // given. data_path names the data bitmap in messages ("" for frames
  // given in memory).
  Status AddFrame(int32_t number, const cDIBSection& colour, const cDIBSection& data,
                  const std::string& data_path) {
    const SLPFrameInfo& f = frames_[static_cast<size_t>(number - 1)];
    if (colour.Width() != data.Width() || colour.Height() != data.Height() ||
        data.Width() != f.Width || data.Height() != f.Height)
      return Status::Fail(FramesDoNotMatchText(number),
                          Where(data_path) + "the bitmaps changed size during the conversion.");
    SLPRunFault fault;
    if (!EncodeSLPFrame(colour, data, encoder_, encoded_, fault)) {
      const std::string first = fault.last_run_of_row ? ErrorConvertingFrameText(number)
                                                      : std::string(kMsgErrorConvertingFrame);
      return Status::Fail(first, Where(data_path) + FaultDetail(number, fault));
    }
    if (pos_ + encoded_.commands.size() > kMaxOffset) return TooLarge();
    // Both tables have four bytes a row, written in place rather than
    // appended byte by byte.
    std::string table(4 * encoded_.edges.size(), '\0');
    for (size_t y = 0; y < encoded_.edges.size(); ++y)
      le::SetU32(table, 4 * y,
                 static_cast<uint16_t>(encoded_.edges[y].Left) |
                     static_cast<uint32_t>(static_cast<uint16_t>(encoded_.edges[y].Right)) << 16);
    sink_.WriteAt(f.OutlineTableOffset, table);
    for (size_t y = 0; y < encoded_.row_offsets.size(); ++y)
      le::SetU32(table, 4 * y, static_cast<uint32_t>(pos_ + encoded_.row_offsets[y]));
    sink_.WriteAt(f.CommandTableOffset, table);
    sink_.Append(std::string_view(reinterpret_cast<const char*>(encoded_.commands.data()),
                                  encoded_.commands.size()));
    pos_ += encoded_.commands.size();
    return Status::Ok();
  }

 private:
  Status TooLarge() const {
    return Status::Fail(kMsgErrorConvertingFrame,
                        Where(slp_path_) + "the SLP file would be larger than " +
                            std::to_string(kMaxSLPFileBytes >> 20) +
                            " MB, the most this program reads.");
  }

  SLPRunEncoder& encoder_;
  SLPSink& sink_;
  std::string slp_path_;
  std::vector<SLPFrameInfo> frames_;
  SLPEncodedFrame encoded_;
  uint64_t pos_ = 0;
};

// First pass over frames given in memory: each frame's two bitmaps have
// one size that fits an SLP.
Status CheckFrames(std::span<const FrameBitmaps> frames, std::vector<FrameShape>& shapes) {
  shapes.clear();
  for (size_t i = 0; i < frames.size(); ++i) {
    const FrameBitmaps& frame = frames[i];
    const auto number = static_cast<int32_t>(i + 1);
    if (frame.Colour.Width() != frame.Data.Width() ||
        frame.Colour.Height() != frame.Data.Height())
      return Status::Fail(FramesDoNotMatchText(number),
                          "the colour bitmap is " + SizeText(frame.Colour) +
                              " pixels, the data bitmap " + SizeText(frame.Data) + ".");
    // A frame larger than the reader takes would give an SLP that this
    // program (and so the user) could not open again.
    if (int64_t{frame.Data.Width()} * frame.Data.Height() > kMaxSLPFramePixels)
      return FrameTooLarge(number, frame.Data.Width(), frame.Data.Height(), std::string());
    shapes.push_back({frame.Data.Width(), frame.Data.Height(), frame.CenterX, frame.CenterY});
  }
  return Status::Ok();
}

// Frame files are read whole while they are checked when they are small,
// and kept for coding, so that a graphic of small frames is read once; a
// larger file, or one beyond what is kept in all, is read again when its
// frame is coded.
constexpr uint64_t kHeldFrameFileBelow = uint64_t{256} << 10;
constexpr uint64_t kHeldFrameFilesAtMost = uint64_t{16} << 20;

// A frame's two files as read while checking: their bytes, or nothing when
// they are to be read again.
struct HeldFrameFiles {
  std::string colour, data;
};

// First pass over a graphic's frames: every frame's two bitmaps are there,
// are BMP or PNG files, have one size and fit an SLP. Reads the files' headers,
// or the whole of small files, which it keeps in held.
Status CheckFrameFiles(const SLXGraphic& graphic, std::vector<FrameShape>& shapes,
                       std::vector<HeldFrameFiles>& held) {
  shapes.clear();
  held.assign(static_cast<size_t>(std::max(graphic.FrameCount, 0)), HeldFrameFiles());
  uint64_t held_bytes = 0;
  for (int32_t i = 1; i <= graphic.FrameCount; ++i) {
    const std::string colour_path = graphic.ColourPath(i);
    const std::string data_path = graphic.DataPath(i);
    // A missing file is named as missing whatever else is wrong with the
    // frame; it is only looked for once something failed.
    auto failed = [&](const Status& failure) {
      if (!FileExists(data_path) || !FileExists(colour_path)) {
        const std::string& absent = FileExists(data_path) ? colour_path : data_path;
        std::error_code ec;
        const bool there = std::filesystem::exists(std::filesystem::path(NativePath(absent)), ec);
        return Status::Fail(kMsgMissingBMPs,
                            absent + (there ? ": is not a regular file" : ": no such file"));
      }
      return Status::Fail("Error loading frame " + std::to_string(i) + "!", failure.message());
    };
    FrameShape colour, data;
    HeldFrameFiles& files = held[static_cast<size_t>(i - 1)];
    for (auto [path, shape, bytes] : {std::tuple{&colour_path, &colour, &files.colour},
                                      std::tuple{&data_path, &data, &files.data}}) {
      if (Status read = ReadFileStart(*path, kHeldFrameFileBelow, *bytes); !read)
        return failed(read);
      if (Status sized = PictureSizeFromHead(*bytes, shape->width, shape->height); !sized)
        return failed(Status::Fail(*path + ": " + sized.message()));
      const bool whole = bytes->size() < kHeldFrameFileBelow;
      if (whole && held_bytes + bytes->size() <= kHeldFrameFilesAtMost)
        held_bytes += bytes->size();
      else
        std::string().swap(*bytes);
    }
    if (colour.width != data.width || colour.height != data.height)
      return Status::Fail(FramesDoNotMatchText(i),
                          colour_path + " and " + data_path + " differ in size.");
    if (int64_t{data.width} * data.height > kMaxSLPFramePixels)
      return FrameTooLarge(i, data.width, data.height, data_path);
    data.center_x = graphic.Frame(i).CenterX;
    data.center_y = graphic.Frame(i).CenterY;
    shapes.push_back(data);
  }
  return Status::Ok();
}

// A frame's bitmap from the bytes kept while checking, or from its file.
Status LoadFrameFile(const std::string& path, std::string& held, cDIBSection& bitmap) {
  if (held.empty()) return bitmap.CreateFromPicture(path);
  Status decoded = bitmap.CreateFromPictureBytes(held);
  std::string().swap(held);
  if (!decoded) return Status::Fail(path + ": " + decoded.message());
  return Status::Ok();
}

}  // namespace

std::string ErrorConvertingFrameText(int32_t frame) {
  return "Error converting frame " + std::to_string(frame) + " to SLP!";
}

std::string FramesDoNotMatchText(int32_t frame) {
  return "Error in frame " + std::to_string(frame) +
         ": colour and data bitmap files do not match!";
}

namespace {

// Codes frames in memory into sink; the frames are checked before any is
// coded.
Status CodeFrames(std::span<const FrameBitmaps> frames, const Palette& palette, SLPSink& sink,
                  const std::string& slp_path, const ProgressSink& progress) {
  if (frames.size() > static_cast<size_t>(INT32_MAX))
    return Status::Fail(kMsgErrorConvertingFrame, "too many frames for an SLP file.");
  std::vector<FrameShape> shapes;
  if (Status checked = CheckFrames(frames, shapes); !checked) return checked;
  SLPRunEncoder encoder(palette);
  SLPStreamWriter writer(encoder, sink);
  if (Status begun = writer.Begin(shapes, slp_path); !begun) return begun;
  const auto count = static_cast<int32_t>(frames.size());
  for (int32_t i = 1; i <= count; ++i) {
    Tell(progress, "Converting frame " + std::to_string(i), i, count);
    const FrameBitmaps& frame = frames[static_cast<size_t>(i - 1)];
    if (Status added = writer.AddFrame(i, frame.Colour, frame.Data, std::string()); !added)
      return added;
  }
  return Status::Ok();
}

}  // namespace

Status EncodeSLP(std::span<const FrameBitmaps> frames, const Palette& palette,
                 std::string& bytes, const ProgressSink& progress) {
  bytes.clear();
  std::string out;
  StringSink sink(out);
  if (Status coded = CodeFrames(frames, palette, sink, std::string(), progress); !coded)
    return coded;
  bytes = std::move(out);
  return Status::Ok();
}

Status WriteSLP(std::span<const FrameBitmaps> frames, const Palette& palette,
                const std::string& slp_path, const ProgressSink& progress) {
  SafeFileWriter out;
  if (Status opened = out.Open(slp_path); !opened)
    return Status::Fail(kMsgErrorWritingSLP, opened.message());
  FileSink sink(out);
  if (Status coded = CodeFrames(frames, palette, sink, slp_path, progress); !coded)
    return coded;
  // A write that failed on the way (the writer then ignores the rest) is
  // reported here, and the partial file removed.
  if (Status committed = out.Commit(); !committed)
    return Status::Fail(kMsgErrorWritingSLP, committed.message());
  return Status::Ok();
}

Status ConvertSLXToSLP(const SLXGraphic& graphic, const std::string& slp_path,
                       const Palette& palette, const ProgressSink& progress) {
  SLPRunEncoder encoder(palette);
  return ConvertSLXToSLP(graphic, slp_path, encoder, progress);
}

Status ConvertSLXToSLP(const SLXGraphic& graphic, const std::string& slp_path,
                       SLPRunEncoder& encoder, const ProgressSink& progress) {
  if (graphic.FrameCount < 0 ||
      graphic.Frames.size() < static_cast<size_t>(graphic.FrameCount))
    return Status::Fail(kMsgErrorConvertingFrame,
                        graphic.Path +
                            ": the graphic lists fewer frames than its frame count says.");
  // The SLP file must not be the SLX file or any of its bitmaps.
  std::vector<std::string> inputs{graphic.Path};
  for (int32_t i = 1; i <= graphic.FrameCount; ++i) {
    inputs.push_back(graphic.ColourPath(i));
    inputs.push_back(graphic.DataPath(i));
  }
  if (Status apart = RefuseOverwritingInput(slp_path, inputs); !apart)
    return Status::Fail(kMsgErrorWritingSLP, apart.message());
  SafeFileWriter out;
  if (Status opened = out.Open(slp_path); !opened)
    return Status::Fail(kMsgErrorWritingSLP, opened.message());
  // A write that fails leaves the writer failed; committing gives the
  // reason and removes the partial file.
  auto write_failed = [&out] {
    const Status committed = out.Commit();
    return Status::Fail(kMsgErrorWritingSLP, committed.message());
  };

  std::vector<FrameShape> shapes;
  std::vector<HeldFrameFiles> held;
  if (Status checked = CheckFrameFiles(graphic, shapes, held); !checked) return checked;
  FileSink sink(out);
  SLPStreamWriter writer(encoder, sink);
  if (Status begun = writer.Begin(shapes, slp_path); !begun) return begun;
  if (out.failed()) return write_failed();

  cDIBSection colour, data;
  const int32_t count = graphic.FrameCount;
  for (int32_t i = 1; i <= count; ++i) {
    Tell(progress, "Converting frame " + std::to_string(i), i, count);
    const std::string data_path = graphic.DataPath(i);
    HeldFrameFiles& files = held[static_cast<size_t>(i - 1)];
    if (Status loaded = LoadFrameFile(graphic.ColourPath(i), files.colour, colour); !loaded)
      return Status::Fail("Error loading frame " + std::to_string(i) + "!", loaded.message());
    if (Status loaded = LoadFrameFile(data_path, files.data, data); !loaded)
      return Status::Fail("Error loading frame " + std::to_string(i) + "!", loaded.message());
    if (Status added = writer.AddFrame(i, colour, data, data_path); !added) return added;
    if (out.failed()) return write_failed();
  }
  if (Status committed = out.Commit(); !committed)
    return Status::Fail(kMsgErrorWritingSLP, committed.message());
  return Status::Ok();
}

std::string EncodeIcon(const cDIBSection& bitmap, int32_t icon_flags, const Palette& palette) {
  const int32_t width = bitmap.Width(), height = bitmap.Height();
  std::string out;
  le::PutI32(out, icon_flags);
  le::PutI32(out, width);
  le::PutI32(out, height);
  // Row offsets count from the start of the row data, which follows them.
  SLPRunEncoder encoder(palette);
  SLPBytes rows;
  for (int32_t y = 0; y < height; ++y) {
    le::PutU32(out, static_cast<uint32_t>(rows.size()));
    if (width > 0) encoder.AppendRun(rows, bitmap, 0, y, width, kDataNormal);
    rows.push_back(slp::kEndOfRow);
  }
  out.append(reinterpret_cast<const char*>(rows.data()), rows.size());
  return out;
}

Status ConvertBMPToIcon(const std::string& bmp_path, const std::string& output_path,
                        int32_t icon_flags, const Palette& palette) {
  if (Status apart = RefuseOverwritingInput(output_path, {bmp_path}); !apart)
    return Status::Fail(kMsgErrorConvertingIcon, apart.message());
  cDIBSection bitmap;
  if (Status loaded = LoadFrameBitmap(bmp_path, bitmap); !loaded)
    return Status::Fail(kMsgErrorConvertingIcon, loaded.message());
  if (Status written = WriteFileSafely(output_path, EncodeIcon(bitmap, icon_flags, palette));
      !written)
    return Status::Fail(kMsgErrorConvertingIcon, written.message());
  return Status::Ok();
}

}  // namespace zorv
