#include "archive/ArchiveInputs.h"

#include "archive/ArchiveMember.h"
#include "codec/SLPFormat.h"
#include "common/FileIO.h"

namespace zorv {

namespace {

// A JASC-PAL palette is about 3 KB; a bina file far larger is something else.
constexpr uint64_t kMaxPaletteBytes = uint64_t{1} << 20;

}  // namespace

Status ConvertSLPInputToSLX(const std::string& input, const std::string& slx_path,
                            const Palette& palette, FrameFileFormat format,
                            const ProgressSink& progress) {
  const std::optional<ArchiveMemberName> member = ArchiveMemberOf(input);
  if (!member) return ConvertSLPToSLX(input, slx_path, palette, format, progress);
  std::string bytes;
  if (Status read = ReadArchiveMember(*member, "slp", bytes, kMaxSLPFileBytes); !read)
    return Status::Fail(kMsgErrorCreatingSLX, read.message());
  const SLPFile file(std::move(bytes));
  return ConvertSLPToSLX(file, input, {member->Archive}, slx_path, palette, format, progress);
}

Status ExportSLPInputFrames(const std::string& input, const std::string& folder,
                            const std::string& title, const Palette& palette,
                            const ExportSettings& settings, const ProgressSink& progress) {
  const std::optional<ArchiveMemberName> member = ArchiveMemberOf(input);
  if (!member) return ExportSLPFrames(input, folder, title, palette, settings, progress);
  std::string bytes;
  if (Status read = ReadArchiveMember(*member, "slp", bytes, kMaxSLPFileBytes); !read)
    return Status::Fail(kMsgErrorExporting, read.message());
  return ExportSLPBytes(std::move(bytes), input, folder, title, palette, settings, progress);
}

Status LoadPaletteInput(const std::string& input, Palette& palette) {
  const std::optional<ArchiveMemberName> member = ArchiveMemberOf(input);
  if (!member) return LoadPalette(input, palette);
  std::string text;
  // The archive's failures name the archive already.
  if (Status read = ReadArchiveMember(*member, "bina", text, kMaxPaletteBytes); !read)
    return Status::Fail(kMsgNotValidPalette, read.message());
  PaletteTable table{};
  if (Status parsed = ParsePaletteFile(text, table); !parsed)
    return Status::Fail(kMsgNotValidPalette, AboutFile(input, parsed.message()));
  palette = Palette(table);
  return Status::Ok();
}

}  // namespace zorv
