#include "codec/BitmapPNG.h"

#include <png.h>

#include <cstring>

#include "codec/PNGFiles.h"
#include "common/SafeFileWriter.h"

namespace zorv {

Status EncodeBitmapPNG(const cDIBSection& bitmap, std::string& bytes) {
  bytes.clear();
  if (bitmap.Width() < 1 || bitmap.Height() < 1)
    return Status::Fail(kMsgErrorWritingPNG, "A picture of " + std::to_string(bitmap.Width()) +
                                                 " x " + std::to_string(bitmap.Height()) +
                                                 " pixels cannot be written.");
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(bitmap.Width());
  image.height = static_cast<png_uint_32>(bitmap.Height());
  // The pixel memory as it lies: blue, green, red bytes, rows bottom-up
  // (a negative stride) and padded to 4 bytes.
  image.format = PNG_FORMAT_BGR;
  image.flags = PNG_IMAGE_FLAG_FAST;
  const png_int_32 stride = -static_cast<png_int_32>(bitmap.BytesPerScanLine());
  png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
  bytes.resize(static_cast<size_t>(size));
  const bool written = png_image_write_to_memory(&image, bytes.data(), &size, 0,
                                                 bitmap.DIBSectionBitsPtr(), stride, nullptr);
  const std::string reason = image.message[0] != '\0' ? image.message : "libpng failed";
  png_image_free(&image);
  if (!written) {
    bytes.clear();
    return Status::Fail(kMsgErrorWritingPNG, reason);
  }
  bytes.resize(static_cast<size_t>(size));
  return Status::Ok();
}

Status SaveBitmapPNG(const cDIBSection& bitmap, const std::string& path,
                     const std::vector<std::string>& inputs) {
  std::string bytes;
  if (Status encoded = EncodeBitmapPNG(bitmap, bytes); !encoded)
    return Status::Fail(kMsgErrorWritingPNG, path + ": " + encoded.Detail());
  SafeFileWriter writer;
  if (Status opened = writer.Open(path, SafeFileWriter::Placement::kInPlaceWhenNew, inputs);
      !opened)
    return opened;
  writer.Write(bytes);
  return writer.Commit();
}

Status DecodePNGBitmap(std::string_view bytes, cDIBSection& bitmap) {
  bitmap.ClearUp();
  // A size no bitmap takes is refused before any pixel is decoded.
  int32_t width = 0, height = 0;
  if (Status sized = PNGSizeFromHead(bytes, width, height); !sized) return sized;
  if (width > cDIBSection::kMaxDimension || height > cDIBSection::kMaxDimension)
    return Status::Fail("the PNG picture is " + std::to_string(width) + " x " +
                        std::to_string(height) + " pixels; a bitmap holds at most " +
                        std::to_string(cDIBSection::kMaxDimension) + " in each direction");
  PNGPicture picture;
  if (Status decoded = DecodePNG(bytes, picture); !decoded) return Status::Fail(decoded.Detail());
  const RGBAImage& rgba = picture.RGBA;
  if (!bitmap.Create(rgba.Width, rgba.Height))
    return Status::Fail("no memory for a bitmap of " + std::to_string(rgba.Width) + " x " +
                        std::to_string(rgba.Height) + " pixels");
  const uint8_t* from = rgba.Pixels.data();
  for (int32_t y = 0; y < rgba.Height; ++y) {
    uint8_t* to = bitmap.Row(y);
    for (int32_t x = 0; x < rgba.Width; ++x, from += 4, to += 3) {
      to[0] = from[2];
      to[1] = from[1];
      to[2] = from[0];
    }
  }
  return Status::Ok();
}

}  // namespace zorv
