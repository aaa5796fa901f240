#include "codec/GraphicFrames.h"

#include "codec/FrameBitmaps.h"

namespace zorv {

Status GraphicFrames::Open(const std::string& path, bool slx, const Palette& palette) {
  slx_ = slx;
  if (slx) {
    matcher_ = std::make_unique<PaletteMatcher>(palette);
    return LoadSLX(path, graphic_);
  }
  SLPHeader header;
  return ReadSLPHeader(path, file_, header, infos_);
}

int32_t GraphicFrames::Count() const {
  return slx_ ? graphic_.FrameCount : static_cast<int32_t>(infos_.size());
}

Status GraphicFrames::Shape(int32_t number, int32_t& width, int32_t& height, int32_t& hot_x,
                            int32_t& hot_y) {
  if (number < 1 || number > Count())
    return Status::Fail("there is no frame " + std::to_string(number));
  if (!slx_) {
    const SLPFrameInfo& info = infos_[static_cast<size_t>(number - 1)];
    width = info.Width;
    height = info.Height;
    hot_x = info.HotSpotX;
    hot_y = info.HotSpotY;
    if (width < 0 || height < 0)
      return Status::Fail("frame " + std::to_string(number) + " has a negative size");
    return Status::Ok();
  }
  hot_x = graphic_.Frame(number).CenterX;
  hot_y = graphic_.Frame(number).CenterY;
  return ReadPictureSize(graphic_.ColourPath(number), width, height);
}

Status GraphicFrames::Read(int32_t number, FramePixels& pixels, int32_t& hot_x, int32_t& hot_y) {
  if (number < 1 || number > Count())
    return Status::Fail("there is no frame " + std::to_string(number));
  if (!slx_) {
    const SLPFrameInfo& info = infos_[static_cast<size_t>(number - 1)];
    hot_x = info.HotSpotX;
    hot_y = info.HotSpotY;
    return FramePixelsFromSLP(file_, info, pixels);
  }
  hot_x = graphic_.Frame(number).CenterX;
  hot_y = graphic_.Frame(number).CenterY;
  if (Status read = LoadFrameBitmap(graphic_.ColourPath(number), colour_); !read) return read;
  if (Status read = LoadFrameBitmap(graphic_.DataPath(number), data_); !read) return read;
  return FramePixelsFromBitmaps(colour_, data_, *matcher_, pixels);
}

}  // namespace zorv
