// Game archives: the layout written, reading it back, rewriting an archive
// from its own files, and the damaged archives that must be refused with a
// reason instead of being read past their end.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <sys/resource.h>

#include <filesystem>
#include <string>

#include "archive/DRSArchive.h"
#include "archive/DRSWriter.h"
#include "common/LittleEndian.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

using test::GetI32;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

DRSArchiveSource ThreeTables() {
  DRSArchiveSource source;
  source.Tables.push_back({"bina", {DRSFileSource::FromBytes(50500, "JASC-PAL\r\n")}});
  // Given out of order: the writer lists them by id.
  source.Tables.push_back({"slp",
                           {DRSFileSource::FromBytes(20, std::string(300, 'b')),
                            DRSFileSource::FromBytes(3, std::string(5, 'a')),
                            DRSFileSource::FromBytes(7, "")}});
  source.Tables.push_back({"wav", {DRSFileSource::FromBytes(3, "RIFF....WAVE")}});
  return source;
}

std::string Bytes(const DRSArchiveSource& source) {
  std::string bytes;
  Status made = DRSArchiveBytes(source, bytes);
  EXPECT_TRUE(made.ok()) << made.message();
  return bytes;
}

Status Parse(const std::string& bytes, DRSArchive& archive) {
  return ParseDRSArchive(bytes, static_cast<int64_t>(bytes.size()), archive);
}

void PutAt(std::string& bytes, size_t offset, int32_t value) {
  std::string number;
  le::PutU32(number, static_cast<uint32_t>(value));
  bytes.replace(offset, 4, number);
}

TEST(DRSArchiveLayout, TheWriterGivesTheCanonicalLayout) {
  const std::string bytes = Bytes(ThreeTables());
  // Header: texts, 3 tables, data after 3 records and 5 list entries.
  EXPECT_EQ(bytes.substr(40, 4), "1.00");
  EXPECT_EQ(bytes.substr(44, 5), "tribe");
  EXPECT_EQ(GetI32(bytes, 56), 3);
  const int32_t data_start = 64 + 3 * 12 + 5 * 12;
  EXPECT_EQ(GetI32(bytes, 60), data_start);
  // Table records: reversed types padded with a blank, lists back to back.
  EXPECT_EQ(bytes.substr(64, 4), "anib");
  EXPECT_EQ(bytes.substr(76, 4), " pls");
  EXPECT_EQ(bytes.substr(88, 4), " vaw");
  EXPECT_EQ(GetI32(bytes, 68), 100);
  EXPECT_EQ(GetI32(bytes, 80), 112);
  EXPECT_EQ(GetI32(bytes, 84), 3);
  EXPECT_EQ(GetI32(bytes, 92), 148);
  // The slp list by id, the data in list order without gaps.
  const int32_t pal_size = 10;
  EXPECT_EQ(GetI32(bytes, 112), 3);
  EXPECT_EQ(GetI32(bytes, 116), data_start + pal_size);
  EXPECT_EQ(GetI32(bytes, 124), 7);
  EXPECT_EQ(GetI32(bytes, 128), data_start + pal_size + 5);
  EXPECT_EQ(GetI32(bytes, 132), 0);
  EXPECT_EQ(GetI32(bytes, 136), 20);
  EXPECT_EQ(bytes.size(), static_cast<size_t>(data_start + pal_size + 5 + 300 + 12));
  EXPECT_EQ(bytes.substr(data_start, pal_size), "JASC-PAL\r\n");
}

