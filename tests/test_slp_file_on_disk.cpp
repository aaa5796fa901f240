// An SLP file read from disk reads only the bytes of the frame it decodes;
// these tests check that it decodes every frame exactly as the same bytes
// held in memory do, including frames whose rows reach beyond the bytes a
// frame is expected to use, and fails with the same reasons.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "codec/SLPReader.h"
#include "tests/SLPTestFiles.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

bool SamePixels(const cDIBSection& a, const cDIBSection& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() && a.ImageSize() == b.ImageSize() &&
         (a.ImageSize() == 0 ||
          std::memcmp(a.DIBSectionBitsPtr(), b.DIBSectionBitsPtr(), a.ImageSize()) == 0);
}

class SLPFileOnDisk : public ::testing::Test {
 protected:
  // Decodes every frame of bytes both from a file on disk and from memory
  // and expects the same outcome; returns how many frames decoded.
  int ExpectSameAsInMemory(const std::string& bytes) {
    const std::string path = dir.File("file.slp");
    test::WriteFileBytes(path, bytes);
    SLPFile disk, memory(bytes);
    SLPHeader disk_header, memory_header;
    std::vector<SLPFrameInfo> disk_frames, memory_frames;
    Status disk_read = ReadSLPHeader(path, disk, disk_header, disk_frames);
    Status memory_read = ReadSLPHeader(memory, memory_header, memory_frames);
    EXPECT_TRUE(disk.OnDisk());
    EXPECT_EQ(disk.Size(), bytes.size());
    EXPECT_EQ(disk_read.ok(), memory_read.ok());
    EXPECT_EQ(disk_read.message(), memory_read.message());
    if (!disk_read || !memory_read) return 0;
    EXPECT_EQ(disk_header.FrameCount, memory_header.FrameCount);
    EXPECT_EQ(disk_frames.size(), memory_frames.size());
    int decoded = 0;
    for (size_t i = 0; i < disk_frames.size(); ++i) {
      SCOPED_TRACE("frame " + std::to_string(i + 1));
      EXPECT_EQ(disk_frames[i].CommandTableOffset, memory_frames[i].CommandTableOffset);
      cDIBSection disk_colour, disk_data, memory_colour, memory_data;
      Status from_disk = DecodeSLPFrame(disk, disk_frames[i], palette, disk_colour, disk_data);
      Status from_memory =
          DecodeSLPFrame(memory, memory_frames[i], palette, memory_colour, memory_data);
      EXPECT_EQ(from_disk.ok(), from_memory.ok());
      EXPECT_EQ(from_disk.message(), from_memory.message());
      EXPECT_TRUE(SamePixels(disk_colour, memory_colour));
      EXPECT_TRUE(SamePixels(disk_data, memory_data));
      if (from_disk) ++decoded;
    }
    return decoded;
  }

  test::TempDir dir;
  // The colours frames decode through: the built-in palette unless a test
  // loads another.
  Palette palette = Palette::BuiltIn();
};

