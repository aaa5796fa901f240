#include <gtest/gtest.h>

#include <filesystem>
#include <cstring>
#include <random>
#include <set>

#include "codec/SLPReader.h"
#include "codec/SLPWriter.h"
#include "codec/SLX.h"
#include "tests/SLPTestFiles.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

using test::BuildSLP;
using test::Join;
using test::OneRowFrame;
using test::Repeat;
using test::RowColours;
using test::TestFrame;
using test::TestRow;

using test::kBlue;
using test::kGreen;
using test::kMagenta;
using test::kRed;
using test::kWhite;
using test::kYellow;

class SLPReaderTest : public ::testing::Test {
 protected:
  // Decodes frame 1 of the file; fails the test when it does not decode.
  void DecodeOne(const std::string& bytes) {
    SLPFile file(bytes);
    SLPHeader header;
    std::vector<SLPFrameInfo> frames;
    ASSERT_TRUE(ReadSLPHeader(file, header, frames).ok());
    ASSERT_FALSE(frames.empty());
    Status decoded = DecodeSLPFrame(file, frames[0], palette, colour, data);
    ASSERT_TRUE(decoded.ok()) << decoded.message();
  }

  // Decoding frame 1 of a damaged file: the header may already refuse it.
  Status TryDecode(const std::string& bytes) {
    SLPFile file(bytes);
    SLPHeader header;
    std::vector<SLPFrameInfo> frames;
    Status read = ReadSLPHeader(file, header, frames);
    if (!read) return read;
    for (const SLPFrameInfo& f : frames) {
      Status decoded = DecodeSLPFrame(file, f, palette, colour, data);
      if (!decoded) return decoded;
    }
    return Status::Ok();
  }

  // One row of the given width holding commands (end-of-row byte added).
  void DecodeRow(int32_t width, std::vector<uint8_t> commands, int16_t left = 0,
                 int16_t right = 0) {
    commands.push_back(0x0F);
    DecodeOne(BuildSLP({OneRowFrame(width, left, right, commands)}));
  }

  // The palette frames decode through: the built-in one unless a test
  // chooses another.
  Palette palette = Palette::BuiltIn();
  cDIBSection colour, data;
};

// --- Header and frame table -------------------------------------------------

TEST_F(SLPReaderTest, HeaderAndFrameRecordsAreReadFieldByField) {
  TestFrame f = OneRowFrame(3, 0, 0, {0x0D, 0x0F});
  f.hot_x = -7;
  f.hot_y = 300;
  std::string bytes = BuildSLP({f, f});
  SLPFile file(bytes);
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  ASSERT_TRUE(ReadSLPHeader(file, header, frames).ok());
  EXPECT_EQ(std::string(header.Version.data(), 4), "2.0N");
  EXPECT_EQ(header.FrameCount, 2);
  EXPECT_EQ(std::string(header.Comment.data(), 9), "test file");
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[1].OutlineTableOffset, 32u + 64u + 4u);
  EXPECT_EQ(frames[1].CommandTableOffset, 32u + 64u + 8u + 4u);
  EXPECT_EQ(frames[1].Properties, 24u);
  EXPECT_EQ(frames[1].Width, 3);
  EXPECT_EQ(frames[1].Height, 1);
  EXPECT_EQ(frames[1].HotSpotX, -7);
  EXPECT_EQ(frames[1].HotSpotY, 300);
}

TEST_F(SLPReaderTest, HeaderRefusesShortFilesNegativeCountsAndTablesBeyondTheFile) {
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  EXPECT_FALSE(ReadSLPHeader(SLPFile(std::string(31, '\0')), header, frames).ok());

  std::string negative = "2.0N";
  test::PutU32(negative, 0xFFFFFFFFu);
  negative += std::string(24, '\0');
  EXPECT_FALSE(ReadSLPHeader(SLPFile(negative), header, frames).ok());

  // Two frames announced, one record present.
  std::string bytes = BuildSLP({OneRowFrame(1, 1, 0, {0x0F})});
  bytes[4] = 2;
  bytes.resize(64 + 16);
  Status read = ReadSLPHeader(SLPFile(bytes), header, frames);
  EXPECT_FALSE(read.ok());
  EXPECT_NE(read.message().find("longer than the file"), std::string::npos);
  EXPECT_TRUE(frames.empty());

  // An absurd count is refused without allocating for it.
  std::string absurd = "2.0N";
  test::PutU32(absurd, 0x7FFFFFFFu);
  absurd += std::string(24, '\0');
  EXPECT_FALSE(ReadSLPHeader(SLPFile(absurd), header, frames).ok());
}

TEST_F(SLPReaderTest, AFileWithNoFramesIsValid) {
  std::string bytes = BuildSLP({});
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  ASSERT_TRUE(ReadSLPHeader(SLPFile(bytes), header, frames).ok());
  EXPECT_EQ(header.FrameCount, 0);
  EXPECT_TRUE(frames.empty());
}

// --- Commands ----------------------------------------------------------------

TEST_F(SLPReaderTest, EmptyRowMarkerPaintsTheRowMagentaWhateverItsCommandOffset) {
  TestFrame f;
  f.width = 4;
  f.height = 2;
  f.rows = {TestRow{-32768, 0, {}}, TestRow{0, 0, {0x10, 1, 2, 3, 4, 0x0F}}};
  std::string bytes = BuildSLP({f});
  // Point the first row's command offset far outside the file.
  const size_t table = test::GetU32(bytes, 32);
  for (int i = 0; i < 4; ++i) bytes[table + i] = '\xFF';
  DecodeOne(bytes);
  EXPECT_EQ(RowColours(colour, 0), Repeat(kMagenta, 4));
  EXPECT_EQ(RowColours(data, 0), Repeat(kMagenta, 4));
  EXPECT_EQ(RowColours(colour, 1),
            (std::vector<ColourValue>{palette.Colour(1), palette.Colour(2), palette.Colour(3),
                                      palette.Colour(4)}));
}

