#include "codec/FrameBitmaps.h"

#include "codec/BitmapPNG.h"
#include "codec/SLPFormat.h"
#include "common/Functions.h"

namespace zorv {

Status LoadFrameBitmap(const std::string& path, cDIBSection& bitmap) {
  bitmap.ClearUp();
  int32_t width = 0, height = 0;
  if (Status read = ReadPictureSize(path, width, height); !read) return read;
  if (int64_t{width} * height > kMaxSLPFramePixels)
    return Status::Fail(path + ": the picture is " + std::to_string(width) + " x " +
                        std::to_string(height) + " pixels; a frame holds at most " +
                        std::to_string(kMaxSLPFramePixels) + ".");
  return bitmap.CreateFromPicture(path);
}

bool IsPNGFrameName(const std::string& path) {
  return path.size() > 4 && AsciiLower(std::string_view(path).substr(path.size() - 4)) == ".png";
}

Status SaveFrameBitmap(const cDIBSection& bitmap, const std::string& path,
                       const std::vector<std::string>& inputs) {
  if (IsPNGFrameName(path)) return SaveBitmapPNG(bitmap, path, inputs);
  return bitmap.SavePicture(path, inputs);
}

}  // namespace zorv
