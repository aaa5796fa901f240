#include "codec/FrameRender.h"

#include "codec/DataColours.h"
#include "codec/PlayerColourIndex.h"

namespace zorv {
namespace {

// A palette whose entry i is the colour (i, 0, 0): a frame decoded through
// it carries each pixel's palette index in its red byte, so the exporter
// sees exactly the indices the SLP holds, even where the real palette has
// one colour under several indices.
const Palette& IndexPalette() {
  static const Palette palette = [] {
    PaletteTable table;
    for (int i = 0; i < 256; ++i) table[static_cast<size_t>(i)] = RGBColour(i, 0, 0);
    return Palette(table);
  }();
  return palette;
}

ColourValue PixelOf(const uint8_t* row, int32_t x) {
  const uint8_t* p = row + 3 * static_cast<size_t>(x);
  return p[2] | (p[1] << 8) | (p[0] << 16);
}

std::string DescribeColour(ColourValue colour) {
  return std::to_string(RedOf(colour)) + " " + std::to_string(GreenOf(colour)) + " " +
         std::to_string(BlueOf(colour));
}

std::string At(int32_t x, int32_t y) {
  std::string text = "(";
  text += std::to_string(x);
  text += ", ";
  text += std::to_string(y);
  text += ")";
  return text;
}

void Reset(FramePixels& pixels, int32_t width, int32_t height) {
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  pixels.Width = width;
  pixels.Height = height;
  pixels.Kind.assign(count, PixelKind::kTransparent);
  pixels.Index.assign(count, 0);
}

Status KindsOf(const cDIBSection& data, FramePixels& pixels) {
  for (int32_t y = 0; y < data.Height(); ++y) {
    const uint8_t* row = data.Row(y);
    PixelKind* kinds = pixels.Kind.data() + static_cast<size_t>(y) * data.Width();
    for (int32_t x = 0; x < data.Width(); ++x) {
      const ColourValue colour = PixelOf(row, x);
      if (!PixelKindOf(colour, kinds[x]))
        return Status::Fail(kMsgErrorExportingFrame,
                            "The data bitmap has the colour " + DescribeColour(colour) + " at " +
                                At(x, y) + ", which marks no kind of pixel.");
    }
  }
  return Status::Ok();
}

void PutRGBA(uint8_t* out, ColourValue colour, uint8_t alpha) {
  out[0] = static_cast<uint8_t>(RedOf(colour));
  out[1] = static_cast<uint8_t>(GreenOf(colour));
  out[2] = static_cast<uint8_t>(BlueOf(colour));
  out[3] = alpha;
}

}  // namespace

bool PixelKindOf(ColourValue data_colour, PixelKind& kind) {
  switch (data_colour) {
    case kDataTransparent: kind = PixelKind::kTransparent; return true;
    case kDataNormal: kind = PixelKind::kNormal; return true;
    case kDataPlayer: kind = PixelKind::kPlayer; return true;
    case kDataShadow: kind = PixelKind::kShadow; return true;
    case kDataPlayerOutline: kind = PixelKind::kPlayerOutline; return true;
    case kDataBlackOutline: kind = PixelKind::kBlackOutline; return true;
    default: return false;
  }
}

Status FramePixelsFromSLP(const SLPFile& file, const SLPFrameInfo& frame, FramePixels& pixels) {
  cDIBSection colour, data;
  if (Status decoded = DecodeSLPFrame(file, frame, IndexPalette(), colour, data); !decoded)
    return decoded;
  Reset(pixels, data.Width(), data.Height());
  if (Status kinds = KindsOf(data, pixels); !kinds) return kinds;
  for (int32_t y = 0; y < data.Height(); ++y) {
    const uint8_t* row = colour.Row(y);
    const size_t start = static_cast<size_t>(y) * data.Width();
    for (int32_t x = 0; x < data.Width(); ++x) {
      const PixelKind kind = pixels.Kind[start + x];
      // The red byte is the palette index; player colour was drawn at 16 + index.
      const int index = RedOf(PixelOf(row, x));
      if (kind == PixelKind::kNormal)
        pixels.Index[start + x] = static_cast<uint8_t>(index);
      else if (kind == PixelKind::kPlayer)
        pixels.Index[start + x] = static_cast<uint8_t>(index - 16);
    }
  }
  return Status::Ok();
}

Status FramePixelsFromBitmaps(const cDIBSection& colour, const cDIBSection& data,
                              PaletteMatcher& matcher, FramePixels& pixels) {
  if (colour.Width() != data.Width() || colour.Height() != data.Height())
    return Status::Fail(kMsgErrorExportingFrame,
                        "The colour bitmap is " + std::to_string(colour.Width()) + " x " +
                            std::to_string(colour.Height()) + " pixels, the data bitmap " +
                            std::to_string(data.Width()) + " x " +
                            std::to_string(data.Height()) + ".");
  Reset(pixels, data.Width(), data.Height());
  if (Status kinds = KindsOf(data, pixels); !kinds) return kinds;
  for (int32_t y = 0; y < data.Height(); ++y) {
    const uint8_t* row = colour.Row(y);
    const size_t start = static_cast<size_t>(y) * data.Width();
    for (int32_t x = 0; x < data.Width(); ++x) {
      const PixelKind kind = pixels.Kind[start + x];
      if (kind == PixelKind::kNormal)
        pixels.Index[start + x] = matcher.Nearest(PixelOf(row, x));
      else if (kind == PixelKind::kPlayer)
        pixels.Index[start + x] = PlayerColourIndex(matcher, PixelOf(row, x));
    }
  }
  return Status::Ok();
}

Status CheckRenderOptions(const RenderOptions& options) {
  if (options.Player < kMinPlayer || options.Player > kMaxPlayer)
    return Status::Fail(kMsgErrorExportingFrame, "The player is " +
                                                     std::to_string(options.Player) +
                                                     "; players are numbered 1 to 8.");
  if (options.ShadowAlpha < 0 || options.ShadowAlpha > 255)
    return Status::Fail(kMsgErrorExportingFrame,
                        "The shadow alpha is " + std::to_string(options.ShadowAlpha) +
                            "; it lies between 0 and 255.");
  for (int index : {options.TransparentIndex, options.ShadowIndex})
    if (index < 0 || index > 255)
      return Status::Fail(kMsgErrorExportingFrame, "The palette index " +
                                                       std::to_string(index) +
                                                       " lies outside 0 to 255.");
  if (options.TransparentIndex == options.ShadowIndex)
    return Status::Fail(kMsgErrorExportingFrame,
                        "Transparent and shadow pixels would share the palette index " +
                            std::to_string(options.ShadowIndex) + ".");
  return Status::Ok();
}

int BrightestPlayerShade(const Palette& palette, int player) {
  int best = 16 * player, best_sum = -1;
  for (int entry = 16 * player; entry < 16 * player + 8 && entry < 256; ++entry) {
    const ColourValue colour = palette.Colour(entry);
    const int sum = RedOf(colour) + GreenOf(colour) + BlueOf(colour);
    if (sum > best_sum) {
      best = entry;
      best_sum = sum;
    }
  }
  return best;
}

Status RenderRGBA(const FramePixels& pixels, const Palette& palette,
                  const RenderOptions& options, RGBAImage& image) {
  if (Status checked = CheckRenderOptions(options); !checked) return checked;
  image.Width = pixels.Width;
  image.Height = pixels.Height;
  image.Pixels.assign(pixels.Kind.size() * 4, 0);
  const int first_shade = 16 * options.Player;
  const ColourValue outline = palette.Colour(BrightestPlayerShade(palette, options.Player));
  const uint8_t shadow_alpha = static_cast<uint8_t>(options.ShadowAlpha);
  for (size_t p = 0; p < pixels.Kind.size(); ++p) {
    uint8_t* out = &image.Pixels[4 * p];
    switch (pixels.Kind[p]) {
      case PixelKind::kTransparent: break;
      case PixelKind::kNormal: PutRGBA(out, palette.Colour(pixels.Index[p]), 255); break;
      case PixelKind::kPlayer: {
        const int entry = first_shade + pixels.Index[p];
        if (entry > 255) {
          const int32_t x = static_cast<int32_t>(p % static_cast<size_t>(pixels.Width));
          const int32_t y = static_cast<int32_t>(p / static_cast<size_t>(pixels.Width));
          image = RGBAImage{};
          return Status::Fail(
              kMsgErrorExportingFrame,
              "The player-colour pixel at " + At(x, y) + " has the index " +
                  std::to_string(pixels.Index[p]) + ": for player " +
                  std::to_string(options.Player) + " that is palette entry " +
                  std::to_string(entry) + ", beyond 255.");
        }
        PutRGBA(out, palette.Colour(entry), 255);
        break;
      }
      case PixelKind::kShadow: PutRGBA(out, RGBColour(0, 0, 0), shadow_alpha); break;
      case PixelKind::kPlayerOutline:
        if (options.Outlines) PutRGBA(out, outline, 255);
        break;
      case PixelKind::kBlackOutline:
        if (options.Outlines) PutRGBA(out, RGBColour(0, 0, 0), 255);
        break;
    }
  }
  return Status::Ok();
}

Status RenderIndexed(const FramePixels& pixels, const Palette& palette,
                     const RenderOptions& options, IndexedImage& image) {
  if (Status checked = CheckRenderOptions(options); !checked) return checked;
  image.Width = pixels.Width;
  image.Height = pixels.Height;
  image.ColourCount = 256;
  image.Colours = palette.Colours();
  image.Alpha.fill(255);
  image.Alpha[static_cast<size_t>(options.TransparentIndex)] = 0;
  image.Indices.assign(pixels.Kind.size(), 0);
  const auto transparent = static_cast<uint8_t>(options.TransparentIndex);
  const auto shadow = static_cast<uint8_t>(options.ShadowIndex);
  const auto outline = static_cast<uint8_t>(BrightestPlayerShade(palette, 1));
  const uint8_t black = palette.Nearest(RGBColour(0, 0, 0));
  for (size_t p = 0; p < pixels.Kind.size(); ++p) {
    uint8_t index = transparent;
    switch (pixels.Kind[p]) {
      case PixelKind::kTransparent: break;
      case PixelKind::kNormal: index = pixels.Index[p]; break;
      case PixelKind::kPlayer: index = static_cast<uint8_t>(16 + pixels.Index[p]); break;
      case PixelKind::kShadow: index = shadow; break;
      case PixelKind::kPlayerOutline:
        if (options.Outlines) index = outline;
        break;
      case PixelKind::kBlackOutline:
        if (options.Outlines) index = black;
        break;
    }
    const bool own = pixels.Kind[p] != PixelKind::kTransparent &&
                     pixels.Kind[p] != PixelKind::kShadow &&
                     (options.Outlines || (pixels.Kind[p] != PixelKind::kPlayerOutline &&
                                           pixels.Kind[p] != PixelKind::kBlackOutline));
    if (own && (index == transparent || index == shadow)) {
      const int32_t x = static_cast<int32_t>(p % static_cast<size_t>(pixels.Width));
      const int32_t y = static_cast<int32_t>(p / static_cast<size_t>(pixels.Width));
      image = IndexedImage{};
      return Status::Fail(kMsgErrorExportingFrame,
                          "The pixel at " + At(x, y) + " has the palette index " +
                              std::to_string(index) + ", which is the " +
                              (index == transparent ? "transparent" : "shadow") +
                              " index; choose another one.");
    }
    image.Indices[p] = index;
  }
  return Status::Ok();
}

}  // namespace zorv