TEST_F(SLPReaderTest, ShortCopiesAndSkips) {
  // 0x10: copy of 4; 0x00: copy of 0; 0x05: skip 1; 0x01 then 2: skip 2.
  DecodeRow(7, {0x10, 9, 10, 11, 12, 0x00, 0x05, 0x01, 2});
  EXPECT_EQ(RowColours(colour, 0),
            Join({palette.Colour(9), palette.Colour(10), palette.Colour(11), palette.Colour(12)},
                 Repeat(kMagenta, 3)));
  EXPECT_EQ(RowColours(data, 0), Join(Repeat(kWhite, 4), Repeat(kMagenta, 3)));
}

TEST_F(SLPReaderTest, FillsTakeTheirCountFromTheNibbleOrTheNextByte) {
  DecodeRow(42, {0x27, 5, 0x07, 40, 6});
  EXPECT_EQ(RowColours(colour, 0),
            Join(Repeat(palette.Colour(5), 2), Repeat(palette.Colour(6), 40)));
  EXPECT_EQ(RowColours(data, 0), Repeat(kWhite, 42));
}

TEST_F(SLPReaderTest, LongSkipAndLongCopyUseTwelveBitCounts) {
  // 0x13 0x20: skip 288; 0x12 0x05: copy of 261.
  std::vector<uint8_t> commands = {0x13, 0x20, 0x12, 0x05};
  for (int k = 0; k < 261; ++k) commands.push_back(static_cast<uint8_t>(k % 7 + 1));
  DecodeRow(288 + 261, commands);
  EXPECT_EQ(colour.GetPixel(287, 0), kMagenta);
  EXPECT_EQ(data.GetPixel(287, 0), kMagenta);
  EXPECT_EQ(colour.GetPixel(288, 0), palette.Colour(1));
  EXPECT_EQ(colour.GetPixel(288 + 260, 0), palette.Colour(260 % 7 + 1));
  EXPECT_EQ(data.GetPixel(288 + 260, 0), kWhite);
}

TEST_F(SLPReaderTest, PlayerColourCommandsDrawTheFirstPlayersShadesInGreen) {
  // 0x16 3: copy of one index; 0x1E 4: four of shade 1; 0x2A 5: fill of two;
  // 0x06 then 1 and index 0: copy whose count is the next byte.
  DecodeRow(8, {0x16, 3, 0x1E, 4, 0x2A, 5, 0x06, 1, 0});
  EXPECT_EQ(RowColours(colour, 0),
            Join(Join({palette.Colour(19)}, Repeat(palette.Colour(17), 4)),
                 {palette.Colour(21), palette.Colour(21), palette.Colour(16)}));
  EXPECT_EQ(RowColours(data, 0), Repeat(kGreen, 8));
}

TEST_F(SLPReaderTest, ShadowIsRedInBothAndOutlinesAreMagentaInTheColourBitmap) {
  // 0x2B: shadow 2; 0x0B 3: shadow 3; 0x4E; 0x5E 2; 0x6E; 0x7E 2.
  DecodeRow(11, {0x2B, 0x0B, 3, 0x4E, 0x5E, 2, 0x6E, 0x7E, 2});
  EXPECT_EQ(RowColours(colour, 0), Join(Repeat(kRed, 5), Repeat(kMagenta, 6)));
  EXPECT_EQ(RowColours(data, 0),
            Join(Join(Repeat(kRed, 5), Repeat(kBlue, 3)), Repeat(kYellow, 3)));
}

TEST_F(SLPReaderTest, CommandBytesAreTestedInOrder) {
  // 0x5E and 0x7E take a count although their low nibble is 0x0E; 0x8E is a
  // player run of shade 8; 0x3F and 0xFF end a row like 0x0F.
  DecodeRow(10, {0x5E, 3, 0x7E, 2, 0x8E, 2, 0x0E, 1, 0x4E, 0x6E});
  EXPECT_EQ(RowColours(data, 0), Join(Join(Join(Repeat(kBlue, 3), Repeat(kYellow, 2)),
                                           Repeat(kGreen, 3)),
                                      {kBlue, kYellow}));
  EXPECT_EQ(colour.GetPixel(5, 0), palette.Colour(24));
  EXPECT_EQ(colour.GetPixel(7, 0), palette.Colour(16));

  DecodeOne(BuildSLP({OneRowFrame(3, 0, 2, {0x04, 7, 0x3F, 0x04, 8})}));
  EXPECT_EQ(RowColours(colour, 0), (std::vector<ColourValue>{palette.Colour(7), kMagenta, kMagenta}));
  DecodeOne(BuildSLP({OneRowFrame(1, 1, 0, {0xFF})}));
  EXPECT_EQ(data.GetPixel(0, 0), kMagenta);

  // 0x0D is a short skip of 3 (b AND 3 = 1), 0x0C a short copy of 3.
  DecodeRow(6, {0x0D, 0x0C, 1, 2, 3});
  EXPECT_EQ(RowColours(data, 0), Join(Repeat(kMagenta, 3), Repeat(kWhite, 3)));
  // 0x03 5: a long skip whose high part is 0.
  DecodeRow(5, {0x03, 5});
  EXPECT_EQ(RowColours(data, 0), Repeat(kMagenta, 5));
}

