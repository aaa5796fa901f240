// `zorv info` for mod projects (.mpr) and the packages compiled from them
// (.mpi).
#include <cstdio>
#include <string>

#include "app/cli/InfoDescriptions.h"
#include "common/FileIO.h"
#include "common/Functions.h"
#include "package/MPIPackage.h"
#include "project/ModProject.h"
#include "project/ResourceList.h"

namespace zorv::cli {
namespace {

std::string Text(const InfoJson& value) { return TerminalText(value); }

}  // namespace

Status DescribeProject(const std::string& path, InfoJson& out) {
  ModProject project;
  ProjectFileResult result = LoadProjectFile(path, project);
  if (!result)
    return Status::Fail(result.error == ProjectFileError::Format ? kMsgUnrecognisedFormat
                                                                 : kMsgErrorOpeningProject,
                        AboutFile(path, result.reason));
  out["title"] = project.Title;
  InfoJson& list = out["resources"] = InfoJson::array();
  for (int32_t i = 1; i <= project.ResourceCount; ++i) {
    const ProjectResource& r = project.Resource(i);
    const int64_t size = FileSize(r.FilePath);
    list.push_back({{"name", r.Name},
                    {"kind", ResourceKindName(r.Kind)},
                    {"target", ReplaceTargetName(r.ReplaceTarget)},
                    {"id", r.ResourceID},
                    {"icon_flags", r.IconFlags},
                    {"size", size < 0 ? InfoJson(nullptr) : InfoJson(size)},
                    {"path", r.FilePath}});
  }
  return Status::Ok();
}

void PrintProject(const InfoJson& d) {
  std::printf("Mod project %s\n", Text(d["file"]).c_str());
  std::printf("title \"%s\"\n", Text(d["title"]).c_str());
  std::printf("resources %zu\n", d["resources"].size());
  if (d["resources"].empty()) return;
  std::printf("%4s %-16s %-5s %-13s %11s %5s %10s  %s\n", "#", "name", "kind", "target",
              "ID", "icon", "size", "file");
  int number = 0;
  for (const InfoJson& r : d["resources"]) {
    const std::string size =
        r["size"].is_null() ? "missing" : NumberText(r["size"].get<int64_t>());
    std::printf("%4d %-16s %-5s %-13s %11d %5d %10s  %s\n", ++number, Text(r["name"]).c_str(),
                Text(r["kind"]).c_str(), Text(r["target"]).c_str(), r["id"].get<int>(),
                r["icon_flags"].get<int>(), size.c_str(), Text(r["path"]).c_str());
  }
}

Status DescribePackage(const std::string& path, InfoJson& out) {
  MPIPackage package;
  if (Status read = ReadMPIPackage(path, package); !read) return read;
  out["bytes"] = package.FileSize;
  out["title"] = package.Title;
  out["readme_bytes"] = package.Readme.size();
  InfoJson& list = out["entries"] = InfoJson::array();
  for (const MPIEntry& e : package.Entries)
    list.push_back({{"kind", ResourceKindName(e.Kind)},
                    {"target", ReplaceTargetName(e.ReplaceTarget)},
                    {"id", e.ResourceID},
                    {"length", e.Length},
                    {"offset", e.Offset}});
  return Status::Ok();
}

void PrintPackage(const InfoJson& d) {
  std::printf("MPI package %s, %lld bytes\n", Text(d["file"]).c_str(),
              d["bytes"].get<long long>());
  const std::string title = Text(d["title"]);
  std::printf("title \"%s\" (%zu bytes)\n", title.c_str(), title.size());
  std::printf("readme %zu bytes\n", d["readme_bytes"].get<size_t>());
  std::printf("entries %zu\n", d["entries"].size());
  if (d["entries"].empty()) return;
  std::printf("%4s %-5s %-13s %11s %10s %10s\n", "#", "kind", "target", "ID", "length",
              "offset");
  size_t number = 0;
  for (const InfoJson& e : d["entries"])
    std::printf("%4zu %-5s %-13s %11d %10d %10d\n", ++number, Text(e["kind"]).c_str(),
                Text(e["target"]).c_str(), e["id"].get<int>(), e["length"].get<int>(),
                e["offset"].get<int>());
}

}  // namespace zorv::cli
