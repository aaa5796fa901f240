#include "package/UnpackPackage.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include "codec/FrameBitmaps.h"
#include "codec/IconReader.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "codec/SLPWriter.h"
#include "codec/SLX.h"
#include "common/FileIO.h"
#include "common/Functions.h"
#include "package/MPICode.h"
#include "package/MPIPackage.h"
#include "package/UnpackNames.h"
#include "project/ModProject.h"

namespace zorv {
namespace fs = std::filesystem;
namespace {

// Icon row data holds at most a few bytes a pixel (a copy command's byte
// per pixel, a row's offset and end): longer data is no icon, and is not
// read into memory.
constexpr uint64_t kMaxIconBytes = 8 * static_cast<uint64_t>(kMaxSLPFramePixels) + 12;

bool HoldsLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

// "entry 3 (SLX graphic 1234 for graphics)": how messages name an entry.
std::string EntryText(int32_t number, const MPIEntry& entry) {
  return "entry " + NumberText(number) + " (" + ResourceKindName(entry.Kind) + " " +
         NumberText(entry.ResourceID) + " for " + ReplaceTargetName(entry.ReplaceTarget) + ")";
}

// Whether two files hold the same bytes, read block by block.
bool SameBytes(const std::string& a, const std::string& b) {
  if (FileSize(a) != FileSize(b) || FileSize(a) < 0) return false;
  std::FILE* opened_a = nullptr;
  std::FILE* opened_b = nullptr;
  if (!OpenForReading(a, opened_a)) return false;
  FilePtr file_a(opened_a);
  if (!OpenForReading(b, opened_b)) return false;
  FilePtr file_b(opened_b);
  std::vector<char> block_a(kPackageCopyBlock), block_b(kPackageCopyBlock);
  for (;;) {
    const size_t read_a = std::fread(block_a.data(), 1, block_a.size(), file_a.get());
    const size_t read_b = std::fread(block_b.data(), 1, block_b.size(), file_b.get());
    if (read_a != read_b) return false;
    if (read_a == 0) return true;
    if (!std::equal(block_a.begin(), block_a.begin() + static_cast<std::ptrdiff_t>(read_a),
                    block_b.begin()))
      return false;
  }
}

// The folder every file is written into before it is moved into place,
// removed with whatever is left in it when the unpack ends.
class StagingFolder {
 public:
  StagingFolder() = default;
  StagingFolder(const StagingFolder&) = delete;
  StagingFolder& operator=(const StagingFolder&) = delete;
  ~StagingFolder() {
    if (path_.empty()) return;
    std::error_code ec;
    fs::remove_all(fs::path(NativePath(path_)), ec);
  }
  Status Make(const std::string& parent) {
    return MakeUniqueFolder(parent, ".zorv-unpack-", path_);
  }
  std::string File(const std::string& name) const { return path_ + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;  // ends in "/"
};

class Unpacker {
 public:
  Unpacker(const std::string& package_path, const std::string& folder,
           const UnpackOptions& options, const ProgressSink& progress)
      : package_path_(package_path), folder_(folder), options_(options), progress_(progress) {}

  const std::string& made_folder() const { return made_folder_; }

