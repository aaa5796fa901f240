#include "codec/SLPWriter.h"

#include <cstdint>
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

constexpr uint64_t kMaxOffset = UINT32_MAX;

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

// The frames of one SLP file, coded in memory one after the other and then
// laid out as the file: only the coded rows are kept, never the bitmaps.
class SLPBuilder {
 public:
  explicit SLPBuilder(const Palette& palette) : encoder_(palette) {}

  // Codes frame number (from 1) from its bitmaps. data_path names the data
  // bitmap in messages ("" for frames given in memory).
  Status AddFrame(int32_t number, const cDIBSection& colour, const cDIBSection& data,
                  int32_t center_x, int32_t center_y, const std::string& data_path) {
    if (colour.Width() != data.Width() || colour.Height() != data.Height())
      return Status::Fail(FramesDoNotMatchText(number),
                          Where(data_path) + "the colour bitmap is " + SizeText(colour) +
                              " pixels, the data bitmap " + SizeText(data) + ".");
    // A frame larger than the reader takes would give an SLP that this
    // program (and so the user) could not open again.
    if (int64_t{data.Width()} * data.Height() > kMaxSLPFramePixels)
      return FrameTooLarge(number, data, data_path);
    Coded coded;
    SLPRunFault fault;
    if (!EncodeSLPFrame(colour, data, encoder_, coded.rows, fault)) {
      const std::string first = fault.last_run_of_row ? ErrorConvertingFrameText(number)
                                                      : std::string(kMsgErrorConvertingFrame);
      return Status::Fail(first, Where(data_path) + FaultDetail(number, fault));
    }
    coded.info.Properties = kSLPProperties;
    coded.info.Width = data.Width();
    coded.info.Height = data.Height();
    coded.info.HotSpotX = center_x;
    coded.info.HotSpotY = center_y;
    frames_.push_back(std::move(coded));
    return Status::Ok();
  }

  static Status FrameTooLarge(int32_t number, const cDIBSection& data,
                              const std::string& data_path) {
    return FrameTooLarge(number, data.Width(), data.Height(), data_path);
  }
  static Status FrameTooLarge(int32_t number, int32_t width, int32_t height,
                              const std::string& data_path) {
    return Status::Fail(
        "Error in frame " + std::to_string(number) + ": the frame is too large for an SLP!",
        (data_path.empty() ? "frame " + std::to_string(number) : data_path) + " is " +
            std::to_string(width) + " x " + std::to_string(height) + " pixels; at most " +
            std::to_string(kMaxSLPFramePixels) + " pixels fit.");
  }

  // Places every frame's tables and rows. The tables of all frames come
  // first, then the rows; every offset must fit in 32 bits.
  Status Place(const std::string& slp_path) {
    uint64_t pos = kSLPHeaderSize + kSLPFrameInfoSize * frames_.size();
    for (Coded& f : frames_) {
      f.info.OutlineTableOffset = static_cast<uint32_t>(pos);
      pos += 4 * static_cast<uint64_t>(f.info.Height);
      if (pos > kMaxOffset) return TooLarge(slp_path);
    }
    for (Coded& f : frames_) {
      f.info.CommandTableOffset = static_cast<uint32_t>(pos);
      pos += 4 * static_cast<uint64_t>(f.info.Height);
      if (pos > kMaxOffset) return TooLarge(slp_path);
    }
    for (Coded& f : frames_) {
      f.rows_at = pos;
      pos += f.rows.commands.size();
      if (pos > kMaxOffset) return TooLarge(slp_path);
    }
    size_ = pos;
    return Status::Ok();
  }

  uint64_t Size() const { return size_; }

  // Hands the placed file to write(bytes), in order from its first byte.
  template <typename Write>
  void WriteTo(Write write) const {
    write(EncodeSLPHeader(static_cast<int32_t>(frames_.size())));
    for (const Coded& f : frames_) write(EncodeSLPFrameInfo(f.info));
    std::string table;
    for (const Coded& f : frames_) {
      table.clear();
      for (const SLPRowEdges& e : f.rows.edges) {
        le::PutI16(table, e.Left);
        le::PutI16(table, e.Right);
      }
      write(table);
    }
    for (const Coded& f : frames_) {
      table.clear();
      for (uint32_t row : f.rows.row_offsets)
        le::PutU32(table, static_cast<uint32_t>(f.rows_at + row));
      write(table);
    }
    for (const Coded& f : frames_) {
      const SLPBytes& commands = f.rows.commands;
      write(std::string_view(reinterpret_cast<const char*>(commands.data()), commands.size()));
    }
  }

 private:
  static Status TooLarge(const std::string& slp_path) {
    return Status::Fail(kMsgErrorConvertingFrame,
                        Where(slp_path) + "the SLP file would be larger than 4 GB.");
  }

  struct Coded {
    SLPFrameInfo info;
    SLPEncodedFrame rows;
    uint64_t rows_at = 0;  // where the frame's rows start in the file
  };

  SLPRunEncoder encoder_;
  std::vector<Coded> frames_;
  uint64_t size_ = 0;
};

struct BitmapSize {
  int32_t width = 0;
  int32_t height = 0;
};

