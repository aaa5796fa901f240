// BMP reading: every header and pixel layout paint programs write, decoded
// pixel for pixel, and broken files refused without reading out of bounds.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codec/DIBSection.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

using test::PutU16;
using test::PutU32;

// A picture as rows of colour values, top row first.
using Picture = std::vector<std::vector<ColourValue>>;

constexpr ColourValue kBlack = RGBColour(0, 0, 0);

// Bytes written as a string literal, zero bytes included.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

// One BMP file, field by field. Fields a test does not set hold what a
// well-behaved writer puts there.
struct BmpFile {
  uint32_t header_size = 40;
  int32_t width = 0;
  int32_t height = 0;  // negative: rows top-down
  uint16_t planes = 1;
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t colours_used = 0;
  // Red, green, blue (and alpha) masks: inside V2 and later headers, after
  // a 40-byte one.
  std::vector<uint32_t> masks;
  std::vector<ColourValue> palette;
  std::string pixels;  // pixel data as stored
  std::optional<uint32_t> pixel_offset;
  std::optional<uint32_t> file_size;
  std::optional<uint32_t> image_size;

  std::string Build() const {
    std::string header;
    PutU32(header, header_size);
    if (header_size == 12) {
      PutU16(header, static_cast<uint16_t>(width));
      PutU16(header, static_cast<uint16_t>(height));
      PutU16(header, planes);
      PutU16(header, bits);
    } else {
      PutU32(header, static_cast<uint32_t>(width));
      PutU32(header, static_cast<uint32_t>(height));
      PutU16(header, planes);
      PutU16(header, bits);
      if (header_size >= 40) {
        PutU32(header, compression);
        PutU32(header, image_size.value_or(static_cast<uint32_t>(pixels.size())));
        PutU32(header, 2835);
        PutU32(header, 2835);
        PutU32(header, colours_used);
        PutU32(header, 0);
      }
      if (header_size >= 52 && header_size != 64)
        for (size_t i = 0; i < masks.size() && header.size() < header_size; ++i)
          PutU32(header, masks[i]);
      header.resize(header_size, '\0');
      if (header_size == 40)
        for (uint32_t mask : masks) PutU32(header, mask);
    }
    for (ColourValue c : palette) {
      header.push_back(static_cast<char>(BlueOf(c)));
      header.push_back(static_cast<char>(GreenOf(c)));
      header.push_back(static_cast<char>(RedOf(c)));
      if (header_size != 12) header.push_back('\0');
    }
    const uint32_t offset = static_cast<uint32_t>(14 + header.size());
    std::string out = "BM";
    PutU32(out, file_size.value_or(static_cast<uint32_t>(offset + pixels.size())));
    PutU32(out, 0);
    PutU32(out, pixel_offset.value_or(offset));
    return out + header + pixels;
  }
};

// Rows given top first, stored bottom-up (or top-down), each padded to a
// multiple of 4 bytes with pad.
std::string StoreRows(const std::vector<std::string>& rows, bool top_down = false,
                      char pad = '\0') {
  std::string out;
  for (size_t i = 0; i < rows.size(); ++i) {
    std::string row = rows[top_down ? i : rows.size() - 1 - i];
    while (row.size() % 4) row.push_back(pad);
    out += row;
  }
  return out;
}

std::string U32Bytes(uint32_t value) {
  std::string out;
  PutU32(out, value);
  return out;
}

std::string Row24(const std::vector<ColourValue>& colours) {
  std::string row;
  for (ColourValue c : colours) {
    row.push_back(static_cast<char>(BlueOf(c)));
    row.push_back(static_cast<char>(GreenOf(c)));
    row.push_back(static_cast<char>(RedOf(c)));
  }
  return row;
}

std::string Row16(const std::vector<uint32_t>& values) {
  std::string row;
  for (uint32_t v : values) PutU16(row, v);
  return row;
}

std::string Row32(const std::vector<uint32_t>& values) {
  std::string row;
  for (uint32_t v : values) PutU32(row, v);
  return row;
}

// Indices packed most significant bits first, as BMP rows hold them.
std::string RowIndices(const std::vector<int>& indices, int bits) {
  std::string row((indices.size() * bits + 7) / 8, '\0');
  for (size_t x = 0; x < indices.size(); ++x) {
    size_t bit = x * bits;
    row[bit / 8] = static_cast<char>(row[bit / 8] | (indices[x] << (8 - bits - bit % 8)));
  }
  return row;
}

