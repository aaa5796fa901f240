// The row decoder draws with wide stores that run past the pixels they are
// meant for and puts back what lies after each row. These tests compare it,
// byte for byte (row padding included), with a plain pixel-by-pixel reading
// of the same commands, on random frames of every width from none to
// several blocks of pixels: narrow frames whose rows are shorter than what
// a store spills, rows that end short, copies and fills of every length,
// and rows whose commands end at the very end of the file.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "codec/DataColours.h"
#include "codec/SLPReader.h"
#include "common/LittleEndian.h"
#include "tests/SLPTestFiles.h"

namespace zorv {
namespace {

using test::BuildSLP;
using test::TestFrame;
using test::TestRow;

// A frame's two pictures as plain colour values, row by row from the top.
struct Picture {
  int32_t width = 0, height = 0;
  std::vector<ColourValue> colour, data;

  Picture(int32_t w, int32_t h)
      : width(w), height(h), colour(size_t(w) * size_t(h), 0), data(size_t(w) * size_t(h), 0) {}
  void Paint(int32_t x, int32_t y, ColourValue c, ColourValue d) {
    colour[size_t(y) * size_t(width) + size_t(x)] = c;
    data[size_t(y) * size_t(width) + size_t(x)] = d;
  }
  // The picture as a bitmap made the plain way, one pixel at a time.
  cDIBSection Bitmap(bool data_picture) const {
    cDIBSection bitmap;
    EXPECT_TRUE(bitmap.Create(width, height));
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        bitmap.SetPixel(x, y, (data_picture ? data : colour)[size_t(y) * size_t(width) + size_t(x)]);
    return bitmap;
  }
};

// Writes random valid rows for a frame and paints what they mean into a
// Picture as it goes, one command and one pixel at a time.
class RandomFrameWriter {
 public:
  RandomFrameWriter(uint32_t seed, const Palette& palette) : random_(seed), palette_(palette) {}

  TestFrame Frame(int32_t width, int32_t height, Picture& picture) {
    TestFrame frame;
    frame.width = width;
    frame.height = height;
    for (int32_t y = 0; y < height; ++y) frame.rows.push_back(Row(width, y, picture));
    return frame;
  }

 private:
  int32_t Below(int32_t n) { return n <= 0 ? 0 : static_cast<int32_t>(random_() % uint32_t(n)); }

  TestRow Row(int32_t width, int32_t y, Picture& picture) {
    TestRow row;
    if (Below(12) == 0) {  // an empty row
      row.left = kSLPEmptyRow;
      for (int32_t x = 0; x < width; ++x) picture.Paint(x, y, kDataTransparent, kDataTransparent);
      return row;
    }
    row.left = static_cast<int16_t>(Below(width / 3 + 1));
    row.right = static_cast<int16_t>(Below((width - row.left) / 3 + 1));
    for (int32_t x = 0; x < row.left; ++x) picture.Paint(x, y, kDataTransparent, kDataTransparent);
    int32_t x = row.left;
    const int32_t stop = width - row.right;
    // Now and then a row ends early: the rest past its right edge is black.
    const bool ends_short = Below(8) == 0;
    while (x < stop && !(ends_short && Below(4) == 0)) x += Command(stop - x, x, y, row, picture);
    // A command of nothing now and then, as a writer may leave.
    if (Below(6) == 0) row.commands.push_back(0x00);
    row.commands.push_back(0x0F);
    for (int32_t k = 0; k < row.right; ++k)
      picture.Paint(x + k, y, kDataTransparent, kDataTransparent);
    return row;
  }

  // Lengths mostly short, as in sprites, sometimes long.
  int32_t Length(int32_t most, int32_t room) {
    const int32_t limit = std::min(most, room);
    return Below(5) == 0 ? Below(limit + 1) : Below(std::min(limit, 20) + 1);
  }

