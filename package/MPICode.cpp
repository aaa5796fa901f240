#include "package/MPICode.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "codec/Palettes.h"
#include "codec/SLPWriter.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "common/Functions.h"
#include "package/MPIPackage.h"

namespace zorv {
namespace fs = std::filesystem;
namespace {

// The folder of one compile's temporary files: made new inside
// TemporaryFolder() under a name no other compile has, and removed with
// everything the compile put into it when the compile ends however it ends.
class TemporaryFiles {
 public:
  TemporaryFiles() = default;
  TemporaryFiles(const TemporaryFiles&) = delete;
  TemporaryFiles& operator=(const TemporaryFiles&) = delete;
  ~TemporaryFiles() {
    std::error_code ec;
    for (const auto& path : paths_) fs::remove(fs::path(NativePath(path)), ec);
    if (!folder_.empty()) fs::remove(fs::path(NativePath(folder_)), ec);
  }

  // The path of the resource at list position, removed at the end. The
  // folder is made with the first path.
  Status Add(int32_t position, std::string& path) {
    if (folder_.empty())
      if (Status made = Create(); !made) return made;
    paths_.push_back(folder_ + TemporaryResourceName(position));
    path = paths_.back();
    return Status::Ok();
  }

 private:
  Status Create() { return MakeUniqueFolder(TemporaryFolder(), "zorv-compile-", folder_); }

  std::string folder_;
  std::vector<std::string> paths_;
};

struct PackagedSource {
  int32_t position = 0;  // in the resource list
  std::string path;
  int64_t length = 0;
};

class Compiler {
 public:
  Compiler(const ModProject& project, const std::string& package_path,
           const ProgressSink& progress, const SLXLoaded& slx_loaded)
      : project_(project),
        package_path_(package_path),
        progress_(progress),
        slx_loaded_(slx_loaded) {}

  Status Run() {
    Tell(progress_, "Initialising project file", 0, project_.ResourceCount);
    // The package must not be the project file or any file it packages.
    std::vector<std::string> inputs{project_.FilePath};
    const auto listed = static_cast<int32_t>(
        std::min<int64_t>(project_.ResourceCount, static_cast<int64_t>(project_.Resources.size())));
    for (int32_t i = 1; i <= listed; ++i) inputs.push_back(project_.Resource(i).FilePath);
    if (Status apart = RefuseOverwritingInput(package_path_, inputs); !apart)
      return Status::Fail("Error creating package file!", apart.message());
    const bool package_existed = FileExists(package_path_);
    if (Status opened = package_.Open(package_path_); !opened)
      return Refuse(Status::Fail("Error creating package file!", opened.message()));
    if (project_.ResourceCount < 0 ||
        project_.Resources.size() < static_cast<size_t>(project_.ResourceCount))
      return Refuse(Status::Fail(
          "The project's resource list is damaged; the package was not written."));

    std::string readme;
    if (Status read = ReadReadme(readme); !read) return read;
    if (readme.empty()) {
      // The new package file is left behind empty; a package that was
      // already there is kept rather than emptied.
      if (!package_existed) (void)package_.Commit();
      return Status::Fail(kMsgReadmeRequired);
    }
    if (static_cast<int64_t>(project_.Title.size()) > kMPIMaxField)
      return Refuse(Status::Fail("The project title is too long for a package (" +
                                 NumberText(static_cast<int64_t>(project_.Title.size())) +
                                 " bytes; at most " + NumberText(kMPIMaxField) +
                                 ")!\nThe package was not written."));

    int16_t entry_count = 0;
    for (int32_t i = 1; i <= project_.ResourceCount; ++i)
      if (project_.Resource(i).ReplaceTarget != kTargetReadme) ++entry_count;
    package_.Write(EncodeMPIHeader(entry_count, project_.Title, readme));

    int64_t offset = kMPIHeaderSize + static_cast<int64_t>(project_.Title.size()) +
                     static_cast<int64_t>(readme.size()) + kMPIEntrySize * entry_count;
    std::vector<PackagedSource> sources;
    for (int32_t i = 1; i <= project_.ResourceCount; ++i) {
      const ProjectResource& resource = project_.Resource(i);
      if (resource.ReplaceTarget == kTargetReadme) continue;
      Tell(progress_, "Adding file " + resource.Name, i, project_.ResourceCount);
      PackagedSource source;
      if (Status chosen = ChooseSource(i, resource, source); !chosen) return chosen;
      if (offset + source.length > kMPIMaxOffset)
        return RefuseResource(i, "the package would reach 2 GB, more than its offsets "
                                 "can address");
      MPIEntry entry{static_cast<uint8_t>(resource.Kind),
                     static_cast<uint8_t>(resource.ReplaceTarget), resource.ResourceID,
                     static_cast<int32_t>(source.length), static_cast<int32_t>(offset)};
      package_.Write(EncodeMPIEntry(entry));
      offset += source.length;
      sources.push_back(std::move(source));
    }

    std::vector<char> buffer(kPackageCopyBlock);
    for (const PackagedSource& source : sources)
      if (Status copied = CopySource(source, buffer); !copied) return copied;

    if (Status committed = package_.Commit(); !committed)
      return Refuse(Status::Fail("Error writing package file!", committed.message()));
    return Status::Ok();
  }