  Status Run(UnpackResult& result) {
    if (Status read = ReadMPIPackage(package_path_, package_); !read) return Fail(read.message());
    // The readme is a resource too.
    int64_t resources = 1;
    for (const MPIEntry& entry : package_.Entries)
      if (entry.ReplaceTarget != kTargetReadme) ++resources;
    if (resources > kMaxResources)
      return Fail("the package has more entries than a project can hold resources (" +
                  NumberText(kMaxResources) + ", the readme included)");
    if (Status ready = PrepareFolder(); !ready) return ready;
    if (Status made = staging_.Make(full_folder_); !made)
      return Fail("no folder for the unpacked files can be made in " + full_folder_ + " (" +
                  made.message() + ")");

    const std::string project_name = ProjectName();
    names_.Reserve(project_name);
    names_.Reserve(kUnpackedReadmeName);
    project_.FilePath = full_folder_ + project_name;
    project_.Title = package_.Title;
    if (HoldsLineBreak(project_.Title)) {
      for (char& c : project_.Title)
        if (c == '\r' || c == '\n') c = ' ';
      Differ("the title holds line breaks, which a project file cannot; they became blanks");
    }

    if (Status readme = UnpackReadme(); !readme) return readme;
    const auto count = static_cast<int32_t>(package_.Entries.size());
    for (int32_t i = 1; i <= count; ++i) {
      Tell(progress_, "Unpacking entry " + NumberText(i), i, count);
      if (Status unpacked = UnpackEntry(i, package_.Entries[static_cast<size_t>(i - 1)]);
          !unpacked)
        return unpacked;
    }
    project_.ResourceCount = static_cast<int16_t>(project_.Resources.size());

    if (Status moved = MoveIntoPlace(); !moved) return moved;
    if (Status saved = SaveProjectFile(project_); !saved)
      return Fail("the project cannot be written: " + saved.message() +
                  "\nThe files were written, but no project names them.");
    files_.push_back(project_name);
    result.ProjectPath = project_.FilePath;
    result.Files = std::move(files_);
    result.Differences = std::move(differences_);
    return Status::Ok();
  }

 private:
  Status Fail(const std::string& detail) const {
    return Status::Fail(kMsgErrorUnpacking, detail);
  }

  void Differ(const std::string& what) { differences_.push_back(what); }

  // The project is named after the package: castle.mpi gives castle.mpr.
  std::string ProjectName() const {
    std::string title = GetFileName(package_path_);
    if (const size_t dot = title.rfind('.'); dot != std::string::npos && dot > 0)
      title.erase(dot);
    if (title.empty()) title = "project";
    return title + ".mpr";
  }

  // Makes the folder when it is missing; one holding anything already is
  // taken only with force.
  Status PrepareFolder() {
    if (folder_.empty()) return Fail("no folder was given to unpack into");
    std::error_code ec;
    fs::path full = fs::absolute(fs::path(NativePath(folder_)), ec);
    if (ec) return Fail(folder_ + ": " + ec.message());
    full = full.lexically_normal();
    const fs::file_status status = fs::status(full, ec);
    if (fs::exists(status)) {
      if (!fs::is_directory(status)) return Fail(folder_ + ": is a file, not a folder");
      if (!options_.force && !fs::is_empty(full, ec))
        return Fail(folder_ + ": the folder is not empty; give --force to unpack into it "
                              "and replace the files of the same names");
      if (ec) return Fail(folder_ + ": " + ec.message());
    } else {
      fs::create_directories(full, ec);
      if (ec) return Fail(folder_ + ": cannot make the folder (" + ec.message() + ")");
      made_folder_ = full.string();
    }
    full_folder_ = full.string();
    if (full_folder_.empty() || !IsFolderSeparator(full_folder_.back()))
      full_folder_ += static_cast<char>(fs::path::preferred_separator);
    if (HoldsLineBreak(full_folder_))
      return Fail(folder_ + ": a folder whose path holds a line break cannot be named "
                            "in a project file");
    return Status::Ok();
  }

  // Adds a resource for the file name in the folder.
  void AddResource(const std::string& name, const std::string& title, int16_t kind,
                   int16_t target, int32_t id, int32_t icon_flags = 0) {
    ProjectResource resource;
    resource.Name = title;
    resource.FilePath = full_folder_ + name;
    resource.Kind = kind;
    resource.ReplaceTarget = target;
    resource.ResourceID = id;
    resource.IconFlags = icon_flags;
    project_.Resources.push_back(std::move(resource));
  }

  Status UnpackReadme() {
    if (Status written = WriteFileSafely(staging_.File(kUnpackedReadmeName), package_.Readme);
        !written)
      return Fail("the readme cannot be written: " + written.message());
    staged_.push_back(kUnpackedReadmeName);
    AddResource(kUnpackedReadmeName, "readme", KindFile, kTargetReadme, 0);
    if (package_.Readme.empty())
      Differ("the package has no readme text; the project compiles only once " +
             std::string(kUnpackedReadmeName) + " holds some");
    return Status::Ok();
  }

