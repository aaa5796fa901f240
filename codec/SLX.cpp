#include "codec/SLX.h"

#include "common/FileIO.h"
#include "common/Functions.h"
#include "common/Report.h"

namespace zorv {
namespace {

SLXGraphic current_graphic;
SLXLoadListener* load_listener = nullptr;

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

SLXGraphic& CurrentSLX() { return current_graphic; }

void SetSLXLoadListener(SLXLoadListener* listener) { load_listener = listener; }

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

bool LoadSLX(const std::string& path, bool show_editor) {
  std::string text;
  Status status = ReadWholeFile(path, text, uint64_t{256} << 20);
  SLXGraphic parsed;
  if (status) status = ParseSLX(text, parsed);
  if (!status) {
    Report(Message{"Unrecognised file format!\n" + AboutFile(path, status.message()),
                   "Error", MsgIcon::Exclamation, MsgButtons::OK, MsgAnswer::OK});
    return false;
  }
  SLXGraphic& graphic = current_graphic;
  graphic.Path = path;
  graphic.FrameCount = parsed.FrameCount;
  graphic.Frames.clear();
  if (show_editor && load_listener) load_listener->ShowEditor(parsed.FrameCount);
  graphic.AnimateFirst = 1;
  graphic.AnimateLast = parsed.FrameCount;
  graphic.CurrentFrame = 1;
  graphic.Frames = std::move(parsed.Frames);
  if (load_listener) load_listener->FirstDisplay();
  return true;
}

bool SaveSLX(const SLXGraphic& graphic) {
  Status written = WriteFileSafely(graphic.Path, FormatSLX(graphic));
  if (!written) {
    ReportError("Error saving SLX file!\n" + written.message());
    return false;
  }
  return true;
}

}  // namespace zorv
