#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <thread>
#include <vector>

#include "common/FileIO.h"
#include "common/FileTransaction.h"
#include "common/TextLines.h"
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

// ---- Files that are not files ---------------------------------------------

TEST(Reading, OnlyRegularFilesAreOpened) {
  test::TempDir dir;
  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // A pipe would keep the read waiting for a writer for ever, a device give
  // bytes without end; both are refused before they are opened.
  for (const std::string& path : {fifo, std::string("/dev/zero")}) {
    SCOPED_TRACE(path);
    std::string bytes;
    Status read = ReadWholeFile(path, bytes);
    EXPECT_FALSE(read);
    EXPECT_NE(read.message().find("not a regular file"), std::string::npos) << read.message();
    EXPECT_FALSE(ReadFileStart(path, 16, bytes));
    FileLineSource lines;
    EXPECT_FALSE(lines.Open(path));
  }
}

TEST(Reading, FilesThatAnnounceNoSizeAreReadToTheirEnd) {
  // Files of the system's own announce a size of 0 and still hold text: the
  // size looked at first is where the reading starts, not where it stops.
  std::string status;
  ASSERT_TRUE(ReadWholeFile("/proc/self/status", status));
  EXPECT_NE(status.find("Name:"), std::string::npos);
  std::string start;
  ASSERT_TRUE(ReadFileStart("/proc/self/status", 5, start));
  EXPECT_EQ(start, "Name:");
  EXPECT_FALSE(ReadWholeFile("/proc/self/status", status, 4));
  EXPECT_TRUE(status.empty());
}

// A regular file is read in one go up to the size it announces: every
// byte, and no more than was asked for, at sizes around the steps in which
// room is made.
TEST(Reading, RegularFilesGiveExactlyTheirBytesOrTheStartAskedFor) {
  test::TempDir dir;
  for (size_t size : {size_t{0}, size_t{1}, size_t{2}, size_t{65535}, size_t{65536},
                      size_t{65537}, size_t{300000}}) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 131 + size);
    const std::string path = dir.File(std::string("f").append(std::to_string(size)));
    test::WriteFileBytes(path, bytes);
    std::string read;
    ASSERT_TRUE(ReadWholeFile(path, read).ok()) << size;
    EXPECT_EQ(read, bytes) << size;
    for (uint64_t count : {uint64_t{0}, uint64_t{1}, uint64_t{65536}, uint64_t{size},
                           uint64_t{size + 1}, uint64_t{1} << 40}) {
      ASSERT_TRUE(ReadFileStart(path, count, read).ok()) << size << ", " << count;
      EXPECT_EQ(read, bytes.substr(0, static_cast<size_t>(std::min<uint64_t>(count, size))))
          << size << ", " << count;
    }
    if (size > 0) {
      EXPECT_FALSE(ReadWholeFile(path, read, size - 1).ok()) << size;
      EXPECT_TRUE(read.empty());
    }
  }
}

// ---- Lines ---------------------------------------------------------------------

// The lines of text as a source gives them.
std::vector<std::string> LinesOf(LineSource& source) {
  std::vector<std::string> lines;
  std::string line;
  while (source.Next(line)) lines.push_back(line);
  return lines;
}

TEST(LineSources, FromTextAndFromAFileGiveTheSameLines) {
  test::TempDir dir;
  for (const std::string& text :
       {std::string(""), std::string("\n"), std::string("a"), std::string("a\r\nb\r\n"),
        std::string("a\nb"), std::string("x\r"), std::string("\r\n\r\n"),
        std::string(60000, 'q') + "\nend"}) {
    SCOPED_TRACE(text.substr(0, 20));
    TextLineSource from_text(text);
    test::WriteFileBytes(dir.File("t.txt"), text);
    FileLineSource from_file;
    ASSERT_TRUE(from_file.Open(dir.File("t.txt")));
    const std::vector<std::string> expected = SplitLines(text);
    EXPECT_EQ(LinesOf(from_text), expected);
    EXPECT_EQ(LinesOf(from_file), expected);
    EXPECT_TRUE(from_text.status());
    EXPECT_TRUE(from_file.status());
    EXPECT_EQ(from_file.LinesRead(), expected.size());
  }
}