  // Copies an entry's bytes out of the package into a staged file, block
  // by block, so that no entry is ever held in memory whole.
  Status CopyEntry(const MPIEntry& entry, const std::string& path) {
    std::FILE* opened = nullptr;
    if (Status status = OpenForReading(package_path_, opened); !status) return status;
    FilePtr file(opened);
    SafeFileWriter writer;
    if (Status open = writer.Open(path); !open) return open;
    std::string block;
    if (CopyFileStretch(file.get(), static_cast<uint64_t>(entry.Offset),
                        static_cast<uint64_t>(entry.Length), block,
                        [&writer](std::string_view bytes) { return writer.Write(bytes); }) ==
        StretchCopy::kFileEnded)
      return Status::Fail(package_path_ + ": the entry's data cannot be read");
    return writer.Commit();
  }

  Status UnpackEntry(int32_t number, const MPIEntry& entry) {
    const std::string about = EntryText(number, entry);
    std::string title;
    const std::string name = names_.Take(UnpackedTitle(entry), UnpackedExtension(entry), &title);
    if (entry.Kind == KindBMP) return UnpackIcon(number, entry, name, title);

    if (Status copied = CopyEntry(entry, staging_.File(name)); !copied)
      return Fail(about + " cannot be written: " + copied.message());
    staged_.push_back(name);

    std::string packaged = name;  // the file the project's resource names
    if (entry.Kind == KindSLX) {
      const std::string slx_name = title + ".slx";
      names_.Reserve(slx_name);
      if (Status converted = UnpackSLX(number, entry, name, slx_name); !converted)
        return converted;
      packaged = slx_name;
    }
    if (entry.ReplaceTarget == kTargetReadme) {
      // The compiler takes every readme resource's text as the readme, so
      // such an entry cannot be a resource of the project.
      Differ(about + " is meant for the readme, which a project cannot package as an "
                     "entry; " + name + " holds its bytes but the project leaves it out");
      return Status::Ok();
    }
    AddResource(packaged, title, entry.Kind, entry.ReplaceTarget, entry.ResourceID);
    return Status::Ok();
  }

  // An SLX entry's data is the SLP the compiler made from an SLX graphic;
  // the graphic is made again from it beside the SLP. Compiling converts
  // the SLX back, which gives the same bytes when this program's own writer
  // coded the SLP; when it does not, the project still names the SLX (the
  // kind stays 4, as the package has it) and the difference is reported.
  Status UnpackSLX(int32_t number, const MPIEntry& entry, const std::string& slp_name,
                   const std::string& slx_name) {
    const std::string about = EntryText(number, entry);
    const std::string slx_path = staging_.File(slx_name);
    if (Status converted = ConvertSLPToSLX(staging_.File(slp_name), slx_path,
                                           Palette::BuiltIn());
        !converted)
      return Fail(about + ": its SLP cannot be converted to an SLX graphic: " +
                  converted.message());
    staged_.push_back(slx_name);
    SLXGraphic graphic;
    if (Status loaded = LoadSLX(slx_path, graphic); !loaded)
      return Fail(about + ": " + loaded.message());
    for (const SLXFrame& frame : graphic.Frames) {
      staged_.push_back(frame.ColourFile);
      staged_.push_back(frame.DataFile);
    }
    const std::string check = staging_.File(".check.slp");
    Status back = ConvertSLXToSLP(graphic, check, Palette::BuiltIn());
    const bool same = back && SameBytes(check, staging_.File(slp_name));
    std::error_code ec;
    fs::remove(fs::path(NativePath(check)), ec);
    if (!same)
      Differ(about + ": " + slx_name + " compiles to an SLP coded otherwise than the "
                     "package's (kept as " + slp_name + ")");
    return Status::Ok();
  }