// A picture where every pixel differs from its neighbours.
Picture Pattern(int width, int height) {
  Picture picture(height, std::vector<ColourValue>(width));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      picture[y][x] = RGBColour((x * 53 + y * 7 + 1) & 255, (y * 91 + x * 3 + 2) & 255,
                                (x * 29 + y * 61 + 3) & 255);
  return picture;
}

std::string Rows24(const Picture& picture, bool top_down = false, char pad = '\0') {
  std::vector<std::string> rows;
  for (const auto& row : picture) rows.push_back(Row24(row));
  return StoreRows(rows, top_down, pad);
}

::testing::AssertionResult Shows(const cDIBSection& bitmap, const Picture& picture) {
  const int height = static_cast<int>(picture.size());
  const int width = height ? static_cast<int>(picture[0].size()) : 0;
  if (bitmap.Width() != width || bitmap.Height() != height)
    return ::testing::AssertionFailure()
           << "size " << bitmap.Width() << " x " << bitmap.Height() << ", expected "
           << width << " x " << height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (bitmap.GetPixel(x, y) != picture[y][x])
        return ::testing::AssertionFailure()
               << "pixel (" << x << ", " << y << ") is " << bitmap.GetPixel(x, y)
               << ", expected " << picture[y][x];
  return ::testing::AssertionSuccess();
}

// Decodes bytes that must be refused; the bitmap (holding an old picture
// first) must come out empty and the reason must contain the given words.
::testing::AssertionResult Refused(const std::string& bytes, const std::string& words = "") {
  cDIBSection bitmap;
  bitmap.Create(5, 5);
  Status status = DecodeBMP(bytes, bitmap);
  if (status) return ::testing::AssertionFailure() << "was read";
  if (!bitmap.IsEmpty()) return ::testing::AssertionFailure() << "bitmap not emptied";
  if (status.message().empty()) return ::testing::AssertionFailure() << "no reason given";
  if (status.message().find(words) == std::string::npos)
    return ::testing::AssertionFailure() << "reason \"" << status.message()
                                         << "\" lacks \"" << words << "\"";
  return ::testing::AssertionSuccess() << status.message();
}

Picture Decoded(std::string_view bytes) {
  cDIBSection bitmap;
  Status status = DecodeBMP(bytes, bitmap);
  EXPECT_TRUE(status) << status.message();
  Picture picture(bitmap.Height(), std::vector<ColourValue>(bitmap.Width()));
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) picture[y][x] = bitmap.GetPixel(x, y);
  return picture;
}

BmpFile TwentyFourBit(const Picture& picture, bool top_down = false) {
  BmpFile f;
  f.width = static_cast<int32_t>(picture[0].size());
  f.height = static_cast<int32_t>(picture.size()) * (top_down ? -1 : 1);
  f.pixels = Rows24(picture, top_down);
  return f;
}

// --- Uncompressed 24-bit pixels and the header variants -------------------

TEST(BMPReader, TwentyFourBitRowsBottomUpAndTopDown) {
  for (int width = 1; width <= 5; ++width)
    for (int height = 1; height <= 3; ++height)
      for (bool top_down : {false, true}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height
                                        << (top_down ? " top-down" : " bottom-up"));
        Picture picture = Pattern(width, height);
        cDIBSection bitmap;
        ASSERT_TRUE(DecodeBMP(TwentyFourBit(picture, top_down).Build(), bitmap));
        EXPECT_TRUE(Shows(bitmap, picture));
      }
}

TEST(BMPReader, RowPaddingFromTheFileIsNotKept) {
  // Bottom-up rows are copied as they lie in the file, top-down ones row by
  // row: both clear every row's padding, of one to three bytes.
  for (int width = 1; width <= 4; ++width)
    for (bool top_down : {false, true}) {
      SCOPED_TRACE(testing::Message() << width << (top_down ? " top-down" : " bottom-up"));
      Picture picture = Pattern(width, 3);
      BmpFile f = TwentyFourBit(picture, top_down);
      f.pixels = Rows24(picture, top_down, '\xAA');
      cDIBSection bitmap;
      ASSERT_TRUE(DecodeBMP(f.Build(), bitmap));
      EXPECT_TRUE(Shows(bitmap, picture));
      // Saving writes the padding as it lies: it must be zero, not the file's.
      for (int y = 0; y < 3; ++y)
        for (int i = 3 * width; i < bitmap.BytesPerScanLine(); ++i)
          EXPECT_EQ(bitmap.Row(y)[i], 0) << y << " " << i;
    }
}