TEST(LineSources, ALineBeyondTheLimitStopsTheReading) {
  test::TempDir dir;
  const std::string text = "short\n" + std::string(kMaxTextLineBytes + 1, 'x') + "\nafter\n";
  test::WriteFileBytes(dir.File("t.txt"), text);
  FileLineSource from_file;
  ASSERT_TRUE(from_file.Open(dir.File("t.txt")));
  TextLineSource from_text(text);
  for (LineSource* source : {static_cast<LineSource*>(&from_file),
                             static_cast<LineSource*>(&from_text)}) {
    EXPECT_EQ(LinesOf(*source), std::vector<std::string>{"short"});
    EXPECT_FALSE(source->status());
    EXPECT_NE(source->status().message().find("line 2 is longer than"), std::string::npos)
        << source->status().message();
  }
  // A line of exactly the limit (and its CR) is a line.
  const std::string longest = std::string(kMaxTextLineBytes, 'y');
  test::WriteFileBytes(dir.File("u.txt"), longest + "\r\n");
  FileLineSource exact;
  ASSERT_TRUE(exact.Open(dir.File("u.txt")));
  EXPECT_EQ(LinesOf(exact), std::vector<std::string>{longest});
  EXPECT_TRUE(exact.status());
}

TEST(LineSources, OnlyTheLinesAskedForAreRead) {
  // A file of nothing but line feeds: a reader that needs one line reads one.
  test::TempDir dir;
  test::WriteFileBytes(dir.File("lf.txt"), std::string(4 << 20, '\n'));
  FileLineSource lines;
  ASSERT_TRUE(lines.Open(dir.File("lf.txt")));
  std::string line;
  ASSERT_TRUE(lines.Next(line));
  EXPECT_EQ(line, "");
  EXPECT_EQ(lines.LinesRead(), 1u);
}

// ---- Writing only what was asked for --------------------------------------

TEST(SafeWriting, NamesOfFoldersAreRefusedAsOutputFiles) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.File("folder"));
  for (const std::string& name :
       {dir.File("folder"), dir.File("folder") + "/", dir.File("new") + "/",
        dir.File("new") + "\\", std::string()}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(CanReplace(name));
    SafeFileWriter writer;
    EXPECT_FALSE(writer.Open(name));
  }
  // Nothing was made: no hidden file inside a folder named as an output.
  EXPECT_TRUE(std::filesystem::is_empty(dir.File("folder")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("new")));
}

TEST(SafeWriting, TemporaryFilesAreNewFilesThatNeverFollowALink) {
  test::TempDir dir;
  const std::string target = dir.File("out.bin");
  // Links planted at every name the old writer used, pointing at a file
  // that must not come into being.
  const std::string victim = dir.File("victim.txt");
  for (int n = 0; n < 4; ++n)
    std::filesystem::create_symlink(victim, target + ".part" + std::to_string(n));
  ASSERT_TRUE(WriteFileSafely(target, "bytes"));
  EXPECT_EQ(test::ReadFileBytes(target), "bytes");
  EXPECT_FALSE(std::filesystem::exists(victim));
  // The names are new each time, beside the destination, and gone after.
  SafeFileWriter first, second;
  ASSERT_TRUE(first.Open(target));
  ASSERT_TRUE(second.Open(target));
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    names.insert(entry.path().filename().string());
  EXPECT_EQ(names.size(), 1u + 4u + 2u);  // out.bin, the links, two new files
  first.Abandon();
  second.Abandon();
}

TEST(SafeWriting, NamesAsLongAsTheFileSystemTakesCanBeWritten) {
  test::TempDir dir;
  for (size_t length : {200u, 249u, 255u}) {
    SCOPED_TRACE(length);
    const std::string name = std::string(length - 4, 'n') + ".slp";
    ASSERT_EQ(name.size(), length);
    const std::string path = dir.File(name);
    ASSERT_TRUE(WriteFileSafely(path, "SLP")) << "a name of " << length << " bytes";
    EXPECT_EQ(test::ReadFileBytes(path), "SLP");
  }
}

