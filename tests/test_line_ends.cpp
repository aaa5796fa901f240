// Text files edited in the program keep every byte the user did not touch,
// line ends included.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/EightBitText.h"
#include "common/LineEnds.h"

namespace zorv {
namespace {

std::vector<std::string> Pieces(std::initializer_list<const char*> list) {
  return std::vector<std::string>(list.begin(), list.end());
}

TEST(LineEnds, SplitKeepsEachKindOfLineEnd) {
  const LineSplit split = SplitAtLineEnds("a\r\nb\nc\rd");
  EXPECT_EQ(split.pieces, Pieces({"a", "b", "c", "d"}));
  EXPECT_EQ(split.ends, Pieces({"\r\n", "\n", "\r"}));
  // A CR before a CR LF is a line end of its own; a final line end leaves
  // an empty last piece.
  const LineSplit mixed = SplitAtLineEnds("x\r\r\n");
  EXPECT_EQ(mixed.pieces, Pieces({"x", "", ""}));
  EXPECT_EQ(mixed.ends, Pieces({"\r", "\r\n"}));
  EXPECT_EQ(SplitAtLineEnds("").pieces, Pieces({""}));
}

TEST(LineEnds, UntouchedTextComesBackByteForByte) {
  std::mt19937 random(7);
  const std::string alphabet = "ab\r\n\xE9\x01";
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    const int length = static_cast<int>(random() % 24);
    for (int i = 0; i < length; ++i) bytes += alphabet[random() % alphabet.size()];
    const LineSplit split = SplitAtLineEnds(bytes);
    ASSERT_EQ(JoinWithLineEnds(split, split.pieces), bytes) << round;
  }
}

TEST(LineEnds, AnEditedLineKeepsTheEndsAroundIt) {
  const LineSplit split = SplitAtLineEnds("one\r\ntwo\nthree\rfour");
  EXPECT_EQ(JoinWithLineEnds(split, Pieces({"one", "TWO!", "three", "four"})),
            "one\r\nTWO!\nthree\rfour");
  // The last line edited: the file still has no final line end.
  EXPECT_EQ(JoinWithLineEnds(split, Pieces({"one", "two", "three", "four."})),
            "one\r\ntwo\nthree\rfour.");
}

TEST(LineEnds, NewLinesTakeTheFilesOwnLineEnd) {
  // A file of LF lines gets LF for an inserted line, not CR LF.
  const LineSplit unix_text = SplitAtLineEnds("a\nb\nc\n");
  EXPECT_EQ(JoinWithLineEnds(unix_text, Pieces({"a", "new", "b", "c", ""})), "a\nnew\nb\nc\n");
  // A line added after a last line without a line end: the old last line
  // gets one, and the file still ends as it did.
  const LineSplit open_end = SplitAtLineEnds("a\r\nb");
  EXPECT_EQ(JoinWithLineEnds(open_end, Pieces({"a", "b", "c"})), "a\r\nb\r\nc");
  // A file without line ends gets the program's CR LF.
  EXPECT_EQ(JoinWithLineEnds(SplitAtLineEnds("single"), Pieces({"single", "more"})),
            "single\r\nmore");
}

TEST(LineEnds, RemovedLinesTakeTheirEndsAlong) {
  const LineSplit split = SplitAtLineEnds("keep\r\ndrop\nalso\rlast\n");
  EXPECT_EQ(JoinWithLineEnds(split, Pieces({"keep", "last", ""})), "keep\r\nlast\n");
  EXPECT_EQ(JoinWithLineEnds(split, Pieces({""})), "");
}

TEST(EightBitText, FileNamesInUTF8BecomeOneBytePerCharacter) {
  EXPECT_EQ(FileNameAsText("Caf\xC3\xA9"), "Caf\xE9");
  EXPECT_EQ(FileNameAsText("\xC3\x80\xC2\xA0x"), "\xC0\xA0x");
  EXPECT_EQ(FileNameAsText("plain"), "plain");
  // Beyond Latin-1 (the euro sign), or not UTF-8 at all: bytes as they are.
  EXPECT_EQ(FileNameAsText("\xE2\x82\xAC"), "\xE2\x82\xAC");
  EXPECT_EQ(FileNameAsText("Caf\xE9"), "Caf\xE9");
  EXPECT_EQ(FileNameAsText("end\xC3"), "end\xC3");
}

}  // namespace
}  // namespace zorv
