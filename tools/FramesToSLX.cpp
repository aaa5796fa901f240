#include "tools/FramesToSLX.h"

#include <map>
#include <set>
#include <system_error>

#include "common/FileIO.h"
#include "common/Functions.h"

namespace zorv {
namespace fs = std::filesystem;

namespace {

// Removes the copies this run made in a folder that held none of them.
void RemoveCopies(const std::vector<std::string>& created) {
  for (const std::string& path : created) {
    std::error_code ec;
    fs::remove(fs::path(NativePath(path)), ec);
  }
}

// The name under which a frame's copy is compared with the others': file
// names that differ only in letter case name one file on the game's system.
std::string CopyKey(std::string_view frame_path) {
  return AsciiLower(FrameBaseName(frame_path)) + FramePictureExtension(frame_path);
}

// The list tells apart frames by base name alone: walk.bmp and walk.png
// are copied under two names but would look alike in the list.
std::string ListKey(std::string_view frame_path) { return AsciiLower(FrameBaseName(frame_path)); }

// The last count folder names of the folder path lies in, as the path writes
// them ("frames\north" for 2), without the closing separator; the whole
// folder when it has fewer names.
std::string FolderTail(std::string_view path, size_t count) {
  std::string folder = GetFolder(path);
  while (!folder.empty() && IsFolderSeparator(folder.back())) folder.pop_back();
  size_t start = folder.size();
  for (size_t taken = 0; taken < count && start > 0; ++taken) {
    if (taken > 0)
      while (start > 0 && IsFolderSeparator(folder[start - 1])) --start;
    while (start > 0 && !IsFolderSeparator(folder[start - 1])) --start;
  }
  return folder.substr(start);
}

// What tells the files of one base name apart in the list: the shortest
// folder tail that differs between all of them, or, when their folders are
// the same (names that differ only in case or extension), the whole path.
std::map<std::string, std::string> Distinctions(const std::set<std::string>& paths) {
  std::map<std::string, std::string> shown;
  for (size_t count = 1;; ++count) {
    std::set<std::string> tails;
    bool grew = false;
    for (const std::string& path : paths) {
      const std::string tail = FolderTail(path, count);
      grew = grew || tail.size() > FolderTail(path, count - 1).size();
      tails.insert(tail);
      shown[path] = tail;
    }
    if (tails.size() == paths.size()) return shown;
    if (!grew) break;
  }
  for (const std::string& path : paths) shown[path] = path;
  return shown;
}

// Whether two frame paths name one file: the same text, or two ways to the
// same file on disk.
bool SameFrameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::error_code ec;
  const bool same = fs::equivalent(fs::path(NativePath(a)), fs::path(NativePath(b)), ec);
  return !ec && same;
}

}  // namespace

std::string FrameBaseName(std::string_view frame_path) { return GetFileTitle(frame_path); }

std::string FramePictureExtension(std::string_view frame_path) {
  const std::string name = GetFileName(frame_path);
  const bool png = name.size() > 4 && AsciiLower(name.substr(name.size() - 4)) == ".png";
  return png ? ".png" : ".bmp";
}

