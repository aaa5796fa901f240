#include "tools/FramesToSLX.h"

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

}  // namespace

std::string FrameBaseName(std::string_view frame_path) { return GetFileTitle(frame_path); }

SLXGraphic BuildFramesSLX(const std::string& slx_path, const std::vector<std::string>& frames,
                          int32_t center_x, int32_t center_y, const std::string& suffix) {
  SLXGraphic graphic;
  graphic.Path = slx_path;
  graphic.FrameCount = static_cast<int32_t>(frames.size());
  graphic.Frames.reserve(frames.size());
  for (const std::string& frame : frames) {
    const std::string base = FrameBaseName(frame);
    SLXFrame slx_frame;
    slx_frame.CenterX = center_x;
    slx_frame.CenterY = center_y;
    slx_frame.DataFile = base + suffix + ".bmp";
    slx_frame.ColourFile = base + ".bmp";
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

  std::vector<std::string> created;
  std::set<std::string> seen;
  for (size_t i = 0; i < job.frames.size(); ++i) {
    const std::string target = folder + graphic.Frames[i].ColourFile;
    // Hidden files may lie in the folder; only files this run made are
    // taken away again after a failure.
    if (seen.insert(target).second && !FileExists(target)) created.push_back(target);
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