TEST(DRSArchiveLayout, ReadingBackGivesEveryFile) {
  TempDir dir;
  const std::string path = dir.File("graphics.drs");
  ASSERT_TRUE(WriteDRSArchiveFile(path, ThreeTables()).ok());

  DRSArchive archive;
  Status read = ReadDRSArchive(path, archive);
  ASSERT_TRUE(read.ok()) << read.message();
  ASSERT_EQ(archive.Tables.size(), 3u);
  EXPECT_EQ(archive.Tables[1].Type, "slp");
  const DRSFile* file = FindDRSFile(archive, "slp", 20);
  ASSERT_NE(file, nullptr);
  std::string data;
  ASSERT_TRUE(ReadDRSFile(path, *file, data).ok());
  EXPECT_EQ(data, std::string(300, 'b'));
  ASSERT_NE(FindDRSFile(archive, "wav", 3), nullptr);
  EXPECT_EQ(FindDRSFile(archive, "wav", 20), nullptr);
  EXPECT_EQ(FindDRSFile(archive, "bin", 50500), nullptr);
}

TEST(DRSArchiveLayout, AnArchiveRewrittenFromItselfKeepsItsBytes) {
  TempDir dir;
  DRSArchiveSource source = ThreeTables();
  source.Header.Copyright = std::string("Own text\x1a", 9);
  const std::string first = dir.File("a.drs");
  ASSERT_TRUE(WriteDRSArchiveFile(first, source).ok());
  DRSArchive archive;
  ASSERT_TRUE(ReadDRSArchive(first, archive).ok());

  const std::string second = dir.File("b.drs");
  ASSERT_TRUE(WriteDRSArchiveFile(second, SourceOfDRSArchive(archive, first)).ok());
  EXPECT_EQ(ReadFileBytes(second), ReadFileBytes(first));
  // Writing an archive over one of its sources is refused, the source kept.
  EXPECT_FALSE(WriteDRSArchiveFile(first, SourceOfDRSArchive(archive, first)).ok());
  EXPECT_EQ(ReadFileBytes(second), ReadFileBytes(first));
}

TEST(DRSArchiveLayout, AnArchiveOfNoTablesIsEmptyNotDamaged) {
  const std::string bytes = Bytes(DRSArchiveSource{});
  EXPECT_EQ(bytes.size(), 64u);
  DRSArchive archive;
  Status read = Parse(bytes, archive);
  ASSERT_TRUE(read.ok()) << read.message();
  EXPECT_TRUE(archive.Tables.empty());
}

TEST(DRSArchiveWriter, AWriteThatFailsSaysWhyAndLeavesNoFile) {
  TempDir dir;
  DRSArchiveSource source;
  source.Tables.push_back({"slp", {DRSFileSource::FromBytes(1, std::string(3 << 20, 'x'))}});
  const std::string path = dir.File("big.drs");
  // The file size limit stands in for a full disk.
  struct rlimit old_limit {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  auto old_handler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small_limit = old_limit;
  small_limit.rlim_cur = 1 << 20;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small_limit), 0);
  Status written = WriteDRSArchiveFile(path, source);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);
  ASSERT_FALSE(written.ok());
  EXPECT_EQ(written.message(), path + ": " + std::strerror(EFBIG));
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(DRSArchiveWriter, RefusesWhatNoArchiveCanHold) {
  std::string bytes;
  DRSArchiveSource repeated_id;
  repeated_id.Tables.push_back(
      {"slp", {DRSFileSource::FromBytes(5, "a"), DRSFileSource::FromBytes(5, "b")}});
  EXPECT_NE(DRSArchiveBytes(repeated_id, bytes).message().find("slp file 5 is given twice"),
            std::string::npos);
  DRSArchiveSource repeated_type;
  repeated_type.Tables = {{"slp", {}}, {"slp", {}}};
  EXPECT_FALSE(DRSArchiveBytes(repeated_type, bytes).ok());
  for (const char* type : {"", "slpxx", "../", "SLP", "s p"}) {
    DRSArchiveSource bad_type;
    bad_type.Tables = {{type, {}}};
    EXPECT_FALSE(DRSArchiveBytes(bad_type, bytes).ok()) << type;
  }
  // Files from a stretch past the end of their source are refused.
  TempDir dir;
  WriteFileBytes(dir.File("short.bin"), "12345");
  DRSArchiveSource past_end;
  past_end.Tables = {{"bina", {DRSFileSource::FromFile(1, dir.File("short.bin"), 2, 10)}}};
  const std::string out = dir.File("out.drs");
  EXPECT_FALSE(WriteDRSArchiveFile(out, past_end).ok());
  EXPECT_FALSE(std::filesystem::exists(out));
}

