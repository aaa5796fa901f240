#include "codec/Palettes.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

#include "common/FileIO.h"
#include "common/TextLines.h"

namespace zorv {
namespace {

// The game palette, indices 0 to 255.
constexpr const char kBuiltInPalette[] =
    "0 0 0,0 74 161,0 97 155,0 74 187,0 84 176,0 90 184,0 110 176,"
    "0 110 187,180 255 180,0 98 210,0 0 0,47 47 47,200 216 255,87 87 87,"
    "37 16 6,47 26 17,0 0 82,0 21 130,19 49 161,48 93 182,74 121 208,"
    "110 166 235,151 206 255,205 250 255,64 43 23,67 51 27,70 32 6,"
    "75 57 42,84 64 43,87 69 37,87 57 27,94 74 48,65 0 0,105 11 0,160 21 0,"
    "230 11 0,255 0 0,255 100 100,255 160 160,255 220 220,97 77 67,"
    "103 58 21,113 75 51,113 75 13,115 105 84,125 97 72,125 74 0,"
    "129 116 95,0 0 0,0 7 0,0 32 0,0 59 0,0 87 0,0 114 0,0 141 0,0 169 0,"
    "134 126 118,135 64 0,136 108 79,144 100 12,146 125 105,153 106 55,"
    "159 121 88,166 74 0,80 51 26,140 78 9,191 123 0,255 199 0,255 247 37,"
    "255 255 97,255 255 166,255 255 227,167 135 102,172 144 115,175 126 36,"
    "175 151 128,185 151 146,186 166 135,187 84 0,187 156 125,110 23 0,"
    "150 36 0,210 55 0,255 80 0,255 130 1,255 180 21,255 210 75,"
    "255 235 160,189 150 111,191 169 115,195 174 156,196 170 146,"
    "196 128 88,196 166 135,197 187 176,204 160 36,0 16 16,0 37 41,0 80 80,"
    "0 120 115,0 172 150,38 223 170,109 252 191,186 255 222,206 169 133,"
    "207 105 12,207 176 156,228 162 82,215 186 155,216 162 121,217 114 24,"
    "223 234 255,47 0 46,79 0 75,133 12 121,170 47 155,211 58 201,"
    "241 108 232,255 169 255,255 210 255,218 156 105,222 177 136,"
    "225 177 90,226 195 170,232 180 120,235 202 181,235 216 190,"
    "237 199 165,28 28 28,67 67 67,106 106 106,145 145 145,185 185 185,"
    "223 223 223,247 247 247,255 255 255,247 211 191,248 201 138,"
    "255 206 157,255 225 201,255 238 217,255 226 161,216 223 255,"
    "255 255 243,24 24 0,37 37 17,27 47 0,47 57 17,67 77 7,77 77 47,"
    "44 77 3,94 84 53,95 97 39,97 97 67,67 97 29,106 115 57,116 115 75,"
    "87 116 7,118 130 65,130 136 77,138 139 87,148 155 100,156 156 139,"
    "128 157 84,149 166 97,175 165 106,176 176 159,146 176 67,194 190 148,"
    "165 196 108,166 196 77,206 187 128,206 204 155,204 217 77,221 218 166,"
    "196 226 116,243 170 92,3 28 0,7 38 0,7 47 7,19 48 0,27 57 17,47 57 47,"
    "28 62 0,14 68 14,41 69 28,33 73 18,47 87 47,77 97 57,67 97 67,"
    "87 116 77,70 119 48,189 209 253,106 136 97,196 236 166,23 53 33,"
    "43 84 64,37 116 57,23 43 53,2 33 53,2 23 53,33 64 64,0 34 97,0 51 115,"
    "43 64 74,0 43 74,4 6 9,0 123 189,64 84 84,0 115 207,23 23 74,12 23 64,"
    "255 177 98,0 64 125,2 23 84,0 138 186,64 105 105,0 146 197,94 105 105,"
    "0 74 125,0 125 207,95 133 65,84 115 125,64 105 125,0 64 146,0 53 135,"
    "115 156 156,84 146 176,146 176 187,255 201 121,105 166 197,"
    "125 197 217,156 197 217,109 126 33,113 153 36,21 118 21,51 151 39,"
    "70 181 59,89 223 89,131 245 120,152 192 240,0 255 0,0 0 255,255 255 0,"
    "255 217 0,240 240 255,240 247 255,247 247 255,247 255 255,85 119 52,"
    "129 151 49,0 255 255,255 0 255,0 139 210,0 160 243,255 255 255";

uint32_t HashColour(ColourValue v) {
  return (static_cast<uint32_t>(v) * 2654435761u) >> 16;
}

// Squares of the channel differences, worked out by the compiler.
constexpr std::array<int32_t, 256> kSquares = [] {
  std::array<int32_t, 256> squares{};
  for (int n = 0; n < 256; ++n) squares[n] = n * n;
  return squares;
}();

// Skips blanks; reads a whole number 0..255 and moves past it.
bool ReadComponent(std::string_view& text, int& value) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || value < 0 || value > 255) return false;
  text.remove_prefix(static_cast<size_t>(end - text.data()));
  return true;
}

