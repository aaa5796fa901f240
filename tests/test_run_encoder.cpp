#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "codec/RunEncoder.h"
#include "codec/SLPReader.h"
#include "codec/SLX.h"
#include "tests/SLPTestFiles.h"

namespace zorv {
namespace {

using Bytes = std::vector<uint8_t>;

class RunEncoderTest : public ::testing::Test {
 protected:
  void SetUp() override { distinct = test::DistinctIndices(); }

  // A one-row bitmap whose pixels are the built-in colours of indices.
  cDIBSection RowOfIndices(const Bytes& indices) const {
    cDIBSection bitmap;
    bitmap.Create(static_cast<int32_t>(indices.size()), 1);
    for (size_t x = 0; x < indices.size(); ++x)
      bitmap.SetPixel(static_cast<int32_t>(x), 0, palette.Colour(indices[x]));
    return bitmap;
  }

  // Runs that read no pixels only need a bitmap to pass.
  Bytes Run(ColourValue kind, int32_t n) const {
    cDIBSection none;
    return EncodeRun(none, 0, 0, n, kind, palette);
  }

  Bytes NormalRun(const Bytes& indices) const {
    return EncodeRun(RowOfIndices(indices), 0, 0, static_cast<int32_t>(indices.size()),
                     kDataNormal, palette);
  }

  // Decodes commands as one row of normal pixels and gives its indices back
  // through the colours of the built-in palette.
  Bytes DecodeIndices(Bytes commands, size_t width) {
    commands.push_back(0x0F);
    SLPFile file(test::BuildSLP({test::OneRowFrame(static_cast<int32_t>(width), 0, 0, commands)}));
    SLPHeader header;
    std::vector<SLPFrameInfo> frames;
    cDIBSection colour, data;
    EXPECT_TRUE(ReadSLPHeader(file, header, frames).ok());
    Status decoded = DecodeSLPFrame(file, frames.at(0), palette, colour, data);
    EXPECT_TRUE(decoded.ok()) << decoded.message();
    Bytes indices;
    for (int32_t x = 0; x < colour.Width(); ++x) {
      EXPECT_EQ(data.GetPixel(x, 0), kDataNormal);
      indices.push_back(palette.Nearest(colour.GetPixel(x, 0)));
    }
    return indices;
  }