// Each case damages a good archive in one place; every one must be
// refused with a reason, whatever the reader is given.
struct Damage {
  const char* name;
  void (*apply)(std::string& bytes);
  const char* reason;
};

const Damage kDamages[] = {
    {"shorter than a header", [](std::string& b) { b.resize(50); }, "shorter than an archive header"},
    {"no version", [](std::string& b) { b.replace(40, 4, "abcd"); }, "no version number"},
    {"negative table count", [](std::string& b) { PutAt(b, 56, -1); }, "negative number of tables"},
    {"2^31 - 1 tables", [](std::string& b) { PutAt(b, 56, INT32_MAX); }, "more than the file holds"},
    {"data start past the end", [](std::string& b) { PutAt(b, 60, 1 << 30); }, "data start"},
    {"data start inside the tables", [](std::string& b) { PutAt(b, 60, 70); }, "data start"},
    {"a table claiming 2^31 - 1 files", [](std::string& b) { PutAt(b, 84, INT32_MAX); },
     "claims 2147483647 files"},
    {"negative file count", [](std::string& b) { PutAt(b, 84, -5); }, "negative file count"},
    {"list before the tables", [](std::string& b) { PutAt(b, 80, 10); }, "does not fit"},
    {"type of a path", [](std::string& b) { b.replace(76, 4, "/../"); }, "no file type"},
    {"type of control bytes", [](std::string& b) { b.replace(76, 4, std::string("\0\1\2\3", 4)); },
     "\\x00"},
    {"repeated type", [](std::string& b) { b.replace(88, 4, " pls"); }, "two tables"},
    {"overlapping lists", [](std::string& b) { PutAt(b, 92, 124); }, "overlap"},
    {"repeated id", [](std::string& b) { PutAt(b, 124, 3); }, "slp file 3 is listed twice"},
    {"negative size", [](std::string& b) { PutAt(b, 144, -1); }, "negative size"},
    {"size past the end", [](std::string& b) { PutAt(b, 144, 400); }, "lies outside the data"},
    {"huge size", [](std::string& b) { PutAt(b, 144, INT32_MAX); }, "lies outside the data"},
    {"offset inside the lists", [](std::string& b) { PutAt(b, 116, 64); }, "lies outside the data"},
    {"negative offset", [](std::string& b) { PutAt(b, 140, -100); }, "lies outside the data"},
    {"partly overlapping data", [](std::string& b) { PutAt(b, 140, GetI32(b, 116) + 2); },
     "overlap"},
};

TEST(DRSArchiveReader, RefusesEveryKindOfDamageWithItsReason) {
  TempDir dir;
  const std::string good = Bytes(ThreeTables());
  for (const Damage& damage : kDamages) {
    SCOPED_TRACE(damage.name);
    std::string bytes = good;
    damage.apply(bytes);
    DRSArchive archive;
    Status parsed = Parse(bytes, archive);
    ASSERT_FALSE(parsed.ok());
    EXPECT_NE(parsed.message().find(damage.reason), std::string::npos) << parsed.message();

    const std::string path = dir.File("damaged.drs");
    WriteFileBytes(path, bytes);
    Status read = ReadDRSArchive(path, archive);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.message(), path + ": " + parsed.message());
  }
}

