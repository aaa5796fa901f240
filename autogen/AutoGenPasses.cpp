// The passes of auto-generation on bitmaps in memory: crop bounds,
// classification and outlines. They walk the pixel memory row by row.
#include <algorithm>
#include <new>
#include <vector>

#include "autogen/AutoGen.h"
#include "codec/DataColours.h"
#include "common/Functions.h"

namespace zorv {
namespace {

bool IsColourValue(ColourValue c) { return c >= 0 && c <= 0xFFFFFF; }

// A colour as the three bytes a pixel holds (blue, green, red).
struct PixelBytes {
  uint8_t b, g, r;
  explicit PixelBytes(ColourValue c)
      : b(static_cast<uint8_t>(BlueOf(c))),
        g(static_cast<uint8_t>(GreenOf(c))),
        r(static_cast<uint8_t>(RedOf(c))) {}
  bool Matches(const uint8_t* p) const { return p[0] == b && p[1] == g && p[2] == r; }
  void Store(uint8_t* p) const {
    p[0] = b;
    p[1] = g;
    p[2] = r;
  }
};

// Background test of the crop: the mask colour and, with fix purple,
// magenta. A mask that is no colour matches no pixel.
class Background {
 public:
  Background(ColourValue mask, bool fix_purple)
      : mask_(IsColourValue(mask) ? mask : kMagenta),
        use_mask_(IsColourValue(mask)),
        purple_(kMagenta),
        use_purple_(fix_purple) {}
  bool operator()(const uint8_t* p) const {
    return (use_mask_ && mask_.Matches(p)) || (use_purple_ && purple_.Matches(p));
  }

 private:
  PixelBytes mask_;
  bool use_mask_;
  PixelBytes purple_;
  bool use_purple_;
};

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// The kind of each pixel while the passes run: one byte per pixel with a
// border of kForeign all round, so neighbour tests need no bounds checks.
enum Kind : uint8_t {
  kTransparent,
  kNormal,
  kPlayer,
  kShadow,
  kPlayerOutline,
  kBlackOutline,
  kForeign,  // a colour that is no data colour; left as it is
};

bool IsSolid(uint8_t kind) { return kind >= kNormal && kind <= kShadow; }

class KindGrid {
 public:
  KindGrid(int32_t width, int32_t height)
      : width_(width),
        height_(height),
        stride_(static_cast<size_t>(width) + 2),
        cells_(stride_ * (static_cast<size_t>(height) + 2), kForeign) {}
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  ptrdiff_t Stride() const { return static_cast<ptrdiff_t>(stride_); }
  uint8_t* Row(int32_t y) { return &cells_[(static_cast<size_t>(y) + 1) * stride_ + 1]; }
  const uint8_t* Row(int32_t y) const {
    return &cells_[(static_cast<size_t>(y) + 1) * stride_ + 1];
  }

