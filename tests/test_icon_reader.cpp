// Reading icon row data back into a bitmap: the inverse of EncodeIcon for
// every bitmap whose colours the palette tells apart, and long copies and
// fills read as the writer codes them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec/IconReader.h"
#include "codec/Palettes.h"
#include "codec/SLPWriter.h"
#include "tests/SLPTestFiles.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

TEST(IconReader, ReadsTheThreeByTwoIconOfIndexSeven) {
  std::string icon;
  for (uint32_t v : {0x105u, 3u, 2u, 0u, 5u}) test::PutU32(icon, v);
  for (int row = 0; row < 2; ++row) icon += std::string{0x0C, 7, 7, 7, 0x0F};
  cDIBSection bitmap;
  int32_t flags = 0;
  ASSERT_TRUE(DecodeIcon(icon, Palette::BuiltIn(), bitmap, flags));
  EXPECT_EQ(flags, 0x105);
  ASSERT_EQ(bitmap.Width(), 3);
  ASSERT_EQ(bitmap.Height(), 2);
  for (int y = 0; y < 2; ++y)
    EXPECT_EQ(test::RowColours(bitmap, y), test::Repeat(Palette::BuiltIn().Colour(7), 3));
  EXPECT_EQ(EncodeIcon(bitmap, flags, Palette::BuiltIn()), icon);
}

TEST(IconReader, EncodingWhatWasReadGivesTheSameBytes) {
  // Rows long enough for long copies (64 pixels and more) and fills of
  // more than 15 pixels, which carry their count in a byte of their own.
  const std::vector<uint8_t> colours = test::DistinctIndices();
  const Palette& palette = Palette::BuiltIn();
  cDIBSection bitmap;
  ASSERT_TRUE(bitmap.Create(300, 3));
  for (int x = 0; x < 300; ++x) {
    bitmap.SetPixel(x, 0, palette.Colour(colours[static_cast<size_t>(x) % colours.size()]));
    bitmap.SetPixel(x, 1, palette.Colour(colours[x < 40 ? 3 : x < 290 ? 4 : x % 7]));
    bitmap.SetPixel(x, 2, palette.Colour(colours[(x / 5) % 9]));
  }
  const std::string icon = EncodeIcon(bitmap, 1023, palette);
  cDIBSection read;
  int32_t flags = 0;
  ASSERT_TRUE(DecodeIcon(icon, palette, read, flags));
  EXPECT_EQ(flags, 1023);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(test::RowColours(read, y), test::RowColours(bitmap, y));
  EXPECT_EQ(EncodeIcon(read, flags, palette), icon);
}

TEST(IconReader, DamagedDataIsRefusedAndLeavesNoBitmap) {
  auto head = [](std::vector<uint32_t> values) {
    std::string bytes;
    for (uint32_t v : values) test::PutU32(bytes, v);
    return bytes;
  };
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"short", "damaged icon data: shorter than the 12 bytes of its header"},
      {head({0, 0, 1}), "damaged icon data: a size of 0 x 1"},
      {head({0, 2, 1, 0}) + std::string{0x08, 1}, "row 1 runs past the end"},
      {head({0, 2, 1, 0}) + std::string{0x04, 1, 0x0F}, "row 1 ends after 1 pixels instead of 2"},
      {head({0, 2, 1, 0}) + std::string{0x03, 0x0F}, "command byte 3"},
      {head({0, 2, 1, 0}) + std::string{0x37, 1, 0x0F}, "more pixels than the icon is wide"},
  };
  for (const auto& [bytes, reason] : cases) {
    SCOPED_TRACE(reason);
    cDIBSection bitmap;
    ASSERT_TRUE(bitmap.Create(4, 4));
    int32_t flags = 99;
    Status decoded = DecodeIcon(bytes, Palette::BuiltIn(), bitmap, flags);
    ASSERT_FALSE(decoded);
    EXPECT_NE(decoded.message().find(reason), std::string::npos) << decoded.message();
    EXPECT_TRUE(bitmap.IsEmpty());
    EXPECT_EQ(flags, 99);
  }
}

}  // namespace
}  // namespace zorv