TEST(DRSArchiveReader, FilesSharingTheSameBytesAreAllowed) {
  std::string bytes = Bytes(ThreeTables());
  // slp 20 made to point at slp 3's five bytes.
  PutAt(bytes, 140, GetI32(bytes, 116));
  PutAt(bytes, 144, 5);
  DRSArchive archive;
  Status parsed = Parse(bytes, archive);
  EXPECT_TRUE(parsed.ok()) << parsed.message();
}

TEST(DRSArchiveReader, AnArchiveCutShortIsReportedSo) {
  const std::string good = Bytes(ThreeTables());
  // Only the header of a longer file in hand: the lists are missing.
  DRSArchive archive;
  Status parsed = ParseDRSArchive(good.substr(0, 70), static_cast<int64_t>(good.size()), archive);
  ASSERT_FALSE(parsed.ok());
  EXPECT_NE(parsed.message().find("cut short"), std::string::npos) << parsed.message();
  // A file truncated inside its data: its files no longer fit.
  std::string truncated = good.substr(0, good.size() - 20);
  EXPECT_FALSE(Parse(truncated, archive).ok());
  // A file that changed after it was listed: reading its file fails.
  TempDir dir;
  const std::string path = dir.File("changing.drs");
  WriteFileBytes(path, good);
  ASSERT_TRUE(ReadDRSArchive(path, archive).ok());
  WriteFileBytes(path, good.substr(0, 200));
  std::string data;
  EXPECT_FALSE(ReadDRSFile(path, *FindDRSFile(archive, "slp", 20), data).ok());
  EXPECT_TRUE(data.empty());
}

TEST(DRSArchiveReader, RecognisesArchivesByTheirHeader) {
  EXPECT_TRUE(LooksLikeDRSArchive(Bytes(ThreeTables())));
  EXPECT_FALSE(LooksLikeDRSArchive(std::string(64, '\0')));
  EXPECT_FALSE(LooksLikeDRSArchive("1.00"));
  EXPECT_EQ(DRSTypeTag("slp"), " pls");
  EXPECT_EQ(DRSTypeTag("bina"), "anib");
}

// Lowers the limit of open files for the life of the object.
class FileHandleLimit {
 public:
  explicit FileHandleLimit(rlim_t limit) {
    getrlimit(RLIMIT_NOFILE, &saved_);
    rlimit lowered = saved_;
    lowered.rlim_cur = std::min(limit, saved_.rlim_cur);
    setrlimit(RLIMIT_NOFILE, &lowered);
  }
  ~FileHandleLimit() { setrlimit(RLIMIT_NOFILE, &saved_); }

 private:
  rlimit saved_{};
};

// A folder of loose files, more than a process may hold open at once (a
// desktop's usual limit is 1024): the writer reads them one after another.
TEST(DRSArchiveWriter, ManyLooseSourceFilesNeedNoHandleEach) {
  TempDir dir;
  constexpr int kFiles = 300;
  DRSArchiveSource source;
  source.Tables.push_back({"slp", {}});
  for (int i = 0; i < kFiles; ++i) {
    const std::string path = dir.File(std::to_string(i) + ".slp");
    WriteFileBytes(path, "file " + std::to_string(i));
    source.Tables[0].Files.push_back(
        DRSFileSource::FromFile(i, path, 0, static_cast<int64_t>(5 + std::to_string(i).size())));
  }
  const std::string archive = dir.File("many.drs");
  {
    const FileHandleLimit limit(64);
    const Status written = WriteDRSArchiveFile(archive, source);
    ASSERT_TRUE(written.ok()) << written.message();
  }
  DRSArchive read;
  ASSERT_TRUE(ReadDRSArchive(archive, read).ok());
  ASSERT_EQ(read.Tables[0].Files.size(), static_cast<size_t>(kFiles));
  std::string bytes;
  ASSERT_TRUE(ReadDRSFile(archive, read.Tables[0].Files[kFiles - 1], bytes).ok());
  EXPECT_EQ(bytes, "file " + std::to_string(kFiles - 1));
}

}  // namespace
}  // namespace zorv