// Sprite rows mostly run: margin, outline pixel, copy, outline pixel, end.
// Each place an outline pixel can fall is drawn, or refused, alike: first in
// the row, right after a copy, and just before the row's end byte; with the
// bytes of another frame after the row, and with the row at the file's end.
TEST_F(SLPReaderTest, OutlinePixelsAroundCopiesAndAtTheRowsEdges) {
  // A second frame whose row of nothing but empty copies follows the first
  // frame's row in the file.
  std::vector<uint8_t> empty_copies(15, 0x00);
  empty_copies.push_back(0x0F);
  const TestFrame after = OneRowFrame(1, 1, 0, empty_copies);
  const auto file = [&](int32_t width, int16_t left, int16_t right, std::vector<uint8_t> commands,
                        bool at_the_end) {
    commands.push_back(0x0F);
    const TestFrame row = OneRowFrame(width, left, right, std::move(commands));
    return at_the_end ? BuildSLP({row}) : BuildSLP({row, after});
  };
  const ColourValue one = palette.Colour(1), two = palette.Colour(2);
  for (bool at_the_end : {false, true}) {
    SCOPED_TRACE(at_the_end ? "at the file's end" : "with bytes after the row");
    // The common row, with the right edge where the commands end.
    DecodeOne(file(7, 2, 1, {0x4E, 0x08, 1, 2, 0x4E}, at_the_end));
    EXPECT_EQ(RowColours(colour, 0),
              Join(Join(Repeat(kMagenta, 3), {one, two}), Repeat(kMagenta, 2)));
    EXPECT_EQ(RowColours(data, 0),
              Join(Join(Join(Repeat(kMagenta, 2), {kBlue}), Repeat(kWhite, 2)), {kBlue, kMagenta}));
    // The same row ending short of its right edge: its right margin follows
    // the last command, and black fills the rest.
    DecodeOne(file(9, 2, 1, {0x4E, 0x08, 1, 2, 0x4E}, at_the_end));
    EXPECT_EQ(RowColours(colour, 0),
              Join(Join(Repeat(kMagenta, 3), {one, two}), Join(Repeat(kMagenta, 2), {0, 0})));
    EXPECT_EQ(RowColours(data, 0), Join(Join(Join(Repeat(kMagenta, 2), {kBlue}), Repeat(kWhite, 2)),
                                        {kBlue, kMagenta, 0, 0}));
    // Two outline pixels after a copy, then a copy again.
    DecodeOne(file(5, 0, 0, {0x04, 1, 0x4E, 0x4E, 0x08, 2, 1}, at_the_end));
    EXPECT_EQ(RowColours(colour, 0), (std::vector<ColourValue>{one, kMagenta, kMagenta, two, one}));
    EXPECT_EQ(RowColours(data, 0), Join(Join({kWhite}, Repeat(kBlue, 2)), Repeat(kWhite, 2)));

    const auto fails = [&](const std::string& bytes, const std::string& reason) {
      EXPECT_EQ(TryDecode(bytes).message(), "row 0: " + reason);
    };
    const auto past_width = [](int32_t width) {
      return "the commands run past the row's width of " + std::to_string(width) + " pixels";
    };
    // An outline pixel first in a row that is all margin.
    fails(file(3, 3, 0, {0x4E}, at_the_end), past_width(3));
    // An outline pixel after a copy that filled the row.
    fails(file(3, 0, 0, {0x0C, 1, 2, 3, 0x4E}, at_the_end), past_width(3));
    fails(file(4, 1, 0, {0x4E, 0x08, 1, 2, 0x4E, 0x4E}, at_the_end), past_width(4));
    // An end byte after a copy and an outline pixel, with the right edge
    // past the width.
    fails(file(4, 0, 2, {0x08, 1, 2, 0x4E}, at_the_end),
          "the right edge runs past the row's width");
  }
}

TEST_F(SLPReaderTest, MarginsArePaintedTransparent) {
  DecodeRow(6, {0x08, 1, 2}, 3, 1);
  EXPECT_EQ(RowColours(data, 0), Join(Join(Repeat(kMagenta, 3), Repeat(kWhite, 2)), {kMagenta}));
  EXPECT_EQ(RowColours(colour, 0), Join(Join(Repeat(kMagenta, 3), {palette.Colour(1), palette.Colour(2)}),
                                        {kMagenta}));
}

TEST_F(SLPReaderTest, BitmapsOfAnEarlierFrameAreDrawnOverCompletely) {
  // Row 0 ends two pixels short of its width: those stay black, as in a
  // new bitmap, even when the bitmaps held another frame of this size.
  TestFrame f;
  f.width = 5;
  f.height = 2;
  f.rows = {TestRow{1, 0, {0x08, 1, 2, 0x0F}}, TestRow{-32768, 0, {}}};
  const std::string bytes = BuildSLP({f});
  DecodeOne(bytes);
  const std::vector<ColourValue> fresh_colour = RowColours(colour, 0);
  const std::vector<ColourValue> fresh_data = RowColours(data, 0);
  EXPECT_EQ(fresh_data, (std::vector<ColourValue>{kMagenta, kWhite, kWhite, 0, 0}));

  colour = test::FilledBitmap(5, 2, RGBColour(9, 9, 9));
  data = test::FilledBitmap(5, 2, RGBColour(9, 9, 9));
  DecodeOne(bytes);
  EXPECT_EQ(RowColours(colour, 0), fresh_colour);
  EXPECT_EQ(RowColours(data, 0), fresh_data);
  EXPECT_EQ(RowColours(data, 1), Repeat(kMagenta, 5));
}

