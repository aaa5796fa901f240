// The 24-bit bitmap: row layout, clipped pixel access and copies, and BMP
// saving that never costs the user a good file.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "codec/DIBSection.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

using test::GetI16;
using test::GetI32;
using test::GetU32;

// A different colour for every pixel of a bitmap up to 256 wide.
ColourValue PatternColour(int x, int y) {
  return RGBColour((x * 41 + 7) & 255, (y * 23 + x + 1) & 255, (x ^ (y * 5)) & 255);
}

void FillPattern(cDIBSection& bitmap) {
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) bitmap.SetPixel(x, y, PatternColour(x, y));
}

std::vector<ColourValue> Pixels(const cDIBSection& bitmap) {
  std::vector<ColourValue> pixels;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) pixels.push_back(bitmap.GetPixel(x, y));
  return pixels;
}

TEST(DIBSection, ScanLinesArePaddedToFourBytes) {
  const int expected[] = {0, 4, 8, 12, 12, 16};
  for (int width = 0; width <= 5; ++width) {
    cDIBSection bitmap;
    ASSERT_TRUE(bitmap.Create(width, 2));
    EXPECT_EQ(bitmap.BytesPerScanLine(), expected[width]) << "width " << width;
    EXPECT_EQ(bitmap.ImageSize(), 2u * expected[width]);
  }
}

TEST(DIBSection, SavedFileIsAPlainBottomUpBMP) {
  test::TempDir dir;
  cDIBSection bitmap;
  ASSERT_TRUE(bitmap.Create(3, 2));
  FillPattern(bitmap);
  const std::string path = dir.File("three by two.bmp");
  ASSERT_TRUE(bitmap.SavePicture(path));
  const std::string file = test::ReadFileBytes(path);
  ASSERT_EQ(file.size(), 78u);
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(GetU32(file, 2), 78u);
  EXPECT_EQ(GetU32(file, 6), 0u);
  EXPECT_EQ(GetU32(file, 10), 54u);
  EXPECT_EQ(GetU32(file, 14), 40u);
  EXPECT_EQ(GetI32(file, 18), 3);
  EXPECT_EQ(GetI32(file, 22), 2);
  EXPECT_EQ(GetI16(file, 26), 1);
  EXPECT_EQ(GetI16(file, 28), 24);
  EXPECT_EQ(GetU32(file, 30), 0u);
  EXPECT_EQ(GetU32(file, 34), 24u);
  for (size_t at = 38; at < 54; ++at) EXPECT_EQ(file[at], '\0') << at;
  // The bottom row comes first; each pixel is blue, green, red; each row
  // ends in three zero bytes.
  for (int stored = 0; stored < 2; ++stored) {
    const int y = 1 - stored;
    const size_t row = 54 + 12 * stored;
    for (int x = 0; x < 3; ++x) {
      const ColourValue c = PatternColour(x, y);
      EXPECT_EQ(static_cast<uint8_t>(file[row + 3 * x]), BlueOf(c));
      EXPECT_EQ(static_cast<uint8_t>(file[row + 3 * x + 1]), GreenOf(c));
      EXPECT_EQ(static_cast<uint8_t>(file[row + 3 * x + 2]), RedOf(c));
    }
    EXPECT_EQ(file.substr(row + 9, 3), std::string(3, '\0'));
  }
}

TEST(DIBSection, PixelAccessOutsideTheBitmapIsClipped) {
  cDIBSection bitmap;
  ASSERT_TRUE(bitmap.Create(4, 3));
  FillPattern(bitmap);
  bitmap.SetPixel(1, 1, RGBColour(255, 255, 255));
  EXPECT_EQ(bitmap.GetPixel(1, 1), RGBColour(255, 255, 255));
  EXPECT_EQ(bitmap.GetPixel(3, 2), PatternColour(3, 2));
  const std::string before = bitmap.BMPBytes();
  for (auto [x, y] : std::vector<std::pair<int, int>>{
           {4, 0}, {-1, 0}, {0, 3}, {0, -1}, {4, 2}, {1000000, 1}, {INT32_MIN, INT32_MIN}}) {
    EXPECT_EQ(bitmap.GetPixel(x, y), cDIBSection::kInvalidColour) << x << ", " << y;
    bitmap.SetPixel(x, y, RGBColour(1, 2, 3));
  }
  EXPECT_EQ(bitmap.BMPBytes(), before);
  cDIBSection empty;
  EXPECT_EQ(empty.GetPixel(0, 0), cDIBSection::kInvalidColour);
  empty.SetPixel(0, 0, 0);
  EXPECT_TRUE(empty.IsEmpty());
}

