#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>

#include "codec/SLPFrameEncoder.h"
#include "codec/SLPReader.h"
#include "codec/SLPWriter.h"
#include "codec/SLX.h"
#include "tests/SLPTestFiles.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

namespace fs = std::filesystem;
using test::GetI16;
using test::GetI32;
using test::GetU32;
using test::Join;
using test::Repeat;
using test::RowColours;

using test::kBlue;
using test::kGreen;
using test::kMagenta;
using test::kRed;
using test::kWhite;
using test::kYellow;

class SLPWriterTest : public ::testing::Test {
 protected:
  // Adds a frame whose bitmaps hold the given rows (colour and data): to the
  // graphic as bitmap files, and to in_memory as the same bitmaps.
  void AddFrame(const std::vector<std::vector<ColourValue>>& colour_rows,
                const std::vector<std::vector<ColourValue>>& data_rows, int32_t hot_x = 0,
                int32_t hot_y = 0) {
    const int32_t i = graphic.FrameCount + 1;
    SLXFrame frame{"f_" + PadFrameNumber(i) + ".bmp", "f_" + PadFrameNumber(i) + "d.bmp",
                   hot_x, hot_y};
    ASSERT_TRUE(BitmapOf(colour_rows).SavePicture(dir.File(frame.ColourFile)).ok());
    ASSERT_TRUE(BitmapOf(data_rows).SavePicture(dir.File(frame.DataFile)).ok());
    graphic.Frames.push_back(frame);
    graphic.FrameCount = i;
    in_memory.push_back(FrameBitmaps{BitmapOf(colour_rows), BitmapOf(data_rows), hot_x, hot_y});
  }

  // A frame whose data rows are given and whose colour bitmap is black.
  void AddDataFrame(const std::vector<std::vector<ColourValue>>& data_rows) {
    std::vector<std::vector<ColourValue>> black;
    for (const auto& row : data_rows) black.push_back(Repeat(0, row.size()));
    AddFrame(black, data_rows);
  }

  static cDIBSection BitmapOf(const std::vector<std::vector<ColourValue>>& rows) {
    cDIBSection bitmap;
    bitmap.Create(rows.empty() ? 0 : static_cast<int32_t>(rows[0].size()),
                  static_cast<int32_t>(rows.size()));
    for (size_t y = 0; y < rows.size(); ++y)
      for (size_t x = 0; x < rows[y].size(); ++x)
        bitmap.SetPixel(static_cast<int32_t>(x), static_cast<int32_t>(y), rows[y][x]);
    return bitmap;
  }

  // Converts the graphic through the built-in palette; status says how it went.
  bool Convert() {
    graphic.Path = dir.File("graphic.slx");
    status = ConvertSLXToSLP(graphic, slp_path, palette);
    return status.ok();
  }

  std::string Written() const { return test::ReadFileBytes(slp_path); }

  // The bytes of frame i's row y, up to and including its end byte.
  static std::string RowBytes(const std::string& slp, int frame, int y) {
    const size_t record = 32 + 32 * static_cast<size_t>(frame - 1);
    const size_t at = GetU32(slp, GetU32(slp, record) + 4 * static_cast<size_t>(y));
    const size_t end = slp.find('\x0F', at);
    return slp.substr(at, end + 1 - at);
  }
  static std::pair<int, int> Edges(const std::string& slp, int frame, int y) {
    const size_t at = GetU32(slp, 32 + 32 * static_cast<size_t>(frame - 1) + 4) +
                      4 * static_cast<size_t>(y);
    return {GetI16(slp, at), GetI16(slp, at + 2)};
  }

  // Only the files the test made are left: no SLP, no temporary file.
  std::set<std::string> FilesInDir() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path()))
      names.insert(entry.path().filename().string());
    return names;
  }

  const Palette& palette = Palette::BuiltIn();
  test::TempDir dir;
  SLXGraphic graphic;
  std::vector<FrameBitmaps> in_memory;
  std::string slp_path = dir.File("out.slp");
  Status status = Status::Ok();
};

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

// --- File layout ---------------------------------------------------------------

TEST_F(SLPWriterTest, TwoByOneGraphicIsSeventySixBytes) {
  AddFrame({{palette.Colour(3), palette.Colour(4)}}, {{kWhite, kWhite}}, 7, -2);
  ASSERT_TRUE(Convert()) << status.message();
  std::string expected = "2.0N";
  test::PutU32(expected, 1);
  expected += "Mod Editor by Brakmol ";
  expected += std::string(2, '\0');
  for (uint32_t v : {68u, 64u, 0u, 24u, 2u, 1u, 7u, static_cast<uint32_t>(-2)})
    test::PutU32(expected, v);
  expected += Bytes({0, 0, 0, 0});  // edges 0, 0
  test::PutU32(expected, 72);       // the row's offset
  expected += Bytes({0x08, 3, 4, 0x0F});
  EXPECT_EQ(Written(), expected);
  EXPECT_EQ(Written().size(), 76u);
}

