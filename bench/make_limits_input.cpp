// Writes the large inputs bench/limits.sh measures with:
//   make_limits_input slx FOLDER TITLE FRAMES WIDTH HEIGHT
// makes FOLDER/TITLE.slx listing FRAMES frames of WIDTH x HEIGHT, each a
// colour and a data bitmap with a pattern of every kind of pixel, so the
// SLP coder has transparent gaps, player colour, shadow and outlines to code.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "codec/DIBSection.h"
#include "codec/Palettes.h"
#include "codec/SLX.h"
#include "common/FileIO.h"

namespace {

using namespace zorv;

// The data colour of pixel (x, y): rings of each kind around the middle.
ColourValue DataColourAt(int32_t x, int32_t y, int32_t width, int32_t height) {
  const int32_t dx = x - width / 2, dy = y - height / 2;
  const int64_t r2 = int64_t{dx} * dx + int64_t{dy} * dy;
  const int64_t outer = int64_t{width / 2} * (height / 2);
  if (r2 > outer) return kDataTransparent;
  switch ((x / 3 + y / 5) % 7) {
    case 0: return kDataPlayer;
    case 1: return kDataShadow;
    case 2: return kDataPlayerOutline;
    case 3: return kDataBlackOutline;
    default: return kDataNormal;
  }
}

int MakeSLX(const std::string& folder, const std::string& title, int32_t frames,
            int32_t width, int32_t height) {
  cDIBSection colour, data;
  if (!colour.Create(width, height) || !data.Create(width, height)) {
    std::fprintf(stderr, "cannot make a %d x %d bitmap\n", width, height);
    return 1;
  }
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      colour.SetPixel(x, y, Palette::BuiltIn().Colour(16 + (x + 3 * y) % 200));
      data.SetPixel(x, y, DataColourAt(x, y, width, height));
    }
  SLXGraphic graphic;
  graphic.Path = folder + "/" + title + ".slx";
  graphic.FrameCount = frames;
  graphic.Frames.resize(static_cast<size_t>(frames));
  for (int32_t i = 1; i <= frames; ++i) {
    SLXFrame& frame = graphic.Frame(i);
    frame.ColourFile = title + "_" + std::to_string(i) + ".bmp";
    frame.DataFile = title + "_" + std::to_string(i) + "d.bmp";
    frame.CenterX = width / 2;
    frame.CenterY = height - 1;
    // Each frame differs a little so no two files are the same.
    colour.SetPixel(i % width, 0, Palette::BuiltIn().Colour(16 + i % 200));
    for (auto [bitmap, name] : {std::pair{&colour, frame.ColourFile},
                                std::pair{&data, frame.DataFile}}) {
      if (Status saved = bitmap->SavePicture(folder + "/" + name); !saved) {
        std::fprintf(stderr, "%s\n", saved.message().c_str());
        return 1;
      }
    }
  }
  if (Status saved = WriteFileSafely(graphic.Path, FormatSLX(graphic)); !saved) {
    std::fprintf(stderr, "%s\n", saved.message().c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 7 && std::string(argv[1]) == "slx") {
    return MakeSLX(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]),
                   std::atoi(argv[6]));
  }
  std::fprintf(stderr, "usage: make_limits_input slx FOLDER TITLE FRAMES WIDTH HEIGHT\n");
  return 2;
}