TEST(DIBSection, RowSpansAreClippedToTheBitmap) {
  const ColourValue red = RGBColour(255, 0, 0);
  struct Case {
    int first, last, y;
    std::vector<int> painted;  // the x values of row y that turn red
  };
  const std::vector<Case> cases{
      {-2, 5, 1, {0, 1, 2, 3}}, {1, 2, 0, {1, 2}}, {3, 10, 2, {3}},  {0, 4, 2, {0, 1, 2, 3}},
      {2, 1, 1, {}},            {-5, -1, 0, {}},   {4, 6, 0, {}},    {0, 3, -1, {}},
      {0, 3, 3, {}},            {INT32_MIN, INT32_MAX, 1, {0, 1, 2, 3}}};
  for (const Case& k : cases) {
    cDIBSection bitmap;
    ASSERT_TRUE(bitmap.Create(4, 3));
    FillPattern(bitmap);
    bitmap.DrawRowSpan(k.first, k.last, k.y, red);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) {
        bool painted = y == k.y && std::find(k.painted.begin(), k.painted.end(), x) !=
                                       k.painted.end();
        EXPECT_EQ(bitmap.GetPixel(x, y), painted ? red : PatternColour(x, y))
            << "span " << k.first << ".." << k.last << " on row " << k.y << ", pixel " << x
            << ", " << y;
      }
    // Row padding stays untouched.
    for (int y = 0; y < 3; ++y)
      for (int i = 12; i < bitmap.BytesPerScanLine(); ++i) EXPECT_EQ(bitmap.Row(y)[i], 0);
  }
}

// What a block copy must give, pixel by pixel: every pixel of the block
// that lies inside both bitmaps is copied, nothing else changes.
std::vector<ColourValue> CopiedByHand(const cDIBSection& source, const cDIBSection& destination,
                                      int left, int top, int width, int height,
                                      int source_left, int source_top) {
  cDIBSection result;
  EXPECT_TRUE(result.Create(destination.Width(), destination.Height()));
  for (int y = 0; y < destination.Height(); ++y)
    for (int x = 0; x < destination.Width(); ++x) result.SetPixel(x, y, destination.GetPixel(x, y));
  for (int by = 0; by < height; ++by)
    for (int bx = 0; bx < width; ++bx) {
      ColourValue c = source.GetPixel(source_left + bx, source_top + by);
      if (c != cDIBSection::kInvalidColour) result.SetPixel(left + bx, top + by, c);
    }
  return Pixels(result);
}