TEST_F(SLPWriterTest, TablesOfAllFramesComeBeforeAllRows) {
  AddDataFrame({{kRed}, {kRed}});
  AddDataFrame({{kRed, kRed}, {kMagenta, kMagenta}, {kRed, kMagenta}});
  ASSERT_TRUE(Convert()) << status.message();
  const std::string slp = Written();
  // Edge tables at 96 (2 rows) and 104 (3 rows); command tables at 116, 124.
  EXPECT_EQ(GetU32(slp, 32 + 4), 96u);
  EXPECT_EQ(GetU32(slp, 64 + 4), 104u);
  EXPECT_EQ(GetU32(slp, 32), 116u);
  EXPECT_EQ(GetU32(slp, 64), 124u);
  EXPECT_EQ(GetI32(slp, 64 + 16), 2);
  EXPECT_EQ(GetI32(slp, 64 + 20), 3);
  // Rows follow frame after frame, row after row.
  std::vector<uint32_t> offsets;
  for (size_t at = 116; at < 136; at += 4) offsets.push_back(GetU32(slp, at));
  EXPECT_EQ(offsets, (std::vector<uint32_t>{136, 138, 140, 142, 143}));
  EXPECT_EQ(slp.substr(136), Bytes({0x1B, 0x0F, 0x1B, 0x0F, 0x2B, 0x0F, 0x0F, 0x1B, 0x0F}));
  EXPECT_EQ(Edges(slp, 2, 1), std::make_pair(2, 0));
  EXPECT_EQ(Edges(slp, 2, 2), std::make_pair(0, 1));
}

TEST_F(SLPWriterTest, MarginsCountEveryDataColourButMagentaAsDrawn) {
  std::vector<ColourValue> shadow_row = Repeat(kMagenta, 10);
  shadow_row[5] = kRed;
  std::vector<ColourValue> outline_row = Repeat(kMagenta, 10);
  outline_row[1] = kYellow;
  outline_row[8] = kBlue;
  AddDataFrame({shadow_row, Repeat(kMagenta, 10), outline_row});
  ASSERT_TRUE(Convert()) << status.message();
  const std::string slp = Written();
  EXPECT_EQ(Edges(slp, 1, 0), std::make_pair(5, 4));
  EXPECT_EQ(RowBytes(slp, 1, 0), Bytes({0x1B, 0x0F}));
  // A row entirely magenta: edges width, 0 and the end byte alone.
  EXPECT_EQ(Edges(slp, 1, 1), std::make_pair(10, 0));
  EXPECT_EQ(RowBytes(slp, 1, 1), Bytes({0x0F}));
  // Inside the span, magenta becomes a skip.
  EXPECT_EQ(Edges(slp, 1, 2), std::make_pair(1, 1));
  EXPECT_EQ(RowBytes(slp, 1, 2), Bytes({0x6E, 0x19, 0x4E, 0x0F}));
}

TEST_F(SLPWriterTest, RowsAreCutIntoRunsOfOneDataColour) {
  const ColourValue c1 = palette.Colour(1), c2 = palette.Colour(2), p = palette.Colour(18);
  AddFrame({{c1, c1, c1, c1, c2, p, p, 0, 0}},
           {{kWhite, kWhite, kWhite, kWhite, kWhite, kGreen, kGreen, kRed, kRed}});
  ASSERT_TRUE(Convert()) << status.message();
  EXPECT_EQ(RowBytes(Written(), 1, 0),
            Bytes({0x47, 1, 0x04, 2, 0x26, 2, 2, 0x2B, 0x0F}));
}

TEST_F(SLPWriterTest, TheBuiltInPaletteCodesTheGraphicWhateverOtherPalettesExist) {
  // Two all-black palettes: one built from a table, one loaded from a file.
  const Palette black{PaletteTable{}};
  std::string pal_file = "JASC-PAL\r\n0100\r\n256\r\n";
  for (int i = 0; i < 256; ++i) pal_file += "0 0 0\r\n";
  test::WriteFileBytes(dir.File("black.pal"), pal_file);
  Palette loaded;
  ASSERT_TRUE(LoadPalette(dir.File("black.pal"), loaded).ok());
  ASSERT_EQ(loaded, black);

  AddFrame({{black.Colour(3)}}, {{kWhite}});
  AddFrame({{Palette::BuiltIn().Colour(9)}}, {{kWhite}});
  ASSERT_TRUE(Convert()) << status.message();
  EXPECT_EQ(RowBytes(Written(), 1, 0), Bytes({0x04, 0, 0x0F}));
  EXPECT_EQ(RowBytes(Written(), 2, 0), Bytes({0x04, 9, 0x0F}));

  // The palette given is the one coded against: in all black, entry 0 is
  // nearest to everything.
  status = ConvertSLXToSLP(graphic, slp_path, loaded);
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(RowBytes(Written(), 2, 0), Bytes({0x04, 0, 0x0F}));
}

