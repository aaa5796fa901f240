#include "project/ModProject.h"

#include <algorithm>

#include "common/FileIO.h"
#include "common/TextLines.h"
#include "common/Functions.h"

namespace zorv {
namespace {

constexpr size_t kLinesPerResource = 6;

ProjectFileResult Failure(ProjectFileError error, std::string reason) {
  return ProjectFileResult{error, std::move(reason)};
}

// A line as quoted in a message: long ones cut short.
std::string Shortened(const std::string& line) {
  constexpr size_t kMaxQuoted = 40;
  return line.size() <= kMaxQuoted ? line : line.substr(0, kMaxQuoted) + "...";
}

// Reads the lines of a project file one after the other, the way the file
// was written, and says what was wrong with the first line that fails. Only
// the lines asked for are read: what follows the last resource is never
// looked at.
class LineReader {
 public:
  explicit LineReader(LineSource& lines) : lines_(lines) {}

  bool Text(std::string& out, const char* what) {
    if (!NextLine(out)) return Missing(what);
    return true;
  }

  template <typename Int>
  bool Number(Int& out, int64_t minimum, int64_t maximum, const char* what) {
    std::string line;
    if (!NextLine(line)) return Missing(what);
    auto value = ParseNumberLine(line, minimum, maximum);
    if (!value)
      return Fail(std::string(what) + " \"" + Shortened(line) +
                  "\" is not a whole number from " + NumberText(minimum) + " to " +
                  NumberText(maximum));
    out = static_cast<Int>(*value);
    return true;
  }

  const std::string& reason() const { return reason_; }

 private:
  bool NextLine(std::string& line) {
    if (!lines_.Next(line)) return false;
    // A file that ends in a lone CR still ends its last line there.
    if (lines_.LastLineUnterminated() && !line.empty() && line.back() == '\r') line.pop_back();
    return true;
  }

  // The line asked for is not there: the file ended, or could not be read.
  bool Missing(const char* what) {
    if (!lines_.status()) {
      reason_ = lines_.status().message();
      return false;
    }
    return FailAt(lines_.LinesRead() + 1, std::string(what) + " is missing");
  }

  // Says what is wrong with the line just read.
  bool Fail(std::string what) { return FailAt(lines_.LinesRead(), std::move(what)); }

  bool FailAt(uint64_t line, std::string what) {
    reason_ = "line " + NumberText(static_cast<int64_t>(line)) + ": " + what;
    return false;
  }