TEST(SafeWriting, WritersToOneFileAtOnceEachLeaveAWholeFile) {
  test::TempDir dir;
  const std::string target = dir.File("shared.bin");
  const std::string a(200000, 'a'), b(150000, 'b');
  for (int round = 0; round < 20; ++round) {
    std::vector<std::thread> writers;
    for (int i = 0; i < 6; ++i)
      writers.emplace_back([&, i] { (void)WriteFileSafely(target, i % 2 ? a : b); });
    for (std::thread& writer : writers) writer.join();
    const std::string written = test::ReadFileBytes(target);
    ASSERT_TRUE(written == a || written == b) << "round " << round;
  }
  // Only the file itself is left.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(SafeWriting, ANewFileIsMadeUnderItsOwnNameAndGoneUnlessCommitted) {
  test::TempDir dir;
  const std::string path = dir.File("new.bin");
  {
    SafeFileWriter writer;
    ASSERT_TRUE(writer.Open(path));
    EXPECT_TRUE(std::filesystem::exists(path));
    writer.Write("dropped");
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  SafeFileWriter writer;
  ASSERT_TRUE(writer.Open(path));
  writer.Write("kept");
  ASSERT_TRUE(writer.Commit());
  writer.Abandon();  // after a commit, nothing is taken back
  EXPECT_EQ(test::ReadFileBytes(path), "kept");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(SafeWriting, AnAbandonedNewFileIsRemovedOnlyWhileItIsStillTheWritersOwn) {
  // Another writer put a whole file of the same name in place meanwhile;
  // giving up the first write must not take that one away.
  test::TempDir dir;
  const std::string path = dir.File("shared.bin");
  SafeFileWriter first;
  ASSERT_TRUE(first.Open(path));
  first.Write("first, never finished");
  ASSERT_TRUE(WriteFileSafely(path, "second, whole"));
  first.Abandon();
  EXPECT_EQ(test::ReadFileBytes(path), "second, whole");
}

TEST(SafeWriting, ADanglingLinkAtTheNameIsReplacedNotFollowed) {
  test::TempDir dir;
  const std::string path = dir.File("out.bin");
  const std::string victim = dir.File("victim.txt");
  std::filesystem::create_symlink(victim, path);
  ASSERT_TRUE(WriteFileSafely(path, "bytes"));
  EXPECT_FALSE(std::filesystem::exists(victim));
  EXPECT_FALSE(std::filesystem::is_symlink(path));
  EXPECT_EQ(test::ReadFileBytes(path), "bytes");
}

// Blocks of every size after heads of every size: a block written out
// straight behind a short head, or gathered behind a long one, lands in
// order, and patches reach it wherever it went.
TEST(SafeWriting, BlocksAfterHeadsOfAnySizeLandInOrder) {
  test::TempDir dir;
  const std::vector<size_t> sizes{54, 9000, 3, 5000, 100, 70000, 1, 4096, 4095, 257, 4096, 200, 300};
  const std::string path = dir.File("mixed.bin");
  SafeFileWriter writer;
  ASSERT_TRUE(writer.Open(path));
  std::string expected;
  char next = 'a';
  for (size_t size : sizes) {
    std::string block(size, next);
    next = next == 'z' ? 'a' : static_cast<char>(next + 1);
    ASSERT_TRUE(writer.Write(block));
    expected += block;
    // A patch in the head after every block, as a header filled in late.
    ASSERT_TRUE(writer.WriteAt(10, "HEAD", 4));
    expected.replace(10, 4, "HEAD");
    EXPECT_EQ(writer.Size(), expected.size());
  }
  ASSERT_TRUE(writer.Commit());
  EXPECT_TRUE(test::ReadFileBytes(path) == expected);
}

TEST(SafeWriting, BytesWrittenAtAnOffsetLandWhereverTheWriterHoldsThem) {
  // Large enough that the start is on disk while the end is still held;
  // tables at the start are filled in last, as the SLP writer does.
  for (bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "replacing a file" : "a new file");
    test::TempDir dir;
    const std::string path = dir.File("big.bin");
    if (existing) test::WriteFileBytes(path, "old");
    std::string expected;
    for (size_t i = 0; i < (size_t{3} << 20) + 12345; ++i)
      expected += static_cast<char>('a' + i % 23);
    SafeFileWriter writer;
    ASSERT_TRUE(writer.Open(path));
    for (size_t at = 0; at < expected.size(); at += 70000)
      ASSERT_TRUE(writer.Write(std::string_view(expected).substr(at, 70000)));
    auto patch = [&](uint64_t offset, const std::string& bytes) {
      ASSERT_TRUE(writer.WriteAt(offset, bytes.data(), bytes.size()));
      if (expected.size() < offset + bytes.size()) expected.resize(offset + bytes.size(), '\0');
      expected.replace(offset, bytes.size(), bytes);
    };
    patch(1, "on disk");
    patch(expected.size() - 3, "held, and beyond the end");
    patch((size_t{1} << 20) - 2, "across a block");
    patch(expected.size() + (size_t{2} << 20), "far beyond");
    ASSERT_TRUE(writer.Write("the end"));
    expected += "the end";
    EXPECT_EQ(writer.Size(), expected.size());
    ASSERT_TRUE(writer.Commit());
    EXPECT_TRUE(test::ReadFileBytes(path) == expected);
  }
}

TEST(Inputs, AnOutputThatIsAnInputIsRefusedHoweverItIsNamed) {
  test::TempDir dir;
  const std::string input = dir.File("in.slx");
  test::WriteFileBytes(input, "SLX 0.5\r\n0\r\n");
  std::filesystem::create_hard_link(input, dir.File("hard.slx"));
  std::filesystem::create_symlink(input, dir.File("soft.slx"));
  std::filesystem::create_directory(dir.File("sub"));
  for (const std::string& output :
       {input, dir.File("hard.slx"), dir.File("soft.slx"), dir.File("sub/../in.slx"),
        dir.File("./in.slx")}) {
    SCOPED_TRACE(output);
    const Status refused = RefuseOverwritingInput(output, {dir.File("other.bmp"), input});
    EXPECT_FALSE(refused);
    EXPECT_NE(refused.message().find(output), std::string::npos) << refused.message();
  }
  EXPECT_TRUE(RefuseOverwritingInput(dir.File("new.slp"), {input}));
  test::WriteFileBytes(dir.File("copy.slx"), test::ReadFileBytes(input));
  EXPECT_TRUE(RefuseOverwritingInput(dir.File("copy.slx"), {input}));

  // A writer told its inputs refuses the same names and writes nothing.
  for (const std::string& output : {input, dir.File("hard.slx"), dir.File("soft.slx")}) {
    SCOPED_TRACE(output);
    SafeFileWriter writer;
    const Status refused =
        writer.Open(output, SafeFileWriter::Placement::kInPlaceWhenNew, {input});
    EXPECT_FALSE(refused);
    EXPECT_NE(refused.message().find("writing it would destroy it"), std::string::npos)
        << refused.message();
  }
  EXPECT_EQ(test::ReadFileBytes(input), "SLX 0.5\r\n0\r\n");
  SafeFileWriter writer;
  ASSERT_TRUE(writer.Open(dir.File("new.slp"), SafeFileWriter::Placement::kInPlaceWhenNew, {input}));
  ASSERT_TRUE(writer.Open(dir.File("copy.slx"), SafeFileWriter::Placement::kInPlaceWhenNew, {input}));
  writer.Abandon();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            5);  // in, hard, soft, sub and copy: the abandoned new file is gone
}

