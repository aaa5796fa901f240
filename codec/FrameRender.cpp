#include "codec/FrameRender.h"

#include <string>

namespace zorv {
namespace {

void PutRGBA(uint8_t* out, ColourValue colour, uint8_t alpha) {
  out[0] = static_cast<uint8_t>(RedOf(colour));
  out[1] = static_cast<uint8_t>(GreenOf(colour));
  out[2] = static_cast<uint8_t>(BlueOf(colour));
  out[3] = alpha;
}

}  // namespace

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
              "The player-colour pixel at " + PixelPlaceText(x, y) + " has the index " +
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
    // own: a pixel of the picture itself, which must not take the index
    // that marks transparency or shadow.
    uint8_t index = transparent;
    bool own = true;
    switch (pixels.Kind[p]) {
      case PixelKind::kTransparent: own = false; break;
      case PixelKind::kShadow: index = shadow; own = false; break;
      case PixelKind::kNormal: index = pixels.Index[p]; break;
      case PixelKind::kPlayer: index = static_cast<uint8_t>(16 + pixels.Index[p]); break;
      case PixelKind::kPlayerOutline:
        own = options.Outlines;
        if (own) index = outline;
        break;
      case PixelKind::kBlackOutline:
        own = options.Outlines;
        if (own) index = black;
        break;
    }
    if (own && (index == transparent || index == shadow)) {
      const int32_t x = static_cast<int32_t>(p % static_cast<size_t>(pixels.Width));
      const int32_t y = static_cast<int32_t>(p / static_cast<size_t>(pixels.Width));
      image = IndexedImage{};
      return Status::Fail(kMsgErrorExportingFrame,
                          "The pixel at " + PixelPlaceText(x, y) + " has the palette index " +
                              std::to_string(index) + ", which is the " +
                              (index == transparent ? "transparent" : "shadow") +
                              " index; choose another one.");
    }
    image.Indices[p] = index;
  }
  return Status::Ok();
}

}  // namespace zorv
