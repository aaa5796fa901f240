// An SLP file read from disk reads only the bytes of the frame it decodes;
// these tests check that it decodes every frame exactly as the same bytes
// held in memory do, including frames whose rows reach beyond the bytes a
// frame is expected to use, and fails with the same reasons.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

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

  // Decodes every frame of the file ExpectSameAsInMemory wrote, once, on
  // disk through one SLPFile, and gives how many bytes that read; each
  // hears every frame's outcome and colour bitmap.
  uint64_t BytesReadDecodingOnDisk(
      const std::function<void(const Status&, const cDIBSection&)>& each) {
    SLPFile disk;
    SLPHeader header;
    std::vector<SLPFrameInfo> infos;
    EXPECT_TRUE(ReadSLPHeader(dir.File("file.slp"), disk, header, infos).ok());
    for (const SLPFrameInfo& info : infos) {
      cDIBSection colour, data;
      const Status decoded = DecodeSLPFrame(disk, info, palette, colour, data);
      each(decoded, colour);
    }
    return disk.BytesRead();
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

TEST_F(SLPFileOnDisk, RowOffsetsNearTheTopOfTheirRangeFailAsInMemory) {
  // One frame of three rows, the first coded in the header's comment bytes
  // (offset 8), the second at an offset near 2^32, the third transparent
  // with the byte 0x0F in its unused right edge. Reading from disk once
  // moved offsets by a sum that wrapped at 32 bits and decoded the second
  // row from that 0x0F: a damaged file decoded to a picture.
  std::string bytes(32 + 32 + 12 + 12, '\0');
  std::memcpy(bytes.data(), "2.0N", 4);
  bytes[4] = 1;
  bytes[8] = 0x04;  // a copy of one pixel
  bytes[9] = 5;
  bytes[10] = 0x0F;
  const uint32_t edges = 64, offsets = 76;
  auto put32 = [&bytes](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 255);
  };
  put32(32, offsets);
  put32(36, edges);
  put32(44, 24);
  put32(48, 1);  // width
  put32(52, 3);  // height
  bytes[edges + 8] = 0x00;  // row 3: transparent from edge to edge
  bytes[edges + 9] = static_cast<char>(0x80);
  bytes[edges + 10] = 0x0F;
  put32(offsets, 8);
  for (uint32_t far : {0xFFFFFFFAu, 0xFFFFFFF0u, 0xFFFFFFFFu, 0x80000000u}) {
    SCOPED_TRACE(far);
    put32(offsets + 4, far);
    EXPECT_EQ(ExpectSameAsInMemory(bytes), 0);
  }
}

TEST_F(SLPFileOnDisk, FramesReachingBeyondTheirPiecesReadTheFileOnceBetweenThem) {
  // Forty frames whose rows run on through long stretches of commands that
  // paint nothing: each needs more than its pieces, and reading the whole
  // file again for each made the work grow with frames times file size.
  std::vector<test::TestFrame> frames;
  std::vector<uint8_t> padded(20000, 0x00);
  for (uint8_t b : {uint8_t(0x04), uint8_t(9), uint8_t(0x0F)}) padded.push_back(b);
  for (int i = 0; i < 40; ++i) frames.push_back(test::OneRowFrame(1, 0, 0, padded));
  const std::string bytes = test::BuildSLP(frames);
  EXPECT_EQ(ExpectSameAsInMemory(bytes), 40);

  const uint64_t read = BytesReadDecodingOnDisk(
      [](const Status& decoded, const cDIBSection&) { EXPECT_TRUE(decoded.ok()); });
  EXPECT_LT(read, 2 * bytes.size());
}

TEST_F(SLPFileOnDisk, FramesWhoseRowsLieFarApartReadOnlyTheirRows) {
  // Every frame's two rows lie at the two ends of a large file: what is read
  // for a frame is its tables and its rows, never the stretch between them.
  std::vector<test::TestFrame> frames;
  for (int i = 0; i < 20; ++i) {
    test::TestFrame frame;
    frame.width = 1;
    frame.height = 2;
    frame.rows = {{0, 0, {0x04, 1, 0x0F}}, {0, 0, {0x04, 2, 0x0F}}};
    frames.push_back(frame);
  }
  std::string bytes = test::BuildSLP(frames);
  // Every frame's second row moved to the end of 4 MB of filler.
  const uint32_t far = static_cast<uint32_t>(bytes.size()) + (4u << 20);
  bytes.resize(far, '\x0F');
  bytes += std::string("\x04\x03\x0F", 3);
  for (int i = 0; i < 20; ++i) {
    const uint32_t table = test::GetU32(bytes, 32 + 32 * static_cast<size_t>(i));
    for (int k = 0; k < 4; ++k) bytes[table + 4 + k] = static_cast<char>((far >> (8 * k)) & 255);
  }
  EXPECT_EQ(ExpectSameAsInMemory(bytes), 20);

  const uint64_t read =
      BytesReadDecodingOnDisk([this](const Status& decoded, const cDIBSection& colour) {
        EXPECT_TRUE(decoded.ok());
        if (decoded) {
          EXPECT_EQ(colour.GetPixel(0, 1), palette.Colour(3));
        }
      });
  EXPECT_LT(read, 64u * 1024);
}

TEST_F(SLPFileOnDisk, FramesRefusedOnTheirTablesReadNoRows) {
  // Wide frames whose last row's edges do not fit: the decoder refuses them
  // from their tables, before it takes memory for their pixels or reads any
  // of their rows (each of which could reach four bytes a pixel further).
  std::vector<test::TestFrame> frames;
  for (int i = 0; i < 10; ++i) {
    test::TestFrame frame;
    frame.width = 30000;
    frame.height = 3;
    frame.rows = {{0, 0, {0x0F}}, {0, 0, {0x0F}}, {15001, 15000, {0x0F}}};
    frames.push_back(frame);
  }
  const std::string bytes = test::BuildSLP(frames);
  EXPECT_EQ(ExpectSameAsInMemory(bytes), 0);

  const uint64_t read =
      BytesReadDecodingOnDisk([](const Status& decoded, const cDIBSection& colour) {
        EXPECT_EQ(decoded.message(), "row 2: the right edge runs past the row's width");
        EXPECT_EQ(colour.Width(), 0);
      });
  // The header, the frame table and each frame's two tables of three rows.
  EXPECT_LE(read, 32u + 32u * 10 + 10 * 2 * 12);
}

TEST_F(SLPFileOnDisk, EveryByteOfAFrameIsReadOnce) {
  // The tables are read first to find the rows; the piece that holds them
  // and the rows takes them from there instead of reading them again.
  test::TestFrame frame;
  frame.width = 3;
  frame.height = 2;
  frame.rows = {{0, 0, {0x0C, 1, 2, 3, 0x0F}}, {1, 0, {0x08, 4, 5, 0x0F}}};
  const std::string bytes = test::BuildSLP({frame});
  EXPECT_EQ(ExpectSameAsInMemory(bytes), 1);

  const uint64_t read = BytesReadDecodingOnDisk(
      [](const Status& decoded, const cDIBSection&) { EXPECT_TRUE(decoded.ok()); });
  EXPECT_EQ(read, bytes.size());
}

}  // namespace
}  // namespace zorv