 private:
  Status Refuse(Status failure) {
    package_.Abandon();
    return failure;
  }

  std::string ResourceText(int32_t position) const {
    return "Resource " + NumberText(position) + " (\"" + project_.Resource(position).Name +
           "\")";
  }

  Status RefuseResource(int32_t position, const std::string& reason) {
    return Refuse(Status::Fail(ResourceText(position) + " cannot be packaged: " + reason +
                               ".\nThe package was not written."));
  }

  // A conversion or load that failed: its own message first, then which
  // resource it stopped and why.
  Status RefuseResource(int32_t position, const Status& cause, const std::string& reason) {
    std::string detail = cause.Detail();
    if (!detail.empty()) detail += "\n";
    detail += ResourceText(position) + " cannot be packaged: " + reason +
              ".\nThe package was not written.";
    return Refuse(Status::Fail(cause.Headline(), detail));
  }

  // The last readme resource of the list gives the readme text.
  Status ReadReadme(std::string& readme) {
    int32_t last = 0;
    for (int32_t i = 1; i <= project_.ResourceCount; ++i)
      if (project_.Resource(i).ReplaceTarget == kTargetReadme) last = i;
    if (last == 0) return Status::Ok();
    const std::string& path = project_.Resource(last).FilePath;
    int64_t size = FileSize(path);
    if (size < 0) return RefuseResource(last, "its file " + path + " cannot be found");
    if (size > kMPIMaxField)
      return RefuseResource(last, "the readme text is too long for a package (" +
                                      NumberText(size) + " bytes; at most " +
                                      NumberText(kMPIMaxField) + ")");
    if (Status read = ReadWholeFile(path, readme, kMPIMaxField); !read)
      return RefuseResource(last, "its file cannot be read (" + read.message() + ")");
    return Status::Ok();
  }