// A batch codes graphic after graphic with one encoder per thread, which
// keeps the matches of colours it has worked out: the bytes of a graphic
// are those a new encoder gives, whatever was coded before it.
TEST_F(SLPWriterTest, AnEncoderKeptFromGraphicToGraphicGivesTheBytesOfANewOne) {
  std::mt19937 random(14);
  auto random_frame = [&](int32_t width, int32_t height) {
    std::vector<std::vector<ColourValue>> colour(static_cast<size_t>(height)),
        data(static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) {
        // Colours new to the palette, some near others already asked for.
        const int r = int(random() % 256), g = int(random() % 256), b = int(random() % 256);
        colour[size_t(y)].push_back(RGBColour(r, g, b));
        data[size_t(y)].push_back(random() % 5 == 0 ? kGreen : kWhite);
      }
    return std::make_pair(colour, data);
  };
  std::vector<SLXGraphic> graphics;
  for (int g = 0; g < 3; ++g) {
    graphic = SLXGraphic{};
    for (int f = 0; f < 2; ++f) {
      auto [colour, data] = random_frame(37 + 11 * g, 9 + f);
      AddFrame(colour, data);
      // Each graphic's frames under names of their own.
      SLXFrame& frame = graphic.Frames.back();
      const std::string prefix = "g" + std::to_string(g) + "_";
      fs::rename(dir.File(frame.ColourFile), dir.File(prefix + frame.ColourFile));
      fs::rename(dir.File(frame.DataFile), dir.File(prefix + frame.DataFile));
      frame.ColourFile = prefix + frame.ColourFile;
      frame.DataFile = prefix + frame.DataFile;
    }
    graphic.Path = dir.File("g" + std::to_string(g) + ".slx");
    graphics.push_back(graphic);
  }
  std::vector<std::string> fresh;
  for (const SLXGraphic& g : graphics) {
    ASSERT_TRUE(ConvertSLXToSLP(g, slp_path, palette).ok());
    fresh.push_back(Written());
  }
  for (const std::vector<int>& order : {std::vector<int>{0, 1, 2}, std::vector<int>{2, 0, 1}}) {
    SLPRunEncoder encoder(palette);
    for (int g : order) {
      ASSERT_TRUE(ConvertSLXToSLP(graphics[size_t(g)], slp_path, encoder).ok());
      EXPECT_EQ(Written(), fresh[size_t(g)]) << "graphic " << g;
    }
  }
}

// Rows cut into runs of every length next to every other kind of run, at
// every width around the four pixels compared at once: decoding the coded
// frames gives back every data pixel, and the colour of every normal one.
TEST_F(SLPWriterTest, RandomRunsOfEveryKindAndLengthDecodeBack) {
  std::mt19937 random(1207);
  const ColourValue kinds[] = {kDataNormal, kDataTransparent, kDataShadow, kDataBlackOutline,
                               kDataPlayerOutline};
  std::vector<FrameBitmaps> frames;
  for (int32_t width = 1; width <= 70; ++width) {
    const int32_t height = 1 + width % 5;
    FrameBitmaps frame;
    ASSERT_TRUE(frame.Colour.Create(width, height));
    ASSERT_TRUE(frame.Data.Create(width, height));
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width;) {
        const ColourValue kind = kinds[random() % 5];
        const int32_t length = 1 + static_cast<int32_t>(random() % (random() % 2 ? 5 : 40));
        for (int32_t k = 0; k < length && x < width; ++k, ++x) {
          frame.Data.SetPixel(x, y, kind);
          frame.Colour.SetPixel(x, y, palette.Colour(static_cast<int>(random() % 256)));
        }
      }
    // The margins: transparent pixels from either end, as counted one by
    // one.
    for (int32_t y = 0; y < height; ++y) {
      int32_t left = 0, right = 0;
      while (left < width && frame.Data.GetPixel(left, y) == kDataTransparent) ++left;
      while (left < width && right < width - left &&
             frame.Data.GetPixel(width - 1 - right, y) == kDataTransparent)
        ++right;
      const SLPRowEdges edges = FindRowEdges(frame.Data, y);
      EXPECT_EQ(edges.Left, left) << width << ", row " << y;
      EXPECT_EQ(edges.Right, right) << width << ", row " << y;
    }
    frames.push_back(std::move(frame));
  }
  std::string bytes;
  ASSERT_TRUE(EncodeSLP(frames, palette, bytes).ok());
  SLPFile file(bytes);
  SLPHeader header;
  std::vector<SLPFrameInfo> infos;
  ASSERT_TRUE(ReadSLPHeader(file, header, infos).ok());
  ASSERT_EQ(infos.size(), frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    cDIBSection colour, data;
    ASSERT_TRUE(DecodeSLPFrame(file, infos[i], palette, colour, data).ok()) << i;
    for (int32_t y = 0; y < data.Height(); ++y)
      for (int32_t x = 0; x < data.Width(); ++x) {
        const ColourValue kind = frames[i].Data.GetPixel(x, y);
        ASSERT_EQ(data.GetPixel(x, y), kind) << "frame " << i << " at " << x << ", " << y;
        if (kind == kDataNormal) {
          ASSERT_EQ(colour.GetPixel(x, y), frames[i].Colour.GetPixel(x, y))
              << "frame " << i << " at " << x << ", " << y;
        }
      }
  }
}

TEST_F(SLPWriterTest, WideRowsWithoutRepeatsDecodeBackThroughSplitCopies) {
  const std::vector<uint8_t> distinct = test::DistinctIndices();
  std::vector<ColourValue> colours;
  for (size_t x = 0; x < 5000; ++x)
    colours.push_back(palette.Colour(distinct[x % distinct.size()]));
  AddFrame({colours}, {Repeat(kWhite, 5000)});
  ASSERT_TRUE(Convert()) << status.message();
  SLPFile file;
  SLPHeader header;
  std::vector<SLPFrameInfo> frames;
  ASSERT_TRUE(ReadSLPHeader(slp_path, file, header, frames).ok());
  cDIBSection colour, data;
  ASSERT_TRUE(DecodeSLPFrame(file, frames[0], palette, colour, data).ok());
  EXPECT_EQ(RowColours(colour, 0), colours);
  EXPECT_EQ(RowColours(data, 0), Repeat(kWhite, 5000));
}

