// Frames as PNG files: bitmaps saved as PNG come back pixel for pixel, the
// frame loader tells PNG from BMP by content, an SLX whose frames are PNG
// files converts to the same SLP as with BMP frames, and damaged or
// unsupported PNG frames are refused with a message naming the file.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <filesystem>

#include "autogen/AutoGen.h"
#include "codec/BitmapPNG.h"
#include "codec/DataColours.h"
#include "codec/FrameBitmaps.h"
#include "codec/PNGFiles.h"
#include "codec/SLPWriter.h"
#include "codec/SLX.h"
#include "tools/FramesToSLX.h"
#include "tests/PNGReadBack.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

// A picture whose every pixel differs, of a width whose rows need padding.
cDIBSection Gradient(int32_t width, int32_t height) {
  cDIBSection bitmap;
  EXPECT_TRUE(bitmap.Create(width, height));
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      bitmap.SetPixel(x, y, RGBColour((x * 37 + y) & 255, (y * 53 + 7) & 255, (x * y + 3) & 255));
  return bitmap;
}

void ExpectSamePixels(const cDIBSection& expected, const cDIBSection& actual) {
  ASSERT_EQ(actual.Width(), expected.Width());
  ASSERT_EQ(actual.Height(), expected.Height());
  for (int32_t y = 0; y < expected.Height(); ++y)
    for (int32_t x = 0; x < expected.Width(); ++x)
      ASSERT_EQ(actual.GetPixel(x, y), expected.GetPixel(x, y)) << x << "," << y;
}

// Writes a picture through libpng's own simplified writer, in any format.
std::string EncodeWithLibpng(uint32_t format, int32_t width, int32_t height, const void* pixels,
                             const void* colormap = nullptr, uint32_t colours = 0) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = format;
  image.colormap_entries = colours;
  png_alloc_size_t size = 0;
  EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, colormap));
  std::string bytes(size, '\0');
  EXPECT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels, 0, colormap));
  bytes.resize(size);
  png_image_free(&image);
  return bytes;
}

TEST(PNGFrames, BitmapsSavedAsPNGAreLosslessRGBFiles) {
  test::TempDir dir;
  const cDIBSection picture = Gradient(5, 3);
  ASSERT_TRUE(SaveBitmapPNG(picture, dir.File("f.png")).ok());
  // Stored as 8-bit RGB, rows from the top, as libpng's row reader sees them.
  const test::PNGReadBack png = test::ReadPNGBack(dir.File("f.png"));
  ASSERT_TRUE(png.ok) << png.error;
  EXPECT_EQ(png.colour_type, PNG_COLOR_TYPE_RGB);
  EXPECT_EQ(png.bit_depth, 8);
  ASSERT_EQ(png.pixels.size(), 5u * 3u * 3u);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 5; ++x) {
      const uint8_t* p = &png.pixels[3 * (y * 5 + x)];
      EXPECT_EQ(RGBColour(p[0], p[1], p[2]), picture.GetPixel(x, y)) << x << "," << y;
    }

  cDIBSection loaded;
  ASSERT_TRUE(loaded.CreateFromPicture(dir.File("f.png")).ok());
  ExpectSamePixels(picture, loaded);

  cDIBSection empty;
  EXPECT_EQ(SaveBitmapPNG(empty, dir.File("empty.png")).Headline(), kMsgErrorWritingPNG);
  EXPECT_FALSE(std::filesystem::exists(dir.File("empty.png")));
  // A file that is an input of the caller is not overwritten.
  test::WriteFileBytes(dir.File("in.png"), "input");
  EXPECT_FALSE(SaveBitmapPNG(picture, dir.File("in.png"), {dir.File("in.png")}).ok());
  EXPECT_EQ(test::ReadFileBytes(dir.File("in.png")), "input");
}