TEST(BMPReader, WrongOrZeroSizeFieldsAreIgnoredWhenTheDataIsThere) {
  Picture picture = Pattern(5, 3);
  for (uint32_t stated : {0u, 1u, 99999999u}) {
    BmpFile f = TwentyFourBit(picture);
    f.file_size = stated;
    f.image_size = stated;
    EXPECT_EQ(Decoded(f.Build()), picture) << stated;
  }
  // The last row in the file may lack its padding: its pixels are all
  // there, and nothing past them is read.
  for (bool top_down : {false, true}) {
    std::string cut = TwentyFourBit(picture, top_down).Build();
    cut.resize(cut.size() - 1);
    std::unique_ptr<char[]> exact(new char[cut.size()]);
    std::memcpy(exact.get(), cut.data(), cut.size());
    EXPECT_EQ(Decoded(std::string_view(exact.get(), cut.size())), picture) << top_down;
  }
}

TEST(BMPReader, EveryHeaderSizeGivesTheSamePicture) {
  Picture picture = Pattern(5, 3);
  for (uint32_t size : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
    BmpFile f = TwentyFourBit(picture);
    f.header_size = size;
    // V4 and V5 headers carry masks that count only for bit-field pixels.
    f.masks = {0xF800, 0x07E0, 0x001F, 0};
    EXPECT_EQ(Decoded(f.Build()), picture) << "header size " << size;
  }
}

TEST(BMPReader, EmptyFramesAreEmptyBitmaps) {
  // The program writes zero-sized frames itself; they read back as such.
  for (auto [width, height] : std::vector<std::pair<int, int>>{{0, 0}, {0, 3}, {4, 0}}) {
    cDIBSection saved;
    ASSERT_TRUE(saved.Create(width, height));
    cDIBSection bitmap;
    ASSERT_TRUE(DecodeBMP(saved.BMPBytes(), bitmap)) << width << " x " << height;
    EXPECT_EQ(bitmap.Width(), width);
    EXPECT_EQ(bitmap.Height(), height);
    EXPECT_EQ(bitmap.ImageSize(), 0u);
  }
  BmpFile no_rows;
  no_rows.width = 7;
  cDIBSection bitmap;
  ASSERT_TRUE(DecodeBMP(no_rows.Build(), bitmap));
  EXPECT_EQ(bitmap.Width(), 7);
  EXPECT_EQ(bitmap.Height(), 0);
}

// --- Colour tables ----------------------------------------------------------

std::vector<ColourValue> Colours(int count) {
  std::vector<ColourValue> table;
  for (int i = 0; i < count; ++i)
    table.push_back(RGBColour((i * 37 + 5) & 255, (i * 11 + 100) & 255, 255 - i));
  return table;
}

TEST(BMPReader, PalettizedDepthsWithFullAndShortTables) {
  for (int bits : {1, 4, 8})
    for (int entries : {1 << bits, bits == 1 ? 1 : 3})
      for (int width : {1, 3, 7, 8, 9, 17, 33})
        for (bool top_down : {false, true}) {
          SCOPED_TRACE(testing::Message() << bits << " bits, " << entries << " colours, width "
                                          << width << (top_down ? " top-down" : ""));
          const int height = 3;
          std::vector<ColourValue> table = Colours(1 << bits);
          Picture picture(height, std::vector<ColourValue>(width));
          std::vector<std::string> rows;
          for (int y = 0; y < height; ++y) {
            std::vector<int> indices(width);
            for (int x = 0; x < width; ++x) {
              indices[x] = (x * 5 + y * 3 + x / 2) % entries;
              picture[y][x] = table[indices[x]];
            }
            rows.push_back(RowIndices(indices, bits));
          }
          BmpFile f;
          f.bits = static_cast<uint16_t>(bits);
          f.width = width;
          f.height = top_down ? -height : height;
          f.palette.assign(table.begin(), table.begin() + entries);
          f.colours_used = entries == (1 << bits) ? 0 : entries;
          f.pixels = StoreRows(rows, top_down);
          EXPECT_EQ(Decoded(f.Build()), picture);
        }
}

TEST(BMPReader, CoreHeadersHaveThreeByteTableEntries) {
  for (int bits : {1, 4, 8}) {
    std::vector<ColourValue> table = Colours(1 << bits);
    const int width = 6, height = 2;
    Picture picture(height, std::vector<ColourValue>(width));
    std::vector<std::string> rows;
    for (int y = 0; y < height; ++y) {
      std::vector<int> indices(width);
      for (int x = 0; x < width; ++x) {
        indices[x] = (x + 4 * y) % (1 << bits);
        picture[y][x] = table[indices[x]];
      }
      rows.push_back(RowIndices(indices, bits));
    }
    BmpFile f;
    f.header_size = 12;
    f.bits = static_cast<uint16_t>(bits);
    f.width = width;
    f.height = height;
    f.palette = table;
    f.pixels = StoreRows(rows);
    EXPECT_EQ(Decoded(f.Build()), picture) << bits << " bits";
  }
}