  LineSource& lines_;
  std::string reason_;
};

bool HoldsLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

Status OpenFailure(const std::string& path, const ProjectFileResult& result) {
  const char* first = result.error == ProjectFileError::Format ? kMsgUnrecognisedFormat
                                                               : kMsgErrorOpeningProject;
  return Status::Fail(first, AboutFile(path, result.reason));
}

}  // namespace

std::string ResourceKindName(int32_t kind) {
  switch (kind) {
    case KindSLP: return "SLP";
    case KindWAV: return "WAV";
    case KindBIN: return "BIN";
    case KindSLX: return "SLX";
    case KindFile: return "file";
    case KindBMP: return "BMP";
    default: return "kind " + NumberText(kind);
  }
}

std::string ReplaceTargetName(int32_t target) {
  if (target >= 0 && target < static_cast<int32_t>(ReplaceTargets.size()))
    return ReplaceTargets[static_cast<size_t>(target)];
  return "target " + NumberText(target);
}

std::optional<int16_t> FindReplaceTarget(std::string_view name) {
  for (size_t i = 0; i < ReplaceTargets.size(); ++i)
    if (name == ReplaceTargets[i]) return static_cast<int16_t>(i);
  return std::nullopt;
}

int32_t IconFlagsValue(uint8_t civilisations, int32_t category) {
  return civilisations + 256 * category;
}

int32_t IconCategory(int32_t icon_flags) { return icon_flags / 256; }

uint8_t IconCivilisations(int32_t icon_flags) {
  return static_cast<uint8_t>(icon_flags & 255);
}

ModProject MakeNewProject(const std::string& path) {
  ModProject project;
  project.FilePath = path;
  project.Title = "Unnamed";
  project.ResourceCount = 0;
  project.Resources.assign(1, ProjectResource{});
  return project;
}

std::string FormatProjectFile(const ModProject& project) {
  std::vector<std::string> lines;
  lines.reserve(3 + kLinesPerResource * static_cast<size_t>(std::max<int16_t>(
                                            project.ResourceCount, 0)));
  lines.emplace_back(kProjectHeader);
  lines.push_back(project.Title);
  lines.push_back(NumberText(project.ResourceCount));
  for (int32_t i = 1; i <= project.ResourceCount; ++i) {
    const ProjectResource& r = project.Resource(i);
    lines.push_back(r.Name);
    lines.push_back(r.FilePath);
    lines.push_back(NumberText(r.Kind));
    lines.push_back(NumberText(r.ReplaceTarget));
    lines.push_back(NumberText(r.ResourceID));
    lines.push_back(NumberText(r.IconFlags));
  }
  return JoinLinesCRLF(lines);
}

ProjectFileResult ParseProjectFile(LineSource& lines, ModProject& project) {
  LineReader reader(lines);
  std::string header;
  const bool have_header = reader.Text(header, "the header");
  if (!have_header && lines.status()) return Failure(ProjectFileError::Read, "the file is empty");
  // A first line too long to read is no header either.
  if (!have_header || header != kProjectHeader)
    return Failure(ProjectFileError::Format,
                   "the first line is not \"" + std::string(kProjectHeader) + "\"");

  ModProject read;
  int16_t count = 0;
  if (!reader.Text(read.Title, "the title") ||
      !reader.Number(count, 0, kMaxResources, "the resource count"))
    return Failure(ProjectFileError::Read, reader.reason());
  read.ResourceCount = count;
  // Filled as the lines come, so a count the file does not back up costs
  // nothing.
  read.Resources.reserve(count == 0 ? 1 : std::min<size_t>(static_cast<size_t>(count), 1024));
  for (int32_t i = 1; i <= count; ++i) {
    ProjectResource& r = read.Resources.emplace_back();
    if (!reader.Text(r.Name, "the resource name") ||
        !reader.Text(r.FilePath, "the resource file") ||
        !reader.Number(r.Kind, INT16_MIN, INT16_MAX, "the kind") ||
        !reader.Number(r.ReplaceTarget, INT16_MIN, INT16_MAX, "the replace target") ||
        !reader.Number(r.ResourceID, INT32_MIN, INT32_MAX, "the resource ID") ||
        !reader.Number(r.IconFlags, INT32_MIN, INT32_MAX, "the icon flags"))
      return Failure(ProjectFileError::Read,
                     reader.reason() + " (resource " + NumberText(i) + ")");
  }
  if (count == 0) read.Resources.resize(1);
  // Lines after the last resource are ignored.
  read.FilePath = project.FilePath;
  project = std::move(read);
  return {};
}

ProjectFileResult ParseProjectFile(std::string_view text, ModProject& project) {
  TextLineSource lines(text);
  return ParseProjectFile(lines, project);
}

ProjectFileResult LoadProjectFile(const std::string& path, ModProject& project) {
  FileLineSource lines;
  if (Status opened = lines.Open(path); !opened)
    return Failure(ProjectFileError::Read, opened.message());
  ModProject read;
  ProjectFileResult result = ParseProjectFile(lines, read);
  if (!result) return result;
  read.FilePath = path;
  project = std::move(read);
  return result;
}

Status SaveProjectFile(const ModProject& project) {
  if (project.ResourceCount < 0 ||
      project.Resources.size() < static_cast<size_t>(project.ResourceCount))
    return Status::Fail(project.FilePath + ": the resource list is damaged");
  if (HoldsLineBreak(project.Title))
    return Status::Fail(project.FilePath + ": the title holds a line break");
  for (int32_t i = 1; i <= project.ResourceCount; ++i) {
    const ProjectResource& r = project.Resource(i);
    if (HoldsLineBreak(r.Name) || HoldsLineBreak(r.FilePath))
      return Status::Fail(project.FilePath + ": the name or file of resource " +
                          NumberText(i) + " holds a line break");
  }
  return WriteFileSafely(project.FilePath, FormatProjectFile(project));
}

Status OpenProject(const std::string& path, ModProject& project) {
  ProjectFileResult result = LoadProjectFile(path, project);
  if (!result) return OpenFailure(path, result);
  return Status::Ok();
}

Status SaveProject(const ModProject& project) {
  Status saved = SaveProjectFile(project);
  if (!saved) return Status::Fail(kMsgErrorSavingProject, saved.message());
  return Status::Ok();
}

Status NewProject(const std::string& path, ModProject& project) {
  ModProject created = MakeNewProject(path);
  if (Status saved = SaveProject(created); !saved) return saved;
  project = std::move(created);
  return Status::Ok();
}

}  // namespace zorv