TEST(PNGFrames, PicturesAreKnownByContentNotByName) {
  test::TempDir dir;
  const cDIBSection picture = Gradient(6, 4);
  std::string png;
  ASSERT_TRUE(EncodeBitmapPNG(picture, png).ok());
  test::WriteFileBytes(dir.File("png_named.bmp"), png);
  test::WriteFileBytes(dir.File("bmp_named.png"), picture.BMPBytes());
  for (const char* name : {"png_named.bmp", "bmp_named.png"}) {
    cDIBSection loaded;
    ASSERT_TRUE(LoadFrameBitmap(dir.File(name), loaded).ok()) << name;
    ExpectSamePixels(picture, loaded);
    int32_t width = 0, height = 0;
    ASSERT_TRUE(ReadPictureSize(dir.File(name), width, height).ok()) << name;
    EXPECT_EQ(width, 6);
    EXPECT_EQ(height, 4);
  }
}

TEST(PNGFrames, RGBAGreyAndPalettedPicturesGiveTheirColours) {
  // RGBA: the colour as stored, whatever the alpha (0 included).
  const uint8_t rgba[] = {10, 20, 30, 255, 40, 50, 60, 0, 255, 0, 255, 128};
  cDIBSection loaded;
  ASSERT_TRUE(
      loaded.CreateFromPictureBytes(EncodeWithLibpng(PNG_FORMAT_RGBA, 3, 1, rgba)).ok());
  EXPECT_EQ(loaded.GetPixel(0, 0), RGBColour(10, 20, 30));
  EXPECT_EQ(loaded.GetPixel(1, 0), RGBColour(40, 50, 60));
  EXPECT_EQ(loaded.GetPixel(2, 0), kDataTransparent);

  const uint8_t grey[] = {0, 77, 255, 128};
  ASSERT_TRUE(loaded.CreateFromPictureBytes(EncodeWithLibpng(PNG_FORMAT_GRAY, 2, 2, grey)).ok());
  EXPECT_EQ(loaded.GetPixel(1, 0), RGBColour(77, 77, 77));
  EXPECT_EQ(loaded.GetPixel(1, 1), RGBColour(128, 128, 128));

  const uint8_t indices[] = {2, 0, 1};
  const uint8_t colormap[] = {0, 255, 0, 255, 1, 2, 3, 255, 200, 100, 50, 255};
  ASSERT_TRUE(loaded
                  .CreateFromPictureBytes(
                      EncodeWithLibpng(PNG_FORMAT_RGBA_COLORMAP, 3, 1, indices, colormap, 3))
                  .ok());
  EXPECT_EQ(loaded.GetPixel(0, 0), RGBColour(200, 100, 50));
  EXPECT_EQ(loaded.GetPixel(1, 0), kDataPlayer);
  EXPECT_EQ(loaded.GetPixel(2, 0), RGBColour(1, 2, 3));
}

TEST(PNGFrames, DamagedHugeAndSixteenBitPNGFramesAreRefusedByName) {
  test::TempDir dir;
  std::string png;
  ASSERT_TRUE(EncodeBitmapPNG(Gradient(4, 4), png).ok());
  const uint16_t deep[] = {0, 1000, 65535, 30000, 2, 3};
  test::WriteFileBytes(dir.File("cut.png"), png.substr(0, png.size() - 30));
  test::WriteFileBytes(dir.File("huge.png"), test::WithDeclaredSize(png, 30000, 30000));
  test::WriteFileBytes(dir.File("wide.png"), test::WithDeclaredSize(png, 40000, 1));
  test::WriteFileBytes(dir.File("deep.png"),
                       EncodeWithLibpng(PNG_FORMAT_RGB | PNG_FORMAT_FLAG_LINEAR, 2, 1, deep));
  test::WriteFileBytes(dir.File("nohead.png"), png.substr(0, 20));
  struct Case {
    const char* name;
    const char* says;
  } cases[] = {{"cut.png", "cut.png"},
               {"huge.png", "30000 x 30000"},
               {"wide.png", "40000 x 1"},
               {"deep.png", "16 bits"},
               {"nohead.png", "damaged PNG"}};
  for (const Case& c : cases) {
    cDIBSection loaded;
    Status status = LoadFrameBitmap(dir.File(c.name), loaded);
    EXPECT_FALSE(status.ok()) << c.name;
    EXPECT_NE(status.message().find(c.name), std::string::npos) << status.message();
    EXPECT_NE(status.message().find(c.says), std::string::npos) << status.message();
    EXPECT_TRUE(loaded.IsEmpty()) << c.name;
  }
}

