#include "codec/SLPWriter.h"

#include <cstring>
#include <vector>

#include "codec/DIBSection.h"
#include "codec/Palettes.h"
#include "codec/RunEncoder.h"
#include "codec/SLPFrameEncoder.h"
#include "codec/SLPReader.h"
#include "common/FileIO.h"
#include "common/Report.h"

namespace zorv {
namespace {

constexpr char kVersion[4] = {'2', '.', '0', 'N'};
constexpr char kComment[] = "Mod Editor by Brakmol ";  // 22 characters, then two zeros
constexpr uint32_t kProperties = 24;
constexpr uint64_t kMaxOffset = UINT32_MAX;

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 255));
}
void PutI16(std::string& out, int16_t v) {
  const auto u = static_cast<uint16_t>(v);
  out.push_back(static_cast<char>(u & 255));
  out.push_back(static_cast<char>(u >> 8));
}

std::string HeaderBytes(int32_t frame_count) {
  std::string out(kVersion, 4);
  PutU32(out, static_cast<uint32_t>(frame_count));
  out.append(kComment, 22);
  out.append(2, '\0');
  return out;
}

std::string FrameRecordBytes(const SLPFrameInfo& f) {
  std::string out;
  out.reserve(kSLPFrameInfoSize);
  for (uint32_t v : {f.CommandTableOffset, f.OutlineTableOffset, f.PaletteOffset,
                     f.Properties, static_cast<uint32_t>(f.Width),
                     static_cast<uint32_t>(f.Height), static_cast<uint32_t>(f.HotSpotX),
                     static_cast<uint32_t>(f.HotSpotY)})
    PutU32(out, v);
  return out;
}