std::vector<std::string> FrameListLines(const std::vector<std::string>& frames) {
  std::map<std::string, std::set<std::string>> by_copy_name;
  for (const std::string& frame : frames) by_copy_name[ListKey(frame)].insert(frame);
  std::vector<std::string> lines;
  lines.reserve(frames.size());
  std::map<std::string, std::map<std::string, std::string>> distinctions;
  for (const std::string& frame : frames) {
    const std::set<std::string>& sharing = by_copy_name[ListKey(frame)];
    std::string line = FrameBaseName(frame);
    if (sharing.size() > 1) {
      auto [known, added] = distinctions.try_emplace(ListKey(frame));
      if (added) known->second = Distinctions(sharing);
      line += " (" + known->second.at(frame) + ")";
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

SLXGraphic BuildFramesSLX(const std::string& slx_path, const std::vector<std::string>& frames,
                          int32_t center_x, int32_t center_y, const std::string& suffix) {
  SLXGraphic graphic;
  graphic.Path = slx_path;
  graphic.FrameCount = static_cast<int32_t>(frames.size());
  graphic.Frames.reserve(frames.size());
  for (const std::string& frame : frames) {
    const std::string base = FrameBaseName(frame);
    const std::string extension = FramePictureExtension(frame);
    SLXFrame slx_frame;
    slx_frame.CenterX = center_x;
    slx_frame.CenterY = center_y;
    slx_frame.DataFile = base + suffix + extension;
    slx_frame.ColourFile = base + extension;
    graphic.Frames.push_back(std::move(slx_frame));
  }
  return graphic;
}

bool IsDotHidden(const fs::path& entry) {
  const std::string name = entry.filename().string();
  return !name.empty() && name.front() == '.';
}

Status FolderHoldsOrdinaryFiles(const std::string& folder, bool& has_files,
                                const HiddenEntryTest& hidden) {
  has_files = false;
  const fs::path where(folder.empty() ? std::string(".") : NativePath(folder));
  std::error_code ec;
  fs::directory_iterator it(where, ec);
  if (ec) return Status::Fail(folder + ": " + ec.message());
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    const fs::directory_entry& entry = *it;
    std::error_code kind_ec;
    // A link to a folder is a sub-folder too; devices, pipes and sockets
    // are the system's, not the user's.
    if (entry.is_directory(kind_ec) || entry.is_other(kind_ec)) continue;
    if (hidden && hidden(entry.path())) continue;
    has_files = true;
    return Status::Ok();
  }
  if (ec) return Status::Fail(folder + ": " + ec.message());
  return Status::Ok();
}

Status CopyFileSafely(const std::string& source, const std::string& destination) {
  std::string bytes;
  if (Status read = ReadWholeFile(source, bytes); !read) return read;
  return WriteFileSafely(destination, bytes);
}

Status CreateSLXFromFrames(const FramesToSLXJob& job) {
  const std::string folder = GetFolder(job.slx_path);
  bool has_files = false;
  if (Status listed = FolderHoldsOrdinaryFiles(folder, has_files, job.hidden); !listed)
    return Status::Fail("Cannot look into the folder for the SLX!", listed.message());
  if (has_files) return Status::Fail(kFolderNotEmptyText);
  const SLXGraphic graphic =
      BuildFramesSLX(job.slx_path, job.frames, job.center_x, job.center_y, job.suffix);
  // A frame copy under the SLX file's own name would replace one by the other.
  const std::string slx_name = AsciiLower(GetFileName(job.slx_path));
  for (const SLXFrame& frame : graphic.Frames) {
    if (AsciiLower(frame.ColourFile) == slx_name)
      return Status::Fail(kSLXNamedLikeAFrameText, frame.ColourFile);
  }
  // Copies keep their frame's base name; two different files under one name
  // would leave only the later one, shown for both frames.
  std::map<std::string, size_t> first_of_name;
  for (size_t i = 0; i < job.frames.size(); ++i) {
    const auto [first, added] = first_of_name.try_emplace(CopyKey(job.frames[i]), i);
    if (added || SameFrameFile(job.frames[first->second], job.frames[i])) continue;
    return Status::Fail(kFramesShareACopyNameText,
                        "Frames " + NumberText(static_cast<int64_t>(first->second + 1)) +
                            " and " + NumberText(static_cast<int64_t>(i + 1)) +
                            " would both be copied as " + graphic.Frames[i].ColourFile + ":\n" +
                            job.frames[first->second] + "\n" + job.frames[i]);
  }

  std::vector<std::string> created;
  std::set<std::string> seen;
  for (size_t i = 0; i < job.frames.size(); ++i) {
    const std::string target = folder + graphic.Frames[i].ColourFile;
    // A file listed twice is copied once.
    if (!seen.insert(target).second) continue;
    // Hidden files may lie in the folder; only files this run made are
    // taken away again after a failure.
    if (!FileExists(target)) created.push_back(target);
    if (Status copied = CopyFileSafely(job.frames[i], target); !copied) {
      RemoveCopies(created);
      return Status::Fail("Error copying frame " + NumberText(static_cast<int64_t>(i + 1)) + "!",
                          copied.message());
    }
  }
  if (Status saved = SaveSLX(graphic); !saved) {
    RemoveCopies(created);
    return saved;
  }
  return Status::Ok();
}

}  // namespace zorv
