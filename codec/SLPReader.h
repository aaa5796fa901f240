// Reading SLP sprite files (module SLPCodeNew): the header, the frame table,
// the decoding of one frame into a colour and a data bitmap, and the
// conversion of a whole SLP file into an SLX graphic with its BMP files.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "codec/DIBSection.h"
#include "codec/FrameBitmaps.h"
#include "codec/Palettes.h"
#include "codec/SLPFormat.h"
#include "common/Progress.h"
#include "common/Status.h"

namespace zorv {

// One SLP file: either open on disk, where each read fetches only the bytes
// it needs so that memory holds one frame's data rather than the file, or
// held whole in memory (filled straight from bytes). Every read is checked
// against the file's end. Reads from several threads at once are safe.
class SLPFile {
 public:
  SLPFile() = default;
  explicit SLPFile(std::string bytes)
      : bytes_(std::move(bytes)), size_(bytes_.size()), open_(true) {}
  SLPFile(const SLPFile&) = delete;
  SLPFile& operator=(const SLPFile&) = delete;
  // Opens a file on disk, read piece by piece as frames need it; a file
  // smaller than hold_below bytes is read whole at once instead.
  Status Open(const std::string& path, uint64_t hold_below = 0);
  void Close();
  // Holds bytes as the whole file, in place of whatever was open.
  void Hold(std::string bytes);
  bool IsOpen() const { return open_; }
  // The bytes held in memory: the whole file when it was made from bytes,
  // nothing for a file opened on disk.
  std::string_view Bytes() const { return bytes_; }
  bool OnDisk() const { return disk_ != nullptr; }
  uint64_t Size() const { return size_; }
  // Up to size bytes from offset, fewer where the file ends first.
  Status Read(uint64_t offset, uint64_t size, std::string& out) const;
  // Exactly size bytes from offset into out; fails when they are not all in
  // the file.
  Status ReadInto(uint64_t offset, uint64_t size, char* out) const;
  // The whole file. A file on disk is read at the first call and kept, so
  // frames that need it all cost one read of the file between them.
  Status WholeFile(std::string_view& bytes) const;
  // How many bytes were read from the file on disk so far.
  uint64_t BytesRead() const { return bytes_read_; }

 private:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::string bytes_;
  std::unique_ptr<std::FILE, Closer> disk_;
  // A file on disk has one read position; one read at a time moves it.
  mutable std::mutex disk_mutex_;
  mutable std::mutex whole_mutex_;
  mutable std::atomic<uint64_t> bytes_read_{0};
  mutable std::string whole_;
  mutable bool whole_read_ = false;
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
// the colour bitmap through palette, the data bitmap in the six data
// colours. Damaged frames fail with the reason (offsets outside the file,
// commands running past the row or the file, a player-colour index above
// 239, sizes beyond the limits); nothing outside the file or the bitmaps is
// ever touched.
Status DecodeSLPFrame(const SLPFile& file, const SLPFrameInfo& frame, const Palette& palette,
                      cDIBSection& colour, cDIBSection& data);

// Every frame of the file with its hot spot, frames[0] being frame 1.
// Progress hears "Decoding frame " + i for each frame i. A failure names the
// frame.
Status DecodeSLP(const SLPFile& file, const Palette& palette, std::vector<FrameBitmaps>& frames,
                 const ProgressSink& progress = {});

// 7 gives "007", 42 "042"; numbers of four digits or more stay as they are.
std::string PadFrameNumber(int32_t number);

inline constexpr const char* kMsgErrorCreatingSLX = "Error creating SLX file!";

// The kind of file the frames of a converted graphic are written as: 24-bit
// BMP, or PNG (8-bit RGB, as lossless).
enum class FrameFileFormat { kBMP, kPNG };

// Converts an SLP file into frame files beside the SLX file (title_NNN.bmp
// and title_NNNd.bmp, or .png) and the SLX file listing them, decoding
// through palette. An SLX path whose file name has no extension gets
// ".slx". Progress hears "Decoding frame " + i before each frame i is
// decoded. A failure says "Error creating SLX file!" and why; no SLX file
// is written then (the frame files of the frames before stay).
Status ConvertSLPToSLX(const std::string& slp_path, const std::string& slx_path,
                       const Palette& palette, FrameFileFormat format,
                       const ProgressSink& progress = {});
// The same with BMP frame files.
Status ConvertSLPToSLX(const std::string& slp_path, const std::string& slx_path,
                       const Palette& palette, const ProgressSink& progress = {});
// The same for an SLP file already open or held in memory (a file taken
// out of a game archive): name is what failures call it, inputs the files
// that no file written may replace.
Status ConvertSLPToSLX(const SLPFile& file, const std::string& name,
                       const std::vector<std::string>& inputs, const std::string& slx_path,
                       const Palette& palette, FrameFileFormat format,
                       const ProgressSink& progress = {});

// The SLX path ConvertSLPToSLX writes for the path it was given.
std::string SLXPathWithExtension(const std::string& slx_path);

}  // namespace zorv
