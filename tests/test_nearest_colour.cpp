// The nearest-colour search, alone and through a job's matcher, against
// the two plain passes over all 256 entries: the same index for every
// colour, ties between equally distant entries included.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "codec/Palettes.h"
#include "tests/support/TestSupport.h"

namespace zorv {
namespace {

// The rule itself: the lowest index holding v; else the lowest index at
// the smallest squared distance, found by a strict comparison from 200000.
int PlainNearest(const PaletteTable& palette, ColourValue v) {
  for (int i = 0; i < 256; ++i)
    if (palette[i] == v) return i;
  static const std::array<int32_t, 256> squares = [] {
    std::array<int32_t, 256> table{};
    for (int n = 0; n < 256; ++n) table[n] = n * n;
    return table;
  }();
  auto distance = [](ColourValue a, ColourValue b) {
    return squares[std::abs(RedOf(a) - RedOf(b))] + squares[std::abs(GreenOf(a) - GreenOf(b))] +
           squares[std::abs(BlueOf(a) - BlueOf(b))];
  };
  int32_t best = 200000;
  int result = 0;
  for (int i = 0; i < 256; ++i) {
    const int32_t d = distance(v, palette[i]);
    if (d < best) {
      best = d;
      result = i;
    }
  }
  return result;
}

// How many entries share the smallest distance from v (2 or more: a tie).
int EntriesAtSmallestDistance(const PaletteTable& palette, ColourValue v) {
  int32_t best = INT32_MAX;
  int count = 0;
  for (ColourValue c : palette) {
    const int32_t d = ColourDistance(v, c);
    if (d < best) {
      best = d;
      count = 0;
    }
    if (d == best) ++count;
  }
  return count;
}

uint32_t NextRandom(uint32_t& seed) {
  seed = seed * 1664525u + 1013904223u;
  return seed;
}

ColourValue RandomColour(uint32_t& seed) {
  return static_cast<ColourValue>((NextRandom(seed) >> 8) & 0xFFFFFF);
}

ColourValue ClampedColour(int red, int green, int blue) {
  auto clamp = [](int c) { return std::clamp(c, 0, 255); };
  return RGBColour(clamp(red), clamp(green), clamp(blue));
}

// Colours made to lie on borders and next to entries: every entry, its
// neighbours one and two steps away on each axis, and the midpoint of every
// pair of distinct entries whose midpoint is a whole colour (as far from
// one as from the other).
std::vector<ColourValue> CraftedColours(const PaletteTable& palette) {
  std::vector<ColourValue> colours;
  for (ColourValue c : palette) {
    const int r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
    for (int dr = -2; dr <= 2; ++dr)
      for (int dg = -2; dg <= 2; ++dg)
        for (int db = -2; db <= 2; ++db) colours.push_back(ClampedColour(r + dr, g + dg, b + db));
  }
  for (int i = 0; i < 256; ++i)
    for (int j = i + 1; j < 256; ++j) {
      const ColourValue a = palette[i], b = palette[j];
      const int r = RedOf(a) + RedOf(b), g = GreenOf(a) + GreenOf(b), bl = BlueOf(a) + BlueOf(b);
      if (a != b && r % 2 == 0 && g % 2 == 0 && bl % 2 == 0)
        colours.push_back(RGBColour(r / 2, g / 2, bl / 2));
    }
  return colours;
}

// The colours as a 24-bit bitmap row stores them: blue, green, red.
std::vector<uint8_t> AsPixels(const std::vector<ColourValue>& colours) {
  std::vector<uint8_t> pixels;
  pixels.reserve(3 * colours.size());
  for (ColourValue v : colours) {
    pixels.push_back(static_cast<uint8_t>(BlueOf(v)));
    pixels.push_back(static_cast<uint8_t>(GreenOf(v)));
    pixels.push_back(static_cast<uint8_t>(RedOf(v)));
  }
  return pixels;
}

// Checks every colour four ways: the palette's search, a fresh matcher
// asked one colour at a time, the matcher asked again (answering from what
// it keeps), and a second fresh matcher given all the colours as one row
// of pixels, twice. Returns how many of the colours were ties.
int ExpectPlainAnswers(const Palette& palette, const std::vector<ColourValue>& colours,
                       const std::string& what) {
  PaletteMatcher matcher(palette);
  PaletteMatcher row_matcher(palette);
  const std::vector<uint8_t> pixels = AsPixels(colours);
  std::vector<uint8_t> row_indices(colours.size());
  int ties = 0;
  for (int pass = 0; pass < 2; ++pass) {
    row_matcher.NearestOfPixels(pixels.data(), colours.size(), row_indices.data());
    for (size_t k = 0; k < colours.size(); ++k) {
      const ColourValue v = colours[k];
      const int expected = PlainNearest(palette.Colours(), v);
      if (NearestPaletteIndex(palette, v) != expected || matcher.Nearest(v) != expected ||
          row_indices[k] != expected) {
        ADD_FAILURE() << what << ": colour " << RedOf(v) << " " << GreenOf(v) << " "
                      << BlueOf(v) << " should give " << expected << ", the palette gives "
                      << int{NearestPaletteIndex(palette, v)} << ", the matcher "
                      << int{matcher.Nearest(v)} << ", the matcher's row "
                      << int{row_indices[k]} << (pass ? " (asked again)" : "");
        return ties;
      }
      if (pass == 0 && EntriesAtSmallestDistance(palette.Colours(), v) > 1) ++ties;
    }
  }
  return ties;
}

std::vector<ColourValue> RandomColours(size_t n, uint32_t seed) {
  std::vector<ColourValue> colours(n);
  for (auto& c : colours) c = RandomColour(seed);
  return colours;
}

// The built-in palette with near-duplicates and exact repeats: entries one
// step apart, repeats above and below their first index, and a crowd of
// entries all at the same distance from one colour.
PaletteTable CrowdedPalette() {
  PaletteTable table = Palette::BuiltIn().Colours();
  for (int i = 0; i < 40; ++i) {
    const ColourValue c = table[i + 100];
    table[i + 140] = ClampedColour(RedOf(c) + (i % 3 == 0), GreenOf(c) + (i % 3 == 1),
                                   BlueOf(c) + (i % 3 == 2));
  }
  table[5] = table[250];  // a repeat below its twin
  table[251] = table[6];  // and above
  // Entries at squared distance 50 from (120, 130, 140), in every direction
  // that has one: (0, 1, 7), (0, 5, 5) and (3, 4, 5) with signs and orders.
  std::vector<std::array<int, 3>> steps;
  for (int r = -7; r <= 7; ++r)
    for (int g = -7; g <= 7; ++g)
      for (int b = -7; b <= 7; ++b)
        if (r * r + g * g + b * b == 50) steps.push_back({r, g, b});
  for (size_t k = 0; k < steps.size() && k < 60; ++k)
    table[180 + k % 60] = RGBColour(120 + steps[k][0], 130 + steps[k][1], 140 + steps[k][2]);
  return table;
}

TEST(NearestColour, AgreesWithThePlainRuleOnTheBuiltInPalette) {
  const Palette& palette = Palette::BuiltIn();
  ExpectPlainAnswers(palette, RandomColours(1'000'000, 2024), "built-in, random");
  const int ties = ExpectPlainAnswers(palette, CraftedColours(palette.Colours()), "built-in, crafted");
  EXPECT_GT(ties, 200) << "the crafted colours should hold many ties";
}

TEST(NearestColour, MatcherAgreesWithThePalettesSearchOnEveryColour) {
  // Every colour of the cube, a row of blue values at a time, so that the
  // matcher works out the answers of every one of its small cubes. The
  // palette's search is held to the plain rule above.
  const Palette& palette = Palette::BuiltIn();
  PaletteMatcher matcher(palette);
  std::vector<ColourValue> row(256);
  std::vector<uint8_t> indices(256);
  int wrong = 0;
  for (int red = 0; red < 256 && wrong == 0; ++red)
    for (int green = 0; green < 256 && wrong == 0; ++green) {
      for (int blue = 0; blue < 256; ++blue) row[blue] = RGBColour(red, green, blue);
      const std::vector<uint8_t> pixels = AsPixels(row);
      matcher.NearestOfPixels(pixels.data(), row.size(), indices.data());
      for (int blue = 0; blue < 256; ++blue)
        if (indices[blue] != palette.Nearest(row[blue])) {
          ADD_FAILURE() << "colour " << red << " " << green << " " << blue << " gives "
                        << int{indices[blue]} << ", the palette "
                        << int{palette.Nearest(row[blue])};
          ++wrong;
          break;
        }
    }
}

TEST(NearestColour, AgreesWithThePlainRuleOnTheScreenPalette) {
  ZORV_REQUIRE_SAMPLES();
  Palette palette;
  ASSERT_TRUE(LoadPalette(test::SamplesDir() + "screen.pal", palette));
  ExpectPlainAnswers(palette, RandomColours(1'000'000, 77), "screen.pal, random");
  const int ties = ExpectPlainAnswers(palette, CraftedColours(palette.Colours()), "screen.pal, crafted");
  EXPECT_GT(ties, 200) << "the crafted colours should hold many ties";
}

TEST(NearestColour, AgreesWithThePlainRuleAmongNearDuplicatesAndCrowds) {
  const Palette palette(CrowdedPalette());
  ExpectPlainAnswers(palette, RandomColours(200'000, 5), "crowded, random");
  std::vector<ColourValue> colours = CraftedColours(palette.Colours());
  // The centre of the crowd is as far from each of its entries.
  for (int dr = -3; dr <= 3; ++dr)
    for (int dg = -3; dg <= 3; ++dg)
      for (int db = -3; db <= 3; ++db) colours.push_back(RGBColour(120 + dr, 130 + dg, 140 + db));
  EXPECT_GT(EntriesAtSmallestDistance(palette.Colours(), RGBColour(120, 130, 140)), 50);
  ExpectPlainAnswers(palette, colours, "crowded, crafted");
}

TEST(NearestColour, AgreesWithThePlainRuleOnDegeneratePalettes) {
  // One colour 256 times; two colours alternating; every entry black but
  // the last.
  PaletteTable one_colour, two_colours, last_differs;
  one_colour.fill(RGBColour(10, 200, 30));
  for (int i = 0; i < 256; ++i) two_colours[i] = i % 2 ? RGBColour(255, 255, 255) : RGBColour(0, 0, 0);
  last_differs.fill(0);
  last_differs[255] = RGBColour(0, 0, 1);
  for (const PaletteTable* table : {&one_colour, &two_colours, &last_differs}) {
    const Palette palette(*table);
    ExpectPlainAnswers(palette, RandomColours(50'000, 9), "degenerate, random");
    ExpectPlainAnswers(palette, CraftedColours(*table), "degenerate, crafted");
  }
}

TEST(NearestColour, ManyThreadsAtOnceShareOnePaletteAndGetThePlainAnswers) {
  // A palette fresh from a file builds its search at the first question;
  // the threads below all ask at once.
  PaletteTable table = CrowdedPalette();
  table[0] = RGBColour(1, 2, 3);
  const Palette palette(table);
  const std::vector<ColourValue> colours = RandomColours(40'000, 31);
  std::vector<int> expected;
  for (ColourValue v : colours) expected.push_back(PlainNearest(table, v));
  std::vector<int> wrong(4, 0);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < wrong.size(); ++t)
    threads.emplace_back([&, t] {
      PaletteMatcher matcher(palette);
      for (size_t k = 0; k < colours.size(); ++k) {
        const ColourValue v = colours[(k + 997 * t) % colours.size()];
        const int want = expected[(k + 997 * t) % colours.size()];
        if (palette.Nearest(v) != want || matcher.Nearest(v) != want) ++wrong[t];
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(wrong.size(), 0));
}

}  // namespace
}  // namespace zorv
