// Building SLP files and frame bitmaps for the codec tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec/DIBSection.h"
#include "codec/Palettes.h"
#include "codec/SLPReader.h"
#include "codec/SLX.h"
#include "tests/support/TestSupport.h"

namespace zorv::test {

// The data colours by the names the byte-level tests use.
constexpr ColourValue kMagenta = kDataTransparent, kWhite = kDataNormal,
                      kGreen = kDataPlayer, kRed = kDataShadow,
                      kBlue = kDataPlayerOutline, kYellow = kDataBlackOutline;

struct TestRow {
  int16_t left = 0;
  int16_t right = 0;
  std::vector<uint8_t> commands;  // the row's bytes, end-of-row byte included
};

struct TestFrame {
  int32_t width = 0;
  int32_t height = 0;
  int32_t hot_x = 0;
  int32_t hot_y = 0;
  std::vector<TestRow> rows;
};

// An SLP file in the usual layout: header, frame table, all edge tables,
// all command offset tables, all rows.
inline std::string BuildSLP(const std::vector<TestFrame>& frames) {
  std::string header = "2.0N";
  PutU32(header, static_cast<uint32_t>(frames.size()));
  header += std::string("test file") + std::string(15, '\0');
  uint32_t pos = 32 + 32 * static_cast<uint32_t>(frames.size());
  std::vector<uint32_t> edge_at, table_at;
  for (const auto& f : frames) {
    edge_at.push_back(pos);
    pos += 4 * static_cast<uint32_t>(f.rows.size());
  }
  for (const auto& f : frames) {
    table_at.push_back(pos);
    pos += 4 * static_cast<uint32_t>(f.rows.size());
  }
  std::string table, edges, offsets, rows;
  for (size_t i = 0; i < frames.size(); ++i) {
    const TestFrame& f = frames[i];
    for (uint32_t v : {table_at[i], edge_at[i], 0u, 24u, static_cast<uint32_t>(f.width),
                       static_cast<uint32_t>(f.height), static_cast<uint32_t>(f.hot_x),
                       static_cast<uint32_t>(f.hot_y)})
      PutU32(table, v);
    for (const TestRow& row : f.rows) {
      PutU16(edges, static_cast<uint16_t>(row.left));
      PutU16(edges, static_cast<uint16_t>(row.right));
    }
  }
  for (const auto& f : frames) {
    for (const TestRow& row : f.rows) {
      PutU32(offsets, pos + static_cast<uint32_t>(rows.size()));
      rows.append(row.commands.begin(), row.commands.end());
    }
  }
  return header + table + edges + offsets + rows;
}

// A one-row frame of the given width.
inline TestFrame OneRowFrame(int32_t width, int16_t left, int16_t right,
                             std::vector<uint8_t> commands) {
  TestFrame f;
  f.width = width;
  f.height = 1;
  f.rows.push_back(TestRow{left, right, std::move(commands)});
  return f;
}

inline cDIBSection FilledBitmap(int32_t width, int32_t height, ColourValue colour) {
  cDIBSection bitmap;
  bitmap.Create(width, height);
  bitmap.Fill(colour);
  return bitmap;
}

// Palette indices that are the first of their colour in the built-in
// palette, so a pixel of that colour maps back to the same index.
inline std::vector<uint8_t> DistinctIndices() {
  const Palette& palette = Palette::BuiltIn();
  std::vector<uint8_t> indices;
  for (int i = 0; i < 256; ++i)
    if (palette.Nearest(palette.Colour(i)) == i) indices.push_back(static_cast<uint8_t>(i));
  return indices;
}

inline std::vector<ColourValue> RowColours(const cDIBSection& bitmap, int32_t y) {
  std::vector<ColourValue> row;
  for (int32_t x = 0; x < bitmap.Width(); ++x) row.push_back(bitmap.GetPixel(x, y));
  return row;
}

inline std::vector<ColourValue> Repeat(ColourValue colour, size_t n) {
  return std::vector<ColourValue>(n, colour);
}

inline std::vector<ColourValue> Join(std::vector<ColourValue> a,
                                     const std::vector<ColourValue>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace zorv::test