 private:
  int32_t width_, height_;
  size_t stride_;
  std::vector<uint8_t> cells_;
};

// The kinds the colour rules give each pixel of colour.
void Classify(const cDIBSection& colour, KindGrid& grid, const AutoGenOptions& options) {
  const int32_t player_hue = ColourHue(options.PlayerColour);
  const bool has_shadow = options.ShadowColour != kNoShadow;
  auto rules = [&](ColourValue c) -> uint8_t {
    if (c == options.MaskColour) return kTransparent;
    if (has_shadow && ColoursWithin(c, options.ShadowColour, options.ShadowTolerance))
      return kShadow;
    if (options.PlayerColours && IsPlayerShade(c, player_hue, options.PlayerTolerance))
      return kPlayer;
    return kNormal;
  };
  // Pictures repeat colours a lot, in runs above all: the last answer and
  // a small direct-mapped cache of recent ones spare most of the hue
  // arithmetic.
  constexpr int kCacheBits = 12;
  struct Entry {
    ColourValue colour = -1;
    uint8_t kind = 0;
  };
  std::vector<Entry> cache(size_t{1} << kCacheBits);
  const int32_t width = std::min(colour.Width(), grid.Width());
  const int32_t height = std::min(colour.Height(), grid.Height());
  ColourValue last_colour = -1;
  uint8_t last_kind = 0;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* p = colour.Row(y);
    uint8_t* k = grid.Row(y);
    for (int32_t x = 0; x < width; ++x, p += 3) {
      const ColourValue c = ColourOfPixelBytes(p);
      if (c != last_colour) {
        Entry& entry = cache[(static_cast<uint32_t>(c) * 2654435761u) >> (32 - kCacheBits)];
        if (entry.colour != c) {
          entry.colour = c;
          entry.kind = rules(c);
        }
        last_colour = c;
        last_kind = entry.kind;
      }
      k[x] = last_kind;
    }
  }
}

// The kinds of the pixels of a data bitmap.
void ReadKinds(const cDIBSection& data, KindGrid& grid) {
  const PixelBytes colours[] = {
      PixelBytes(kDataTransparent), PixelBytes(kDataNormal),
      PixelBytes(kDataPlayer),      PixelBytes(kDataShadow),
      PixelBytes(kDataPlayerOutline), PixelBytes(kDataBlackOutline)};
  for (int32_t y = 0; y < grid.Height(); ++y) {
    const uint8_t* p = data.Row(y);
    uint8_t* k = grid.Row(y);
    for (int32_t x = 0; x < grid.Width(); ++x, p += 3) {
      uint8_t kind = kForeign;
      for (uint8_t i = 0; i < kForeign; ++i)
        if (colours[i].Matches(p)) {
          kind = i;
          break;
        }
      k[x] = kind;
    }
  }
}

// Writes every kind but kForeign into the data bitmap as its colour.
void WriteKinds(const KindGrid& grid, cDIBSection& data) {
  const ColourValue colours[] = {kDataTransparent,   kDataNormal,      kDataPlayer,
                                 kDataShadow,        kDataPlayerOutline,
                                 kDataBlackOutline};
  const int32_t width = std::min(grid.Width(), data.Width());
  const int32_t height = std::min(grid.Height(), data.Height());
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* p = data.Row(y);
    const uint8_t* k = grid.Row(y);
    for (int32_t x = 0; x < width; ++x, p += 3)
      if (k[x] != kForeign) PixelBytes(colours[k[x]]).Store(p);
  }
}

void OutlinePasses(KindGrid& grid) {
  const ptrdiff_t stride = grid.Stride();
  // First pass: a transparent pixel touching a solid one. It only turns
  // transparent pixels into outline, and neither is solid, so what it reads
  // is never what it has written.
  for (int32_t y = 0; y < grid.Height(); ++y) {
    uint8_t* k = grid.Row(y);
    for (int32_t x = 0; x < grid.Width(); ++x) {
      if (k[x] != kTransparent) continue;
      if (IsSolid(k[x + 1]) || IsSolid(k[x - 1]) || IsSolid(k[x + stride]) ||
          IsSolid(k[x - stride]))
        k[x] = kPlayerOutline;
    }
  }
  // Second pass: a transparent pixel near a player-colour outline. Black
  // outline is never player-colour outline, so again the order is free.
  for (int32_t y = 0; y < grid.Height(); ++y) {
    uint8_t* k = grid.Row(y);
    for (int32_t x = 0; x < grid.Width(); ++x) {
      if (k[x] != kTransparent) continue;
      const uint8_t* above = k + x - stride;
      const uint8_t* here = k + x;
      const uint8_t* below = k + x + stride;
      if (above[-1] == kPlayerOutline || above[0] == kPlayerOutline ||
          above[1] == kPlayerOutline || here[-1] == kPlayerOutline ||
          here[1] == kPlayerOutline || below[-1] == kPlayerOutline ||
          below[0] == kPlayerOutline || below[1] == kPlayerOutline)
        k[x] = kBlackOutline;
    }
  }
}

}  // namespace

Status CheckAutoGenOptions(const AutoGenOptions& options) {
  if (!IsColourValue(options.MaskColour))
    return Status::Fail("the mask colour " + NumberText(options.MaskColour) +
                        " is not a colour");
  if (options.ShadowColour != kNoShadow && !IsColourValue(options.ShadowColour))
    return Status::Fail("the shadow colour " + NumberText(options.ShadowColour) +
                        " is not a colour");
  if (!IsColourValue(options.PlayerColour))
    return Status::Fail("the player colour " + NumberText(options.PlayerColour) +
                        " is not a colour");
  if (options.PlayerTolerance < 0 || options.PlayerTolerance > kMaxPlayerTolerance)
    return Status::Fail("the player tolerance " + NumberText(options.PlayerTolerance) +
                        " is outside 0 to " + NumberText(kMaxPlayerTolerance));
  if (options.ShadowTolerance < 0 || options.ShadowTolerance > kMaxShadowTolerance)
    return Status::Fail("the shadow tolerance " + NumberText(options.ShadowTolerance) +
                        " is outside 0 to " + NumberText(kMaxShadowTolerance));
  return Status::Ok();
}

