#include "codec/GIFFiles.h"

#include <gif_lib.h>

#include <cstring>

namespace zorv {
namespace {

// giflib writes through this: the bytes go to the writer's string.
int AppendBytes(GifFileType* gif, const GifByteType* data, int length) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data),
                                                   static_cast<size_t>(length));
  return length;
}

}  // namespace

AnimatedGIFWriter::AnimatedGIFWriter() = default;

AnimatedGIFWriter::~AnimatedGIFWriter() {
  if (gif_) {
    int error = 0;
    EGifCloseFile(gif_, &error);
  }
}

Status AnimatedGIFWriter::Failed(const std::string& what) {
  const int code = gif_ ? gif_->Error : 0;
  const char* reason = GifErrorString(code);
  return Status::Fail(kMsgErrorWritingGIF, what + (reason ? std::string(": ") + reason : ""));
}

Status AnimatedGIFWriter::Begin(int32_t width, int32_t height,
                                const std::array<ColourValue, 256>& colours,
                                int transparent_index, int delay_centiseconds) {
  if (width < 1 || height < 1 || width > kMaxGIFSide || height > kMaxGIFSide)
    return Status::Fail(kMsgErrorWritingGIF, "A GIF cannot be " + std::to_string(width) + " x " +
                                                 std::to_string(height) + " pixels.");
  int error = 0;
  gif_ = EGifOpen(&bytes_, &AppendBytes, &error);
  if (!gif_) return Status::Fail(kMsgErrorWritingGIF, GifErrorString(error));
  width_ = width;
  height_ = height;
  transparent_ = transparent_index;
  delay_ = delay_centiseconds;
  GifColorType table[256];
  for (size_t i = 0; i < 256; ++i)
    table[i] = GifColorType{static_cast<GifByteType>(RedOf(colours[i])),
                            static_cast<GifByteType>(GreenOf(colours[i])),
                            static_cast<GifByteType>(BlueOf(colours[i]))};
  ColorMapObject* map = GifMakeMapObject(256, table);
  if (!map) return Failed("no memory for the colour table");
  // Animation needs GIF89a, which the extensions below select.
  EGifSetGifVersion(gif_, true);
  const int put = EGifPutScreenDesc(gif_, width, height, 8, transparent_index, map);
  GifFreeMapObject(map);
  if (put == GIF_ERROR) return Failed("the canvas");
  // Loop for ever: the NETSCAPE2.0 application block with a count of 0.
  static const GifByteType kLoop[3] = {1, 0, 0};
  if (EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
      EGifPutExtensionBlock(gif_, 11, "NETSCAPE2.0") == GIF_ERROR ||
      EGifPutExtensionBlock(gif_, 3, kLoop) == GIF_ERROR ||
      EGifPutExtensionTrailer(gif_) == GIF_ERROR)
    return Failed("the loop");
  return Status::Ok();
}

Status AnimatedGIFWriter::AddFrame(const std::vector<uint8_t>& indices) {
  if (!gif_) return Status::Fail(kMsgErrorWritingGIF, "the GIF was not begun");
  if (indices.size() != static_cast<size_t>(width_) * static_cast<size_t>(height_))
    return Status::Fail(kMsgErrorWritingGIF, "a frame is not the size of the canvas");
  // Each frame is cleared away before the next: frames of a sprite are
  // whole pictures, not changes to the one before.
  GraphicsControlBlock control{};
  control.DisposalMode = DISPOSE_BACKGROUND;
  control.UserInputFlag = false;
  control.DelayTime = delay_;
  control.TransparentColor = transparent_;
  GifByteType extension[4];
  const size_t length = EGifGCBToExtension(&control, extension);
  if (EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) ==
          GIF_ERROR ||
      EGifPutImageDesc(gif_, 0, 0, width_, height_, false, nullptr) == GIF_ERROR)
    return Failed("a frame");
  std::vector<GifPixelType> row(static_cast<size_t>(width_));
  for (int32_t y = 0; y < height_; ++y) {
    std::memcpy(row.data(), indices.data() + static_cast<size_t>(y) * width_, row.size());
    if (EGifPutLine(gif_, row.data(), width_) == GIF_ERROR) return Failed("a frame's row");
  }
  return Status::Ok();
}

Status AnimatedGIFWriter::Finish(std::string& bytes) {
  if (!gif_) return Status::Fail(kMsgErrorWritingGIF, "the GIF was not begun");
  int error = 0;
  GifFileType* gif = gif_;
  gif_ = nullptr;
  if (EGifCloseFile(gif, &error) == GIF_ERROR)
    return Status::Fail(kMsgErrorWritingGIF, GifErrorString(error));
  bytes = std::move(bytes_);
  return Status::Ok();
}

}  // namespace zorv