std::string ColourText(ColourValue v) {
  return std::to_string(RedOf(v)) + " " + std::to_string(GreenOf(v)) + " " +
         std::to_string(BlueOf(v));
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

// Appends count zero bytes without holding them all.
bool WriteZeros(SafeFileWriter& out, uint64_t count) {
  static const char zeros[65536] = {};
  while (count > 0) {
    const size_t chunk = count < sizeof zeros ? static_cast<size_t>(count) : sizeof zeros;
    if (!out.Write(zeros, chunk)) return false;
    count -= chunk;
  }
  return true;
}

// The state of one SLX-to-SLP conversion.
class SLPWriterRun {
 public:
  SLPWriterRun(const SLXGraphic& graphic, const ProgressSink& progress)
      : graphic_(graphic), progress_(progress) {}

  bool Run(const std::string& slp_path) {
    LoadPalette("");
    if (graphic_.FrameCount < 0 ||
        graphic_.Frames.size() < static_cast<size_t>(graphic_.FrameCount))
      return Fail("Error converting frame to SLP!\n" + graphic_.Path +
                  ": the graphic lists fewer frames than its frame count says.");
    out_path_ = slp_path;
    if (Status opened = out_.Open(slp_path); !opened)
      return Fail("Error writing SLP file!\n" + opened.message());
    const int32_t count = graphic_.FrameCount;
    frames_.assign(static_cast<size_t>(count), SLPFrameInfo{});
    for (int32_t i = 1; i <= count; ++i) {
      SLPFrameInfo& f = Info(i);
      f.Properties = kProperties;
      f.HotSpotX = graphic_.Frame(i).CenterX;
      f.HotSpotY = graphic_.Frame(i).CenterY;
    }
    if (!MeasureFrames() || !PlaceCommandTables() || !WriteTables() ||
        !CodeFrames())
      return false;
    if (Status committed = out_.Commit(); !committed)
      return Fail("Error writing SLP file!\n" + committed.message());
    return true;
  }

 private:
  SLPFrameInfo& Info(int32_t i) { return frames_[static_cast<size_t>(i - 1)]; }

  bool Fail(const std::string& text) {
    out_.Abandon();
    ReportError(text);
    return false;
  }

  bool LoadFrame(int32_t i) {
    const std::string colour_path = graphic_.ColourPath(i);
    const std::string data_path = graphic_.DataPath(i);
    if (!FileExists(data_path) || !FileExists(colour_path))
      return Fail("ERROR: Unable to find all BMPs from the SLX! SLP will be corrupted...\n" +
                  (FileExists(data_path) ? colour_path : data_path) + ": no such file");
    if (Status loaded = colour_.CreateFromPicture(colour_path); !loaded)
      return Fail("Error loading frame " + std::to_string(i) + "!\n" + loaded.message());
    if (Status loaded = data_.CreateFromPicture(data_path); !loaded)
      return Fail("Error loading frame " + std::to_string(i) + "!\n" + loaded.message());
    if (colour_.Width() != data_.Width() || colour_.Height() != data_.Height())
      return Fail("Error in frame " + std::to_string(i) +
                  ": colour and data bitmap files do not match!\n" + colour_path + " and " +
                  data_path + " differ in size.");
    return true;
  }

  // First pass: every frame's size, and the place of its row edge table.
  bool MeasureFrames() {
    pos_ = kSLPHeaderSize + kSLPFrameInfoSize * static_cast<uint64_t>(graphic_.FrameCount);
    for (int32_t i = 1; i <= graphic_.FrameCount; ++i) {
      if (!LoadFrame(i)) return false;
      // A frame larger than the reader takes would give an SLP that this
      // program (and so the user) could not open again.
      if (int64_t{data_.Width()} * data_.Height() > kMaxSLPFramePixels)
        return Fail("Error in frame " + std::to_string(i) + ": the frame is too large for an SLP!\n" +
                    graphic_.DataPath(i) + " is " + std::to_string(data_.Width()) + " x " +
                    std::to_string(data_.Height()) + " pixels; at most " +
                    std::to_string(kMaxSLPFramePixels) + " pixels fit.");
      SLPFrameInfo& f = Info(i);
      f.OutlineTableOffset = static_cast<uint32_t>(pos_);
      f.Width = data_.Width();
      f.Height = data_.Height();
      pos_ += 4 * static_cast<uint64_t>(f.Height);
      if (pos_ > kMaxOffset) return TooLarge();
    }
    colour_.ClearUp();
    data_.ClearUp();
    return true;
  }

  // Second pass: the place of every frame's command offset table.
  bool PlaceCommandTables() {
    for (int32_t i = 1; i <= graphic_.FrameCount; ++i) {
      SLPFrameInfo& f = Info(i);
      f.CommandTableOffset = static_cast<uint32_t>(pos_);
      pos_ += 4 * static_cast<uint64_t>(f.Height);
      if (pos_ > kMaxOffset) return TooLarge();
    }
    return true;
  }

  bool TooLarge() {
    return Fail("Error converting frame to SLP!\n" + out_path_ +
                ": the SLP file would be larger than 4 GB.");
  }

  // The header, the frame table and both tables of every frame as zeros;
  // the tables are filled in as each frame is coded.
  bool WriteTables() {
    out_.Write(HeaderBytes(graphic_.FrameCount));
    for (const SLPFrameInfo& f : frames_) out_.Write(FrameRecordBytes(f));
    WriteZeros(out_, pos_ - out_.Size());
    return !WriteFailed();
  }

  bool WriteFailed() {
    if (!out_.failed()) return false;
    // Commit gives the reason of the failed write.
    Status committed = out_.Commit();
    Fail("Error writing SLP file!\n" + committed.message());
    return true;
  }

  // Third pass: code each frame's rows after the tables.
  bool CodeFrames() {
    const int32_t count = graphic_.FrameCount;
    for (int32_t i = 1; i <= count; ++i) {
      if (progress_)
        progress_("Converting frame " + std::to_string(i),
                  static_cast<double>(i - 1) / static_cast<double>(count));
      if (!LoadFrame(i)) return false;
      const SLPFrameInfo& f = Info(i);
      if (data_.Width() != f.Width || data_.Height() != f.Height)
        return Fail("Error in frame " + std::to_string(i) +
                    ": colour and data bitmap files do not match!\n" + graphic_.DataPath(i) +
                    ": the bitmaps changed size during the conversion.");
      SLPRunFault fault;
      if (!EncodeSLPFrame(colour_, data_, encoded_, fault)) {
        std::string first = fault.last_run_of_row
                                ? "Error converting frame " + std::to_string(i) + " to SLP!"
                                : std::string("Error converting frame to SLP!");
        return Fail(first + "\n" + graphic_.DataPath(i) + ": " + FaultDetail(i, fault));
      }
      if (pos_ + encoded_.commands.size() > kMaxOffset) return TooLarge();
      std::string edges, offsets;
      edges.reserve(4 * encoded_.edges.size());
      offsets.reserve(4 * encoded_.row_offsets.size());
      for (const SLPRowEdges& e : encoded_.edges) {
        PutI16(edges, e.Left);
        PutI16(edges, e.Right);
      }
      for (uint32_t row : encoded_.row_offsets)
        PutU32(offsets, static_cast<uint32_t>(pos_) + row);
      out_.WriteAt(f.OutlineTableOffset, edges.data(), edges.size());
      out_.WriteAt(f.CommandTableOffset, offsets.data(), offsets.size());
      out_.Write(encoded_.commands.data(), encoded_.commands.size());
      pos_ += encoded_.commands.size();
      if (WriteFailed()) return false;
    }
    // Now that every frame is placed, the frame table gets its offsets.
    std::string table;
    for (const SLPFrameInfo& f : frames_) table += FrameRecordBytes(f);
    out_.WriteAt(kSLPHeaderSize, table.data(), table.size());
    return !WriteFailed();
  }

  const SLXGraphic& graphic_;
  const ProgressSink& progress_;
  SafeFileWriter out_;
  std::string out_path_;
  std::vector<SLPFrameInfo> frames_;
  cDIBSection colour_, data_;
  SLPEncodedFrame encoded_;
  uint64_t pos_ = 0;
};

}  // namespace