TEST_F(SLPReaderTest, AFailedFrameLeavesEmptyBitmaps) {
  colour = test::FilledBitmap(2, 1, kWhite);
  Status decoded = TryDecode(BuildSLP({OneRowFrame(2, 0, 0, {0x10, 1, 2, 3, 4, 0x0F})}));
  EXPECT_FALSE(decoded.ok());
  EXPECT_EQ(colour.Width(), 0);
  EXPECT_EQ(data.Width(), 0);
}

TEST_F(SLPReaderTest, ColoursComeFromThePaletteGiven) {
  DecodeRow(1, {0x04, 5});
  EXPECT_EQ(colour.GetPixel(0, 0), Palette::BuiltIn().Colour(5));
  PaletteTable table = Palette::BuiltIn().Colours();
  table[5] = RGBColour(1, 2, 3);
  palette = Palette(table);
  DecodeRow(1, {0x04, 5});
  EXPECT_EQ(colour.GetPixel(0, 0), RGBColour(1, 2, 3));
  palette = Palette::BuiltIn();
  DecodeRow(1, {0x04, 5});
  EXPECT_NE(colour.GetPixel(0, 0), RGBColour(1, 2, 3));
}

// --- Damaged files -------------------------------------------------------------

TEST_F(SLPReaderTest, DamagedFramesFailWithAReason) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"copy past the width", BuildSLP({OneRowFrame(3, 0, 0, {0x10, 1, 2, 3, 4, 0x0F})})});
  cases.push_back({"skip past the width", BuildSLP({OneRowFrame(3, 0, 0, {0x13, 0x00, 0x0F})})});
  cases.push_back({"left margin past the width", BuildSLP({OneRowFrame(3, 4, 0, {0x0F})})});
  cases.push_back({"right margin past the width", BuildSLP({OneRowFrame(3, 1, 3, {0x0F})})});
  cases.push_back({"negative margin", BuildSLP({OneRowFrame(3, -1, 0, {0x0F})})});
  cases.push_back({"copy past the file end", BuildSLP({OneRowFrame(9, 0, 0, {0x20, 1, 2})})});
  cases.push_back({"count byte past the file end", BuildSLP({OneRowFrame(9, 0, 0, {0x07})})});
  cases.push_back({"fill index past the file end", BuildSLP({OneRowFrame(9, 0, 0, {0x27})})});
  cases.push_back({"missing end of row", BuildSLP({OneRowFrame(2, 0, 0, {0x08, 1, 2})})});
  cases.push_back({"player copy index 240", BuildSLP({OneRowFrame(2, 0, 0, {0x26, 3, 240, 0x0F})})});
  cases.push_back({"player fill index 255", BuildSLP({OneRowFrame(2, 0, 0, {0x2A, 255, 0x0F})})});
  {
    // Row 1 lacks its end byte, so row 2's commands follow and overrun.
    TestFrame f;
    f.width = 2;
    f.height = 2;
    f.rows = {TestRow{0, 0, {0x08, 1, 2}}, TestRow{0, 0, {0x08, 3, 4, 0x0F}}};
    cases.push_back({"row without end byte", BuildSLP({f})});
  }
  {
    std::string bytes = BuildSLP({OneRowFrame(1, 0, 0, {0x04, 1, 0x0F})});
    bytes[32 + 4] = '\x70';  // edge table offset far past the end
    cases.push_back({"edge table outside the file", bytes});
  }
  {
    std::string bytes = BuildSLP({OneRowFrame(1, 0, 0, {0x04, 1, 0x0F})});
    bytes[32] = '\x70';  // command table offset past the end
    cases.push_back({"command table outside the file", bytes});
  }
  {
    std::string bytes = BuildSLP({OneRowFrame(1, 0, 0, {0x04, 1, 0x0F})});
    const size_t table = test::GetU32(bytes, 32);
    bytes[table + 3] = '\x10';  // the row's commands lie past the end
    cases.push_back({"row offset outside the file", bytes});
  }
  {
    TestFrame f = OneRowFrame(1, 1, 0, {0x0F});
    f.width = -1;
    cases.push_back({"negative width", BuildSLP({f})});
    f.width = 1;
    f.height = -5;
    cases.push_back({"negative height", BuildSLP({f})});
    f.height = 1;
    f.width = 100000;
    cases.push_back({"absurd width", BuildSLP({f})});
  }
  {
    // 30000 x 30000 is within each side's limit but far too many pixels.
    TestFrame f;
    f.width = 30000;
    f.height = 30000;
    std::string bytes = BuildSLP({f});
    bytes.append(30000 * 8, '\0');
    cases.push_back({"absurd pixel count", bytes});
  }
  for (const Case& c : cases) {
    Status decoded = TryDecode(c.bytes);
    EXPECT_FALSE(decoded.ok()) << c.what;
    EXPECT_FALSE(decoded.message().empty()) << c.what;
  }
}