TEST(DIBSection, BlockCopiesAreClippedToBothBitmaps) {
  cDIBSection source;
  ASSERT_TRUE(source.Create(4, 3));
  FillPattern(source);
  const ColourValue marker = RGBColour(9, 99, 199);
  int copies = 0;
  for (int left = -5; left <= 6; ++left)
    for (int top = -4; top <= 6; top += 2)
      for (int source_left : {-2, 0, 1, 5})
        for (int source_top : {-1, 0, 2})
          for (auto [width, height] :
               std::vector<std::pair<int, int>>{{-1, -1}, {2, 2}, {10, 1}, {0, 3}, {3, 0}}) {
            cDIBSection destination;
            ASSERT_TRUE(destination.Create(5, 4));
            destination.Fill(marker);
            const int w = width < 0 ? source.Width() : width;
            const int h = height < 0 ? source.Height() : height;
            std::vector<ColourValue> expected =
                CopiedByHand(source, destination, left, top, w, h, source_left, source_top);
            source.PaintPicture(destination, left, top, width, height, source_left, source_top);
            ASSERT_EQ(Pixels(destination), expected)
                << "at " << left << ", " << top << " size " << width << " x " << height
                << " from " << source_left << ", " << source_top;
            ++copies;
          }
  EXPECT_GT(copies, 1000);

  // LoadPictureBlt copies to 0, 0; negative sizes mean the receiving
  // bitmap's own.
  for (int source_left : {-1, 0, 2})
    for (int source_top : {-2, 0, 1}) {
      cDIBSection destination;
      ASSERT_TRUE(destination.Create(3, 5));
      destination.Fill(marker);
      std::vector<ColourValue> expected =
          CopiedByHand(source, destination, 0, 0, 3, 5, source_left, source_top);
      destination.LoadPictureBlt(source, source_left, source_top);
      EXPECT_EQ(Pixels(destination), expected) << source_left << ", " << source_top;
    }
}

TEST(DIBSection, OverlappingCopiesWithinOneBitmapKeepTheSource) {
  // Moving a block inside one bitmap reads each source pixel before the
  // copy overwrites it, whichever way it moves.
  for (auto [dx, dy] : std::vector<std::pair<int, int>>{
           {0, 1}, {0, -1}, {1, 0}, {-1, 0}, {2, 2}, {-2, -1}, {1, -2}}) {
    cDIBSection bitmap;
    ASSERT_TRUE(bitmap.Create(6, 5));
    FillPattern(bitmap);
    cDIBSection copy;
    ASSERT_TRUE(copy.Create(6, 5));
    FillPattern(copy);
    std::vector<ColourValue> expected = CopiedByHand(copy, bitmap, 1 + dx, 1 + dy, 4, 3, 1, 1);
    bitmap.PaintPicture(bitmap, 1 + dx, 1 + dy, 4, 3, 1, 1);
    EXPECT_EQ(Pixels(bitmap), expected) << "move " << dx << ", " << dy;
  }
}

TEST(DIBSection, CreateReplacesTheOldBitmap) {
  cDIBSection bitmap;
  ASSERT_TRUE(bitmap.Create(4, 3));
  FillPattern(bitmap);
  ASSERT_TRUE(bitmap.Create(2, 5));
  EXPECT_EQ(bitmap.Width(), 2);
  EXPECT_EQ(bitmap.Height(), 5);
  EXPECT_EQ(bitmap.ImageSize(), 8u * 5);
  EXPECT_EQ(Pixels(bitmap), std::vector<ColourValue>(10, RGBColour(0, 0, 0)));
  for (auto [width, height] : std::vector<std::pair<int, int>>{
           {-1, 3}, {3, -1}, {cDIBSection::kMaxDimension + 1, 1},
           {1, cDIBSection::kMaxDimension + 1}, {30000, 30000}}) {
    ASSERT_TRUE(bitmap.Create(2, 2));
    EXPECT_FALSE(bitmap.Create(width, height)) << width << " x " << height;
    EXPECT_TRUE(bitmap.IsEmpty());
  }
  ASSERT_TRUE(bitmap.Create(0, 0));
  EXPECT_TRUE(bitmap.IsEmpty());
}

