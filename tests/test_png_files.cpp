// PNG files through libpng: what the program writes is read back by
// libpng's row reader as stored, and the program's reader keeps paletted
// indices and refuses pictures too large or damaged.
#include <gtest/gtest.h>


#include <filesystem>

#include "codec/PNGFiles.h"
#include "tests/PNGReadBack.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;

RGBAImage SmallRGBA() {
  RGBAImage image;
  image.Width = 3;
  image.Height = 2;
  for (int i = 0; i < 6; ++i)
    for (int c = 0; c < 4; ++c) image.Pixels.push_back(static_cast<uint8_t>(40 * i + c * 7 + 1));
  image.Pixels[3] = 0;  // one fully transparent pixel keeps its colour bytes
  return image;
}

// Indices that name equal colours (0 and 10 are both black) must stay
// apart.
IndexedImage SmallIndexed() {
  IndexedImage image;
  image.Width = 4;
  image.Height = 1;
  image.Indices = {0, 10, 255, 200};
  for (int i = 0; i < 256; ++i)
    image.Colours[static_cast<size_t>(i)] = RGBColour(i, 255 - i, (i * 3) & 255);
  image.Colours[10] = image.Colours[0];
  image.Alpha.fill(255);
  image.Alpha[255] = 0;
  return image;
}

TEST(PNGFiles, RGBAPicturesAreStoredAsTheyAreGiven) {
  test::TempDir dir;
  const RGBAImage image = SmallRGBA();
  ASSERT_TRUE(WriteRGBAPNG(dir.File("a.png"), image).ok());
  const test::PNGReadBack png = test::ReadPNGBack(dir.File("a.png"));
  ASSERT_TRUE(png.ok) << png.error;
  EXPECT_EQ(png.colour_type, PNG_COLOR_TYPE_RGBA);
  EXPECT_EQ(png.bit_depth, 8);
  EXPECT_EQ(png.width, 3u);
  EXPECT_EQ(png.height, 2u);
  EXPECT_EQ(png.pixels, image.Pixels);

  PNGPicture read;
  ASSERT_TRUE(ReadPNG(dir.File("a.png"), read).ok());
  EXPECT_FALSE(read.Paletted);
  EXPECT_EQ(read.RGBA.Pixels, image.Pixels);
}

TEST(PNGFiles, PalettedPicturesKeepEveryIndexThePaletteAndTheTransparentEntry) {
  test::TempDir dir;
  const IndexedImage image = SmallIndexed();
  ASSERT_TRUE(WriteIndexedPNG(dir.File("p.png"), image).ok());
  const test::PNGReadBack png = test::ReadPNGBack(dir.File("p.png"));
  ASSERT_TRUE(png.ok) << png.error;
  EXPECT_EQ(png.colour_type, PNG_COLOR_TYPE_PALETTE);
  EXPECT_EQ(png.bit_depth, 8);
  EXPECT_EQ(png.pixels, image.Indices);
  ASSERT_EQ(png.palette.size(), 256u);
  for (size_t i = 0; i < 256; ++i) {
    EXPECT_EQ(png.palette[i].red, RedOf(image.Colours[i])) << i;
    EXPECT_EQ(png.palette[i].green, GreenOf(image.Colours[i])) << i;
    EXPECT_EQ(png.palette[i].blue, BlueOf(image.Colours[i])) << i;
    EXPECT_EQ(png.EntryAlpha(i), image.Alpha[i]) << i;
  }

  PNGPicture read;
  ASSERT_TRUE(ReadPNG(dir.File("p.png"), read).ok());
  ASSERT_TRUE(read.Paletted);
  EXPECT_EQ(read.Indexed.Indices, image.Indices);
  EXPECT_EQ(read.Indexed.Colours, image.Colours);
  EXPECT_EQ(read.Indexed.Alpha, image.Alpha);
  EXPECT_EQ(read.RGBA.Pixels[3], 255);    // index 0, opaque
  EXPECT_EQ(read.RGBA.Pixels[2 * 4 + 3], 0);  // index 255, transparent
}

TEST(PNGFiles, PicturesThatCannotBeWrittenSayWhy) {
  test::TempDir dir;
  RGBAImage empty;
  Status none = WriteRGBAPNG(dir.File("none.png"), empty);
  EXPECT_EQ(none.Headline(), kMsgErrorWritingPNG);
  EXPECT_FALSE(fs::exists(dir.File("none.png")));

  RGBAImage short_pixels = SmallRGBA();
  short_pixels.Pixels.pop_back();
  EXPECT_FALSE(WriteRGBAPNG(dir.File("short.png"), short_pixels).ok());

  IndexedImage beyond = SmallIndexed();
  beyond.ColourCount = 200;  // index 255 and 200 lie outside
  Status outside = WriteIndexedPNG(dir.File("beyond.png"), beyond);
  EXPECT_EQ(outside.Headline(), kMsgErrorWritingPNG);
  EXPECT_NE(outside.Detail().find("255"), std::string::npos) << outside.message();

  // A failed write keeps the file that was there.
  test::WriteFileBytes(dir.File("kept.png"), "old");
  EXPECT_FALSE(WriteRGBAPNG(dir.File("kept.png"), empty).ok());
  EXPECT_EQ(test::ReadFileBytes(dir.File("kept.png")), "old");
  // A folder where the file should go.
  fs::create_directories(dir.File("folder.png"));
  Status folder = WriteRGBAPNG(dir.File("folder.png"), SmallRGBA());
  EXPECT_EQ(folder.Headline(), kMsgErrorWritingPNG);
}

TEST(PNGFiles, ReadingRefusesDamagedFilesAndHugeDeclaredSizes) {
  std::string bytes;
  ASSERT_TRUE(EncodeRGBAPNG(SmallRGBA(), bytes).ok());
  PNGPicture picture;

  Status huge = DecodePNG(test::WithDeclaredSize(bytes, 5000, 5000), picture);
  EXPECT_EQ(huge.Headline(), kMsgErrorReadingPNG);
  EXPECT_NE(huge.Detail().find("5000 x 5000"), std::string::npos) << huge.message();
  EXPECT_TRUE(picture.RGBA.Pixels.empty());

  // Within the limit but more rows than the data holds.
  EXPECT_EQ(DecodePNG(test::WithDeclaredSize(bytes, 3, 400), picture).Headline(),
            kMsgErrorReadingPNG);
  EXPECT_EQ(DecodePNG(bytes.substr(0, bytes.size() / 2), picture).Headline(),
            kMsgErrorReadingPNG);
  EXPECT_EQ(DecodePNG("BM not a png at all", picture).Headline(), kMsgErrorReadingPNG);
  EXPECT_EQ(DecodePNG("", picture).Headline(), kMsgErrorReadingPNG);

  test::TempDir dir;
  Status missing = ReadPNG(dir.File("missing.png"), picture);
  EXPECT_EQ(missing.Headline(), kMsgErrorReadingPNG);
  EXPECT_NE(missing.Detail().find("missing.png"), std::string::npos) << missing.message();
}

}  // namespace
}  // namespace zorv