// Every row's edges and command offset are checked before any pixel is
// drawn: edges at their limits pass, and the first row beyond them is named
// with what is wrong, whichever rows follow it.
TEST_F(SLPReaderTest, RowHeadsAreCheckedToTheirLimitsAndTheFirstBadRowIsNamed) {
  struct Case {
    int16_t left, right;
    bool commands_past_the_end;
    const char* fault;  // nullptr: the frame decodes
  };
  const Case cases[] = {
      {3, 0, false, nullptr},  // all margin
      {0, 3, false, nullptr},
      {1, 2, false, nullptr},
      {kSLPEmptyRow, 0, false, nullptr},
      {4, 0, false, "row 2: the left edge lies past the row's width"},
      {1, 3, false, "row 2: the right edge runs past the row's width"},
      {0, 4, false, "row 2: the right edge runs past the row's width"},
      {-1, 0, false, "row 2: negative row edges"},
      {0, -1, false, "row 2: negative row edges"},
      {-32767, 5, false, "row 2: negative row edges"},
      {0, 0, true, "row 2: the commands run past the end of the file"},
  };
  for (const Case& c : cases) {
    TestFrame frame;
    frame.width = 3;
    frame.height = 5;
    for (int y = 0; y < 5; ++y) frame.rows.push_back(TestRow{0, 0, {0x0C, 1, 2, 3, 0x0F}});
    frame.rows[2] = TestRow{c.left, c.right, {0x0F}};
    // A later row at fault too: the first is the one named.
    if (c.fault) frame.rows[4] = TestRow{9, 0, {0x0F}};
    std::string bytes = BuildSLP({frame});
    if (c.commands_past_the_end) {
      const size_t entry = test::GetU32(bytes, 32) + 4 * 2;
      const auto past = static_cast<uint32_t>(bytes.size());
      for (int k = 0; k < 4; ++k) bytes[entry + size_t(k)] = static_cast<char>(past >> (8 * k));
    }
    const Status decoded = TryDecode(bytes);
    const std::string what = std::to_string(c.left) + ", " + std::to_string(c.right);
    if (!c.fault) {
      EXPECT_TRUE(decoded.ok()) << what << ": " << decoded.message();
    } else {
      EXPECT_EQ(decoded.message(), c.fault) << what;
    }
  }
}

TEST_F(SLPReaderTest, DamagedRowsNameTheirRowAndReason) {
  Status decoded = TryDecode(BuildSLP({OneRowFrame(2, 0, 0, {0x26, 3, 240, 0x0F})}));
  EXPECT_NE(decoded.message().find("row 0"), std::string::npos) << decoded.message();
  EXPECT_NE(decoded.message().find("240"), std::string::npos) << decoded.message();
}

TEST_F(SLPReaderTest, IndexTwoHundredThirtyNineIsTheLastPlayerIndexAccepted) {
  DecodeRow(1, {0x16, 239});
  EXPECT_EQ(colour.GetPixel(0, 0), palette.Colour(255));
}

// Random damage to a valid file: every outcome is a clean success or failure.
TEST_F(SLPReaderTest, RandomlyDamagedFilesNeverReadOutsideTheFile) {
  TestFrame a;
  a.width = 12;
  a.height = 3;
  a.rows = {TestRow{2, 1, {0x10, 1, 2, 3, 4, 0x2B, 0x5E, 2, 0x16, 7, 0x0F}},
            TestRow{-32768, 0, {}},
            TestRow{0, 0, {0x07, 12, 9, 0x0F}}};
  TestFrame b = OneRowFrame(300, 0, 0, {0x13, 0x00, 0x2A, 3, 0x27, 5, 0x0F});
  b.rows[0].commands = {0x12, 0x00};
  for (int k = 0; k < 256; ++k) b.rows[0].commands.push_back(static_cast<uint8_t>(k));
  b.rows[0].commands.insert(b.rows[0].commands.end(), {0x2A, 3, 0x27, 5, 0x0F, 0x10});
  b.width = 256 + 4;
  const std::string valid = BuildSLP({a, b});
  ASSERT_TRUE(TryDecode(valid).ok()) << TryDecode(valid).message();

  std::mt19937 random(20240601);
  int failed = 0, decoded = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = valid;
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int c = 0; c < changes; ++c)
      bytes[random() % bytes.size()] = static_cast<char>(random() & 255);
    if (round % 5 == 0) bytes.resize(random() % bytes.size());
    (TryDecode(bytes).ok() ? decoded : failed)++;
  }
  // Both outcomes occur: the damage is neither always harmless nor always fatal.
  EXPECT_GT(failed, 0);
  EXPECT_GT(decoded, 0);
}

// --- Frame numbers and the conversion -----------------------------------------

TEST(PadFrameNumberTest, PadsToThreeDigitsAndLeavesLongerNumbers) {
  EXPECT_EQ(PadFrameNumber(7), "007");
  EXPECT_EQ(PadFrameNumber(42), "042");
  EXPECT_EQ(PadFrameNumber(999), "999");
  EXPECT_EQ(PadFrameNumber(1000), "1000");
  EXPECT_EQ(PadFrameNumber(12345), "12345");
}

class SLPToSLXTest : public SLPReaderTest {
 protected:
  test::TempDir dir;

  std::string WriteSLP(const std::string& name, const std::vector<TestFrame>& frames) {
    std::string path = dir.File(name);
    test::WriteFileBytes(path, BuildSLP(frames));
    return path;
  }
};