// Reshape keeps the memory held when the new size fits in it, takes new
// memory when it does not, and a copy holds only the bytes of its size.
TEST(DIBSection, ReshapeReusesMemoryThatFitsAndRefusesWhatCreateRefuses) {
  cDIBSection bitmap;
  ASSERT_TRUE(bitmap.Reshape(10, 10));
  EXPECT_EQ(bitmap.ImageSize(), 32u * 10);
  const uint8_t* const first = bitmap.DIBSectionBitsPtr();
  ASSERT_TRUE(bitmap.Reshape(3, 7));
  EXPECT_EQ(bitmap.DIBSectionBitsPtr(), first);
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.Height(), 7);
  EXPECT_EQ(bitmap.ImageSize(), 12u * 7);
  FillPattern(bitmap);
  const cDIBSection copy = bitmap;
  EXPECT_EQ(copy.ImageSize(), 12u * 7);
  EXPECT_EQ(Pixels(copy), Pixels(bitmap));
  // Back to the size first held: still the same memory.
  ASSERT_TRUE(bitmap.Reshape(10, 10));
  EXPECT_EQ(bitmap.DIBSectionBitsPtr(), first);
  ASSERT_TRUE(bitmap.Reshape(40, 40));
  EXPECT_EQ(bitmap.ImageSize(), 120u * 40);
  for (auto [width, height] : std::vector<std::pair<int, int>>{
           {-1, 3}, {3, -1}, {cDIBSection::kMaxDimension + 1, 1}, {30000, 30000}}) {
    ASSERT_TRUE(bitmap.Reshape(2, 2));
    EXPECT_FALSE(bitmap.Reshape(width, height)) << width << " x " << height;
    EXPECT_TRUE(bitmap.IsEmpty());
  }
  // A moved bitmap takes the memory with it.
  ASSERT_TRUE(bitmap.Reshape(8, 8));
  cDIBSection moved = std::move(bitmap);
  EXPECT_EQ(moved.ImageSize(), 24u * 8);
  ASSERT_TRUE(moved.Reshape(4, 4));
  EXPECT_EQ(moved.ImageSize(), 12u * 4);
}

class SaveFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bitmap.Create(100, 100));
    FillPattern(bitmap);
  }
  // The files in the test folder, to see that a failure leaves nothing over.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  test::TempDir dir;
  cDIBSection bitmap;
};

TEST_F(SaveFailure, MissingFoldersGiveTheSystemsReason) {
  const std::string missing = dir.File("no such folder/frame.bmp");
  Status status = bitmap.SavePicture(missing);
  ASSERT_FALSE(status);
  EXPECT_NE(status.message().find(missing), std::string::npos) << status.message();
  EXPECT_NE(status.message().find(std::strerror(ENOENT)), std::string::npos) << status.message();

  const std::string plain_file = dir.File("plain");
  test::WriteFileBytes(plain_file, "not a folder");
  status = bitmap.SavePicture(plain_file + "/frame.bmp");
  ASSERT_FALSE(status);
  EXPECT_NE(status.message().find(std::strerror(ENOTDIR)), std::string::npos) << status.message();

  std::filesystem::create_directory(dir.File("a folder"));
  status = bitmap.SavePicture(dir.File("a folder"));
  EXPECT_FALSE(status);
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("a folder")));
  EXPECT_EQ(Files(), (std::vector<std::string>{"a folder", "plain"}));
}

TEST_F(SaveFailure, AFailedSaveKeepsTheFileThatWasThere) {
  const std::string path = dir.File("frame.bmp");
  cDIBSection small;
  ASSERT_TRUE(small.Create(2, 2));
  ASSERT_TRUE(small.SavePicture(path));
  const std::string good = test::ReadFileBytes(path);

  // A read-only file is not replaced.
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  EXPECT_FALSE(bitmap.SavePicture(path));
  EXPECT_EQ(test::ReadFileBytes(path), good);
  ASSERT_EQ(chmod(path.c_str(), 0644), 0);

  // A write that fails part-way (here: the file size limit, as a full disk
  // would) leaves the old file and no partial one.
  struct rlimit old_limit {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  auto old_handler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small_limit = old_limit;
  small_limit.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small_limit), 0);
  Status status = bitmap.SavePicture(path);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(status);
  EXPECT_NE(status.message().find(path), std::string::npos) << status.message();
  EXPECT_EQ(test::ReadFileBytes(path), good);
  EXPECT_EQ(Files(), std::vector<std::string>{"frame.bmp"});

  // With room again the same save replaces the file.
  ASSERT_TRUE(bitmap.SavePicture(path));
  EXPECT_EQ(test::ReadFileBytes(path), bitmap.BMPBytes());
}

}  // namespace
}  // namespace zorv
