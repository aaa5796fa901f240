#include "codec/SLX.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/FileIO.h"
#include "common/Functions.h"
#include "common/TextLines.h"

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

Status FramePathForWriting(const SLXGraphic& graphic, const std::string& name,
                           std::string& path) {
  path.clear();
  auto refuse = [&name](const std::string& why) {
    return Status::Fail("the frame file name \"" + name + "\" " + why +
                        "; files are written only inside the SLX file's folder");
  };
  if (name.empty()) return refuse("is empty");
  const bool drive = name.size() >= 2 && name[1] == ':' &&
                     ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
  if (IsFolderSeparator(name[0]) || drive) return refuse("is absolute");
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = start;
    while (end < name.size() && !IsFolderSeparator(name[end])) ++end;
    if (name.compare(start, end - start, "..") == 0) return refuse("leads up out of the folder");
    start = end + 1;
  }
  const std::string full = GetFolder(graphic.Path) + name;
  // Links inside the folder may still lead out of it.
  namespace fs = std::filesystem;
  std::error_code ec;
  const std::string folder = GetFolder(graphic.Path);
  const fs::path base = fs::weakly_canonical(
      fs::absolute(fs::path(NativePath(folder.empty() ? std::string(".") : folder)), ec), ec);
  const fs::path target = fs::weakly_canonical(fs::absolute(fs::path(NativePath(full)), ec), ec);
  if (ec) return refuse("cannot be followed (" + ec.message() + ")");
  const fs::path inside = target.lexically_relative(base);
  if (inside.empty() || *inside.begin() == "..") return refuse("leads out of the folder through a link");
  path = full;
  return Status::Ok();
}

Status ParseSLX(LineSource& lines, SLXGraphic& graphic) {
  std::string line;
  // A read that failed (a line far too long, say) says why; a file that
  // ended says what it lacks.
  auto missing = [&lines](const char* what) {
    return lines.status() ? Status::Fail(what) : lines.status();
  };
  if (!lines.Next(line) || line != kSLXHeader)
    return Status::Fail("the first line is not \"SLX 0.5\"");
  if (!lines.Next(line)) return missing("the frame count is missing");
  auto count = ParseNumberLine(line, 0, kMaxFrames);
  if (!count) return Status::Fail("the frame count is not a number of frames");
  SLXGraphic parsed;
  parsed.FrameCount = *count;
  // Filled as the lines come, so a count the file does not back up costs
  // nothing.
  parsed.Frames.reserve(std::min<size_t>(static_cast<size_t>(*count), 4096));
  for (int32_t i = 0; i < *count; ++i) {
    SLXFrame& frame = parsed.Frames.emplace_back();
    if (!lines.Next(line)) return missing("the file lists fewer frames than its count says");
    if (!ParseHotSpot(line, frame.CenterX, frame.CenterY))
      return Status::Fail("the hot spot of frame " + std::to_string(i + 1) +
                          " is not two numbers separated by \",\"");
    if (!lines.Next(frame.DataFile) || !lines.Next(frame.ColourFile))
      return missing("the file lists fewer frames than its count says");
  }
  graphic.FrameCount = parsed.FrameCount;
  graphic.Frames = std::move(parsed.Frames);
  return Status::Ok();
}

Status ParseSLX(std::string_view text, SLXGraphic& graphic) {
  TextLineSource lines(text);
  return ParseSLX(lines, graphic);
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
  FileLineSource lines;
  Status status = lines.Open(path);
  SLXGraphic parsed;
  if (status) status = ParseSLX(lines, parsed);
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