TEST_F(SLPToSLXTest, WritesNumberedBitmapsAndTheSLXListingThem) {
  std::vector<TestFrame> frames;
  for (int i = 1; i <= 12; ++i) {
    TestFrame f = OneRowFrame(2, 0, 0, {0x04, static_cast<uint8_t>(i), 0x5E, 1, 0x0F});
    f.hot_x = i;
    f.hot_y = -i;
    frames.push_back(f);
  }
  std::string slp = WriteSLP("source.slp", frames);
  std::vector<ProgressStep> notified;
  const Status converted =
      ConvertSLPToSLX(slp, dir.File("unit.slx"), palette,
                      [&](const ProgressStep& step) { notified.push_back(step); });
  ASSERT_TRUE(converted.ok()) << converted.message();
  ASSERT_EQ(notified.size(), 12u);
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(notified[i].step, i + 1);
    EXPECT_EQ(notified[i].total, 12);
    EXPECT_EQ(notified[i].caption, "Decoding frame " + std::to_string(i + 1));
  }

  std::string slx = test::ReadFileBytes(dir.File("unit.slx"));
  const std::string start = "SLX 0.5\r\n12\r\n1,-1\r\nunit_001d.bmp\r\nunit_001.bmp\r\n";
  EXPECT_EQ(slx.substr(0, start.size()), start);
  EXPECT_NE(slx.find("12,-12\r\nunit_012d.bmp\r\nunit_012.bmp\r\n"), std::string::npos);
  SLXGraphic graphic;
  ASSERT_TRUE(LoadSLX(dir.File("unit.slx"), graphic).ok());
  EXPECT_EQ(graphic.FrameCount, 12);
  cDIBSection loaded;
  ASSERT_TRUE(loaded.CreateFromPicture(dir.File("unit_012.bmp")).ok());
  EXPECT_EQ(loaded.GetPixel(0, 0), palette.Colour(12));
  EXPECT_EQ(loaded.GetPixel(1, 0), kMagenta);
  ASSERT_TRUE(loaded.CreateFromPicture(dir.File("unit_012d.bmp")).ok());
  EXPECT_EQ(loaded.GetPixel(0, 0), kWhite);
  EXPECT_EQ(loaded.GetPixel(1, 0), kBlue);
}

TEST_F(SLPToSLXTest, MoreThan999FramesUseThePlainNumber) {
  std::vector<TestFrame> frames(1000, OneRowFrame(1, 0, 0, {0x1B, 0x0F}));
  const Status converted =
      ConvertSLPToSLX(WriteSLP("many.slp", frames), dir.File("many.slx"), palette);
  ASSERT_TRUE(converted.ok()) << converted.message();
  EXPECT_TRUE(std::filesystem::exists(dir.File("many_999.bmp")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("many_1000.bmp")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("many_1000d.bmp")));
}

TEST_F(SLPToSLXTest, APathWithoutExtensionGetsSLX) {
  std::string slp = WriteSLP("a.slp", {OneRowFrame(1, 1, 0, {0x0F})});
  ASSERT_TRUE(ConvertSLPToSLX(slp, dir.File("graphic"), palette).ok());
  EXPECT_TRUE(std::filesystem::exists(dir.File("graphic.slx")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("graphic_001.bmp")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("graphic")));
  EXPECT_EQ(SLXPathWithExtension("C:\\mods.v2\\unit"), "C:\\mods.v2\\unit.slx");
  EXPECT_EQ(SLXPathWithExtension("C:\\mods\\unit.slx"), "C:\\mods\\unit.slx");
}

TEST_F(SLPToSLXTest, DamagedFileIsReportedAndWritesNoSLX) {
  std::vector<TestFrame> frames = {OneRowFrame(2, 0, 0, {0x08, 1, 2, 0x0F}),
                                   OneRowFrame(2, 0, 0, {0x26, 3, 250, 0x0F})};
  const Status converted =
      ConvertSLPToSLX(WriteSLP("bad.slp", frames), dir.File("bad.slx"), palette);
  ASSERT_FALSE(converted.ok());
  EXPECT_EQ(converted.Headline(), "Error creating SLX file!");
  EXPECT_NE(converted.message().find("frame 2"), std::string::npos) << converted.message();
  EXPECT_FALSE(std::filesystem::exists(dir.File("bad.slx")));
  // The frame decoded before the damage stays on disk.
  EXPECT_TRUE(std::filesystem::exists(dir.File("bad_001.bmp")));
}

TEST_F(SLPToSLXTest, MissingOrUnreadableSLPIsReported) {
  Status converted = ConvertSLPToSLX(dir.File("none.slp"), dir.File("x.slx"), palette);
  EXPECT_FALSE(converted.ok());
  EXPECT_EQ(converted.Headline(), "Error creating SLX file!");
  test::WriteFileBytes(dir.File("short.slp"), "2.0N");
  converted = ConvertSLPToSLX(dir.File("short.slp"), dir.File("x.slx"), palette);
  EXPECT_FALSE(converted.ok());
  EXPECT_EQ(converted.Headline(), "Error creating SLX file!");
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.slx")));
}

TEST_F(SLPToSLXTest, ABitmapThatCannotBeWrittenStopsTheConversionAndIsNamed) {
  std::string slp = WriteSLP("u.slp", {OneRowFrame(1, 0, 0, {0x04, 1, 0x0F}),
                                       OneRowFrame(1, 0, 0, {0x04, 2, 0x0F})});
  // A folder where the second colour bitmap should go.
  std::filesystem::create_directory(dir.File("u_002.bmp"));
  int notified = 0;
  const Status converted = ConvertSLPToSLX(slp, dir.File("u.slx"), palette,
                                           [&](const ProgressStep&) { ++notified; });
  EXPECT_FALSE(converted.ok());
  EXPECT_EQ(notified, 2);
  EXPECT_EQ(converted.Headline(), "Error creating SLX file!");
  EXPECT_NE(converted.message().find("u_002.bmp"), std::string::npos) << converted.message();
  EXPECT_FALSE(std::filesystem::exists(dir.File("u.slx")));
}

// --- Whole files in memory -----------------------------------------------------

bool SamePixels(const cDIBSection& a, const cDIBSection& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() && a.ImageSize() == b.ImageSize() &&
         (a.ImageSize() == 0 ||
          std::memcmp(a.DIBSectionBitsPtr(), b.DIBSectionBitsPtr(), a.ImageSize()) == 0);
}