  // Appends one command of at most room pixels at x and paints it; gives
  // its length.
  int32_t Command(int32_t room, int32_t x, int32_t y, TestRow& row, Picture& picture) {
    std::vector<uint8_t>& out = row.commands;
    auto paint = [&](int32_t n, auto colour_of, ColourValue data) {
      for (int32_t k = 0; k < n; ++k) picture.Paint(x + k, y, colour_of(k), data);
      return n;
    };
    auto fixed = [](ColourValue c) { return [c](int32_t) { return c; }; };
    // A count in the high nibble, or 0 there and the count in the next byte.
    auto nibble_command = [&](uint8_t low, int32_t n) {
      if (n >= 1 && n <= 15 && Below(2) == 0) {
        out.push_back(static_cast<uint8_t>(low | n << 4));
      } else {
        out.push_back(low);
        out.push_back(static_cast<uint8_t>(n));
      }
    };
    switch (Below(11)) {
      case 0: {  // short or long copy
        const bool long_copy = Below(4) == 0;
        const int32_t n = Length(long_copy ? 600 : 63, room);
        if (long_copy) {
          out.push_back(static_cast<uint8_t>(0x02 | (n >> 8) << 4));
          out.push_back(static_cast<uint8_t>(n & 0xFF));
        } else {
          out.push_back(static_cast<uint8_t>(n << 2));
        }
        std::vector<uint8_t> index(size_t(n), 0);
        for (auto& i : index) i = static_cast<uint8_t>(Below(256));
        out.insert(out.end(), index.begin(), index.end());
        return paint(n, [&](int32_t k) { return palette_.Colour(index[size_t(k)]); }, kDataNormal);
      }
      case 1: {  // short or long skip
        const bool long_skip = Below(4) == 0;
        const int32_t n = Length(long_skip ? 600 : 255, room);
        if (long_skip) {
          out.push_back(static_cast<uint8_t>(0x03 | (n >> 8) << 4));
          out.push_back(static_cast<uint8_t>(n & 0xFF));
        } else if (n >= 1 && n <= 63) {
          out.push_back(static_cast<uint8_t>(n << 2 | 0x01));
        } else {
          out.push_back(0x01);
          out.push_back(static_cast<uint8_t>(n));
        }
        return paint(n, fixed(kDataTransparent), kDataTransparent);
      }
      case 2: {  // fill
        const int32_t n = Length(255, room);
        const uint8_t index = static_cast<uint8_t>(Below(256));
        nibble_command(0x07, n);
        out.push_back(index);
        return paint(n, fixed(palette_.Colour(index)), kDataNormal);
      }
      case 3: {  // player copy
        const int32_t n = Length(255, room);
        nibble_command(0x06, n);
        std::vector<uint8_t> index(size_t(n), 0);
        for (auto& i : index) i = static_cast<uint8_t>(Below(240));
        out.insert(out.end(), index.begin(), index.end());
        return paint(n, [&](int32_t k) { return palette_.Colour(16 + index[size_t(k)]); },
                     kDataPlayer);
      }
      case 4: {  // player fill
        const int32_t n = Length(255, room);
        const uint8_t index = static_cast<uint8_t>(Below(240));
        nibble_command(0x0A, n);
        out.push_back(index);
        return paint(n, fixed(palette_.Colour(16 + index)), kDataPlayer);
      }
      case 5: {  // shadow
        const int32_t n = Length(255, room);
        nibble_command(0x0B, n);
        return paint(n, fixed(kDataShadow), kDataShadow);
      }
      case 6: {  // player shade run
        const int32_t n = Length(255, room);
        const int32_t shade = Below(16);
        out.push_back(static_cast<uint8_t>(0x0E | shade << 4));
        out.push_back(static_cast<uint8_t>(n));
        // 0x4E..0x7E are the outline commands, not shade runs.
        if (shade >= 4 && shade <= 7) {
          out.pop_back();
          out.pop_back();
          return 0;
        }
        return paint(n, fixed(palette_.Colour(16 + shade)), kDataPlayer);
      }
      case 7:
      case 8: {  // outline pixels, the commonest command in sprites
        if (room < 1) return 0;
        const bool player = Below(2) == 0;
        out.push_back(player ? 0x4E : 0x6E);
        return paint(1, fixed(kDataTransparent), player ? kDataPlayerOutline : kDataBlackOutline);
      }
      default: {  // outline runs
        const int32_t n = Length(255, room);
        const bool player = Below(2) == 0;
        out.push_back(player ? 0x5E : 0x7E);
        out.push_back(static_cast<uint8_t>(n));
        return paint(n, fixed(kDataTransparent), player ? kDataPlayerOutline : kDataBlackOutline);
      }
    }
  }