TEST_F(SLPWriterTest, ThousandsOfFramesGetTheirOwnTablesAndRows) {
  // Every frame names the same two bitmaps: 3000 frames of 2 x 3 pixels.
  AddFrame({{palette.Colour(1), 0}, {0, 0}, {palette.Colour(2), palette.Colour(2)}},
           {{kWhite, kRed}, {kMagenta, kMagenta}, {kWhite, kWhite}});
  graphic.Frames.assign(3000, graphic.Frames[0]);
  graphic.FrameCount = 3000;
  for (int32_t i = 1; i <= 3000; ++i) graphic.Frame(i).CenterX = i;
  ASSERT_TRUE(Convert()) << status.message();
  const std::string slp = Written();
  // Tables: 3000 x 12 bytes of edges, then 3000 x 12 of offsets; each frame's
  // rows take 4 + 1 + 4 bytes.
  const uint32_t edges = 32 + 32 * 3000, tables = edges + 12 * 3000, rows = tables + 12 * 3000;
  EXPECT_EQ(slp.size(), rows + 9u * 3000u);
  for (int i : {1, 2, 1500, 3000}) {
    const size_t record = 32 + 32 * static_cast<size_t>(i - 1);
    EXPECT_EQ(GetU32(slp, record + 4), edges + 12u * (i - 1)) << i;
    EXPECT_EQ(GetU32(slp, record), tables + 12u * (i - 1)) << i;
    EXPECT_EQ(GetI32(slp, record + 24), i);
    EXPECT_EQ(GetU32(slp, tables + 12u * (i - 1)), rows + 9u * (i - 1)) << i;
    EXPECT_EQ(RowBytes(slp, i, 0), Bytes({0x04, 1, 0x1B, 0x0F}));
    EXPECT_EQ(RowBytes(slp, i, 1), Bytes({0x0F}));
    EXPECT_EQ(RowBytes(slp, i, 2), Bytes({0x08, 2, 2, 0x0F}));
  }
}

TEST_F(SLPWriterTest, ZeroFramesGiveTheHeaderAlone) {
  ASSERT_TRUE(Convert()) << status.message();
  EXPECT_EQ(Written().size(), 32u);
  EXPECT_EQ(GetI32(Written(), 4), 0);
}

// --- Progress --------------------------------------------------------------------

TEST_F(SLPWriterTest, ProgressNamesEachFrameWithTheFractionDoneBeforeIt) {
  for (int i = 0; i < 4; ++i) AddDataFrame({{kRed}});
  std::vector<ProgressStep> heard;
  graphic.Path = dir.File("graphic.slx");
  ASSERT_TRUE(ConvertSLXToSLP(graphic, slp_path, palette, [&](const ProgressStep& step) {
                heard.push_back(step);
              }).ok());
  ASSERT_EQ(heard.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(heard[i].caption, "Converting frame " + std::to_string(i + 1));
    EXPECT_EQ(heard[i].step, i + 1);
    EXPECT_EQ(heard[i].total, 4);
    EXPECT_DOUBLE_EQ(heard[i].Fraction(), i / 4.0);
  }
}

// --- Failures --------------------------------------------------------------------

// A bitmap of one row, width pixels wide.
cDIBSection OneRow(int32_t width) {
  cDIBSection row;
  EXPECT_TRUE(row.Create(width, 1));
  return row;
}

// Long runs are scanned several bytes at a time: a run of normal pixels
// must end at the first pixel that differs from it in any one byte, at any
// place in a row of any width, and no later. A colour outside the six
// makes coding stop there, so the fault gives where the run ended.
TEST_F(SLPWriterTest, ALongRunEndsAtThePixelThatDiffersInAnyOneByte) {
  SLPRunEncoder encoder(palette);
  SLPEncodedFrame encoded;
  for (int32_t width = 1; width <= 90; ++width) {
    cDIBSection colour = OneRow(width), data = OneRow(width);
    for (int32_t at = 0; at < width; ++at) {
      for (int channel = 0; channel < 3; ++channel) {
        data.Fill(kDataNormal);
        // White with one channel lowered by one.
        data.SetPixel(at, 0, RGBColour(channel == 0 ? 254 : 255, channel == 1 ? 254 : 255,
                                       channel == 2 ? 254 : 255));
        SLPRunFault fault;
        ASSERT_FALSE(EncodeSLPFrame(colour, data, encoder, encoded, fault))
            << width << " wide, at " << at << ", channel " << channel;
        EXPECT_EQ(fault.x, at) << width << " wide, channel " << channel;
        EXPECT_EQ(fault.length, 1) << width << " wide, at " << at << ", channel " << channel;
        EXPECT_EQ(fault.last_run_of_row, at == width - 1) << width << " wide, at " << at;
      }
    }
    // A row of one run to its end codes as one.
    data.Fill(kDataNormal);
    SLPRunFault fault;
    ASSERT_TRUE(EncodeSLPFrame(colour, data, encoder, encoded, fault)) << width;
  }
}