// First pass over a graphic's frames: every frame's two bitmaps are there,
// are BMP files, have one size and fit an SLP. Reads the files' headers
// only; gives the sizes found.
Status CheckFrameFiles(const SLXGraphic& graphic, std::vector<BitmapSize>& sizes) {
  sizes.assign(static_cast<size_t>(graphic.FrameCount), BitmapSize{});
  for (int32_t i = 1; i <= graphic.FrameCount; ++i) {
    const std::string colour_path = graphic.ColourPath(i);
    const std::string data_path = graphic.DataPath(i);
    if (!FileExists(data_path) || !FileExists(colour_path))
      return Status::Fail(kMsgMissingBMPs,
                          (FileExists(data_path) ? colour_path : data_path) + ": no such file");
    BitmapSize colour, data;
    if (Status read = ReadBMPSize(colour_path, colour.width, colour.height); !read)
      return Status::Fail("Error loading frame " + std::to_string(i) + "!", read.message());
    if (Status read = ReadBMPSize(data_path, data.width, data.height); !read)
      return Status::Fail("Error loading frame " + std::to_string(i) + "!", read.message());
    if (colour.width != data.width || colour.height != data.height)
      return Status::Fail(FramesDoNotMatchText(i),
                          colour_path + " and " + data_path + " differ in size.");
    if (int64_t{data.width} * data.height > kMaxSLPFramePixels)
      return SLPBuilder::FrameTooLarge(i, data.width, data.height, data_path);
    sizes[static_cast<size_t>(i - 1)] = data;
  }
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

Status EncodeSLP(std::span<const FrameBitmaps> frames, const Palette& palette,
                 std::string& bytes, const ProgressSink& progress) {
  bytes.clear();
  if (frames.size() > static_cast<size_t>(INT32_MAX))
    return Status::Fail(kMsgErrorConvertingFrame, "too many frames for an SLP file.");
  SLPBuilder builder(palette);
  const auto count = static_cast<int32_t>(frames.size());
  for (int32_t i = 1; i <= count; ++i) {
    Tell(progress, "Converting frame " + std::to_string(i), i, count);
    const FrameBitmaps& frame = frames[static_cast<size_t>(i - 1)];
    if (Status added = builder.AddFrame(i, frame.Colour, frame.Data, frame.CenterX,
                                        frame.CenterY, std::string());
        !added)
      return added;
  }
  if (Status placed = builder.Place(std::string()); !placed) return placed;
  std::string out;
  out.reserve(static_cast<size_t>(builder.Size()));
  builder.WriteTo([&out](std::string_view part) { out += part; });
  bytes = std::move(out);
  return Status::Ok();
}

Status ConvertSLXToSLP(const SLXGraphic& graphic, const std::string& slp_path,
                       const Palette& palette, const ProgressSink& progress) {
  if (graphic.FrameCount < 0 ||
      graphic.Frames.size() < static_cast<size_t>(graphic.FrameCount))
    return Status::Fail(kMsgErrorConvertingFrame,
                        graphic.Path +
                            ": the graphic lists fewer frames than its frame count says.");
  SafeFileWriter out;
  if (Status opened = out.Open(slp_path); !opened)
    return Status::Fail(kMsgErrorWritingSLP, opened.message());

  std::vector<BitmapSize> sizes;
  if (Status checked = CheckFrameFiles(graphic, sizes); !checked) return checked;

  SLPBuilder builder(palette);
  cDIBSection colour, data;
  const int32_t count = graphic.FrameCount;
  for (int32_t i = 1; i <= count; ++i) {
    Tell(progress, "Converting frame " + std::to_string(i), i, count);
    const std::string data_path = graphic.DataPath(i);
    if (Status loaded = colour.CreateFromPicture(graphic.ColourPath(i)); !loaded)
      return Status::Fail("Error loading frame " + std::to_string(i) + "!", loaded.message());
    if (Status loaded = data.CreateFromPicture(data_path); !loaded)
      return Status::Fail("Error loading frame " + std::to_string(i) + "!", loaded.message());
    const BitmapSize& expected = sizes[static_cast<size_t>(i - 1)];
    if (data.Width() != expected.width || data.Height() != expected.height)
      return Status::Fail(FramesDoNotMatchText(i),
                          data_path + ": the bitmaps changed size during the conversion.");
    const SLXFrame& frame = graphic.Frame(i);
    if (Status added = builder.AddFrame(i, colour, data, frame.CenterX, frame.CenterY, data_path);
        !added)
      return added;
  }
  colour.ClearUp();
  data.ClearUp();
  if (Status placed = builder.Place(slp_path); !placed) return placed;
  builder.WriteTo([&out](std::string_view part) { out.Write(part); });
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
  cDIBSection bitmap;
  if (Status loaded = bitmap.CreateFromPicture(bmp_path); !loaded)
    return Status::Fail(kMsgErrorConvertingIcon, loaded.message());
  if (Status written = WriteFileSafely(output_path, EncodeIcon(bitmap, icon_flags, palette));
      !written)
    return Status::Fail(kMsgErrorConvertingIcon, written.message());
  return Status::Ok();
}

}  // namespace zorv