// Writes a one-frame SLX whose colour and data bitmaps are saved by save.
template <typename Save>
SLXGraphic OneFrameSLX(const std::string& path, const std::string& extension,
                       const cDIBSection& colour, const cDIBSection& data, Save save) {
  SLXGraphic graphic;
  graphic.Path = path;
  graphic.FrameCount = 1;
  graphic.Frames.resize(1);
  graphic.Frame(1) = {"g_001" + extension, "g_001d" + extension, 3, -2};
  EXPECT_TRUE(save(colour, graphic.ColourPath(1)).ok());
  EXPECT_TRUE(save(data, graphic.DataPath(1)).ok());
  EXPECT_TRUE(SaveSLX(graphic).ok());
  return graphic;
}

// Colour and data bitmaps with every data kind, transparent margins and
// a player-colour run.
void SmallFrame(cDIBSection& colour, cDIBSection& data) {
  colour = Gradient(9, 4);
  ASSERT_TRUE(data.Create(9, 4));
  data.Fill(kDataTransparent);
  const ColourValue kinds[] = {kDataNormal, kDataPlayer, kDataShadow, kDataPlayerOutline,
                               kDataBlackOutline, kDataNormal, kDataPlayer};
  for (int32_t y = 1; y < 4; ++y)
    for (int32_t x = 1; x < 8; ++x) data.SetPixel(x, y, kinds[(x + y) % 7]);
}

TEST(PNGFrames, AnSLXOfPNGFramesConvertsToTheSameSLPAsOfBMPFrames) {
  test::TempDir bmp_dir, png_dir;
  cDIBSection colour, data;
  SmallFrame(colour, data);
  const SLXGraphic bmp = OneFrameSLX(
      bmp_dir.File("g.slx"), ".bmp", colour, data,
      [](const cDIBSection& b, const std::string& path) { return b.SavePicture(path); });
  const SLXGraphic png = OneFrameSLX(
      png_dir.File("g.slx"), ".png", colour, data,
      [](const cDIBSection& b, const std::string& path) { return SaveBitmapPNG(b, path); });
  ASSERT_TRUE(ConvertSLXToSLP(bmp, bmp_dir.File("g.slp"), Palette::BuiltIn()).ok());
  Status converted = ConvertSLXToSLP(png, png_dir.File("g.slp"), Palette::BuiltIn());
  ASSERT_TRUE(converted.ok()) << converted.message();
  const std::string expected = test::ReadFileBytes(bmp_dir.File("g.slp"));
  EXPECT_GT(expected.size(), 100u);
  EXPECT_EQ(test::ReadFileBytes(png_dir.File("g.slp")), expected);
}