// ... and no sooner: two long runs whose data colours differ in one byte
// (blue, green or red) code as those two runs, whatever their lengths.
TEST_F(SLPWriterTest, TwoLongRunsDifferingInOneByteCodeAsTwoRuns) {
  const std::pair<ColourValue, ColourValue> pairs[] = {
      {kDataNormal, kDataBlackOutline},  // white and yellow: blue differs
      {kDataBlackOutline, kDataShadow},  // yellow and red: green differs
      {kDataBlackOutline, kDataPlayer},  // yellow and green: red differs
      {kDataPlayer, kDataBlackOutline}};
  std::mt19937 random(77);
  SLPRunEncoder encoder(palette);
  SLPEncodedFrame encoded;
  for (int32_t width = 2; width <= 80; ++width) {
    cDIBSection colour = OneRow(width), data = OneRow(width);
    for (int32_t x = 0; x < width; ++x)
      colour.SetPixel(x, 0, palette.Colour(static_cast<int>(random() % 256)));
    for (const auto& [first, second] : pairs) {
      for (int32_t split = 1; split < width; ++split) {
        for (int32_t x = 0; x < width; ++x) data.SetPixel(x, 0, x < split ? first : second);
        SLPRunFault fault;
        ASSERT_TRUE(EncodeSLPFrame(colour, data, encoder, encoded, fault));
        SLPBytes expected = EncodeRun(colour, 0, 0, split, first, palette);
        const SLPBytes rest = EncodeRun(colour, split, 0, width - split, second, palette);
        expected.insert(expected.end(), rest.begin(), rest.end());
        expected.push_back(0x0F);
        ASSERT_EQ(encoded.commands, expected) << width << " wide, split at " << split;
      }
    }
  }
}

TEST_F(SLPWriterTest, ADataColourOutsideTheSixIsReportedByWhereItsRunEnds) {
  const ColourValue grey = RGBColour(128, 128, 128);
  AddDataFrame({{grey, kRed}});
  EXPECT_FALSE(Convert());
  EXPECT_EQ(status.Headline(), "Error converting frame to SLP!");
  EXPECT_NE(status.message().find("128 128 128"), std::string::npos) << status.message();

  graphic = SLXGraphic{};
  AddDataFrame({{kRed, grey}});
  EXPECT_FALSE(Convert());
  EXPECT_EQ(status.Headline(), "Error converting frame 1 to SLP!");

  graphic = SLXGraphic{};
  AddDataFrame({{kRed}});
  AddDataFrame({{kRed, kRed}, {kWhite, grey}});
  EXPECT_FALSE(Convert());
  EXPECT_EQ(status.Headline(), "Error converting frame 2 to SLP!");
  EXPECT_FALSE(fs::exists(slp_path));
}

TEST_F(SLPWriterTest, ATransparentGapOf4096CannotBeCoded) {
  std::vector<ColourValue> row = Join(Join({kRed}, Repeat(kMagenta, 4096)), {kRed});
  AddDataFrame({row});
  EXPECT_FALSE(Convert());
  EXPECT_EQ(status.Headline(), "Error converting frame to SLP!");

  graphic = SLXGraphic{};
  row = Join(Join({kRed}, Repeat(kMagenta, 4095)), {kRed});
  AddDataFrame({row});
  EXPECT_TRUE(Convert()) << status.message();
  EXPECT_EQ(RowBytes(Written(), 1, 0), Bytes({0x1B, 0xF3, 0xFF, 0x1B, 0x0F}));
}

TEST_F(SLPWriterTest, MismatchedBitmapsStopTheConversionBeforeAnyRow) {
  AddDataFrame({{kRed}});
  AddFrame(std::vector<std::vector<ColourValue>>(11, Repeat(0, 10)),
           std::vector<std::vector<ColourValue>>(10, Repeat(kWhite, 10)));
  int progress_calls = 0;
  graphic.Path = dir.File("graphic.slx");
  status = ConvertSLXToSLP(graphic, slp_path, palette,
                           [&](const ProgressStep&) { ++progress_calls; });
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.Headline(), "Error in frame 2: colour and data bitmap files do not match!");
  EXPECT_EQ(progress_calls, 0);
  EXPECT_FALSE(fs::exists(slp_path));
}

TEST_F(SLPWriterTest, TenByTenDataWithTenByElevenColourNamesFrameOne) {
  AddFrame(std::vector<std::vector<ColourValue>>(11, Repeat(0, 10)),
           std::vector<std::vector<ColourValue>>(10, Repeat(kWhite, 10)));
  EXPECT_FALSE(Convert());
  EXPECT_EQ(status.Headline(), "Error in frame 1: colour and data bitmap files do not match!");
}

TEST_F(SLPWriterTest, AFrameTooLargeToReadBackIsRefused) {
  // One pixel more than the reader takes; written straight as bitmaps.
  graphic.Path = dir.File("graphic.slx");
  graphic.FrameCount = 1;
  graphic.Frames = {SLXFrame{"big.bmp", "bigd.bmp", 0, 0}};
  cDIBSection big;
  ASSERT_TRUE(big.Create(8193, 2049));
  ASSERT_GT(int64_t{8193} * 2049, kMaxSLPFramePixels);
  ASSERT_TRUE(big.SavePicture(dir.File("big.bmp")).ok());
  big.Fill(kWhite);
  ASSERT_TRUE(big.SavePicture(dir.File("bigd.bmp")).ok());
  big.ClearUp();
  status = ConvertSLXToSLP(graphic, slp_path, palette);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.Headline(), "Error in frame 1: the frame is too large for an SLP!");
  EXPECT_NE(status.message().find("bigd.bmp"), std::string::npos) << status.message();
  EXPECT_FALSE(fs::exists(slp_path));
}

