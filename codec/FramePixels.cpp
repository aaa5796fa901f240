#include "codec/FramePixels.h"

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
  return ColourOfPixelBytes(row + 3 * static_cast<size_t>(x));
}

std::string DescribeColour(ColourValue colour) {
  return std::to_string(RedOf(colour)) + " " + std::to_string(GreenOf(colour)) + " " +
         std::to_string(BlueOf(colour));
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
                                PixelPlaceText(x, y) + ", which marks no kind of pixel.");
    }
  }
  return Status::Ok();
}

// Kinds from the data bitmap, then the index of every normal and
// player-colour pixel from its colour by index_of(kind, colour).
template <typename IndexOf>
Status FillPixels(const cDIBSection& colour, const cDIBSection& data, FramePixels& pixels,
                  IndexOf index_of) {
  Reset(pixels, data.Width(), data.Height());
  if (Status kinds = KindsOf(data, pixels); !kinds) return kinds;
  for (int32_t y = 0; y < data.Height(); ++y) {
    const uint8_t* row = colour.Row(y);
    const size_t start = static_cast<size_t>(y) * data.Width();
    for (int32_t x = 0; x < data.Width(); ++x) {
      const PixelKind kind = pixels.Kind[start + x];
      if (kind == PixelKind::kNormal || kind == PixelKind::kPlayer)
        pixels.Index[start + x] = index_of(kind, PixelOf(row, x));
    }
  }
  return Status::Ok();
}

}  // namespace

std::string PixelPlaceText(int32_t x, int32_t y) {
  std::string text = "(";
  text += std::to_string(x);
  text += ", ";
  text += std::to_string(y);
  text += ")";
  return text;
}

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
  // The red byte is the palette index; player colour was drawn at 16 + index.
  return FillPixels(colour, data, pixels, [](PixelKind kind, ColourValue drawn) {
    return static_cast<uint8_t>(kind == PixelKind::kPlayer ? RedOf(drawn) - 16 : RedOf(drawn));
  });
}

Status FramePixelsFromBitmaps(const cDIBSection& colour, const cDIBSection& data,
                              PaletteMatcher& matcher, FramePixels& pixels) {
  if (colour.Width() != data.Width() || colour.Height() != data.Height())
    return Status::Fail(kMsgErrorExportingFrame,
                        "The colour bitmap is " + std::to_string(colour.Width()) + " x " +
                            std::to_string(colour.Height()) + " pixels, the data bitmap " +
                            std::to_string(data.Width()) + " x " +
                            std::to_string(data.Height()) + ".");
  return FillPixels(colour, data, pixels, [&matcher](PixelKind kind, ColourValue drawn) {
    return kind == PixelKind::kPlayer ? PlayerColourIndex(matcher, drawn) : matcher.Nearest(drawn);
  });
}

}  // namespace zorv