TEST_F(SLPFileOnDisk, RealSamplesDecodeAsFromMemory) {
  ZORV_REQUIRE_SAMPLES();
  for (const char* name : {"unit", "screen"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(LoadPalette(test::SamplesDir() + name + ".pal", palette).ok());
    const std::string bytes = test::ReadFileBytes(test::SamplesDir() + name + ".slp");
    SLPFile memory(bytes);
    SLPHeader header;
    std::vector<SLPFrameInfo> frames;
    ASSERT_TRUE(ReadSLPHeader(memory, header, frames).ok());
    ASSERT_GT(header.FrameCount, 0);
    EXPECT_EQ(ExpectSameAsInMemory(bytes), header.FrameCount);
  }
}

TEST_F(SLPFileOnDisk, RowsLongerThanTheirPixelsStillDecode) {
  // 300 copies of nothing before a copy of two pixels: far more bytes than
  // a row of four pixels normally takes, and still a valid row.
  std::vector<uint8_t> padded(300, 0x00);
  for (uint8_t b : {uint8_t(0x08), uint8_t(20), uint8_t(21), uint8_t(0x0F)}) padded.push_back(b);
  test::TestFrame frame = test::OneRowFrame(4, 1, 1, padded);
  test::TestFrame plain = test::OneRowFrame(3, 0, 0, {0x0C, 30, 31, 32, 0x0F});
  EXPECT_EQ(ExpectSameAsInMemory(test::BuildSLP({plain, frame, plain})), 3);
}

TEST_F(SLPFileOnDisk, RowsSharedOrPlacedBeforeTheTablesDecode) {
  std::string bytes = test::BuildSLP({test::OneRowFrame(2, 0, 0, {0x08, 40, 41, 0x0F}),
                                      test::OneRowFrame(2, 0, 0, {0x08, 50, 51, 0x0F})});
  // Frame 2's row now starts at frame 1's row.
  const uint32_t table2 = test::GetU32(bytes, 32 + 32);
  const uint32_t row1 = test::GetU32(bytes, test::GetU32(bytes, 32));
  for (int i = 0; i < 4; ++i) bytes[table2 + i] = static_cast<char>((row1 >> (8 * i)) & 255);
  EXPECT_EQ(ExpectSameAsInMemory(bytes), 2);

  // Rows transparent from edge to edge have no commands to read.
  test::TestFrame mixed;
  mixed.width = 3;
  mixed.height = 3;
  mixed.rows = {{kSLPEmptyRow, 0, {}}, {0, 1, {0x08, 7, 8, 0x0F}}, {kSLPEmptyRow, 0, {}}};
  test::TestFrame empty = test::OneRowFrame(5, kSLPEmptyRow, 0, {});
  EXPECT_EQ(ExpectSameAsInMemory(test::BuildSLP({empty, mixed, empty})), 3);
}

TEST_F(SLPFileOnDisk, DamagedFramesFailWithTheSameReasons) {
  const std::string good = test::BuildSLP({test::OneRowFrame(3, 0, 0, {0x0C, 1, 2, 3, 0x0F}),
                                           test::OneRowFrame(3, 0, 0, {0x0C, 4, 5, 6, 0x0F})});
  // The last row cut short.
  EXPECT_EQ(ExpectSameAsInMemory(good.substr(0, good.size() - 2)), 1);
  // Frame 2's command offset beyond the end, then below every table.
  for (uint32_t offset : {0xFFFFFF00u, 4u}) {
    SCOPED_TRACE(offset);
    std::string bytes = good;
    const uint32_t table2 = test::GetU32(bytes, 32 + 32);
    for (int i = 0; i < 4; ++i) bytes[table2 + i] = static_cast<char>((offset >> (8 * i)) & 255);
    EXPECT_EQ(ExpectSameAsInMemory(bytes), 1);
  }
  // A frame far too large, and a frame table longer than the file.
  std::string huge = good;
  huge[32 + 32 + 16] = static_cast<char>(0x7F);
  huge[32 + 32 + 19] = static_cast<char>(0x7F);
  EXPECT_EQ(ExpectSameAsInMemory(huge), 1);
  std::string many = good;
  many[4] = 100;
  EXPECT_EQ(ExpectSameAsInMemory(many), 0);
}

TEST_F(SLPFileOnDisk, OpeningSaysWhichFileCouldNotBeRead) {
  SLPFile file;
  Status opened = file.Open(dir.File("missing.slp"));
  EXPECT_FALSE(opened);
  EXPECT_NE(opened.message().find(dir.File("missing.slp")), std::string::npos);
  EXPECT_FALSE(file.IsOpen());
  std::filesystem::create_directory(dir.File("folder.slp"));
  opened = file.Open(dir.File("folder.slp"));
  EXPECT_FALSE(opened);
  EXPECT_NE(opened.message().find(dir.File("folder.slp")), std::string::npos);

  // Reads stop at the end of the file.
  test::WriteFileBytes(dir.File("short.slp"), "0123456789");
  ASSERT_TRUE(file.Open(dir.File("short.slp")).ok());
  std::string out;
  ASSERT_TRUE(file.Read(6, 100, out).ok());
  EXPECT_EQ(out, "6789");
  ASSERT_TRUE(file.Read(10, 5, out).ok());
  EXPECT_EQ(out, "");
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.Size(), 0u);
}

}  // namespace
}  // namespace zorv