TEST_F(SLPReaderTest, DecodeSLPGivesEveryFrameWithItsHotSpot) {
  TestFrame wide = OneRowFrame(5, 1, 0, {0x10, 1, 2, 3, 4, 0x0F});
  wide.hot_x = 2;
  wide.hot_y = -3;
  TestFrame tall;
  tall.width = 2;
  tall.height = 3;
  tall.hot_x = -40;
  tall.hot_y = 70;
  tall.rows = {TestRow{0, 0, {0x16, 3, 0x1B, 0x0F}}, TestRow{kSLPEmptyRow, 0, {}},
               TestRow{0, 1, {0x6E, 0x0F}}};
  const std::string bytes = BuildSLP({wide, tall, wide});
  SLPFile file(bytes);
  std::vector<FrameBitmaps> frames;
  std::vector<ProgressStep> heard;
  const Status decoded = DecodeSLP(file, palette, frames,
                                   [&](const ProgressStep& step) { heard.push_back(step); });
  ASSERT_TRUE(decoded.ok()) << decoded.message();
  ASSERT_EQ(frames.size(), 3u);

  EXPECT_EQ(frames[1].CenterX, -40);
  EXPECT_EQ(frames[1].CenterY, 70);
  EXPECT_EQ(RowColours(frames[1].Colour, 0), (std::vector<ColourValue>{palette.Colour(19), kRed}));
  EXPECT_EQ(RowColours(frames[1].Data, 0), (std::vector<ColourValue>{kGreen, kRed}));
  EXPECT_EQ(RowColours(frames[1].Data, 1), Repeat(kMagenta, 2));
  EXPECT_EQ(RowColours(frames[1].Data, 2), (std::vector<ColourValue>{kYellow, kMagenta}));
  for (size_t i : {0u, 2u}) {
    EXPECT_EQ(frames[i].CenterX, 2) << i;
    EXPECT_EQ(frames[i].CenterY, -3) << i;
    EXPECT_EQ(RowColours(frames[i].Colour, 0),
              Join({kMagenta}, {palette.Colour(1), palette.Colour(2), palette.Colour(3),
                                palette.Colour(4)}));
  }

  // Each frame is what DecodeSLPFrame gives for it, from memory or from disk.
  test::TempDir dir;
  SLPHeader header;
  std::vector<SLPFrameInfo> infos;
  ASSERT_TRUE(ReadSLPHeader(file, header, infos).ok());
  const std::string path = dir.File("three.slp");
  test::WriteFileBytes(path, bytes);
  SLPFile disk;
  ASSERT_TRUE(disk.Open(path).ok());
  std::vector<FrameBitmaps> from_disk;
  ASSERT_TRUE(DecodeSLP(disk, palette, from_disk).ok());
  ASSERT_EQ(from_disk.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    ASSERT_TRUE(DecodeSLPFrame(file, infos[i], palette, colour, data).ok());
    EXPECT_TRUE(SamePixels(frames[i].Colour, colour)) << i;
    EXPECT_TRUE(SamePixels(frames[i].Data, data)) << i;
    EXPECT_TRUE(SamePixels(from_disk[i].Colour, colour)) << i;
    EXPECT_TRUE(SamePixels(from_disk[i].Data, data)) << i;
    EXPECT_EQ(from_disk[i].CenterX, frames[i].CenterX) << i;
  }

  ASSERT_EQ(heard.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(heard[i].caption, "Decoding frame " + std::to_string(i + 1));
    EXPECT_EQ(heard[i].step, i + 1);
    EXPECT_EQ(heard[i].total, 3);
  }

  // A file of no frames gives none, and forgets the frames held before.
  ASSERT_TRUE(DecodeSLP(SLPFile(BuildSLP({})), palette, frames).ok());
  EXPECT_TRUE(frames.empty());
}

TEST_F(SLPReaderTest, DecodeSLPNamesTheFrameThatFailsAndGivesNoFrames) {
  const std::vector<TestFrame> damaged = {OneRowFrame(2, 0, 0, {0x08, 1, 2, 0x0F}),
                                          OneRowFrame(2, 0, 0, {0x26, 3, 250, 0x0F})};
  std::vector<FrameBitmaps> frames(4);
  Status decoded = DecodeSLP(SLPFile(BuildSLP(damaged)), palette, frames);
  EXPECT_FALSE(decoded.ok());
  EXPECT_NE(decoded.message().find("frame 2"), std::string::npos) << decoded.message();
  EXPECT_NE(decoded.message().find("250"), std::string::npos) << decoded.message();
  EXPECT_TRUE(frames.empty());

  frames.resize(1);
  decoded = DecodeSLP(SLPFile(std::string(31, '\0')), palette, frames);
  EXPECT_FALSE(decoded.ok());
  EXPECT_FALSE(decoded.message().empty());
  EXPECT_TRUE(frames.empty());
}

// --- Real files ---------------------------------------------------------------