TEST(PNGFrames, AnSLXWithABadPNGFrameNamesItAndWritesNoSLP) {
  test::TempDir dir;
  cDIBSection colour, data;
  SmallFrame(colour, data);
  std::string png;
  ASSERT_TRUE(EncodeBitmapPNG(data, png).ok());
  const SLXGraphic graphic = OneFrameSLX(
      dir.File("g.slx"), ".png", colour, data,
      [](const cDIBSection& b, const std::string& path) { return SaveBitmapPNG(b, path); });

  // Damaged past its header: found while the frame is loaded.
  test::WriteFileBytes(graphic.DataPath(1), png.substr(0, png.size() - 20));
  Status damaged = ConvertSLXToSLP(graphic, dir.File("g.slp"), Palette::BuiltIn());
  EXPECT_EQ(damaged.Headline(), "Error loading frame 1!");
  EXPECT_NE(damaged.Detail().find("g_001d.png"), std::string::npos) << damaged.message();
  EXPECT_FALSE(std::filesystem::exists(dir.File("g.slp")));

  // Declaring a frame larger than an SLP holds: refused before it is read.
  test::WriteFileBytes(graphic.DataPath(1), test::WithDeclaredSize(png, 20000, 20000));
  test::WriteFileBytes(graphic.ColourPath(1), test::WithDeclaredSize(png, 20000, 20000));
  Status huge = ConvertSLXToSLP(graphic, dir.File("g.slp"), Palette::BuiltIn());
  EXPECT_EQ(huge.Headline(), "Error in frame 1: the frame is too large for an SLP!");
  EXPECT_NE(huge.Detail().find("20000 x 20000"), std::string::npos) << huge.message();
  EXPECT_FALSE(std::filesystem::exists(dir.File("g.slp")));

  // A colour PNG of another size than its data PNG.
  ASSERT_TRUE(SaveBitmapPNG(data, graphic.DataPath(1)).ok());
  ASSERT_TRUE(SaveBitmapPNG(Gradient(9, 5), graphic.ColourPath(1)).ok());
  EXPECT_EQ(ConvertSLXToSLP(graphic, dir.File("g.slp"), Palette::BuiltIn()).Headline(),
            FramesDoNotMatchText(1));
}

// Auto-generation rewrites a frame's two files: PNG files where they are
// named .png, BMP files where they are named otherwise, as before.
TEST(PNGFrames, GeneratedFramesAreWrittenAsTheKindTheirNamesSay) {
  for (const std::string extension : {".png", ".bmp", ".PNG"}) {
    SCOPED_TRACE(extension);
    test::TempDir dir;
    cDIBSection colour, data;
    SmallFrame(colour, data);
    colour.DrawRowSpan(0, 8, 0, kMagenta);  // a background row to crop
    SLXGraphic graphic = OneFrameSLX(
        dir.File("g.slx"), extension, colour, data,
        [](const cDIBSection& b, const std::string& path) { return SaveFrameBitmap(b, path); });
    AutoGenOptions options;
    options.Save = true;
    const AutoGenResult result = GenerateDataBitmap(graphic, options);
    ASSERT_TRUE(result.status.ok()) << result.status.message();
    ASSERT_TRUE(result.Saved);
    EXPECT_TRUE(result.Cropped);
    const bool png = extension != ".bmp";
    for (const std::string& path : {graphic.ColourPath(1), graphic.DataPath(1)}) {
      const std::string bytes = test::ReadFileBytes(path);
      EXPECT_EQ(HasPNGSignature(bytes), png) << path;
      EXPECT_EQ(bytes.starts_with("BM"), !png) << path;
    }
    cDIBSection written_colour, written_data;
    ASSERT_TRUE(LoadFrameBitmap(graphic.ColourPath(1), written_colour).ok());
    ASSERT_TRUE(LoadFrameBitmap(graphic.DataPath(1), written_data).ok());
    ExpectSamePixels(result.ColourBitmap, written_colour);
    ExpectSamePixels(result.DataBitmap, written_data);
  }
}