TEST_F(SLPWriterTest, MissingBitmapIsReportedAndNamed) {
  AddDataFrame({{kRed}});
  AddDataFrame({{kRed}});
  fs::remove(dir.File(graphic.Frame(2).DataFile));
  EXPECT_FALSE(Convert());
  EXPECT_EQ(status.Headline(),
            "ERROR: Unable to find all BMPs from the SLX! SLP will be corrupted...");
  EXPECT_NE(status.message().find("f_002d.bmp"), std::string::npos) << status.message();
  EXPECT_FALSE(fs::exists(slp_path));
}

TEST_F(SLPWriterTest, ABitmapThatIsNotABMPIsReportedAndNamed) {
  AddDataFrame({{kRed}});
  test::WriteFileBytes(dir.File(graphic.Frame(1).ColourFile), "this is no picture");
  EXPECT_FALSE(Convert());
  EXPECT_NE(status.message().find("f_001.bmp"), std::string::npos) << status.message();
  EXPECT_FALSE(fs::exists(slp_path));
}

TEST_F(SLPWriterTest, AFailedConversionKeepsTheSLPThatWasThere) {
  test::WriteFileBytes(slp_path, "a good old SLP");
  AddDataFrame({{RGBColour(1, 2, 3)}});
  const std::set<std::string> before = FilesInDir();
  EXPECT_FALSE(Convert());
  EXPECT_EQ(test::ReadFileBytes(slp_path), "a good old SLP");
  EXPECT_EQ(FilesInDir(), before);
}

TEST_F(SLPWriterTest, AnUnwritableDestinationIsReported) {
  AddDataFrame({{kRed}});
  fs::create_directory(slp_path);
  EXPECT_FALSE(Convert());
  EXPECT_NE(status.message().find("out.slp"), std::string::npos) << status.message();
}

TEST_F(SLPWriterTest, AFrameCountAboveTheListedFramesIsRefused) {
  AddDataFrame({{kRed}});
  graphic.FrameCount = 2;
  EXPECT_FALSE(Convert());
  EXPECT_FALSE(status.message().empty());
  EXPECT_FALSE(fs::exists(slp_path));
}

// --- Frame coding in memory ----------------------------------------------------------

TEST_F(SLPWriterTest, FrameEncoderGivesEdgesRowOffsetsAndFaults) {
  cDIBSection colour = BitmapOf({{0, 0, 0}, {0, 0, 0}});
  cDIBSection data = BitmapOf({{kMagenta, kRed, kMagenta}, {kRed, kRed, kRed}});
  SLPEncodedFrame frame;
  SLPRunFault fault;
  SLPRunEncoder encoder(palette);
  ASSERT_TRUE(EncodeSLPFrame(colour, data, encoder, frame, fault));
  ASSERT_EQ(frame.edges.size(), 2u);
  EXPECT_EQ(frame.edges[0].Left, 1);
  EXPECT_EQ(frame.edges[0].Right, 1);
  EXPECT_EQ(frame.row_offsets, (std::vector<uint32_t>{0, 2}));
  EXPECT_EQ(frame.commands, (std::vector<uint8_t>{0x1B, 0x0F, 0x3B, 0x0F}));

  data.SetPixel(0, 1, RGBColour(9, 9, 9));
  ASSERT_FALSE(EncodeSLPFrame(colour, data, encoder, frame, fault));
  EXPECT_FALSE(fault.last_run_of_row);
  EXPECT_EQ(fault.y, 1);
  EXPECT_EQ(fault.x, 0);
  EXPECT_EQ(fault.length, 1);
  EXPECT_EQ(fault.data_colour, RGBColour(9, 9, 9));
}

// --- Frames in memory ---------------------------------------------------------------

TEST_F(SLPWriterTest, FramesInMemoryGiveTheBytesOfTheSameFramesAsFiles) {
  const ColourValue c1 = palette.Colour(1), c2 = palette.Colour(2), p = palette.Colour(18);
  AddFrame({{c1, c1, c1, c1, c2, p, p, 0, 0}},
           {{kWhite, kWhite, kWhite, kWhite, kWhite, kGreen, kGreen, kRed, kRed}}, 7, -2);
  AddDataFrame({{kRed, kRed}, {kMagenta, kMagenta}, {kRed, kMagenta}});
  std::vector<ColourValue> outline_row = Repeat(kMagenta, 10);
  outline_row[1] = kYellow;
  outline_row[8] = kBlue;
  AddFrame({Repeat(palette.Colour(40), 10), Repeat(0, 10)},
           {Repeat(kWhite, 10), outline_row}, -300, 4000);
  ASSERT_TRUE(Convert()) << status.message();
  const std::string from_files = Written();

  std::string bytes = "left over";
  std::vector<ProgressStep> heard;
  status = EncodeSLP(in_memory, palette, bytes,
                     [&](const ProgressStep& step) { heard.push_back(step); });
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(bytes, from_files);
  EXPECT_EQ(GetI32(bytes, 64 + 32 + 24), -300);
  EXPECT_EQ(GetI32(bytes, 64 + 32 + 28), 4000);
  ASSERT_EQ(heard.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(heard[i].caption, "Converting frame " + std::to_string(i + 1));
    EXPECT_EQ(heard[i].step, i + 1);
    EXPECT_EQ(heard[i].total, 3);
  }
  // Written to a file, row by row: the same bytes again.
  const std::string written_path = dir.File("written.slp");
  status = WriteSLP(in_memory, palette, written_path);
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(test::ReadFileBytes(written_path), from_files);

  // No frames: the header alone, as for a graphic of none.
  graphic = SLXGraphic{};
  ASSERT_TRUE(Convert()) << status.message();
  status = EncodeSLP(std::vector<FrameBitmaps>{}, palette, bytes);
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(bytes, Written());
  EXPECT_EQ(bytes.size(), 32u);
}