bool ParseTriple(std::string_view text, ColourValue& colour) {
  int red, green, blue;
  if (!ReadComponent(text, red) || !ReadComponent(text, green) ||
      !ReadComponent(text, blue))
    return false;
  for (char c : text)
    if (c != ' ' && c != '\t') return false;
  colour = RGBColour(red, green, blue);
  return true;
}

std::string_view SkipLeadingBlanks(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
    line.remove_prefix(1);
  return line;
}

}  // namespace

std::string_view BuiltInPaletteText() { return kBuiltInPalette; }

Palette::Palette() : Palette(BuiltIn()) {}

Palette::Palette(const PaletteTable& colours) {
  for (int i = 0; i < 256; ++i) colours_[i] = colours[i] & 0xFFFFFF;
  BuildTables();
}

const Palette& Palette::BuiltIn() {
  static const Palette built_in = [] {
    PaletteTable table{};
    // The text is part of the program and always parses.
    (void)ParseBuiltInPalette(kBuiltInPalette, table);
    return Palette(table);
  }();
  return built_in;
}

void Palette::BuildTables() {
  lazy_grid_ = std::make_shared<LazyGrid>();
  exact_colour_.fill(-1);
  for (int i = 0; i < 256; ++i) {
    const ColourValue v = colours_[i];
    pixel_words_[i] = static_cast<uint32_t>(BlueOf(v)) | (static_cast<uint32_t>(GreenOf(v)) << 8) |
                      (static_cast<uint32_t>(RedOf(v)) << 16) |
                      (static_cast<uint32_t>(BlueOf(v)) << 24);
    uint32_t slot = HashColour(v) % kExactSlots;
    while (exact_colour_[slot] != -1 && exact_colour_[slot] != v)
      slot = (slot + 1) % kExactSlots;
    if (exact_colour_[slot] == -1) {
      exact_colour_[slot] = v;
      exact_index_[slot] = static_cast<uint8_t>(i);
    }
  }
}

int Palette::ExactIndex(ColourValue v) const {
  uint32_t slot = HashColour(v) % kExactSlots;
  while (exact_colour_[slot] != -1) {
    if (exact_colour_[slot] == v) return exact_index_[slot];
    slot = (slot + 1) % kExactSlots;
  }
  return -1;
}

uint8_t Palette::Nearest(ColourValue v) const {
  // The exact pass gives what the search gives (a colour of the palette is
  // at distance 0 from its lowest index), only sooner.
  const int exact = ExactIndex(v);
  if (exact >= 0) return static_cast<uint8_t>(exact);
  return Grid()->Nearest(v);
}

const std::shared_ptr<const NearestColourGrid>& Palette::Grid() const {
  std::call_once(lazy_grid_->built,
                 [this] { lazy_grid_->grid = std::make_shared<NearestColourGrid>(colours_); });
  return lazy_grid_->grid;
}

PaletteMatcher::PaletteMatcher(const Palette& palette)
    : palette_(palette),
      grid_(palette.Grid()),
      cubes_(static_cast<uint32_t*>(std::calloc(kCubes, sizeof(uint32_t)))),
      answers_(kFirstOwnBlock << kCubeAnswerBits) {
  if (!cubes_) throw std::bad_alloc();
  for (int index = 0; index < 256; ++index)
    std::fill_n(answers_.begin() + (ptrdiff_t{BlockOfIndex(index)} << kCubeAnswerBits), kBlockSize,
                static_cast<uint8_t>(index));
}

namespace {

// A pixel's cube and its place in the cube as one key, cube << 6 | place,
// made of one table entry per channel: the bits the channels give do not
// overlap, so the entries add up to the key. The same numbers as CubeOf
// and PlaceInCube, for a fraction of the shifts.
constexpr std::array<uint32_t, 256> ChannelKeys(int cube_shift, int place_shift) {
  std::array<uint32_t, 256> keys{};
  for (uint32_t c = 0; c < 256; ++c) keys[c] = (c >> 2) << cube_shift | (c & 3) << place_shift;
  return keys;
}
constexpr std::array<uint32_t, 256> kRedKeys = ChannelKeys(6, 0), kGreenKeys = ChannelKeys(12, 2),
                                    kBlueKeys = ChannelKeys(18, 4);

}  // namespace

