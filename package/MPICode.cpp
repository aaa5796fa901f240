#include "package/MPICode.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "codec/SLPWriter.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "common/Functions.h"
#include "common/Report.h"
#include "package/MPIPackage.h"

namespace zorv {
namespace fs = std::filesystem;
namespace {

// Temporary files made during one compile, removed when it ends however it
// ends.
class TemporaryFiles {
 public:
  TemporaryFiles() = default;
  TemporaryFiles(const TemporaryFiles&) = delete;
  TemporaryFiles& operator=(const TemporaryFiles&) = delete;
  ~TemporaryFiles() {
    for (const auto& path : paths_) Remove(path);
  }
  // Also clears away a file left there by an earlier run, so that nothing
  // but this compile's own conversion can be packaged from it.
  void Add(const std::string& path) {
    Remove(path);
    paths_.push_back(path);
  }

 private:
  static void Remove(const std::string& path) {
    std::error_code ec;
    fs::remove(fs::path(NativePath(path)), ec);
  }
  std::vector<std::string> paths_;
};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

struct PackagedSource {
  int32_t position = 0;  // in the resource list
  std::string path;
  int64_t length = 0;
};

class Compiler {
 public:
  Compiler(const ModProject& project, const std::string& package_path,
           const ProgressSink& progress, const ProgressSink& file_progress)
      : project_(project),
        package_path_(package_path),
        progress_(progress),
        file_progress_(file_progress) {}

  bool Run() {
    Say("Initialising project file", 0.0);
    if (Status opened = package_.Open(package_path_); !opened)
      return Refuse("Error creating package file!\n" + opened.message());
    if (project_.ResourceCount < 0 ||
        project_.Resources.size() < static_cast<size_t>(project_.ResourceCount))
      return Refuse("The project's resource list is damaged; the package was not written.");

    std::string readme;
    if (!ReadReadme(readme)) return false;
    if (readme.empty()) {
      Report(Message{kMsgReadmeRequired, "Error", MsgIcon::Critical, MsgButtons::OK,
                     MsgAnswer::OK});
      // The new package file is left behind empty; a package that was
      // already there is kept rather than emptied.
      if (!FileExists(package_path_)) (void)package_.Commit();
      return false;
    }
    if (static_cast<int64_t>(project_.Title.size()) > kMPIMaxField)
      return Refuse("The project title is too long for a package (" +
                    NumberText(static_cast<int64_t>(project_.Title.size())) +
                    " bytes; at most " + NumberText(kMPIMaxField) +
                    ")!\nThe package was not written.");

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
      Say("Adding file " + resource.Name,
          static_cast<double>(i - 1) / project_.ResourceCount);
      PackagedSource source;
      if (!ChooseSource(i, resource, source)) return false;
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
      if (!CopySource(source, buffer)) return false;

    if (Status committed = package_.Commit(); !committed)
      return Refuse("Error writing package file!\n" + committed.message());
    return true;
  }

 private:
  void Say(const std::string& caption, double fraction) {
    if (progress_) progress_(caption, fraction);
  }

  bool Refuse(const std::string& text) {
    package_.Abandon();
    Report(Message{text, "Error", MsgIcon::Critical, MsgButtons::OK, MsgAnswer::OK});
    return false;
  }

  bool RefuseResource(int32_t position, const std::string& reason) {
    return Refuse("Resource " + NumberText(position) + " (\"" +
                  project_.Resource(position).Name + "\") cannot be packaged: " + reason +
                  ".\nThe package was not written.");
  }

  // The last readme resource of the list gives the readme text.
  bool ReadReadme(std::string& readme) {
    int32_t last = 0;
    for (int32_t i = 1; i <= project_.ResourceCount; ++i)
      if (project_.Resource(i).ReplaceTarget == kTargetReadme) last = i;
    if (last == 0) return true;
    const std::string& path = project_.Resource(last).FilePath;
    int64_t size = FileSize(path);
    if (size < 0) return RefuseResource(last, "its file " + path + " cannot be found");
    if (size > kMPIMaxField)
      return RefuseResource(last, "the readme text is too long for a package (" +
                                      NumberText(size) + " bytes; at most " +
                                      NumberText(kMPIMaxField) + ")");
    if (Status read = ReadWholeFile(path, readme, kMPIMaxField); !read)
      return RefuseResource(last, "its file cannot be read (" + read.message() + ")");
    return true;
  }

  // The file whose bytes go into the package for resource position: its own
  // file, or the temporary file it is converted into.
  bool ChooseSource(int32_t position, const ProjectResource& resource,
                    PackagedSource& source) {
    source.position = position;
    if (resource.Kind < 0 || resource.Kind > 255 || resource.ReplaceTarget < 0 ||
        resource.ReplaceTarget > 255)
      return RefuseResource(position, "its kind or replace target does not fit in a "
                                      "package entry (0 to 255)");
    if (resource.Kind == KindSLX) {
      source.path = TemporaryResourcePath(position);
      temporaries_.Add(source.path);
      if (!LoadSLX(resource.FilePath, false))
        return RefuseResource(position, "its SLX file " + resource.FilePath +
                                            " was not recognised");
      if (!ConvertSLXToSLP(CurrentSLX(), source.path, file_progress_))
        return RefuseResource(position, "its SLX graphic " + resource.FilePath +
                                            " could not be converted to SLP");
    } else if (resource.Kind == KindBMP) {
      source.path = TemporaryResourcePath(position);
      temporaries_.Add(source.path);
      if (!ConvertBMPToIcon(resource.FilePath, source.path, resource.IconFlags))
        return RefuseResource(position, "its bitmap " + resource.FilePath +
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
    return true;
  }

  // Appends exactly the length the directory announced, in whole blocks and
  // the rest; a file that changed size since then stops the compile.
  bool CopySource(const PackagedSource& source, std::vector<char>& buffer) {
    std::unique_ptr<std::FILE, FileCloser> file(
        std::fopen(NativePath(source.path).c_str(), "rb"));
    if (!file)
      return RefuseResource(source.position, "the file " + source.path +
                                                 " cannot be read (" + SystemReason() + ")");
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
        return Refuse("Error writing package file!\n" + committed.message());
      }
    }
    if (std::fgetc(file.get()) != EOF)
      return RefuseResource(source.position, "the file " + source.path +
                                                 " grew while the package was written");
    return true;
  }

  const ModProject& project_;
  const std::string& package_path_;
  const ProgressSink& progress_;
  const ProgressSink& file_progress_;
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
  }
  if (!folder.empty() && !IsFolderSeparator(folder.back()))
    folder += static_cast<char>(fs::path::preferred_separator);
  return folder;
}

std::string TemporaryResourcePath(int32_t position) {
  return TemporaryFolder() + "slx2slp_" + NumberText(position) + ".slp";
}

bool CompileMPI(const ModProject& project, const std::string& package_path,
                const ProgressSink& progress, const ProgressSink& file_progress) {
  Compiler compiler(project, package_path, progress, file_progress);
  return compiler.Run();
}

}  // namespace zorv
