#include "codec/SLX.h"

#include "common/FileIO.h"
#include "common/Functions.h"

namespace zorv {
namespace {

// An SLX file lists at most this many frames; more is taken as damage.
constexpr int32_t kMaxFrames = 1'000'000;

bool ParseHotSpot(std::string_view line, int32_t& x, int32_t& y) {
  size_t comma = line.find(',');
  if (comma == std::string_view::npos) return false;
  auto first = ParseNumberLine(line.substr(0, comma));
  auto second = ParseNumberLine(line.substr(comma + 1));
  if (!first || !second) return false;
  x = *first;
  y = *second;
  return true;
}

}  // namespace

std::string SLXGraphic::ColourPath(int32_t i) const {
  return GetFolder(Path) + Frame(i).ColourFile;
}

std::string SLXGraphic::DataPath(int32_t i) const {
  return GetFolder(Path) + Frame(i).DataFile;
}

Status ParseSLX(std::string_view text, SLXGraphic& graphic) {
  std::vector<std::string> lines = SplitLines(text);
  if (lines.empty() || lines[0] != kSLXHeader)
    return Status::Fail("the first line is not \"SLX 0.5\"");
  if (lines.size() < 2) return Status::Fail("the frame count is missing");
  auto count = ParseNumberLine(lines[1], 0, kMaxFrames);
  if (!count) return Status::Fail("the frame count is not a number of frames");
  if (lines.size() < 2 + 3 * static_cast<size_t>(*count))
    return Status::Fail("the file lists fewer frames than its count says");
  SLXGraphic parsed;
  parsed.FrameCount = *count;
  parsed.Frames.resize(static_cast<size_t>(*count));
  for (int32_t i = 0; i < *count; ++i) {
    SLXFrame& frame = parsed.Frames[static_cast<size_t>(i)];
    size_t line = 2 + 3 * static_cast<size_t>(i);
    if (!ParseHotSpot(lines[line], frame.CenterX, frame.CenterY))
      return Status::Fail("the hot spot of frame " + std::to_string(i + 1) +
                          " is not two numbers separated by \",\"");
    frame.DataFile = lines[line + 1];
    frame.ColourFile = lines[line + 2];
  }
  graphic.FrameCount = parsed.FrameCount;
  graphic.Frames = std::move(parsed.Frames);
  return Status::Ok();
}

std::string FormatSLX(const SLXGraphic& graphic) {
  std::vector<std::string> lines;
  lines.reserve(2 + 3 * graphic.Frames.size());
  lines.emplace_back(kSLXHeader);
  lines.push_back(NumberText(graphic.FrameCount));
  for (int32_t i = 1; i <= graphic.FrameCount; ++i) {
    const SLXFrame& frame = graphic.Frame(i);
    lines.push_back(NumberText(frame.CenterX) + "," + NumberText(frame.CenterY));
    lines.push_back(frame.DataFile);
    lines.push_back(frame.ColourFile);
  }
  return JoinLinesCRLF(lines);
}

Status LoadSLX(const std::string& path, SLXGraphic& graphic) {
  std::string text;
  Status status = ReadWholeFile(path, text, uint64_t{256} << 20);
  SLXGraphic parsed;
  if (status) status = ParseSLX(text, parsed);
  if (!status) return Status::Fail(kMsgUnrecognisedSLX, AboutFile(path, status.message()));
  parsed.Path = path;
  graphic = std::move(parsed);
  return Status::Ok();
}

Status SaveSLX(const SLXGraphic& graphic) {
  Status written = WriteFileSafely(graphic.Path, FormatSLX(graphic));
  if (!written) return Status::Fail(kMsgErrorSavingSLX, written.message());
  return Status::Ok();
}

}  // namespace zorv