ContentBounds FindContentBounds(const cDIBSection& colour, ColourValue mask,
                                bool fix_purple) {
  const Background background(mask, fix_purple);
  ContentBounds bounds;
  const int32_t width = colour.Width();
  for (int32_t y = 0; y < colour.Height(); ++y) {
    const uint8_t* row = colour.Row(y);
    int32_t first = 0;
    while (first < width && background(row + 3 * first)) ++first;
    if (first == width) continue;
    int32_t last = width - 1;
    while (background(row + 3 * last)) --last;
    if (!bounds.Found) {
      bounds = ContentBounds{true, first, y, last, y};
    } else {
      bounds.Left = std::min(bounds.Left, first);
      bounds.Right = std::max(bounds.Right, last);
      bounds.Bottom = y;
    }
  }
  return bounds;
}

void ClassifyPixels(const cDIBSection& colour, cDIBSection& data,
                    const AutoGenOptions& options) {
  KindGrid grid(std::min(colour.Width(), data.Width()),
                std::min(colour.Height(), data.Height()));
  Classify(colour, grid, options);
  WriteKinds(grid, data);
}

void AddOutlines(cDIBSection& data) {
  KindGrid grid(data.Width(), data.Height());
  ReadKinds(data, grid);
  OutlinePasses(grid);
  WriteKinds(grid, data);
}

Status GenerateFrameBitmaps(cDIBSection colour, const AutoGenOptions& options,
                            int32_t center_x, int32_t center_y, GeneratedFrame& out) {
  if (Status checked = CheckAutoGenOptions(options); !checked) return checked;
  out = GeneratedFrame{};
  out.CenterX = center_x;
  out.CenterY = center_y;
  if (options.AutoCrop || options.FixPurple) {
    const ContentBounds bounds =
        FindContentBounds(colour, options.MaskColour, options.FixPurple);
    int64_t width = 1, height = 1;
    if (bounds.Found) {
      width = int64_t{bounds.Right} - bounds.Left + 1 + 2 * kCropMargin;
      height = int64_t{bounds.Bottom} - bounds.Top + 1 + 2 * kCropMargin;
      out.CenterX = ClampToInt32(int64_t{center_x} - (bounds.Left - kCropMargin));
      out.CenterY = ClampToInt32(int64_t{center_y} - (bounds.Top - kCropMargin));
    } else {
      out.CenterX = 0;
      out.CenterY = 0;
    }
    if (width > cDIBSection::kMaxDimension || height > cDIBSection::kMaxDimension ||
        !out.Colour.Create(static_cast<int32_t>(width), static_cast<int32_t>(height)))
      return Status::Fail("the frame is too large to crop with a margin (" +
                          NumberText(colour.Width()) + " x " +
                          NumberText(colour.Height()) + ")");
    out.Colour.Fill(options.MaskColour);
    if (bounds.Found)
      colour.PaintPicture(out.Colour, kCropMargin - bounds.Left, kCropMargin - bounds.Top);
    out.Cropped = true;
  } else {
    out.Colour = std::move(colour);
  }
  // Every pixel of the data bitmap is written below.
  if (!out.Data.Create(out.Colour.Width(), out.Colour.Height()))
    return Status::Fail("not enough memory for the data bitmap");
  // Classification and outlines run on the kinds; the data bitmap is
  // written once at the end.
  try {
    KindGrid grid(out.Colour.Width(), out.Colour.Height());
    Classify(out.Colour, grid, options);
    if (options.Outlines) OutlinePasses(grid);
    WriteKinds(grid, out.Data);
  } catch (const std::bad_alloc&) {
    return Status::Fail("not enough memory to classify the pixels");
  }
  return Status::Ok();
}

}  // namespace zorv
