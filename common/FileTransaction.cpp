#include "common/FileTransaction.h"

#include <filesystem>
#include <system_error>

#include "common/FileIO.h"

namespace zorv {
namespace fs = std::filesystem;

FileTransaction::~FileTransaction() {
  std::error_code ec;
  for (const Staged& staged : staged_) fs::remove(fs::path(staged.temporary), ec);
  Keep();
}

Status FileTransaction::Stage(const std::string& path,
                              std::initializer_list<std::string_view> pieces) {
  SafeFileWriter writer;
  // Nothing may show before Apply, so even a new file is written beside.
  if (Status opened = writer.Open(path, SafeFileWriter::Placement::kAlwaysBeside); !opened)
    return opened;
  for (std::string_view piece : pieces) writer.Write(piece);
  if (Status finished = writer.Finish(); !finished) return finished;
  staged_.push_back({NativePath(path), writer.ReleaseTemporary()});
  return Status::Ok();
}

void FileTransaction::StageWritten(const std::string& path, std::string temporary) {
  staged_.push_back({NativePath(path), std::move(temporary)});
}

Status FileTransaction::Apply() {
  const size_t first = replaced_.size();
  std::vector<Staged> staged;
  staged.swap(staged_);
  for (size_t i = 0; i < staged.size(); ++i) {
    const Staged& next = staged[i];
    std::error_code ec;
    Replaced replaced{next.path, std::string()};
    if (fs::exists(fs::symlink_status(fs::path(next.path), ec))) {
      // A second name for the file as it is: it keeps the former content
      // however the move below goes, and never takes another file's name.
      Status linked = Status::Fail(next.path + ": cannot keep the file aside");
      for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
        const std::string kept = next.path + "." + RandomNamePart() + ".old";
        fs::create_hard_link(fs::path(next.path), fs::path(kept), ec);
        if (!ec) {
          replaced.kept = kept;
          linked = Status::Ok();
        } else if (ec != std::errc::file_exists) {
          linked = Status::Fail(next.path + ": " + ec.message());
          break;
        }
      }
      if (!linked) {
        for (size_t j = i; j < staged.size(); ++j) fs::remove(fs::path(staged[j].temporary), ec);
        PutBack(replaced_.rbegin(), replaced_.rbegin() + static_cast<ptrdiff_t>(replaced_.size() - first));
        replaced_.resize(first);
        return linked;
      }
    }
    fs::rename(fs::path(next.temporary), fs::path(next.path), ec);
    if (ec) {
      const std::string reason = next.path + ": " + ec.message();
      std::error_code ignored;
      if (!replaced.kept.empty()) fs::remove(fs::path(replaced.kept), ignored);
      for (size_t j = i; j < staged.size(); ++j)
        fs::remove(fs::path(staged[j].temporary), ignored);
      PutBack(replaced_.rbegin(), replaced_.rbegin() + static_cast<ptrdiff_t>(replaced_.size() - first));
      replaced_.resize(first);
      return Status::Fail(reason);
    }
    replaced_.push_back(std::move(replaced));
  }
  return Status::Ok();
}

void FileTransaction::PutBack(std::vector<Replaced>::reverse_iterator from,
                              std::vector<Replaced>::reverse_iterator to) {
  for (auto it = from; it != to; ++it) {
    std::error_code ec;
    if (it->kept.empty())
      fs::remove(fs::path(it->path), ec);
    else
      fs::rename(fs::path(it->kept), fs::path(it->path), ec);
  }
}

void FileTransaction::Undo() {
  PutBack(replaced_.rbegin(), replaced_.rend());
  replaced_.clear();
}

void FileTransaction::Keep() {
  std::error_code ec;
  for (const Replaced& replaced : replaced_)
    if (!replaced.kept.empty()) fs::remove(fs::path(replaced.kept), ec);
  replaced_.clear();
}

}  // namespace zorv
