// Reading animated GIF files back in the tests with giflib's own reader
// (DGifSlurp): the canvas, every frame's indices and colour table, its
// graphics control block, and whether the looping block is there.
#pragma once

#include <gif_lib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace zorv::test {

struct GIFFrameBack {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> indices;     // width x height, rows from the top
  std::vector<GifColorType> colours; // the frame's own table, else the canvas's
  int delay = -1;                    // hundredths of a second; -1 without a control block
  int transparent = NO_TRANSPARENT_COLOR;
  int disposal = DISPOSAL_UNSPECIFIED;
  uint8_t Index(int x, int y) const { return indices[static_cast<size_t>(y) * width + x]; }
};

struct GIFReadBack {
  bool ok = false;
  std::string error;
  int width = 0, height = 0;
  bool loops_for_ever = false;  // NETSCAPE2.0 with a loop count of 0
  std::vector<GIFFrameBack> frames;
};

namespace gif_detail {

inline bool IsLoopBlock(const ExtensionBlock* blocks, int count) {
  for (int b = 0; b + 1 < count; ++b)
    if (blocks[b].Function == APPLICATION_EXT_FUNC_CODE && blocks[b].ByteCount == 11 &&
        std::memcmp(blocks[b].Bytes, "NETSCAPE2.0", 11) == 0 &&
        blocks[b + 1].Function == CONTINUE_EXT_FUNC_CODE && blocks[b + 1].ByteCount == 3 &&
        blocks[b + 1].Bytes[0] == 1 && blocks[b + 1].Bytes[1] == 0 && blocks[b + 1].Bytes[2] == 0)
      return true;
  return false;
}

}  // namespace gif_detail

inline GIFReadBack ReadGIFBack(const std::string& path) {
  GIFReadBack result;
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  if (!gif) {
    result.error = "giflib cannot open " + path + ": " + GifErrorString(error);
    return result;
  }
  if (DGifSlurp(gif) != GIF_OK) {
    result.error = "giflib cannot read " + path + ": " + GifErrorString(gif->Error);
    DGifCloseFile(gif, &error);
    return result;
  }
  result.width = gif->SWidth;
  result.height = gif->SHeight;
  result.loops_for_ever = gif_detail::IsLoopBlock(gif->ExtensionBlocks, gif->ExtensionBlockCount);
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    result.loops_for_ever = result.loops_for_ever ||
        gif_detail::IsLoopBlock(image.ExtensionBlocks, image.ExtensionBlockCount);
    GIFFrameBack frame;
    frame.left = image.ImageDesc.Left;
    frame.top = image.ImageDesc.Top;
    frame.width = image.ImageDesc.Width;
    frame.height = image.ImageDesc.Height;
    frame.indices.assign(image.RasterBits,
                         image.RasterBits + static_cast<size_t>(frame.width) * frame.height);
    const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    if (map) frame.colours.assign(map->Colors, map->Colors + map->ColorCount);
    GraphicsControlBlock control;
    if (DGifSavedExtensionToGCB(gif, i, &control) == GIF_OK) {
      frame.delay = control.DelayTime;
      frame.transparent = control.TransparentColor;
      frame.disposal = control.DisposalMode;
    }
    result.frames.push_back(std::move(frame));
  }
  DGifCloseFile(gif, &error);
  result.ok = true;
  return result;
}

}  // namespace zorv::test