TEST_F(SLPWriterTest, FramesInMemoryThatCannotBeCodedNameTheirFrame) {
  AddDataFrame({{kRed}});
  AddFrame(std::vector<std::vector<ColourValue>>(11, Repeat(0, 10)),
           std::vector<std::vector<ColourValue>>(10, Repeat(kWhite, 10)));
  std::string bytes = "left over";
  status = EncodeSLP(in_memory, palette, bytes);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.Headline(), "Error in frame 2: colour and data bitmap files do not match!");
  EXPECT_NE(status.message().find("10 x 11"), std::string::npos) << status.message();
  EXPECT_NE(status.message().find("10 x 10"), std::string::npos) << status.message();
  EXPECT_TRUE(bytes.empty());

  // A run that cannot be coded names the frame in the detail.
  in_memory[1].Colour = BitmapOf({{0, 0}});
  in_memory[1].Data = BitmapOf({{RGBColour(128, 128, 128), kRed}});
  bytes = "left over";
  status = EncodeSLP(in_memory, palette, bytes);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.Headline(), "Error converting frame to SLP!");
  EXPECT_NE(status.message().find("frame 2"), std::string::npos) << status.message();
  EXPECT_NE(status.message().find("128 128 128"), std::string::npos) << status.message();
  EXPECT_TRUE(bytes.empty());

  // Written to a file, the same failure keeps the SLP that was there.
  test::WriteFileBytes(slp_path, "a good old SLP");
  const std::set<std::string> before = FilesInDir();
  status = WriteSLP(in_memory, palette, slp_path);
  EXPECT_EQ(status.Headline(), "Error converting frame to SLP!");
  EXPECT_EQ(test::ReadFileBytes(slp_path), "a good old SLP");
  EXPECT_EQ(FilesInDir(), before);
}

// --- What the writer writes, the reader reads ------------------------------------

TEST_F(SLPWriterTest, NoSLPFileLargerThanTheReaderOpensIsWritten) {
  // Frames of no width and the greatest height: their row tables alone
  // (eight bytes a row) pass the largest SLP file the reader opens, so the
  // writer refuses before it codes a row.
  FrameBitmaps tall;
  ASSERT_TRUE(tall.Colour.Create(0, cDIBSection::kMaxDimension));
  ASSERT_TRUE(tall.Data.Create(0, cDIBSection::kMaxDimension));
  const uint64_t per_frame = 32 + 8 * static_cast<uint64_t>(cDIBSection::kMaxDimension);
  const size_t too_many = static_cast<size_t>(kMaxSLPFileBytes / per_frame + 1);
  std::vector<FrameBitmaps> frames(too_many, tall);
  std::string bytes = "left over";
  status = EncodeSLP(frames, palette, bytes);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.Headline(), "Error converting frame to SLP!");
  EXPECT_NE(status.message().find("256 MB"), std::string::npos) << status.message();
  EXPECT_TRUE(bytes.empty());
  // The reader opens a file of just that size, and no larger.
  std::string head = std::string("2.0N", 4) + std::string(28, '\0');
  test::WriteFileBytes(slp_path, head);
  std::filesystem::resize_file(slp_path, kMaxSLPFileBytes);
  SLPFile file;
  EXPECT_TRUE(file.Open(slp_path).ok());
  file.Close();
  std::filesystem::resize_file(slp_path, kMaxSLPFileBytes + 1);
  EXPECT_FALSE(file.Open(slp_path).ok());
}

// --- Icons -------------------------------------------------------------------------

class IconTest : public SLPWriterTest {};

TEST_F(IconTest, ThreeByTwoOfOneIndexIsTwoCopiedRows) {
  ASSERT_TRUE(test::FilledBitmap(3, 2, palette.Colour(7)).SavePicture(dir.File("icon.bmp")).ok());
  ASSERT_TRUE(ConvertBMPToIcon(dir.File("icon.bmp"), dir.File("icon.dat"), 773, palette).ok());
  std::string expected;
  for (uint32_t v : {773u, 3u, 2u, 0u, 5u}) test::PutU32(expected, v);
  expected += Bytes({0x0C, 7, 7, 7, 0x0F, 0x0C, 7, 7, 7, 0x0F});
  EXPECT_EQ(test::ReadFileBytes(dir.File("icon.dat")), expected);
}

TEST_F(IconTest, RowsAreCodedAsNormalPixelsWithoutTransparency) {
  cDIBSection bitmap;
  bitmap.Create(5, 2);
  bitmap.Fill(kMagenta);
  for (int x = 0; x < 5; ++x) bitmap.SetPixel(x, 1, palette.Colour(x < 4 ? 9 : 1));
  ASSERT_TRUE(bitmap.SavePicture(dir.File("icon.bmp")).ok());
  ASSERT_TRUE(ConvertBMPToIcon(dir.File("icon.bmp"), dir.File("icon.dat"), -1, palette).ok());
  const std::string icon = test::ReadFileBytes(dir.File("icon.dat"));
  const uint8_t magenta = palette.Nearest(kMagenta);
  EXPECT_EQ(GetI32(icon, 0), -1);
  EXPECT_EQ(GetU32(icon, 12), 0u);
  EXPECT_EQ(GetU32(icon, 16), 3u);
  EXPECT_EQ(icon.substr(20), Bytes({0x57, magenta, 0x0F, 0x47, 9, 0x04, 1, 0x0F}));
}