  // An icon entry's data is icon row data; the bitmap is drawn from it
  // through the palette the compiler codes icons with, and checked by
  // coding it again as the compiler will.
  Status UnpackIcon(int32_t number, const MPIEntry& entry, const std::string& name,
                    const std::string& title) {
    const std::string about = EntryText(number, entry);
    if (static_cast<uint64_t>(entry.Length) > kMaxIconBytes)
      return Fail(about + ": damaged icon data: longer than any icon can be");
    std::string data;
    if (Status read = ReadMPIEntryData(package_path_, entry, data); !read)
      return Fail(about + ": " + read.message());
    cDIBSection bitmap;
    int32_t flags = 0;
    if (Status decoded = DecodeIcon(data, Palette::BuiltIn(), bitmap, flags); !decoded)
      return Fail(about + ": " + decoded.message());
    const std::string path = staging_.File(name);
    if (Status saved = bitmap.SavePicture(path); !saved)
      return Fail(about + " cannot be written: " + saved.message());
    staged_.push_back(name);

    cDIBSection reread;
    const bool same = LoadFrameBitmap(path, reread) &&
                      EncodeIcon(reread, flags, Palette::BuiltIn()) == data;
    if (!same)
      Differ(about + ": " + name + " compiles to icon data other than the package's (the "
                     "palette has one colour for several of its indices, or the rows are "
                     "coded otherwise)");
    if (entry.ReplaceTarget == kTargetReadme) {
      Differ(about + " is meant for the readme, which a project cannot package as an "
                     "entry; " + name + " holds its picture but the project leaves it out");
      return Status::Ok();
    }
    AddResource(name, title, entry.Kind, entry.ReplaceTarget, entry.ResourceID, flags);
    return Status::Ok();
  }

  // Every staged file goes to its place in the folder, once all of them
  // are written. A name there (the project's too) that is a folder or a
  // link, or that is the package itself, stops the unpack before anything
  // is moved.
  Status MoveIntoPlace() {
    std::vector<std::string> names = staged_;
    names.push_back(GetFileName(project_.FilePath));
    for (const std::string& name : names) {
      const fs::path target(NativePath(full_folder_ + name));
      std::error_code ec;
      const fs::file_status status = fs::symlink_status(target, ec);
      if (fs::is_symlink(status))
        return Fail(full_folder_ + name + ": is a link; nothing is written through it");
      if (fs::exists(status) && !fs::is_regular_file(status))
        return Fail(full_folder_ + name + ": is in the way and is not a file");
      if (Status apart = RefuseOverwritingInput(full_folder_ + name, {package_path_}); !apart)
        return Fail(apart.message());
    }
    // A project already there would name the files replaced below as if
    // they were its own until the new one is written.
    std::error_code gone;
    fs::remove(fs::path(NativePath(project_.FilePath)), gone);
    for (const std::string& name : staged_) {
      std::error_code ec;
      fs::rename(fs::path(NativePath(staging_.File(name))),
                 fs::path(NativePath(full_folder_ + name)), ec);
      if (ec)
        return Fail(full_folder_ + name + ": cannot be moved into place (" + ec.message() +
                    ")\nThe files before it were written, but no project names them.");
      files_.push_back(name);
    }
    return Status::Ok();
  }

  const std::string& package_path_;
  const std::string& folder_;
  std::string made_folder_;  // the folder, when this unpack made it
  const UnpackOptions& options_;
  const ProgressSink& progress_;
  MPIPackage package_;
  std::string full_folder_;  // absolute, ends in a separator
  StagingFolder staging_;
  UnpackedNames names_;
  std::vector<std::string> staged_;  // names of the files written, in order
  std::vector<std::string> files_;
  std::vector<std::string> differences_;
  ModProject project_;
};

}  // namespace

Status UnpackPackage(const std::string& package_path, const std::string& folder,
                     const UnpackOptions& options, UnpackResult& result,
                     const ProgressSink& progress) {
  Status status = Status::Ok();
  std::string made_folder;
  {
    Unpacker unpacker(package_path, folder, options, progress);
    status = unpacker.Run(result);
    made_folder = unpacker.made_folder();
  }  // the staging folder is gone now
  // A folder made for an unpack that failed goes again (only while empty).
  if (!status && !made_folder.empty()) {
    std::error_code ec;
    fs::remove(fs::path(made_folder), ec);
  }
  return status;
}

}  // namespace zorv