TEST(BMPReader, ColoursUsedBeyondTheDepthReadsOneEntryPerIndex) {
  std::vector<ColourValue> table = Colours(2);
  BmpFile f;
  f.bits = 1;
  f.width = 2;
  f.height = 1;
  f.colours_used = 300;
  f.palette = table;
  f.pixels = StoreRows({RowIndices({1, 0}, 1)});
  EXPECT_EQ(Decoded(f.Build()), (Picture{{table[1], table[0]}}));
}

TEST(BMPReader, IndicesBeyondTheColourTableAreRefused) {
  // A short table cannot colour the missing entries: the file is broken.
  for (int bits : {1, 4, 8}) {
    BmpFile f;
    f.bits = static_cast<uint16_t>(bits);
    f.width = 3;
    f.height = 2;
    f.colours_used = 1;
    f.palette = Colours(1);
    f.pixels = StoreRows({RowIndices({0, 0, 0}, bits), RowIndices({0, 0, 1}, bits)});
    EXPECT_TRUE(Refused(f.Build(), "colour 1, beyond the end of the colour table (size 1)"))
        << bits;
  }
}

// --- 16- and 32-bit pixels ------------------------------------------------

BmpFile Masked(int bits, uint32_t compression, std::vector<uint32_t> masks,
               std::vector<uint32_t> row, uint32_t header_size = 40) {
  BmpFile f;
  f.header_size = header_size;
  f.bits = static_cast<uint16_t>(bits);
  f.compression = compression;
  f.masks = std::move(masks);
  f.width = static_cast<int32_t>(row.size());
  f.height = 1;
  f.pixels = StoreRows({bits == 16 ? Row16(row) : Row32(row)});
  return f;
}

TEST(BMPReader, SixteenBitPixelsDefaultToFiveBitsEach) {
  // Five-bit components stretch so that 31 gives 255; the top bit is unused.
  BmpFile f = Masked(16, 0, {},
                     {0x7FFF, 0x7C00, 0x03E0, 0x001F, 0x0000, 0x8000, (16 << 10) | (1 << 5) | 30});
  EXPECT_EQ(Decoded(f.Build()),
            (Picture{{RGBColour(255, 255, 255), RGBColour(255, 0, 0), RGBColour(0, 255, 0),
                      RGBColour(0, 0, 255), kBlack, kBlack, RGBColour(132, 8, 247)}}));
}