TEST_F(SLPReaderTest, RealUnitFramesDecodeToKnownShapes) {
  ZORV_REQUIRE_SAMPLES();
  ASSERT_TRUE(LoadPalette(test::SamplesDir() + "unit.pal", palette).ok());
  SLPFile file;
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  ASSERT_TRUE(ReadSLPHeader(test::SamplesDir() + "unit.slp", file, header, frames).ok());
  EXPECT_EQ(std::string(header.Version.data(), 4), "2.0N");
  ASSERT_EQ(header.FrameCount, 50);
  const std::set<ColourValue> player_shades(palette.Colours().begin() + 16,
                                            palette.Colours().begin() + 24);
  for (size_t i = 0; i < frames.size(); ++i) {
    Status decoded = DecodeSLPFrame(file, frames[i], palette, colour, data);
    ASSERT_TRUE(decoded.ok()) << "frame " << i + 1 << ": " << decoded.message();
    // About 20 x 50 pixels each.
    EXPECT_GE(colour.Width(), 10) << i + 1;
    EXPECT_LE(colour.Width(), 60) << i + 1;
    EXPECT_GE(colour.Height(), 40) << i + 1;
    EXPECT_LE(colour.Height(), 60) << i + 1;
    int player = 0, outline = 0, normal = 0;
    for (int32_t y = 0; y < data.Height(); ++y) {
      for (int32_t x = 0; x < data.Width(); ++x) {
        ColourValue d = data.GetPixel(x, y), c = colour.GetPixel(x, y);
        if (d == kGreen) {
          ++player;
          // This unit's player pixels use indices 0..7: entries 16..23.
          EXPECT_TRUE(player_shades.count(c)) << "frame " << i + 1;
        } else if (d == kBlue) {
          ++outline;
          EXPECT_EQ(c, kMagenta);
        } else if (d == kWhite) {
          ++normal;
        } else {
          EXPECT_EQ(d, kMagenta) << "frame " << i + 1 << " at " << x << "," << y;
          EXPECT_EQ(c, kMagenta);
        }
      }
    }
    EXPECT_GT(player, 0) << "frame " << i + 1;
    EXPECT_GT(outline, 0) << "frame " << i + 1;
    EXPECT_GT(normal, 0) << "frame " << i + 1;
  }
  EXPECT_EQ(frames[0].Width, 20);
  EXPECT_EQ(frames[0].Height, 48);
}

TEST_F(SLPReaderTest, RandomlyDamagedRealFileFailsCleanly) {
  ZORV_REQUIRE_SAMPLES();
  const std::string valid = test::ReadFileBytes(test::SamplesDir() + "unit.slp");
  ASSERT_FALSE(valid.empty());
  std::mt19937 random(99);
  int failed = 0;
  for (int round = 0; round < 400; ++round) {
    std::string bytes = valid;
    for (int c = 0; c < 8; ++c) bytes[random() % bytes.size()] = static_cast<char>(random() & 255);
    if (round % 4 == 0) bytes.resize(random() % bytes.size());
    failed += !TryDecode(bytes).ok();
  }
  EXPECT_GT(failed, 0);
}

TEST_F(SLPReaderTest, RealScreenIsOneFrameOfNormalPixels) {
  ZORV_REQUIRE_SAMPLES();
  ASSERT_TRUE(LoadPalette(test::SamplesDir() + "screen.pal", palette).ok());
  SLPFile file;
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  ASSERT_TRUE(ReadSLPHeader(test::SamplesDir() + "screen.slp", file, header, frames).ok());
  ASSERT_EQ(frames.size(), 1u);
  ASSERT_TRUE(DecodeSLPFrame(file, frames[0], palette, colour, data).ok());
  EXPECT_EQ(colour.Width(), 1280);
  EXPECT_EQ(colour.Height(), 1024);
  cDIBSection white = test::FilledBitmap(1280, 1024, kWhite);
  EXPECT_EQ(std::memcmp(data.DIBSectionBitsPtr(), white.DIBSectionBitsPtr(), data.ImageSize()), 0);
  // Every colour pixel is a colour of the screen's palette.
  const std::set<ColourValue> screen_colours(palette.Colours().begin(), palette.Colours().end());
  for (int32_t y = 0; y < 1024; y += 37)
    for (int32_t x = 0; x < 1280; ++x) ASSERT_TRUE(screen_colours.count(colour.GetPixel(x, y)));
}

TEST_F(SLPReaderTest, RealUnitDecodedAndEncodedAgainDecodesToTheSamePixels) {
  ZORV_REQUIRE_SAMPLES();
  ASSERT_TRUE(LoadPalette(test::SamplesDir() + "unit.pal", palette).ok());
  SLPFile file;
  ASSERT_TRUE(file.Open(test::SamplesDir() + "unit.slp").ok());
  SLPHeader header;
  std::vector<SLPFrameInfo> infos;
  ASSERT_TRUE(ReadSLPHeader(file, header, infos).ok());
  std::vector<FrameBitmaps> first;
  Status decoded = DecodeSLP(file, palette, first);
  ASSERT_TRUE(decoded.ok()) << decoded.message();
  ASSERT_EQ(first.size(), 50u);
  EXPECT_EQ(first[0].Colour.Width(), 20);
  EXPECT_EQ(first[0].Colour.Height(), 48);
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].CenterX, infos[i].HotSpotX) << "frame " << i + 1;
    EXPECT_EQ(first[i].CenterY, infos[i].HotSpotY) << "frame " << i + 1;
  }

  std::string bytes;
  const Status encoded = EncodeSLP(first, palette, bytes);
  ASSERT_TRUE(encoded.ok()) << encoded.message();
  std::vector<FrameBitmaps> second;
  decoded = DecodeSLP(SLPFile(bytes), palette, second);
  ASSERT_TRUE(decoded.ok()) << decoded.message();
  ASSERT_EQ(second.size(), first.size());
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_TRUE(SamePixels(second[i].Colour, first[i].Colour)) << "colour of frame " << i + 1;
    EXPECT_TRUE(SamePixels(second[i].Data, first[i].Data)) << "data of frame " << i + 1;
    EXPECT_EQ(second[i].CenterX, first[i].CenterX) << "frame " << i + 1;
    EXPECT_EQ(second[i].CenterY, first[i].CenterY) << "frame " << i + 1;
  }
}

}  // namespace
}  // namespace zorv
