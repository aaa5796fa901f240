#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "common/FileIO.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

TEST(TextLines, SplitAtCRLFAndLoneLF) {
  EXPECT_EQ(SplitLines("a\r\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
  EXPECT_EQ(SplitLines(""), std::vector<std::string>{});
  EXPECT_EQ(SplitLines("a\rb\r\n"), (std::vector<std::string>{"a\rb"}));
  EXPECT_EQ(JoinLinesCRLF({"x", "", "y"}), "x\r\n\r\ny\r\n");
}

TEST(MessageLines, NameTheFileOnce) {
  EXPECT_EQ(AboutFile("/a/b.slx", "/a/b.slx: No such file or directory"),
            "/a/b.slx: No such file or directory");
  EXPECT_EQ(AboutFile("/a/b.slx", "line 3: not a number"), "/a/b.slx: line 3: not a number");
}

TEST(NativePaths, BackslashesBecomeSlashes) {
  EXPECT_EQ(NativePath("C:\\mods\\unit.slp"), "C:/mods/unit.slp");
  EXPECT_EQ(NativePath("/home/me/unit.slp"), "/home/me/unit.slp");
}

TEST(SafeWriting, ReplacesTheFileOnlyWhenCommitted) {
  test::TempDir dir;
  std::string path = dir.File("out.bin");
  ASSERT_TRUE(WriteFileSafely(path, "old"));
  {
    SafeFileWriter writer;
    ASSERT_TRUE(writer.Open(path));
    writer.Write("new contents");
    EXPECT_EQ(test::ReadFileBytes(path), "old");
    // Dropped without Commit: the old file stays and nothing is left over.
  }
  EXPECT_EQ(test::ReadFileBytes(path), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
  SafeFileWriter writer;
  ASSERT_TRUE(writer.Open(path));
  writer.Write("0123456789");
  ASSERT_TRUE(writer.WriteAt(2, "ab", 2));
  writer.Write("X");
  EXPECT_EQ(writer.Size(), 11u);
  ASSERT_TRUE(writer.Commit());
  EXPECT_EQ(test::ReadFileBytes(path), "01ab456789X");
}

TEST(SafeWriting, FailuresNameTheFileAndKeepWhatWasThere) {
  test::TempDir dir;
  Status missing_folder = WriteFileSafely(dir.File("none/out.bin"), "x");
  EXPECT_FALSE(missing_folder);
  EXPECT_NE(missing_folder.message().find("none/out.bin"), std::string::npos);
  Status folder = WriteFileSafely(dir.path().string(), "x");
  EXPECT_FALSE(folder);
  std::string path = dir.File("ro.bin");
  ASSERT_TRUE(WriteFileSafely(path, "keep"));
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  EXPECT_FALSE(WriteFileSafely(path, "lost"));
  EXPECT_EQ(test::ReadFileBytes(path), "keep");
}

TEST(SafeWriting, NeverReplacesSomethingThatIsNotAFile) {
  // A pipe stands for devices and the like: writing "beside" it and
  // renaming over it would destroy it.
  test::TempDir dir;
  std::string pipe = dir.File("pipe");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  SafeFileWriter writer;
  EXPECT_FALSE(writer.Open(pipe));
  EXPECT_TRUE(std::filesystem::is_fifo(pipe));
}

TEST(Reading, RefusesFoldersMissingFilesAndOversizedFiles) {
  test::TempDir dir;
  std::string contents;
  EXPECT_FALSE(ReadWholeFile(dir.path().string(), contents));
  EXPECT_FALSE(ReadWholeFile(dir.File("missing"), contents));
  test::WriteFileBytes(dir.File("big"), std::string(100, 'x'));
  EXPECT_FALSE(ReadWholeFile(dir.File("big"), contents, 99));
  EXPECT_TRUE(contents.empty());
  EXPECT_TRUE(ReadWholeFile(dir.File("big"), contents, 100));
  EXPECT_EQ(contents.size(), 100u);
  EXPECT_EQ(FileSize(dir.File("big")), 100);
  EXPECT_EQ(FileSize(dir.File("missing")), -1);
}

TEST(Failures, TheProgramsMessageComesFirstAndTheDetailAfterIt) {
  Status ok = Status::Ok();
  EXPECT_TRUE(ok);
  EXPECT_TRUE(ok.ok());
  EXPECT_EQ(ok.message(), "");

  Status failed = Status::Fail("Readme file required!", "/mods/readme.txt: no such file\nline 2");
  EXPECT_FALSE(failed);
  EXPECT_EQ(failed.message(), "Readme file required!\n/mods/readme.txt: no such file\nline 2");
  EXPECT_EQ(failed.Headline(), "Readme file required!");
  EXPECT_EQ(failed.Detail(), "/mods/readme.txt: no such file\nline 2");

  // Without detail there is no second line.
  Status alone = Status::Fail("Readme file required!", "");
  EXPECT_FALSE(alone);
  EXPECT_EQ(alone.message(), "Readme file required!");
  EXPECT_EQ(alone.Headline(), "Readme file required!");
  EXPECT_EQ(alone.Detail(), "");
  Status one_text = Status::Fail("Error saving SLX file!\n/a/b.slx: read-only");
  EXPECT_EQ(one_text.Headline(), "Error saving SLX file!");
  EXPECT_EQ(one_text.Detail(), "/a/b.slx: read-only");
}

TEST(UniqueFolders, EachIsNewAndNamedByItsPrefixAndTwelveHexDigits) {
  test::TempDir dir;
  const std::string parent = dir.path().string() + "/";
  std::string first, second;
  ASSERT_TRUE(MakeUniqueFolder(parent, "zorv-compile-", first));
  ASSERT_TRUE(MakeUniqueFolder(parent, "zorv-compile-", second));
  EXPECT_NE(first, second);
  for (const std::string& folder : {first, second}) {
    SCOPED_TRACE(folder);
    ASSERT_EQ(folder.back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    const std::string name = folder.substr(parent.size(), folder.size() - parent.size() - 1);
    ASSERT_EQ(name.size(), 13u + 12u);
    EXPECT_EQ(name.substr(0, 13), "zorv-compile-");
    EXPECT_EQ(name.substr(13).find_first_not_of("0123456789abcdefABCDEF"), std::string::npos);
  }
  std::string none;
  Status missing = MakeUniqueFolder(dir.File("gone") + "/", "x-", none);
  EXPECT_FALSE(missing);
  EXPECT_NE(missing.message().find(dir.File("gone")), std::string::npos) << missing.message();
}

}  // namespace
}  // namespace zorv