TEST(PNGFrames, PNGFramesMakeAGraphicThatStaysPNGThroughAutogenAndSLP) {
  test::TempDir source, target;
  cDIBSection colour, data;
  SmallFrame(colour, data);
  ASSERT_TRUE(SaveFrameBitmap(colour, source.File("walk1.PNG")).ok());
  ASSERT_TRUE(SaveFrameBitmap(colour, source.File("walk2.bmp")).ok());
  FramesToSLXJob job;
  job.slx_path = target.File("walk.slx");
  job.frames = {source.File("walk1.PNG"), source.File("walk2.bmp")};
  job.center_x = 2;
  job.center_y = 3;
  job.suffix = "d";
  ASSERT_TRUE(CreateSLXFromFrames(job).ok());
  // A PNG frame is copied as a PNG and its data bitmap is named as one.
  EXPECT_EQ(test::ReadFileBytes(target.File("walk.slx")),
            "SLX 0.5\r\n2\r\n2,3\r\nwalk1d.png\r\nwalk1.png\r\n"
            "2,3\r\nwalk2d.bmp\r\nwalk2.bmp\r\n");
  EXPECT_EQ(test::ReadFileBytes(target.File("walk1.png")),
            test::ReadFileBytes(source.File("walk1.PNG")));

  SLXGraphic graphic;
  ASSERT_TRUE(LoadSLX(target.File("walk.slx"), graphic).ok());
  AutoGenOptions options;
  options.Save = true;
  for (int32_t frame = 1; frame <= 2; ++frame) {
    options.Frame = frame;
    const AutoGenResult result = GenerateDataBitmap(graphic, options);
    ASSERT_TRUE(result.status.ok()) << result.status.message();
  }
  EXPECT_TRUE(HasPNGSignature(test::ReadFileBytes(target.File("walk1d.png"))));
  EXPECT_TRUE(test::ReadFileBytes(target.File("walk2d.bmp")).starts_with("BM"));
  SLXGraphic generated;
  ASSERT_TRUE(LoadSLX(target.File("walk.slx"), generated).ok());
  const Status converted = ConvertSLXToSLP(generated, target.File("walk.slp"), Palette::BuiltIn());
  ASSERT_TRUE(converted.ok()) << converted.message();
}

TEST(PNGFrames, FramesOfOneBaseNameButBothKindsAreCopiedApart) {
  test::TempDir source, target;
  cDIBSection colour, data;
  SmallFrame(colour, data);
  ASSERT_TRUE(SaveFrameBitmap(colour, source.File("walk.png")).ok());
  ASSERT_TRUE(SaveFrameBitmap(colour, source.File("walk.bmp")).ok());
  FramesToSLXJob job;
  job.slx_path = target.File("g.slx");
  job.frames = {source.File("walk.png"), source.File("walk.bmp")};
  ASSERT_TRUE(CreateSLXFromFrames(job).ok());
  EXPECT_TRUE(std::filesystem::exists(target.File("walk.png")));
  EXPECT_TRUE(std::filesystem::exists(target.File("walk.bmp")));
  // The list still tells the two apart.
  EXPECT_EQ(FrameListLines(job.frames),
            (std::vector<std::string>{"walk (" + source.File("walk.png") + ")",
                                      "walk (" + source.File("walk.bmp") + ")"}));
}

TEST(PNGFrames, APNGIconGivesTheBytesOfTheSameBMPIcon) {
  test::TempDir dir;
  const Palette& palette = Palette::BuiltIn();
  cDIBSection icon;
  ASSERT_TRUE(icon.Create(6, 3));
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 6; ++x) icon.SetPixel(x, y, palette.Colour((x * 3 + y * 40) & 255));
  ASSERT_TRUE(SaveFrameBitmap(icon, dir.File("icon.bmp")).ok());
  ASSERT_TRUE(SaveFrameBitmap(icon, dir.File("icon.png")).ok());
  ASSERT_TRUE(ConvertBMPToIcon(dir.File("icon.bmp"), dir.File("bmp.dat"), 258, palette).ok());
  ASSERT_TRUE(ConvertBMPToIcon(dir.File("icon.png"), dir.File("png.dat"), 258, palette).ok());
  EXPECT_EQ(test::ReadFileBytes(dir.File("png.dat")), test::ReadFileBytes(dir.File("bmp.dat")));
}

}  // namespace
}  // namespace zorv
