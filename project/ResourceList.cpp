#include "project/ResourceList.h"

#include <cmath>
#include <utility>

#include "common/EightBitText.h"
#include "common/Functions.h"

namespace zorv {
namespace {

struct ImportRule {
  const char* extension;
  int16_t kind;
  int16_t target;
  bool id_from_name;
};

constexpr ImportRule kImportTable[] = {
    {"slp", KindSLP, kTargetGraphics, true},
    {"bin", KindBIN, kTargetGamedata, true},
    {"wav", KindWAV, kTargetSounds, true},
    {"slx", KindSLX, kTargetGraphics, true},
    {"txt", KindFile, kTargetReadme, false},
    {"bmp", KindBMP, kTargetIcon, false},
    // An icon picture may be a PNG as well: it is read by its content.
    {"png", KindBMP, kTargetIcon, false},
    {"dll", KindFile, kTargetLanguage, false},
    {"dat", KindFile, kTargetGenieX1, false},
    {"exe", KindFile, kTargetSkirmlandX1, false},
};

// The extension of the file name itself: a "." in a folder name does not
// start one, and a name without "." has none.
std::string FileExtension(const std::string& path) {
  std::string name = GetFileName(path);
  if (name.find('.') == std::string::npos) return {};
  return GetExtension(name);
}

bool InList(const ModProject& project, int16_t current) {
  return current >= 1 && current <= project.ResourceCount &&
         project.Resources.size() >= static_cast<size_t>(project.ResourceCount);
}

}  // namespace

std::optional<ProjectResource> ResourceForFile(const std::string& path) {
  std::string extension = AsciiLower(FileExtension(path));
  for (const ImportRule& rule : kImportTable) {
    if (extension != rule.extension) continue;
    ProjectResource resource;
    resource.FilePath = path;
    resource.Name = AsciiLower(FileNameAsText(GetFileTitle(path)));
    resource.Kind = rule.kind;
    resource.ReplaceTarget = rule.target;
    resource.ResourceID = rule.id_from_name ? LeadingNumberRounded(resource.Name) : 0;
    resource.IconFlags = 0;
    return resource;
  }
  return std::nullopt;
}

Status ImportResource(ModProject& project, const std::string& path, int16_t& number) {
  number = 0;
  std::optional<ProjectResource> resource = ResourceForFile(path);
  if (!resource) return Status::Fail(kMsgUnrecognisedExtension, path);
  if (project.ResourceCount >= kMaxResources || project.ResourceCount < 0)
    return Status::Fail("The project cannot hold more than " + NumberText(kMaxResources) +
                        " resources!");
  auto count = static_cast<int16_t>(project.ResourceCount + 1);
  // The empty slot of an empty project is taken by the first entry.
  project.Resources.resize(static_cast<size_t>(count - 1));
  project.Resources.push_back(std::move(*resource));
  project.ResourceCount = count;
  number = count;
  return Status::Ok();
}

int16_t RemoveResource(ModProject& project, int16_t current) {
  if (!InList(project, current)) return current;
  project.Resources.resize(static_cast<size_t>(project.ResourceCount));
  project.Resources.erase(project.Resources.begin() + (current - 1));
  project.ResourceCount = static_cast<int16_t>(project.ResourceCount - 1);
  if (project.Resources.empty()) project.Resources.emplace_back();
  // 0-based list position of the entry to select.
  int16_t position = MinInt(MaxInt(static_cast<int16_t>(current - 1), 0),
                            static_cast<int16_t>(project.ResourceCount - 1));
  return static_cast<int16_t>(position + 1);
}

int16_t MoveResource(ModProject& project, int16_t current, MoveDirection direction) {
  if (direction == MoveDirection::Up ? !CanMoveUp(project, current)
                                     : !CanMoveDown(project, current))
    return current;
  int16_t other = direction == MoveDirection::Up ? static_cast<int16_t>(current - 1)
                                                 : static_cast<int16_t>(current + 1);
  std::swap(project.Resource(current), project.Resource(other));
  return other;
}

bool CanMoveUp(const ModProject& project, int16_t current) {
  return InList(project, current) && current >= 2;
}

bool CanMoveDown(const ModProject& project, int16_t current) {
  return InList(project, current) && current < project.ResourceCount;
}

bool CanRemoveResource(const ModProject& project, int16_t current) {
  return InList(project, current) && project.ResourceCount >= 2;
}

std::string ResourceListLine(const ProjectResource& resource) {
  return "[" + resource.Name + "]";
}

std::vector<std::string> ResourceListLines(const ModProject& project) {
  std::vector<std::string> lines;
  for (int32_t i = 1; i <= project.ResourceCount; ++i)
    lines.push_back(ResourceListLine(project.Resource(i)));
  return lines;
}

bool RenameResource(ModProject& project, int16_t current, const std::string& name) {
  if (!InList(project, current)) return false;
  ProjectResource& resource = project.Resource(current);
  if (resource.Name == name) return false;
  resource.Name = name;
  return true;
}

std::optional<int32_t> ResourceIDFromText(std::string_view text) {
  double value = std::floor(LeadingNumber(text));
  if (!(value >= static_cast<double>(INT32_MIN) && value <= static_cast<double>(INT32_MAX)))
    return std::nullopt;
  return static_cast<int32_t>(value);
}

void ResourceIDTextChanged(ProjectResource& resource, std::string_view text) {
  if (auto id = ResourceIDFromText(text)) resource.ResourceID = *id;
}

std::string ResourceIDTextLeft(ProjectResource& resource, std::string_view text) {
  ResourceIDTextChanged(resource, text);
  return NumberText(resource.ResourceID);
}

}  // namespace zorv