  // The file whose bytes go into the package for resource position: its own
  // file, or the temporary file it is converted into.
  Status ChooseSource(int32_t position, const ProjectResource& resource,
                      PackagedSource& source) {
    source.position = position;
    if (resource.Kind < 0 || resource.Kind > 255 || resource.ReplaceTarget < 0 ||
        resource.ReplaceTarget > 255)
      return RefuseResource(position, "its kind or replace target does not fit in a "
                                      "package entry (0 to 255)");
    // SLX graphics and icons are coded against the game's own palette.
    if (resource.Kind == KindSLX || resource.Kind == KindBMP) {
      if (Status made = temporaries_.Add(position, source.path); !made)
        return RefuseResource(position, "no temporary file can be made for it (" +
                                            made.message() + ")");
    }
    if (resource.Kind == KindSLX) {
      SLXGraphic graphic;
      if (Status loaded = LoadSLX(resource.FilePath, graphic); !loaded)
        return RefuseResource(position, loaded,
                              "its SLX file " + resource.FilePath + " was not recognised");
      if (slx_loaded_) slx_loaded_(graphic);
      std::vector<std::string> frame_files;
      for (int32_t i = 1; i <= graphic.FrameCount; ++i) {
        frame_files.push_back(graphic.ColourPath(i));
        frame_files.push_back(graphic.DataPath(i));
      }
      if (Status apart = RefuseOverwritingInput(package_path_, frame_files); !apart)
        return Refuse(Status::Fail("Error creating package file!", apart.message()));
      const ProgressSink frames = [this](const ProgressStep& step) {
        if (!progress_) return;
        ProgressStep inner = step;
        inner.level = 1;
        progress_(inner);
      };
      if (Status converted =
              ConvertSLXToSLP(graphic, source.path, Palette::BuiltIn(), frames);
          !converted)
        return RefuseResource(position, converted,
                              "its SLX graphic " + resource.FilePath +
                                  " could not be converted to SLP");
    } else if (resource.Kind == KindBMP) {
      if (Status converted = ConvertBMPToIcon(resource.FilePath, source.path,
                                              resource.IconFlags, Palette::BuiltIn());
          !converted)
        return RefuseResource(position, converted,
                              "its bitmap " + resource.FilePath +
                                  " could not be converted to an icon");
    } else {
      source.path = resource.FilePath;
    }
    source.length = FileSize(source.path);
    if (source.length < 0)
      return RefuseResource(position, "the file " + source.path + " cannot be found");
    if (source.length > kMPIMaxOffset)
      return RefuseResource(position, "the file is 2 GB or larger, more than a package "
                                      "entry can hold");
    return Status::Ok();
  }

  // Appends exactly the length the directory announced, in whole blocks and
  // the rest; a file that changed size since then stops the compile.
  Status CopySource(const PackagedSource& source, std::vector<char>& buffer) {
    std::FILE* opened = nullptr;
    if (Status status = OpenForReading(source.path, opened); !status)
      return RefuseResource(source.position, "the file " + source.path + " cannot be read (" +
                                                 status.message() + ")");
    FilePtr file(opened);
    auto length = static_cast<uint64_t>(source.length);
    uint64_t blocks = length / kPackageCopyBlock;
    size_t rest = static_cast<size_t>(length % kPackageCopyBlock);
    for (uint64_t b = 0; b <= blocks; ++b) {
      size_t size = b < blocks ? kPackageCopyBlock : rest;
      if (size == 0) continue;
      if (std::fread(buffer.data(), 1, size, file.get()) != size)
        return RefuseResource(source.position, "the file " + source.path +
                                                   " became shorter or unreadable while "
                                                   "the package was written");
      if (!package_.Write(buffer.data(), size)) {
        Status committed = package_.Commit();
        return Refuse(Status::Fail("Error writing package file!", committed.message()));
      }
    }
    if (std::fgetc(file.get()) != EOF)
      return RefuseResource(source.position, "the file " + source.path +
                                                 " grew while the package was written");
    return Status::Ok();
  }

  const ModProject& project_;
  const std::string& package_path_;
  const ProgressSink& progress_;
  const SLXLoaded& slx_loaded_;
  // Declared before the package so that the package is closed first.
  TemporaryFiles temporaries_;
  SafeFileWriter package_;
};

}  // namespace

std::string TemporaryFolder() {
  std::string folder;
  if (const char* temp = std::getenv("TEMP"); temp && *temp) {
    folder = temp;
  } else {
    std::error_code ec;
    folder = fs::temp_directory_path(ec).string();
    // The system's own search fails on a TEMP that is set but empty; the
    // current folder is no place for temporary files.
    if (ec || folder.empty()) folder = "/tmp";
  }
  if (!folder.empty() && !IsFolderSeparator(folder.back()))
    folder += static_cast<char>(fs::path::preferred_separator);
  return folder;
}

std::string TemporaryResourceName(int32_t position) {
  return "slx2slp_" + NumberText(position) + ".slp";
}

Status CompileMPI(const ModProject& project, const std::string& package_path,
                  const ProgressSink& progress, const SLXLoaded& slx_loaded) {
  Compiler compiler(project, package_path, progress, slx_loaded);
  return compiler.Run();
}

}  // namespace zorv