TEST(BMPReader, BitFieldMasksInAndAfterTheHeader) {
  const Picture expected565{
      {RGBColour(255, 255, 255), RGBColour(255, 0, 0), RGBColour(0, 255, 0),
       RGBColour(0, 0, 255), RGBColour(132, 130, 8)}};
  const std::vector<uint32_t> row565{0xFFFF, 0xF800, 0x07E0, 0x001F,
                                     (16u << 11) | (32u << 5) | 1u};
  for (uint32_t header : {40u, 52u, 56u, 108u, 124u}) {
    BmpFile f = Masked(16, 3, {0xF800, 0x07E0, 0x001F}, row565, header);
    EXPECT_EQ(Decoded(f.Build()), expected565) << "header " << header;
  }
  // Alpha bit fields: four masks after a 40-byte header or inside a V3
  // one; alpha is ignored.
  for (uint32_t header : {40u, 56u}) {
    BmpFile alpha = Masked(16, 6, {0x0F00, 0x00F0, 0x000F, 0xF000},
                           {0xFF00, 0x00F0, 0x1234, 0x0005}, header);
    EXPECT_EQ(Decoded(alpha.Build()),
              (Picture{{RGBColour(255, 0, 0), RGBColour(0, 255, 0), RGBColour(34, 51, 68),
                        RGBColour(0, 0, 85)}}))
        << "header " << header;
  }
  // Red in the low byte, as some programs write 32-bit pixels.
  BmpFile rgba = Masked(32, 3, {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
                        {0x80332211, 0x00FFEEDD}, 124);
  EXPECT_EQ(Decoded(rgba.Build()),
            (Picture{{RGBColour(0x11, 0x22, 0x33), RGBColour(0xDD, 0xEE, 0xFF)}}));
  // Ten bits per component keep their top eight; a missing mask gives 0.
  BmpFile wide = Masked(32, 3, {0x3FF00000, 0x000FFC00, 0},
                        {(0x3FFu << 20) | (0x201u << 10), (0x0FFu << 20) | (0x004u << 10)});
  EXPECT_EQ(Decoded(wide.Build()),
            (Picture{{RGBColour(255, 128, 0), RGBColour(63, 1, 0)}}));
}

TEST(BMPReader, ThirtyTwoBitPixelsIgnoreAlpha) {
  BmpFile plain = Masked(32, 0, {}, {0xFF102030, 0x00405060, 0x7F000000});
  const Picture expected{
      {RGBColour(0x10, 0x20, 0x30), RGBColour(0x40, 0x50, 0x60), kBlack}};
  EXPECT_EQ(Decoded(plain.Build()), expected);
  // A V4 header's masks do not count without bit-field compression.
  BmpFile v4 = Masked(32, 0, {0xFF, 0xFF00, 0xFF0000}, {0xFF102030, 0x00405060, 0x7F000000},
                      108);
  EXPECT_EQ(Decoded(v4.Build()), expected);
}

// --- Run-length compressed pixels ------------------------------------------

BmpFile RunLengths(int bits, int width, int height, const std::string& data,
                   std::vector<ColourValue> palette) {
  BmpFile f;
  f.bits = static_cast<uint16_t>(bits);
  f.compression = bits == 8 ? 1 : 2;
  f.width = width;
  f.height = height;
  f.palette = std::move(palette);
  f.colours_used = static_cast<uint32_t>(f.palette.size());
  f.pixels = data;
  return f;
}

// Entry 0 is not black, so the pixels no run paints show what they got.
const std::vector<ColourValue> kRunColours{RGBColour(10, 20, 30), RGBColour(255, 0, 0),
                                           RGBColour(0, 255, 0), RGBColour(0, 0, 255),
                                           RGBColour(255, 255, 255)};

TEST(BMPReader, RunLength8RunsEscapesAndSkippedPixels) {
  const std::string data = Bytes(
      "\x03\x01"              // three of 1
      "\x00\x03\x02\x03\x04\x00"  // absolute 2 3 4, padded to a word
      "\x01\x02"              // one of 2
      "\x00\x00"              // end of line
      "\x02\x03"              // two of 3
      "\x00\x02\x03\x01"      // move 3 right, 1 up
      "\x02\x04"              // two of 4
      "\x00\x00"              // end of line
      "\x00\x04\x01\x02\x03\x04"  // absolute 1 2 3 4
      "\x00\x01");            // end of bitmap
  const auto& c = kRunColours;
  const ColourValue k = kBlack;
  EXPECT_EQ(Decoded(RunLengths(8, 7, 4, data, c).Build()),
            (Picture{{c[1], c[2], c[3], c[4], k, k, k},
                     {k, k, k, k, k, c[4], c[4]},
                     {c[3], c[3], k, k, k, k, k},
                     {c[1], c[1], c[1], c[2], c[3], c[4], c[2]}}));
}

TEST(BMPReader, RunLength4AlternatesNibbles) {
  const std::string data = Bytes(
      "\x05\x12"                  // 1 2 1 2 1
      "\x02\x34"                  // 3 4
      "\x00\x00"                  // end of line
      "\x00\x03\x43\x20"          // absolute 4 3 2
      "\x00\x05\x11\x22\x30\x00"  // absolute 1 1 2 2 3, padded to a word
      "\x00\x00"                  // end of line
      "\x00\x02\x04\x00"          // move 4 right
      "\x01\x40"                  // one 4
      "\x00\x01");                // end of bitmap
  const auto& c = kRunColours;
  const ColourValue k = kBlack;
  EXPECT_EQ(Decoded(RunLengths(4, 9, 3, data, c).Build()),
            (Picture{{k, k, k, k, c[4], k, k, k, k},
                     {c[4], c[3], c[2], c[1], c[1], c[2], c[2], c[3], k},
                     {c[1], c[2], c[1], c[2], c[1], c[3], c[4], k, k}}));
}

TEST(BMPReader, RunLengthEndMarkMayFollowTheLastLineOrBeLeftOut) {
  const auto& c = kRunColours;
  const Picture expected{{c[2], c[2]}, {c[1], c[1]}};
  const std::string rows("\x02\x01\x00\x00\x02\x02\x00\x00", 8);
  EXPECT_EQ(Decoded(RunLengths(8, 2, 2, rows + Bytes("\x00\x01"), c).Build()),
            expected);
  EXPECT_EQ(Decoded(RunLengths(8, 2, 2, rows, c).Build()), expected);
}

TEST(BMPReader, MalformedRunLengthDataIsRefused) {
  const auto& c = kRunColours;
  struct Case {
    int bits;
    std::string data;
    std::string words;
  };
  const std::vector<Case> cases{
      {8, Bytes("\x05\x01\x00\x01"), "right edge"},
      {8, Bytes("\x00\x05\x01\x01\x01\x01\x01\x00\x00\x01"), "right edge"},
      {4, Bytes("\x05\x11\x00\x01"), "right edge"},
      {8, Bytes("\x00\x00\x00\x00\x01\x01\x00\x01"), "top"},
      {8, Bytes("\x00\x00\x00\x00\x00\x00\x00\x01"), "top"},
      {8, Bytes("\x00\x02\x05\x00\x00\x01"), "leaves the picture"},
      {8, Bytes("\x00\x02\x00\x03\x00\x01"), "leaves the picture"},
      {8, Bytes("\x00\x02\x01"), "ends inside a move"},
      {8, Bytes("\x00\x04\x01\x01"), "ends inside a run"},
      {4, Bytes("\x00\x04\x11"), "ends inside a run"},
      {8, Bytes("\x02\x01\x00\x00"), "end mark"},
      {8, std::string(), "end mark"},
      {8, Bytes("\x01\x07\x00\x01"), "colour 7"},
      {8, Bytes("\x00\x03\x01\x09\x01\x00\x00\x01"), "colour 9"},
      {4, Bytes("\x02\x17\x00\x01"), "colour 7"},
  };
  for (const Case& k : cases)
    EXPECT_TRUE(Refused(RunLengths(k.bits, 4, 2, k.data, c).Build(), k.words))
        << k.bits << "-bit case " << (&k - cases.data());
}

// --- Refusals -----------------------------------------------------------------

// Small valid files of each kind, no padding anywhere, so that every
// shorter prefix lacks something the picture needs.
std::vector<std::string> CompleteFiles() {
  std::vector<std::string> files;
  files.push_back(TwentyFourBit(Pattern(4, 2)).Build());
  BmpFile core = TwentyFourBit(Pattern(4, 2));
  core.header_size = 12;
  files.push_back(core.Build());
  BmpFile indexed;
  indexed.bits = 8;
  indexed.width = 4;
  indexed.height = 2;
  indexed.palette = Colours(256);
  indexed.pixels = StoreRows({RowIndices({1, 2, 3, 255}, 8), RowIndices({0, 9, 8, 7}, 8)});
  files.push_back(indexed.Build());
  BmpFile one_bit;
  one_bit.bits = 1;
  one_bit.width = 32;
  one_bit.height = 1;
  one_bit.palette = Colours(2);
  one_bit.pixels = "\x5A\xA5\xFF\x01";
  files.push_back(one_bit.Build());
  files.push_back(Masked(16, 3, {0xF800, 0x07E0, 0x001F}, {1, 2}).Build());
  files.push_back(Masked(32, 6, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, {1}).Build());
  files.push_back(RunLengths(8, 4, 2, Bytes("\x04\x01\x00\x00\x00\x04\x01\x02\x03\x04\x00\x01"),
                             kRunColours)
                      .Build());
  return files;
}

TEST(BMPReader, EveryTruncationOfAFileIsRefused) {
  for (const std::string& file : CompleteFiles()) {
    ASSERT_FALSE(Decoded(file).empty());
    for (size_t length = 0; length < file.size(); ++length)
      EXPECT_TRUE(Refused(file.substr(0, length))) << "first " << length << " of "
                                                   << file.size() << " bytes";
  }
}

TEST(BMPReader, UnsupportedKindsAreRefused) {
  auto with = [](auto change) {
    BmpFile f = TwentyFourBit(Pattern(2, 2));
    change(f);
    return f.Build();
  };
  std::string not_bm = with([](BmpFile&) {});
  not_bm[1] = 'A';
  EXPECT_TRUE(Refused(not_bm, "not a BMP file"));
  for (uint32_t size : {0u, 20u, 41u, 100u, 200u, 0xFFFFFFFFu}) {
    std::string odd_header = with([](BmpFile&) {});
    odd_header.replace(14, 4, U32Bytes(size));
    EXPECT_TRUE(Refused(odd_header, "header size " + std::to_string(size)));
  }
  for (uint16_t planes : {0, 2})
    EXPECT_TRUE(Refused(with([=](BmpFile& f) { f.planes = planes; }), "planes"));
  for (uint16_t bits : {0, 2, 3, 7, 48, 64})
    EXPECT_TRUE(Refused(with([=](BmpFile& f) { f.bits = bits; }),
                        std::to_string(bits) + " bits per pixel"));
  EXPECT_TRUE(Refused(with([](BmpFile& f) { f.compression = 4; }), "JPEG"));
  EXPECT_TRUE(Refused(with([](BmpFile& f) { f.compression = 5; }), "PNG"));
  for (uint32_t compression : {7u, 11u, 0x80000000u})
    EXPECT_TRUE(Refused(with([=](BmpFile& f) { f.compression = compression; }),
                        "compression type " + std::to_string(compression)));
  // Compression that does not fit the depth.
  for (auto [bits, compression] : std::vector<std::pair<int, uint32_t>>{
           {24, 1}, {4, 1}, {8, 2}, {24, 2}, {24, 3}, {8, 3}, {24, 6}})
    EXPECT_TRUE(Refused(with([=](BmpFile& f) {
                          f.bits = static_cast<uint16_t>(bits);
                          f.compression = compression;
                          f.palette = Colours(bits <= 8 ? 1 << bits : 0);
                        }),
                        "does not match"));
  EXPECT_TRUE(Refused(RunLengths(8, 2, -2, Bytes("\x00\x01"), kRunColours).Build(),
                      "top-down"));
  // OS/2 2.x compression 3 and 4 are Huffman and RLE24.
  EXPECT_TRUE(Refused(with([](BmpFile& f) { f.header_size = 64; f.compression = 3; }),
                      "Huffman"));
  EXPECT_TRUE(Refused(with([](BmpFile& f) { f.header_size = 64; f.compression = 4; }),
                      "RLE24"));
  EXPECT_TRUE(Refused(with([](BmpFile& f) {
                        f.header_size = 64;
                        f.bits = 32;
                        f.compression = 6;
                      }),
                      "no room for colour masks"));
}

TEST(BMPReader, SizesOutOfRangeAreRefusedBeforeAnyAllocation) {
  // None of these files holds pixel data: the size alone must refuse them.
  auto sized = [](int32_t width, int32_t height, uint32_t header = 40) {
    BmpFile f;
    f.header_size = header;
    f.width = width;
    f.height = height;
    return f.Build();
  };
  const int32_t too_big = cDIBSection::kMaxDimension + 1;
  EXPECT_TRUE(Refused(sized(-1, 5), "negative"));
  EXPECT_TRUE(Refused(sized(INT32_MIN, 5), "negative"));
  for (auto [width, height] : std::vector<std::pair<int32_t, int32_t>>{
           {too_big, 1}, {1, too_big}, {1, -too_big}, {1, INT32_MIN},
           {INT32_MAX, INT32_MAX}, {30000, 30000}})
    EXPECT_TRUE(Refused(sized(width, height), "too large")) << width << " x " << height;
  EXPECT_TRUE(Refused(sized(65535, 1, 12), "too large"));
}

TEST(BMPReader, OffsetsAndTablesOutsideTheirPlaceAreRefused) {
  Picture picture = Pattern(4, 2);
  BmpFile past_end = TwentyFourBit(picture);
  past_end.pixel_offset = 54 + 24 + 1;
  EXPECT_TRUE(Refused(past_end.Build(), "starts past the end"));
  BmpFile huge_offset = TwentyFourBit(picture);
  huge_offset.pixel_offset = 0xFFFFFFFF;
  EXPECT_TRUE(Refused(huge_offset.Build(), "starts past the end"));
  BmpFile in_headers = TwentyFourBit(picture);
  in_headers.pixel_offset = 20;
  EXPECT_TRUE(Refused(in_headers.Build(), "inside the BMP headers"));
  BmpFile late_data = TwentyFourBit(picture);
  late_data.pixel_offset = 54 + 4;
  EXPECT_TRUE(Refused(late_data.Build(), "runs past the end of the file"));

  BmpFile indexed;
  indexed.bits = 8;
  indexed.width = 4;
  indexed.height = 1;
  indexed.palette = Colours(256);
  indexed.pixels = RowIndices({0, 1, 2, 3}, 8);
  BmpFile into_pixels = indexed;
  into_pixels.pixel_offset = 54 + 4 * 255;
  EXPECT_TRUE(Refused(into_pixels.Build(), "runs into the pixel data"));
  BmpFile short_table = indexed;
  short_table.palette = Colours(3);
  short_table.pixels.clear();
  EXPECT_TRUE(Refused(short_table.Build(), "colour table runs past the end of the file"));
  BmpFile more_than_listed = indexed;
  more_than_listed.colours_used = 300;
  more_than_listed.palette = Colours(200);
  more_than_listed.pixels.clear();
  EXPECT_TRUE(Refused(more_than_listed.Build(), "colour table runs past the end"));

  BmpFile no_masks = Masked(16, 3, {}, {1, 2});
  no_masks.pixels.clear();
  EXPECT_TRUE(Refused(no_masks.Build(), "masks run past the end"));
}

TEST(BMPReader, MasksThatAreNotOneRunInsideThePixelAreRefused) {
  EXPECT_TRUE(Refused(Masked(16, 3, {0xF0F0, 0x0F00, 0x000F}, {1}).Build(), "one run"));
  EXPECT_TRUE(Refused(Masked(32, 3, {0x80000001, 0xFF00, 0xFF}, {1}).Build(), "one run"));
  EXPECT_TRUE(Refused(Masked(16, 3, {0x1F0000, 0x07E0, 0x001F}, {1}).Build(),
                      "outside the 16-bit pixel"));
}

// Damaged copies of good files: each is read or refused, never read out of
// bounds (run this under the sanitizers to see the difference).
TEST(BMPReader, DamagedFilesAreReadOrRefusedCleanly) {
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  std::vector<std::string> files = CompleteFiles();
  files.push_back(RunLengths(4, 9, 3, Bytes("\x05\x12\x00\x03\x43\x20\x00\x02\x04\x01\x00\x01"),
                             kRunColours)
                      .Build());
  int read = 0, refused = 0;
  for (const std::string& good : files)
    for (int round = 0; round < 400; ++round) {
      std::string bad = good;
      for (int changes = 1 + next() % 3; changes > 0; --changes)
        bad[next() % bad.size()] = static_cast<char>(next());
      cDIBSection bitmap;
      Status status = DecodeBMP(bad, bitmap);
      if (status) {
        ++read;
        EXPECT_LE(bitmap.Width(), cDIBSection::kMaxDimension);
        EXPECT_EQ(bitmap.ImageSize(),
                  static_cast<uint32_t>(bitmap.BytesPerScanLine()) * bitmap.Height());
      } else {
        ++refused;
        EXPECT_TRUE(bitmap.IsEmpty());
        EXPECT_FALSE(status.message().empty());
      }
    }
  EXPECT_GT(read, 0);
  EXPECT_GT(refused, 0);
}

// --- Files on disk ------------------------------------------------------------

TEST(BMPReader, SavedBitmapsReadBackUnchanged) {
  test::TempDir dir;
  for (auto [width, height] : std::vector<std::pair<int, int>>{{1, 1}, {3, 2}, {13, 7}, {64, 5}}) {
    cDIBSection original;
    ASSERT_TRUE(original.Create(width, height));
    Picture picture = Pattern(width, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) original.SetPixel(x, y, picture[y][x]);
    const std::string path = dir.File("frame.bmp");
    ASSERT_TRUE(original.SavePicture(path));
    cDIBSection loaded;
    Status status = loaded.CreateFromPicture(path);
    ASSERT_TRUE(status) << status.message();
    EXPECT_TRUE(Shows(loaded, picture));
    EXPECT_EQ(loaded.BMPBytes(), test::ReadFileBytes(path));
  }
}

TEST(BMPReader, FilesThatCannotBeReadNameThemselves) {
  test::TempDir dir;
  cDIBSection bitmap;
  ASSERT_TRUE(bitmap.Create(2, 2));
  const std::string missing = dir.File("missing.bmp");
  Status status = bitmap.CreateFromPicture(missing);
  EXPECT_FALSE(status);
  EXPECT_NE(status.message().find(missing), std::string::npos);
  EXPECT_TRUE(bitmap.IsEmpty());

  const std::string broken = dir.File("broken.bmp");
  std::string bytes = TwentyFourBit(Pattern(4, 4)).Build();
  test::WriteFileBytes(broken, bytes.substr(0, 60));
  ASSERT_TRUE(bitmap.Create(2, 2));
  status = bitmap.CreateFromPicture(broken);
  EXPECT_EQ(status.message(), broken + ": the pixel data runs past the end of the file");
  EXPECT_TRUE(bitmap.IsEmpty());
}

}  // namespace
}  // namespace zorv
