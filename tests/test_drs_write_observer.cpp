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

TEST(DRSWriteObserver, TheDigestsOfBothArchivesComeFromOneWrite) {
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
  WrittenDRSHashes hashes;
  SafeFileWriter out;
  ASSERT_TRUE(out.Open(dir.File("new.drs")).ok());
  ASSERT_TRUE(WriteDRSArchive(source, out, {}, hashes.Observer()).ok());
  ASSERT_TRUE(out.Commit().ok());

  DRSArchive layout;
  ASSERT_TRUE(PlanDRSArchive(source, layout).ok());
  uint64_t digest = 0;
  int64_t size = 0;
  ASSERT_TRUE(ReadDRSDigest(dir.File("new.drs"), digest, size).ok());
  EXPECT_EQ(CanonicalDRSDigest(layout, hashes.Directory(), hashes.Files()), digest);

  DRSFileHashes old_files = hashes.Files();
  old_files[{"slp", 1}] = HashOf(std::string(50, 'a'));
  old_files[{"wav", 2}] = HashOf("RIFF");
  ASSERT_TRUE(ReadDRSDigest(path, digest, size).ok());
  EXPECT_EQ(size, static_cast<int64_t>(old_bytes.size()));
  EXPECT_EQ(CanonicalDRSDigest(old, old_bytes.substr(0, static_cast<size_t>(old.DataStart)),
                               old_files),
            digest);
}

// Every byte is in the directory or in a file: changing any one changes
// the digest, or the archive is no longer one the digest is taken of.
TEST(DRSWriteObserver, TheDigestChangesWithAnyByte) {
  test::TempDir dir;
  const std::string path = dir.File("small.drs");
  DRSArchiveSource source;
  source.Tables.push_back({"slp", {DRSFileSource::FromBytes(1, "abc"), DRSFileSource::FromBytes(2, "")}});
  source.Tables.push_back({"wav", {DRSFileSource::FromBytes(3, "RIFFxx")}});
  test::WriteArchive(path, source);
  const std::string bytes = ReadFileBytes(path);
  uint64_t original = 0, digest = 0;
  int64_t size = 0;
  ASSERT_TRUE(ReadDRSDigest(path, original, size).ok());
  for (size_t at = 0; at < bytes.size(); ++at) {
    std::string changed = bytes;
    changed[at] = static_cast<char>(changed[at] ^ 0x41);
    test::WriteFileBytes(path, changed);
    Status read = ReadDRSDigest(path, digest, size);
    if (read.ok()) {
      EXPECT_NE(digest, original) << "byte " << at;
    }
  }
  test::WriteFileBytes(path, bytes + "x");
  EXPECT_FALSE(ReadDRSDigest(path, digest, size).ok());
}

}  // namespace
}  // namespace zorv