  std::mt19937 random_;
  const Palette& palette_;
};

void ExpectSameBitmap(const cDIBSection& decoded, const cDIBSection& expected,
                      const std::string& what) {
  ASSERT_EQ(decoded.Width(), expected.Width()) << what;
  ASSERT_EQ(decoded.Height(), expected.Height()) << what;
  ASSERT_EQ(decoded.BMPBytes(), expected.BMPBytes()) << what;
}

// A palette of distinct colours, so that a pixel taken from the wrong
// index shows.
Palette DistinctPalette() {
  PaletteTable colours{};
  for (int i = 0; i < 256; ++i) colours[size_t(i)] = RGBColour(i, 255 - i, (i * 7) & 0xFF);
  return Palette(colours);
}

// The frame records of an SLP held in memory; a test fails without them.
std::vector<SLPFrameInfo> FramesOf(const SLPFile& file) {
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  EXPECT_TRUE(ReadSLPHeader(file, header, frames).ok());
  return frames;
}

TEST(SLPRowDrawingTest, RandomFramesOfEveryWidthDecodeAsReadPixelByPixel) {
  const Palette palette = DistinctPalette();
  // Widths around the sizes of the stores and of the bytes after a row.
  std::vector<int32_t> widths;
  for (int32_t w = 0; w <= 40; ++w) widths.push_back(w);
  for (int32_t w : {47, 48, 49, 63, 64, 65, 100, 301, 700}) widths.push_back(w);
  RandomFrameWriter writer(20261207, palette);
  cDIBSection colour, data;
  for (int round = 0; round < 6; ++round) {
    for (int32_t width : widths) {
      const int32_t height = 1 + (width + round) % 7;
      Picture picture(width, height);
      const std::string bytes = BuildSLP({writer.Frame(width, height, picture)});
      // The frame's last row ends at the file's last byte.
      SLPFile file(bytes);
      const std::vector<SLPFrameInfo> frames = FramesOf(file);
      ASSERT_EQ(frames.size(), 1u);
      const std::string what = "width " + std::to_string(width) + ", round " +
                               std::to_string(round);
      const cDIBSection expected_colour = picture.Bitmap(false),
                        expected_data = picture.Bitmap(true);
      // Drawn into new bitmaps, then over bitmaps of the same size full of
      // other pixels, then into the memory of a larger frame whose every
      // byte, row padding too, is something else: the decoder takes that
      // memory as it is.
      for (int pass = 0; pass < 3; ++pass) {
        if (pass == 1 && width > 0) {
          colour.Fill(RGBColour(1, 2, 3));
          data.Fill(RGBColour(4, 5, 6));
        }
        if (pass == 2) {
          for (cDIBSection* bitmap : {&colour, &data}) {
            ASSERT_TRUE(bitmap->Create(width + 5, height + 3));
            std::memset(bitmap->DIBSectionBitsPtr(), 0xA5, bitmap->ImageSize());
          }
        }
        const Status decoded = DecodeSLPFrame(file, frames[0], palette, colour, data);
        ASSERT_TRUE(decoded.ok()) << what << ": " << decoded.message();
        ExpectSameBitmap(colour, expected_colour, what + ", colour, pass " + std::to_string(pass));
        ExpectSameBitmap(data, expected_data, what + ", data, pass " + std::to_string(pass));
      }
      colour.ClearUp();
      data.ClearUp();
    }
  }
}

// The decoder tests the end of the bytes only where a row may reach it, so
// the file is cut at every byte of its rows: each cut must fail, with the
// end named, and never read past what is held (which the sanitizer builds
// would catch). Rows of three bytes a pixel (fills of one) and commands of
// nothing are among them, so that rows run short of bytes part-way too.
TEST(SLPRowDrawingTest, AFrameCutAtAnyByteOfItsRowsFailsAtTheEnd) {
  const Palette palette = DistinctPalette();
  RandomFrameWriter writer(11, palette);
  Picture picture(37, 9);
  TestFrame frame = writer.Frame(37, 9, picture);
  frame.rows[3].left = 0;
  frame.rows[3].right = 0;
  frame.rows[3].commands.clear();
  for (int k = 0; k < 37; ++k) {
    for (uint8_t b : {0x00, 0x5E, 0x00, 0x01, 0x00}) frame.rows[3].commands.push_back(b);
    frame.rows[3].commands.push_back(0x17);  // a fill of one pixel
    frame.rows[3].commands.push_back(static_cast<uint8_t>(k));
  }
  frame.rows[3].commands.push_back(0x0F);
  const std::string whole = BuildSLP({frame});
  SLPFile file(whole);
  const std::vector<SLPFrameInfo> frames = FramesOf(file);
  ASSERT_EQ(frames.size(), 1u);
  cDIBSection colour, data;
  ASSERT_TRUE(DecodeSLPFrame(file, frames[0], palette, colour, data).ok());
  for (int32_t x = 0; x < 37; ++x)
    EXPECT_EQ(colour.GetPixel(x, 3), palette.Colour(x)) << "x " << x;
  // The rows' commands follow both tables; the first row's start is the
  // least offset in the command table.
  const uint32_t first_command = le::U32(whole, frames[0].CommandTableOffset);
  for (size_t size = first_command; size < whole.size(); ++size) {
    SLPFile cut(whole.substr(0, size));
    const Status decoded = DecodeSLPFrame(cut, frames[0], palette, colour, data);
    ASSERT_FALSE(decoded.ok()) << "cut at " << size;
    EXPECT_NE(decoded.message().find("past the end of the file"), std::string::npos)
        << "cut at " << size << ": " << decoded.message();
    EXPECT_TRUE(colour.IsEmpty());
  }
}

// A row that fails part-way leaves nothing of the frame, however much of
// it the wide stores had drawn.
TEST(SLPRowDrawingTest, AFrameFailingInItsLastRowLeavesEmptyBitmaps) {
  const Palette palette = DistinctPalette();
  RandomFrameWriter writer(7, palette);
  Picture picture(30, 5);
  TestFrame frame = writer.Frame(30, 5, picture);
  frame.rows.back().left = 0;
  frame.rows.back().right = 0;
  frame.rows.back().commands = {0x4E, 0x08, 1, 2, 0x16, 240, 0x0F};  // 240: no player colour
  const std::string bytes = BuildSLP({frame});
  SLPFile file(bytes);
  const std::vector<SLPFrameInfo> frames = FramesOf(file);
  ASSERT_EQ(frames.size(), 1u);
  cDIBSection colour, data;
  const Status decoded = DecodeSLPFrame(file, frames[0], palette, colour, data);
  EXPECT_FALSE(decoded.ok());
  EXPECT_EQ(decoded.message(), "row 4: player-colour index 240 lies above 239");
  EXPECT_TRUE(colour.IsEmpty());
  EXPECT_TRUE(data.IsEmpty());
}

}  // namespace
}  // namespace zorv