// ---- Several files as one change -----------------------------------------------

TEST(FileTransactions, StagedFilesReplaceTheirFilesTogetherAndOnlyThen) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("a.txt"), "old a");
  FileTransaction transaction;
  ASSERT_TRUE(transaction.Stage(dir.File("a.txt"), {"new ", "a"}));
  ASSERT_TRUE(transaction.Stage(dir.File("b.txt"), {"new b"}));
  EXPECT_EQ(test::ReadFileBytes(dir.File("a.txt")), "old a");
  EXPECT_FALSE(std::filesystem::exists(dir.File("b.txt")));
  ASSERT_TRUE(transaction.Apply());
  EXPECT_EQ(test::ReadFileBytes(dir.File("a.txt")), "new a");
  EXPECT_EQ(test::ReadFileBytes(dir.File("b.txt")), "new b");
  transaction.Keep();
  // Nothing is left beside them.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            2);
}

TEST(FileTransactions, AMoveThatFailsPutsBackEveryFileOfTheChange) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.File("one"));
  std::filesystem::create_directory(dir.File("two"));
  test::WriteFileBytes(dir.File("one/a.txt"), "old a");
  FileTransaction transaction;
  ASSERT_TRUE(transaction.Stage(dir.File("one/a.txt"), {"new a"}));
  ASSERT_TRUE(transaction.Stage(dir.File("one/b.txt"), {"new b"}));
  ASSERT_TRUE(transaction.Stage(dir.File("two/c.txt"), {"new c"}));
  // The last file's folder goes, and with it the file staged there.
  std::filesystem::remove_all(dir.File("two"));
  EXPECT_FALSE(transaction.Apply());
  EXPECT_EQ(test::ReadFileBytes(dir.File("one/a.txt")), "old a");
  EXPECT_FALSE(std::filesystem::exists(dir.File("one/b.txt")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("one")),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(FileTransactions, UndoPutsBackEveryApplyNewestFirst) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("shared.bmp"), "original");
  FileTransaction transaction;
  ASSERT_TRUE(transaction.Stage(dir.File("shared.bmp"), {"first"}));
  ASSERT_TRUE(transaction.Apply());
  ASSERT_TRUE(transaction.Stage(dir.File("shared.bmp"), {"second"}));
  ASSERT_TRUE(transaction.Stage(dir.File("new.bmp"), {"made"}));
  ASSERT_TRUE(transaction.Apply());
  EXPECT_EQ(test::ReadFileBytes(dir.File("shared.bmp")), "second");
  transaction.Undo();
  EXPECT_EQ(test::ReadFileBytes(dir.File("shared.bmp")), "original");
  EXPECT_FALSE(std::filesystem::exists(dir.File("new.bmp")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
  // A read-only file is refused when staged, before anything moves.
  std::filesystem::permissions(dir.File("shared.bmp"), std::filesystem::perms::owner_read);
  FileTransaction refused;
  EXPECT_FALSE(refused.Stage(dir.File("shared.bmp"), {"x"}));
}

}  // namespace
}  // namespace zorv