  const Palette& palette = Palette::BuiltIn();
  Bytes distinct;
};

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// --- Runs without pixel reads -------------------------------------------------

TEST_F(RunEncoderTest, TransparentRunsAreShortOrLongSkipsUpTo4095) {
  EXPECT_EQ(Run(kDataTransparent, 1), (Bytes{0x05}));
  EXPECT_EQ(Run(kDataTransparent, 63), (Bytes{0xFD}));
  EXPECT_EQ(Run(kDataTransparent, 64), (Bytes{0x03, 0x40}));
  EXPECT_EQ(Run(kDataTransparent, 300), (Bytes{0x13, 0x2C}));
  EXPECT_EQ(Run(kDataTransparent, 4095), (Bytes{0xF3, 0xFF}));
  EXPECT_TRUE(Run(kDataTransparent, 4096).empty());
}

TEST_F(RunEncoderTest, ShadowRunsUseTheNibbleBelow16AndChunksOf255) {
  EXPECT_EQ(Run(kDataShadow, 1), (Bytes{0x1B}));
  EXPECT_EQ(Run(kDataShadow, 15), (Bytes{0xFB}));
  EXPECT_EQ(Run(kDataShadow, 16), (Bytes{0x0B, 0x10}));
  EXPECT_EQ(Run(kDataShadow, 255), (Bytes{0x0B, 0xFF}));
  EXPECT_EQ(Run(kDataShadow, 256), (Bytes{0x0B, 255, 0x0B, 1}));
  // A multiple of 255 still ends with a chunk of count 0.
  EXPECT_EQ(Run(kDataShadow, 510), (Bytes{0x0B, 255, 0x0B, 255, 0x0B, 0}));
}

TEST_F(RunEncoderTest, OutlineRunsAreSinglePixelsOrCountedRuns) {
  EXPECT_EQ(Run(kDataBlackOutline, 1), (Bytes{0x6E}));
  EXPECT_EQ(Run(kDataBlackOutline, 2), (Bytes{0x7E, 2}));
  EXPECT_EQ(Run(kDataBlackOutline, 255), (Bytes{0x7E, 255}));
  EXPECT_EQ(Run(kDataBlackOutline, 300), (Bytes{0x7E, 255, 0x7E, 45}));
  EXPECT_EQ(Run(kDataBlackOutline, 765), (Bytes{0x7E, 255, 0x7E, 255, 0x7E, 255, 0x7E, 0}));
  EXPECT_EQ(Run(kDataPlayerOutline, 1), (Bytes{0x4E}));
  EXPECT_EQ(Run(kDataPlayerOutline, 3), (Bytes{0x5E, 3}));
  EXPECT_EQ(Run(kDataPlayerOutline, 510), (Bytes{0x5E, 255, 0x5E, 255, 0x5E, 0}));
}

TEST_F(RunEncoderTest, RunsThatCannotBeCodedGiveNothing) {
  EXPECT_TRUE(Run(RGBColour(128, 128, 128), 3).empty());
  EXPECT_TRUE(Run(RGBColour(254, 0, 255), 1).empty());
  EXPECT_TRUE(Run(kDataShadow, 0).empty());
  // Pixels that would have to be read outside the bitmap.
  cDIBSection row = RowOfIndices({1, 2, 3});
  EXPECT_TRUE(EncodeRun(row, 1, 0, 3, kDataNormal, palette).empty());
  EXPECT_TRUE(EncodeRun(row, 0, 1, 1, kDataPlayer, palette).empty());
  EXPECT_TRUE(EncodeRun(row, -1, 0, 1, kDataNormal, palette).empty());
  Bytes out = {9};
  SLPRunEncoder encoder(palette);
  EXPECT_FALSE(encoder.AppendRun(out, row, 0, 0, 2, RGBColour(1, 1, 1)));
  EXPECT_EQ(out, (Bytes{9}));
}

// --- Player colour --------------------------------------------------------------

TEST_F(RunEncoderTest, PlayerRunsCarryTheIndexModulo16) {
  EXPECT_EQ(EncodeRun(RowOfIndices({16, 17, 23}), 0, 0, 3, kDataPlayer, palette),
            (Bytes{0x36, 0, 1, 7}));
  // Entries past the player's shades count modulo 16 as well.
  const uint8_t far = *std::find_if(distinct.begin(), distinct.end(),
                                    [](uint8_t i) { return i >= 40 && i % 16 != 0; });
  EXPECT_EQ(EncodeRun(RowOfIndices({far}), 0, 0, 1, kDataPlayer, palette),
            (Bytes{0x16, static_cast<uint8_t>(far % 16)}));
  // The run starts at first x of the given row.
  cDIBSection two_rows;
  two_rows.Create(4, 2);
  two_rows.SetPixel(2, 1, palette.Colour(18));
  two_rows.SetPixel(3, 1, palette.Colour(19));
  EXPECT_EQ(EncodeRun(two_rows, 2, 1, 2, kDataPlayer, palette), (Bytes{0x26, 2, 3}));
}

TEST_F(RunEncoderTest, LongPlayerRunsGoInChunksOf255) {
  Bytes indices(16, 20);
  EXPECT_EQ(EncodeRun(RowOfIndices(indices), 0, 0, 16, kDataPlayer, palette),
            Concat({{0x06, 16}, Bytes(16, 4)}));
  indices.assign(300, 21);
  EXPECT_EQ(EncodeRun(RowOfIndices(indices), 0, 0, 300, kDataPlayer, palette),
            Concat({{0x06, 255}, Bytes(255, 5), {0x06, 45}, Bytes(45, 5)}));
  indices.assign(510, 22);
  EXPECT_EQ(EncodeRun(RowOfIndices(indices), 0, 0, 510, kDataPlayer, palette),
            Concat({{0x06, 255}, Bytes(255, 6), {0x06, 255}, Bytes(255, 6), {0x06, 0}}));
  // The chunks take the indices in order.
  indices.clear();
  for (int k = 0; k < 256; ++k) indices.push_back(static_cast<uint8_t>(16 + k % 16));
  Bytes coded = EncodeRun(RowOfIndices(indices), 0, 0, 256, kDataPlayer, palette);
  ASSERT_EQ(coded.size(), 2u + 255u + 2u + 1u);
  EXPECT_EQ(coded[2 + 254], 254 % 16);
  EXPECT_EQ(coded[257], 0x06);
  EXPECT_EQ(coded[258], 1);
  EXPECT_EQ(coded[259], 255 % 16);
}

// --- Normal pixels: copies and fills ---------------------------------------------

TEST_F(RunEncoderTest, FourEqualIndicesBecomeAFillThreeStayACopy) {
  EXPECT_EQ(EncodeIndices(Bytes{5, 5, 5, 5, 5, 9, 9}), (Bytes{0x57, 5, 0x08, 9, 9}));
  EXPECT_EQ(EncodeIndices(Bytes{1, 2, 3}), (Bytes{0x0C, 1, 2, 3}));
  EXPECT_EQ(EncodeIndices(Bytes{1, 2, 2, 2, 2, 3}), (Bytes{0x04, 1, 0x47, 2, 0x04, 3}));
  EXPECT_EQ(EncodeIndices(Bytes{7, 7, 7}), (Bytes{0x0C, 7, 7, 7}));
  EXPECT_EQ(EncodeIndices(Bytes{7, 7, 7, 7}), (Bytes{0x47, 7}));
  // The index that ends a fill starts the next block, even a fill.
  EXPECT_EQ(EncodeIndices(Bytes{3, 3, 3, 3, 4, 4, 4, 4}), (Bytes{0x47, 3, 0x47, 4}));
  EXPECT_EQ(EncodeIndices(Bytes{1, 1, 1, 2, 2, 2, 2, 1}), (Bytes{0x0C, 1, 1, 1, 0x47, 2, 0x04, 1}));
  EXPECT_TRUE(EncodeIndices(Bytes{}).empty());
}

// The rule as it reads, index by index: the pending block turns into a
// fill when its last four indices are equal, and a fill ends at the first
// index that differs.
Bytes EncodeIndicesOneByOne(const Bytes& indices) {
  Bytes out;
  bool filling = false;
  size_t start = 0;
  for (size_t k = 0; k < indices.size(); ++k) {
    const uint8_t c = indices[k];
    if (!filling) {
      if (k - start + 1 >= 4 && indices[k - 1] == c && indices[k - 2] == c &&
          indices[k - 3] == c) {
        AppendCopy(out, std::span<const uint8_t>(indices).subspan(start, k - 3 - start));
        start = k - 3;
        filling = true;
      }
    } else if (c != indices[start]) {
      AppendFill(out, indices[start], k - start);
      start = k;
      filling = false;
    }
  }
  if (filling)
    AppendFill(out, indices[start], indices.size() - start);
  else
    AppendCopy(out, std::span<const uint8_t>(indices).subspan(start));
  return out;
}

TEST_F(RunEncoderTest, IndicesAreCodedAsTheRuleReadsIndexByIndex) {
  // Few different indices make runs of every length; long stretches
  // without runs make copies too long for one count.
  std::mt19937 random(20261207);
  for (int round = 0; round < 3000; ++round) {
    const int kinds = 1 + round % 6;
    const size_t length = round % 10 == 0 ? 5000 + random() % 5000 : random() % 300;
    Bytes indices(length);
    for (uint8_t& index : indices)
      index = kinds == 6 ? static_cast<uint8_t>(random()) : static_cast<uint8_t>(random() % kinds);
    ASSERT_EQ(EncodeIndices(indices), EncodeIndicesOneByOne(indices))
        << "round " << round << ", " << length << " indices of " << kinds << " kinds";
  }
}

TEST_F(RunEncoderTest, NormalRunsCodeTheirNearestPaletteIndices) {
  Bytes indices = {distinct[3], distinct[3], distinct[3], distinct[3], distinct[5], distinct[6]};
  EXPECT_EQ(NormalRun(indices), EncodeIndices(indices));
  // A colour outside the palette goes to its nearest entry.
  cDIBSection row;
  row.Create(1, 1);
  ColourValue near_12 = palette.Colour(12) ^ 1;
  row.SetPixel(0, 0, near_12);
  EXPECT_EQ(EncodeRun(row, 0, 0, 1, kDataNormal, palette),
            (Bytes{0x04, palette.Nearest(near_12)}));
}

TEST_F(RunEncoderTest, RunsOfOneColourCodeAsTheirIndicesDo) {
  // Rows of one colour take a shorter way to their fill; the commands must
  // be those of the same indices coded one by one, at every length, for a
  // colour outside the palette, and for a row that differs in one pixel.
  const ColourValue off_palette = palette.Colour(distinct[9]) ^ 0x010101;
  const uint8_t nearest = palette.Nearest(off_palette);
  for (size_t n : {1, 2, 3, 4, 5, 15, 16, 17, 255, 256, 510, 511, 4095, 4096, 9000}) {
    SCOPED_TRACE("n = " + std::to_string(n));
    cDIBSection row;
    row.Create(static_cast<int32_t>(n), 1);
    row.Fill(off_palette);
    EXPECT_EQ(EncodeRun(row, 0, 0, static_cast<int32_t>(n), kDataNormal, palette),
              EncodeIndices(Bytes(n, nearest)));
    if (n < 2) continue;
    for (int32_t odd : {0, static_cast<int32_t>(n / 2), static_cast<int32_t>(n) - 1}) {
      cDIBSection broken = row;
      broken.SetPixel(odd, 0, palette.Colour(distinct[2]));
      Bytes indices(n, nearest);
      indices[static_cast<size_t>(odd)] = distinct[2];
      EXPECT_EQ(EncodeRun(broken, 0, 0, static_cast<int32_t>(n), kDataNormal, palette),
                EncodeIndices(indices));
    }
  }
}

// The one-colour test compares several bytes at a time: a row that differs
// in one byte of one pixel, anywhere, is coded by its indices all the same.
TEST_F(RunEncoderTest, ARunDifferingInOneByteOfOnePixelIsCodedByItsIndices) {
  const ColourValue base = palette.Colour(distinct[9]);
  const uint8_t base_index = palette.Nearest(base);
  for (int32_t n = 4; n <= 40; ++n) {
    cDIBSection row;
    ASSERT_TRUE(row.Create(n, 1));
    for (int32_t odd = 0; odd < n; ++odd) {
      for (int channel = 0; channel < 3; ++channel) {
        row.Fill(base);
        const ColourValue changed = base ^ (ColourValue{0x80} << (8 * channel));
        row.SetPixel(odd, 0, changed);
        Bytes indices(static_cast<size_t>(n), base_index);
        indices[static_cast<size_t>(odd)] = palette.Nearest(changed);
        ASSERT_EQ(EncodeRun(row, 0, 0, n, kDataNormal, palette), EncodeIndices(indices))
            << n << " pixels, pixel " << odd << ", channel " << channel;
      }
    }
  }
}

TEST_F(RunEncoderTest, NormalAndPlayerRunsMatchAgainstThePaletteGiven) {
  // A palette of black but for three entries: each pixel lies nearest one.
  PaletteTable table{};
  table[5] = RGBColour(250, 250, 250);
  table[200] = RGBColour(0, 0, 200);
  table[21] = RGBColour(10, 200, 10);
  const Palette other(table);
  cDIBSection row;
  row.Create(3, 1);
  row.SetPixel(0, 0, RGBColour(240, 240, 240));
  row.SetPixel(1, 0, RGBColour(0, 0, 190));
  row.SetPixel(2, 0, RGBColour(20, 190, 20));
  EXPECT_EQ(EncodeRun(row, 0, 0, 2, kDataNormal, other), (Bytes{0x08, 5, 200}));
  EXPECT_EQ(EncodeRun(row, 2, 0, 1, kDataPlayer, other), (Bytes{0x16, 21 % 16}));
  // The built-in palette answers differently for the same pixels.
  EXPECT_EQ(EncodeRun(row, 0, 0, 2, kDataNormal, palette),
            (Bytes{0x08, palette.Nearest(RGBColour(240, 240, 240)),
                   palette.Nearest(RGBColour(0, 0, 190))}));
  EXPECT_NE(EncodeRun(row, 0, 0, 2, kDataNormal, palette), (Bytes{0x08, 5, 200}));
}

TEST_F(RunEncoderTest, CopiesAreShortBelow64AndLongUpTo4095) {
  Bytes block(63, 1);
  EXPECT_EQ(EncodeCopy(block), Concat({{0xFC}, block}));
  block.assign(64, 2);
  EXPECT_EQ(EncodeCopy(block), Concat({{0x02, 0x40}, block}));
  block.assign(70, 3);
  EXPECT_EQ(EncodeCopy(block), Concat({{0x02, 70}, block}));
  block.assign(256, 4);
  EXPECT_EQ(EncodeCopy(block), Concat({{0x12, 0x00}, block}));
  block.assign(4095, 5);
  EXPECT_EQ(EncodeCopy(block), Concat({{0xF2, 0xFF}, block}));
  EXPECT_TRUE(EncodeCopy(Bytes{}).empty());
}

TEST_F(RunEncoderTest, ARunOf70DifferentIndicesIsOneLongCopy) {
  Bytes indices;
  for (int k = 0; k < 70; ++k) indices.push_back(static_cast<uint8_t>(k));
  EXPECT_EQ(EncodeIndices(indices), Concat({{0x02, 70}, indices}));
}

TEST_F(RunEncoderTest, FillsUseTheNibbleBelow16AndTriplesOf255) {
  EXPECT_EQ(EncodeFill(8, 1), (Bytes{0x17, 8}));
  EXPECT_EQ(EncodeFill(8, 15), (Bytes{0xF7, 8}));
  EXPECT_EQ(EncodeFill(8, 16), (Bytes{0x07, 16, 8}));
  EXPECT_EQ(EncodeFill(8, 255), (Bytes{0x07, 255, 8}));
  EXPECT_EQ(EncodeFill(8, 300), (Bytes{7, 255, 8, 7, 45, 8}));
  EXPECT_EQ(EncodeFill(8, 510), (Bytes{7, 255, 8, 7, 255, 8, 7, 0, 8}));
  EXPECT_TRUE(EncodeFill(8, 0).empty());
  EXPECT_EQ(EncodeIndices(Bytes(300, 8)), (Bytes{7, 255, 8, 7, 45, 8}));
}

TEST_F(RunEncoderTest, CopyBlocksOf4096OrMoreSplitIntoLongCopiesThatDecodeBack) {
  for (size_t length : {4096u, 5000u, 8190u, 8191u}) {
    Bytes indices;
    for (size_t k = 0; k < length; ++k) indices.push_back(distinct[k % distinct.size()]);
    Bytes coded = EncodeIndices(indices);
    // Every piece is a long copy no longer than 4095.
    size_t pos = 0, pieces = 0, covered = 0;
    while (pos < coded.size()) {
      ASSERT_EQ(coded[pos] & 0x0F, 0x02) << "at " << pos;
      size_t count = (coded[pos] & 0xF0) * 16 + coded[pos + 1];
      EXPECT_LE(count, 4095u);
      covered += count;
      pos += 2 + count;
      ++pieces;
    }
    EXPECT_EQ(covered, length);
    EXPECT_EQ(pieces, (length + 4094) / 4095);
    EXPECT_EQ(DecodeIndices(coded, length), indices) << length;
  }
}

// Whatever the mix of repeats, the decoder gives the same indices back.
TEST_F(RunEncoderTest, RandomIndexStringsDecodeBack) {
  std::mt19937 random(77);
  for (int round = 0; round < 200; ++round) {
    Bytes indices;
    const size_t length = 1 + random() % 1200;
    while (indices.size() < length) {
      const uint8_t index = distinct[random() % distinct.size()];
      const size_t repeat = random() % 3 == 0 ? 1 + random() % 600 : 1 + random() % 5;
      indices.insert(indices.end(), std::min(repeat, length - indices.size()), index);
    }
    EXPECT_EQ(DecodeIndices(NormalRun(indices), length), indices) << "round " << round;
  }
}

}  // namespace
}  // namespace zorv