TEST_F(IconTest, AnIconThatCannotBeReadLeavesTheOldOutput) {
  test::WriteFileBytes(dir.File("icon.dat"), "old");
  status = ConvertBMPToIcon(dir.File("missing.bmp"), dir.File("icon.dat"), 0, palette);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.Headline(), "Error converting icon!");
  EXPECT_NE(status.message().find("missing.bmp"), std::string::npos) << status.message();
  EXPECT_EQ(test::ReadFileBytes(dir.File("icon.dat")), "old");
}

// --- Real files: SLP -> SLX -> SLP -> decoded again -----------------------------------

class RoundTripTest : public SLPWriterTest {
 protected:
  struct Decoded {
    std::vector<SLPFrameInfo> frames;
    std::vector<cDIBSection> colour, data;
  };

  static Decoded DecodeAll(const std::string& path, const Palette& through) {
    Decoded out;
    SLPFile file;
    SLPHeader header;
    Status read = ReadSLPHeader(path, file, header, out.frames);
    EXPECT_TRUE(read.ok()) << read.message();
    for (const SLPFrameInfo& f : out.frames) {
      cDIBSection colour, data;
      Status decoded = DecodeSLPFrame(file, f, through, colour, data);
      EXPECT_TRUE(decoded.ok()) << decoded.message();
      out.colour.push_back(std::move(colour));
      out.data.push_back(std::move(data));
    }
    return out;
  }

  // Decodes the sample with its palette, converts it to SLX and back to SLP
  // through the built-in palette (as the editor does) and decodes that again.
  void RoundTrip(const std::string& name, Decoded& first, Decoded& second) {
    Palette sample_palette;
    ASSERT_TRUE(LoadPalette(test::SamplesDir() + name + ".pal", sample_palette).ok());
    const std::string source = test::SamplesDir() + name + ".slp";
    first = DecodeAll(source, sample_palette);
    ASSERT_TRUE(ConvertSLPToSLX(source, dir.File(name + ".slx"), sample_palette).ok());
    SLXGraphic loaded;
    ASSERT_TRUE(LoadSLX(dir.File(name + ".slx"), loaded).ok());
    status = ConvertSLXToSLP(loaded, slp_path, Palette::BuiltIn());
    ASSERT_TRUE(status.ok()) << status.message();
    second = DecodeAll(slp_path, Palette::BuiltIn());
    ASSERT_EQ(first.frames.size(), second.frames.size());
    for (size_t i = 0; i < first.frames.size(); ++i) {
      EXPECT_EQ(second.frames[i].Width, first.frames[i].Width);
      EXPECT_EQ(second.frames[i].Height, first.frames[i].Height);
      EXPECT_EQ(second.frames[i].HotSpotX, first.frames[i].HotSpotX);
      EXPECT_EQ(second.frames[i].HotSpotY, first.frames[i].HotSpotY);
    }
  }

  static bool SamePixels(const cDIBSection& a, const cDIBSection& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           std::equal(a.DIBSectionBitsPtr(), a.DIBSectionBitsPtr() + a.ImageSize(),
                      b.DIBSectionBitsPtr());
  }
};

TEST_F(RoundTripTest, UnitFramesComeBackPixelForPixel) {
  ZORV_REQUIRE_SAMPLES();
  Decoded first, second;
  RoundTrip("unit", first, second);
  // unit.pal is the built-in palette, so colours compare directly.
  for (size_t i = 0; i < first.frames.size(); ++i) {
    EXPECT_TRUE(SamePixels(first.data[i], second.data[i])) << "data of frame " << i + 1;
    EXPECT_TRUE(SamePixels(first.colour[i], second.colour[i])) << "colour of frame " << i + 1;
  }
}

TEST_F(RoundTripTest, ScreenComesBackThroughTheBuiltInPalette) {
  ZORV_REQUIRE_SAMPLES();
  Decoded first, second;
  RoundTrip("screen", first, second);
  ASSERT_EQ(first.frames.size(), 1u);
  EXPECT_TRUE(SamePixels(first.data[0], second.data[0]));
  // Each pixel was coded as the built-in entry nearest to its screen colour,
  // so decoding gives that entry's colour; where the screen palette holds a
  // built-in colour it is the very same colour.
  const cDIBSection& before = first.colour[0];
  const cDIBSection& after = second.colour[0];
  size_t unchanged = 0;
  for (int32_t y = 0; y < before.Height(); ++y) {
    for (int32_t x = 0; x < before.Width(); ++x) {
      const ColourValue c = before.GetPixel(x, y);
      const ColourValue expected = palette.Colour(palette.Nearest(c));
      ASSERT_EQ(after.GetPixel(x, y), expected) << x << "," << y;
      unchanged += expected == c;
    }
  }
  EXPECT_GT(unchanged, 0u);
}

}  // namespace
}  // namespace zorv
