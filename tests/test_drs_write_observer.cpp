// What WriteDRSArchive tells its observer, and the checksums an install
// takes from it: the pieces are the archive's bytes in order, and the
// old archive's checksum comes out as if the old file had been read.
#include <gtest/gtest.h>

#include <filesystem>

#include "archive/DRSArchive.h"
#include "archive/DRSWriter.h"
#include "common/Checksum.h"
#include "package/ArchiveLayout.h"
#include "tests/InstallTestFiles.h"

namespace zorv {
namespace {

using test::ReadFileBytes;

DRSArchiveSource Old() {
  DRSArchiveSource source;
  source.Tables.push_back({"slp", {DRSFileSource::FromBytes(1, std::string(50, 'a')),
                                   DRSFileSource::FromBytes(4, ""),
                                   DRSFileSource::FromBytes(9, std::string(3 << 20, 'n'))}});
  source.Tables.push_back({"wav", {DRSFileSource::FromBytes(2, "RIFF")}});
  return source;
}

TEST(DRSWriteObserver, ToldEveryPieceInOrder) {
  test::TempDir dir;
  const std::string path = dir.File("old.drs");
  test::WriteArchive(path, Old());
  DRSArchive old;
  ASSERT_TRUE(ReadDRSArchive(path, old).ok());

  std::string seen;
  std::vector<std::string> files;
  SafeFileWriter out;
  ASSERT_TRUE(out.Open(dir.File("copy.drs")).ok());
  Status written = WriteDRSArchive(
      SourceOfDRSArchive(old, path), out, {},
      [&](const std::string& type, const DRSFileSource* file, std::string_view bytes) {
        seen.append(bytes);
        const std::string name = file ? type + " " + std::to_string(file->ID) : "directory";
        if (files.empty() || files.back() != name) files.push_back(name);
      });
  ASSERT_TRUE(written.ok()) << written.message();
  ASSERT_TRUE(out.Commit().ok());
  EXPECT_EQ(seen, ReadFileBytes(path));
  // The empty file copied from the archive passes no byte.
  EXPECT_EQ(files, (std::vector<std::string>{"directory", "slp 1", "slp 9", "wav 2"}));
}

TEST(DRSWriteObserver, RewriteHashesGiveTheChecksumsOfBothArchives) {
  test::TempDir dir;
  const std::string path = dir.File("old.drs");
  test::WriteArchive(path, Old());
  DRSArchive old;
  ASSERT_TRUE(ReadDRSArchive(path, old).ok());
  const std::string old_bytes = ReadFileBytes(path);

  // Replace slp 1 and wav 2, add slp 3 and a bina table.
  DRSArchiveSource source = SourceOfDRSArchive(old, path);
  source.Tables[0].Files[0] = DRSFileSource::FromBytes(1, "new one");
  source.Tables[0].Files.push_back(DRSFileSource::FromBytes(3, "added"));
  source.Tables[1].Files[0] = DRSFileSource::FromBytes(2, "");
  source.Tables.push_back({"bina", {DRSFileSource::FromBytes(7, "bin")}});
  RewriteHashes hashes(std::string_view(old_bytes).substr(0, static_cast<size_t>(old.DataStart)),
                       path, {{{"slp", 1}, std::string(50, 'a')}, {{"wav", 2}, "RIFF"}});
  SafeFileWriter out;
  ASSERT_TRUE(out.Open(dir.File("new.drs")).ok());
  ASSERT_TRUE(WriteDRSArchive(source, out, {}, hashes.Observer()).ok());
  ASSERT_TRUE(out.Commit().ok());
  EXPECT_EQ(hashes.New(), HashOf(ReadFileBytes(dir.File("new.drs"))));
  EXPECT_EQ(hashes.Old(), HashOf(old_bytes));
}

}  // namespace
}  // namespace zorv