bool ConvertSLXToSLP(const SLXGraphic& graphic, const std::string& slp_path,
                     const ProgressSink& progress) {
  return SLPWriterRun(graphic, progress).Run(slp_path);
}

bool ConvertBMPToIcon(const std::string& bmp_path, const std::string& output_path,
                      int32_t icon_flags) {
  auto fail = [](const std::string& detail) {
    ReportError("Error converting icon!\n" + detail);
    return false;
  };
  LoadPalette("");
  cDIBSection bitmap;
  if (Status loaded = bitmap.CreateFromPicture(bmp_path); !loaded)
    return fail(loaded.message());

  SafeFileWriter out;
  if (Status opened = out.Open(output_path); !opened) return fail(opened.message());
  const int32_t width = bitmap.Width(), height = bitmap.Height();
  std::string head;
  PutU32(head, static_cast<uint32_t>(icon_flags));
  PutU32(head, static_cast<uint32_t>(width));
  PutU32(head, static_cast<uint32_t>(height));
  out.Write(head);
  // Row offsets count from the start of the row data, which follows them.
  const uint64_t table_offset = head.size();
  WriteZeros(out, 4 * static_cast<uint64_t>(height));
  std::string offsets;
  SLPBytes row;
  uint64_t row_data = 0;
  for (int32_t y = 0; y < height; ++y) {
    row.clear();
    if (width > 0) AppendRun(row, bitmap, 0, y, width, kDataNormal);
    row.push_back(kSLPEndOfRow);
    PutU32(offsets, static_cast<uint32_t>(row_data));
    out.Write(row.data(), row.size());
    row_data += row.size();
    if (out.failed()) break;
  }
  out.WriteAt(table_offset, offsets.data(), offsets.size());
  if (Status committed = out.Commit(); !committed) return fail(committed.message());
  return true;
}

}  // namespace zorv