void PaletteMatcher::NearestOfPixels(const uint8_t* pixels, size_t n, uint8_t* indices) {
  static_assert(kCubeBits == 2 && kCubeAnswerBits == 6,
                "ChannelKeys follows CubeOf and PlaceInCube");
  // The tables in locals: the byte stores to indices could otherwise alias
  // the members and make the compiler read them again for every pixel.
  // Every pixel is looked up, equal neighbours too: two table reads cost
  // less than a check against the previous colour that a picture with
  // varied neighbours keeps mispredicting.
  const uint32_t* const cubes = cubes_.get();
  const uint8_t* answers = answers_.data();
  for (size_t k = 0; k < n; ++k, pixels += 3) {
    const uint32_t key = kBlueKeys[pixels[0]] + kGreenKeys[pixels[1]] + kRedKeys[pixels[2]];
    uint32_t block = cubes[key >> kCubeAnswerBits];
    if (block == kNotAsked) [[unlikely]] {
      block = FirstInCube(ColourOfPixelBytes(pixels));
      answers = answers_.data();
    }
    indices[k] = answers[(size_t{block} << kCubeAnswerBits) | (key & (kBlockSize - 1))];
  }
}

uint32_t PaletteMatcher::FirstInCube(ColourValue v) {
  const int red = RedOf(v) & -kCubeSize, green = GreenOf(v) & -kCubeSize,
            blue = BlueOf(v) & -kCubeSize;
  NearestColourGrid::Narrow(grid_->CandidatesOf(NearestColourGrid::CellOf(v)),
                            RGBColour(red, green, blue), kCubeSize, narrowed_);
  uint32_t& cube = cubes_[CubeOf(v)];
  if (narrowed_.size() == 1) return cube = BlockOfIndex(narrowed_[0].index);
  // Every colour of the cube against the candidates in index order, keeping
  // the first smallest distance: what NearestAmong gives for each colour,
  // with the squares of each axis worked out once per candidate.
  std::array<int32_t, kBlockSize> best;
  best.fill(INT32_MAX);
  std::array<uint8_t, kBlockSize> answer{};
  for (const NearestColourGrid::Candidate& c : narrowed_) {
    std::array<int32_t, kCubeSize> red_squares, green_squares, blue_squares;
    for (int k = 0; k < kCubeSize; ++k) {
      red_squares[k] = (red + k - c.red) * (red + k - c.red);
      green_squares[k] = (green + k - c.green) * (green + k - c.green);
      blue_squares[k] = (blue + k - c.blue) * (blue + k - c.blue);
    }
    size_t place = 0;
    for (int b = 0; b < kCubeSize; ++b)
      for (int g = 0; g < kCubeSize; ++g)
        for (int r = 0; r < kCubeSize; ++r, ++place) {
          const int32_t d = blue_squares[b] + green_squares[g] + red_squares[r];
          answer[place] = d < best[place] ? c.index : answer[place];
          best[place] = std::min(best[place], d);
        }
  }
  cube = static_cast<uint32_t>(answers_.size() >> kCubeAnswerBits);
  answers_.insert(answers_.end(), answer.begin(), answer.end());
  return cube;
}

Status ParseBuiltInPalette(std::string_view text, PaletteTable& table) {
  for (int i = 0; i < 256; ++i) {
    size_t comma = text.find(',');
    std::string_view entry = text.substr(0, comma);
    if (!ParseTriple(entry, table[i]))
      return Status::Fail("palette entry " + std::to_string(i) + " is not three numbers 0..255");
    if (comma == std::string_view::npos) {
      if (i != 255) return Status::Fail("the palette has fewer than 256 entries");
      text = {};
    } else {
      text.remove_prefix(comma + 1);
    }
  }
  return Status::Ok();
}

Status ParsePaletteFile(LineSource& lines, PaletteTable& table) {
  std::string line;
  if (!lines.Next(line) || SkipLeadingBlanks(line) != "JASC-PAL")
    return Status::Fail("the first line is not \"JASC-PAL\"");
  PaletteTable parsed{};
  // Two lines (version and count) say nothing the colours do not.
  for (int i = -2; i < 256; ++i) {
    if (!lines.Next(line)) {
      if (!lines.status()) return lines.status();
      return Status::Fail("the file holds fewer than 256 colour lines");
    }
    if (i >= 0 && !ParseTriple(line, parsed[i]))
      return Status::Fail("line " + std::to_string(4 + i) + " is not three numbers 0..255");
  }
  table = parsed;
  return Status::Ok();
}

Status ParsePaletteFile(std::string_view text, PaletteTable& table) {
  TextLineSource lines(text);
  return ParsePaletteFile(lines, table);
}

Status LoadPalette(const std::string& path, Palette& palette) {
  if (path.empty()) {
    palette = Palette::BuiltIn();
    return Status::Ok();
  }
  FileLineSource lines;
  PaletteTable table{};
  Status status = lines.Open(path);
  if (status) status = ParsePaletteFile(lines, table);
  if (!status) return Status::Fail(kMsgNotValidPalette, AboutFile(path, status.message()));
  palette = Palette(table);
  return Status::Ok();
}

int32_t ColourDistance(ColourValue a, ColourValue b) {
  const int dr = RedOf(a) - RedOf(b), dg = GreenOf(a) - GreenOf(b),
            db = BlueOf(a) - BlueOf(b);
  return kSquares[dr < 0 ? -dr : dr] + kSquares[dg < 0 ? -dg : dg] +
         kSquares[db < 0 ? -db : db];
}

}  // namespace zorv
